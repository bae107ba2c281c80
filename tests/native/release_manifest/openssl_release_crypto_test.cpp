#include "platform/posix/release_manifest/openssl_release_crypto_platform.h"

#include <gtest/gtest.h>

#include <string>

#include "release_crypto_vectors.h"

namespace {

using namespace release_vectors;

TEST(OpenSslReleaseCryptoTest, HashesTheKnownAnswers) {
    OpenSslReleaseCryptoPlatform crypto;
    for (const HashCase& c : kHashCases)
        EXPECT_EQ(HashOf(crypto, c.message), FromHex<32>(c.sha256)) << c.message;
    EXPECT_EQ(HashOf(crypto, std::string(1000000, 'a'), 7), FromHex<32>(kMillionASha256));
}

TEST(OpenSslReleaseCryptoTest, VerifiesOpenSslsSignatureAndNothingElse) {
    OpenSslReleaseCryptoPlatform crypto;
    const Sha256Digest digest = HashOf(crypto, kSignedMessage);
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, Signature()), SignatureVerdict::Valid);

    ReleaseSignature flipped = Signature();
    flipped[40] ^= 0x01;
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, flipped), SignatureVerdict::Invalid);
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), HashOf(crypto, "another message\n"), Signature()),
              SignatureVerdict::Invalid);
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, ReleaseSignature{}), SignatureVerdict::Invalid);

    ReleasePublicKey offCurve = SigningKey();
    offCurve.point[63] ^= 0x01;
    EXPECT_EQ(crypto.VerifySignature(offCurve, digest, Signature()), SignatureVerdict::KeyRefused);
}

}  // namespace
