#pragma once
// SHA-256 and ECDSA P-256 verification with Windows' CNG (bcrypt).
#include "release_manifest/release_crypto_platform.h"

class CngReleaseCryptoPlatform final : public ReleaseCryptoPlatform {
  public:
    std::unique_ptr<Sha256Hasher> NewSha256() override;
    SignatureVerdict VerifySignature(const ReleasePublicKey& key, const Sha256Digest& digest,
                                     const ReleaseSignature& signature) override;
};
