#pragma once
// The operator's public key in the DER form of an X.509 SubjectPublicKeyInfo for a P-256 key:
// always 91 bytes, a fixed 27-byte head (the algorithm, the curve and the uncompressed-point tag)
// and then the point's X and Y. OpenSSL reads and writes keys in this form.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "release_manifest/release_crypto_platform.h"

inline constexpr size_t kSubjectPublicKeyInfoBytes = 91;

std::vector<uint8_t> SubjectPublicKeyInfo(const ReleasePublicKey& key);
// False for anything but the DER of an uncompressed P-256 public key.
bool ReadSubjectPublicKeyInfo(const uint8_t* der, size_t length, ReleasePublicKey* key);
