#pragma once
// Known answers for a release check's cryptography, shared by the OpenSSL and the CNG tests: SHA-256
// of the standard test messages, and one ECDSA P-256 signature that OpenSSL made
// ("openssl dgst -sha256 -sign", its DER form turned into r and s).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "release_manifest/release_crypto_platform.h"

namespace release_vectors {

template <size_t N> std::array<uint8_t, N> FromHex(const char* hex) {
    std::array<uint8_t, N> bytes{};
    for (size_t i = 0; i < N; ++i)
        bytes[i] = uint8_t(std::stoul(std::string(hex + 2 * i, 2), nullptr, 16));
    return bytes;
}

struct HashCase {
    std::string message;
    const char* sha256;
};

inline const HashCase kHashCases[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
};
// One million times 'a'.
inline constexpr char kMillionASha256[] = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

inline const char kSignedMessage[] = "tidemarch release check vector\n";
inline ReleasePublicKey SigningKey() {
    return ReleasePublicKey{FromHex<64>("0827d8d401595889763a0184c985585d17fe6574c6f7a78eaee993103abdfc68"
                                        "26f659711777181a32a827eb2d16d2a5c914d20681d8ac16d92847db8bb08bf3")};
}
inline ReleaseSignature Signature() {
    return FromHex<64>("7261a4a13e3c9e7ee27e719240ed1b48e2ec812c06920d96ee0ad5dcf8401b91"
                       "4f52a801dcd2073fb5d4037d9abc65db2050cb3221e76c9b750d29736fdd21e6");
}

// The digest a platform's hasher gives for the text fed in the number of pieces given; a finished
// hasher must refuse more input.
inline Sha256Digest HashOf(ReleaseCryptoPlatform& crypto, const std::string& text, size_t pieces = 1) {
    auto hasher = crypto.NewSha256();
    EXPECT_TRUE(hasher);
    if (!hasher) return {};
    const size_t piece = text.size() / pieces + 1;
    for (size_t at = 0; at < text.size(); at += piece)
        EXPECT_TRUE(hasher->Add(reinterpret_cast<const uint8_t*>(text.data()) + at,
                                std::min(piece, text.size() - at)));
    Sha256Digest digest{};
    EXPECT_TRUE(hasher->Finish(&digest));
    EXPECT_FALSE(hasher->Add(reinterpret_cast<const uint8_t*>("x"), 1)) << "a finished hash takes no more";
    return digest;
}

}  // namespace release_vectors
