#include "platform/posix/release_manifest/openssl_release_crypto_platform.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <vector>

#include "release_manifest/release_key.h"

namespace {

class OpenSslSha256 final : public Sha256Hasher {
  public:
    OpenSslSha256() : context_(EVP_MD_CTX_new()) {
        if (context_ && EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1) {
            EVP_MD_CTX_free(context_);
            context_ = nullptr;
        }
    }
    ~OpenSslSha256() override { EVP_MD_CTX_free(context_); }
    bool Valid() const { return context_ != nullptr; }

    bool Add(const uint8_t* bytes, size_t length) override {
        return context_ && !finished_ && EVP_DigestUpdate(context_, bytes, length) == 1;
    }
    bool Finish(Sha256Digest* digest) override {
        unsigned int length = 0;
        if (!context_ || finished_) return false;
        finished_ = true;
        return EVP_DigestFinal_ex(context_, digest->data(), &length) == 1 && length == digest->size();
    }

  private:
    EVP_MD_CTX* context_;
    bool finished_ = false;
};

// The signature in the DER form OpenSSL verifies; empty when it cannot be made.
std::vector<uint8_t> DerSignature(const ReleaseSignature& signature) {
    constexpr int kHalf = int(sizeof(ReleaseSignature) / 2);
    std::vector<uint8_t> der;
    ECDSA_SIG* parts = ECDSA_SIG_new();
    BIGNUM* r = BN_bin2bn(signature.data(), kHalf, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + kHalf, kHalf, nullptr);
    if (parts && r && s && ECDSA_SIG_set0(parts, r, s) == 1) {
        r = s = nullptr;  // owned by parts now
        unsigned char* out = nullptr;
        const int length = i2d_ECDSA_SIG(parts, &out);
        if (length > 0) der.assign(out, out + length);
        OPENSSL_free(out);
    }
    BN_free(r);
    BN_free(s);
    ECDSA_SIG_free(parts);
    return der;
}

}  // namespace

std::unique_ptr<Sha256Hasher> OpenSslReleaseCryptoPlatform::NewSha256() {
    auto hasher = std::make_unique<OpenSslSha256>();
    if (!hasher->Valid()) return nullptr;
    return hasher;
}

SignatureVerdict OpenSslReleaseCryptoPlatform::VerifySignature(const ReleasePublicKey& key,
                                                               const Sha256Digest& digest,
                                                               const ReleaseSignature& signature) {
    const std::vector<uint8_t> info = SubjectPublicKeyInfo(key);
    const unsigned char* at = info.data();
    EVP_PKEY* publicKey = d2i_PUBKEY(nullptr, &at, long(info.size()));
    if (!publicKey) return SignatureVerdict::KeyRefused;
    SignatureVerdict verdict = SignatureVerdict::KeyRefused;
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(publicKey, nullptr);
    if (context && EVP_PKEY_verify_init(context) == 1 &&
        EVP_PKEY_CTX_set_signature_md(context, EVP_sha256()) == 1) {
        const std::vector<uint8_t> der = DerSignature(signature);
        verdict = !der.empty() &&
                          EVP_PKEY_verify(context, der.data(), der.size(), digest.data(), digest.size()) == 1
                      ? SignatureVerdict::Valid
                      : SignatureVerdict::Invalid;
    }
    EVP_PKEY_CTX_free(context);
    EVP_PKEY_free(publicKey);
    return verdict;
}
