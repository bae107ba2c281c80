#include "release_manifest/release_key.h"

#include <algorithm>
#include <array>

namespace {

// SEQUENCE { SEQUENCE { OID id-ecPublicKey, OID prime256v1 }, BIT STRING { 0x04 X Y } }.
constexpr std::array<uint8_t, 27> kP256Head = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                               0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                               0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
static_assert(kP256Head.size() + sizeof(ReleasePublicKey::point) == kSubjectPublicKeyInfoBytes);

}  // namespace

std::vector<uint8_t> SubjectPublicKeyInfo(const ReleasePublicKey& key) {
    std::vector<uint8_t> der(kSubjectPublicKeyInfoBytes);
    std::copy(key.point.begin(), key.point.end(), std::copy(kP256Head.begin(), kP256Head.end(), der.begin()));
    return der;
}

bool ReadSubjectPublicKeyInfo(const uint8_t* der, size_t length, ReleasePublicKey* key) {
    if (length != kSubjectPublicKeyInfoBytes || !std::equal(kP256Head.begin(), kP256Head.end(), der))
        return false;
    std::copy(der + kP256Head.size(), der + length, key->point.begin());
    return true;
}
