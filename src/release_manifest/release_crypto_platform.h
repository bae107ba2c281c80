#pragma once
// The cryptography a release check needs of the platform: SHA-256 and the verification of an
// ECDSA P-256 signature. Windows' CNG provides it in the host; OpenSSL's libcrypto natively.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "release_manifest/release_manifest.h"

// The operator's public key: the curve point's X and Y, 32 bytes each, big-endian.
struct ReleasePublicKey {
    std::array<uint8_t, 64> point{};
};

class Sha256Hasher {
  public:
    virtual ~Sha256Hasher() = default;
    virtual bool Add(const uint8_t* bytes, size_t length) = 0;
    // Ends the hash; the hasher takes no more bytes.
    virtual bool Finish(Sha256Digest* digest) = 0;
};

enum class SignatureVerdict {
    Valid,
    Invalid,
    // The key is not a point of the curve, or the platform could not verify at all.
    KeyRefused,
};

class ReleaseCryptoPlatform {
  public:
    // A new hash; null when the platform has none. Hashers may be used on any one thread.
    virtual std::unique_ptr<Sha256Hasher> NewSha256() = 0;
    // Whether signature is the key's signature of the SHA-256 digest.
    virtual SignatureVerdict VerifySignature(const ReleasePublicKey& key, const Sha256Digest& digest,
                                             const ReleaseSignature& signature) = 0;

  protected:
    ~ReleaseCryptoPlatform() = default;
};
