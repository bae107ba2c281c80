#include "platform/win32/release_manifest/cng_release_crypto_platform.h"

#include <windows.h>

#include <bcrypt.h>

#include <cstring>
#include <vector>

namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// An algorithm provider, closed when it goes.
class Provider {
  public:
    explicit Provider(const wchar_t* algorithm) {
        if (!Succeeded(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0))) handle_ = nullptr;
    }
    ~Provider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE Handle() const { return handle_; }

  private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class CngSha256 final : public Sha256Hasher {
  public:
    CngSha256() : provider_(BCRYPT_SHA256_ALGORITHM) {
        // With no object buffer given, CNG keeps the hash's state itself (Windows 7 and later).
        if (!provider_.Handle() ||
            !Succeeded(BCryptCreateHash(provider_.Handle(), &hash_, nullptr, 0, nullptr, 0, 0)))
            hash_ = nullptr;
    }
    ~CngSha256() override {
        if (hash_) BCryptDestroyHash(hash_);
    }
    bool Valid() const { return hash_ != nullptr; }

    bool Add(const uint8_t* bytes, size_t length) override {
        // The length is a ULONG: a larger piece goes in parts.
        constexpr size_t kLargestPiece = 1u << 30;
        while (hash_ && !finished_ && length > 0) {
            const size_t piece = length < kLargestPiece ? length : kLargestPiece;
            if (!Succeeded(BCryptHashData(hash_, const_cast<PUCHAR>(bytes), ULONG(piece), 0))) return false;
            bytes += piece;
            length -= piece;
        }
        return hash_ && !finished_;
    }
    bool Finish(Sha256Digest* digest) override {
        if (!hash_ || finished_) return false;
        finished_ = true;
        return Succeeded(BCryptFinishHash(hash_, digest->data(), ULONG(digest->size()), 0));
    }

  private:
    Provider provider_;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<Sha256Hasher> CngReleaseCryptoPlatform::NewSha256() {
    auto hasher = std::make_unique<CngSha256>();
    if (!hasher->Valid()) return nullptr;
    return hasher;
}

SignatureVerdict CngReleaseCryptoPlatform::VerifySignature(const ReleasePublicKey& key,
                                                           const Sha256Digest& digest,
                                                           const ReleaseSignature& signature) {
    Provider provider(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!provider.Handle()) return SignatureVerdict::KeyRefused;
    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.point.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, ULONG(key.point.size() / 2)};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.point.data(), key.point.size());
    BCRYPT_KEY_HANDLE publicKey = nullptr;
    if (!Succeeded(BCryptImportKeyPair(provider.Handle(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &publicKey,
                                       blob.data(), ULONG(blob.size()), 0)))
        return SignatureVerdict::KeyRefused;
    const NTSTATUS status =
        BCryptVerifySignature(publicKey, nullptr, const_cast<PUCHAR>(digest.data()), ULONG(digest.size()),
                              const_cast<PUCHAR>(signature.data()), ULONG(signature.size()), 0);
    BCryptDestroyKey(publicKey);
    return Succeeded(status) ? SignatureVerdict::Valid : SignatureVerdict::Invalid;
}
