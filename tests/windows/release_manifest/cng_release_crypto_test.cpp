#include "platform/win32/release_manifest/cng_release_crypto_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "release_crypto_vectors.h"

namespace {

using namespace release_vectors;

TEST(CngReleaseCryptoTest, HashesTheKnownAnswers) {
    CngReleaseCryptoPlatform crypto;
    for (const HashCase& c : kHashCases)
        EXPECT_EQ(HashOf(crypto, c.message), FromHex<32>(c.sha256)) << c.message;
    EXPECT_EQ(HashOf(crypto, std::string(1000000, 'a'), 7), FromHex<32>(kMillionASha256));
}

TEST(CngReleaseCryptoTest, TwoHashesAtOnceKeepTheirOwnState) {
    CngReleaseCryptoPlatform crypto;
    auto first = crypto.NewSha256();
    auto second = crypto.NewSha256();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->Add(reinterpret_cast<const uint8_t*>("a"), 1));
    ASSERT_TRUE(second->Add(reinterpret_cast<const uint8_t*>("abc"), 3));
    ASSERT_TRUE(first->Add(reinterpret_cast<const uint8_t*>("bc"), 2));
    Sha256Digest a{}, b{};
    ASSERT_TRUE(first->Finish(&a) && second->Finish(&b));
    EXPECT_EQ(a, FromHex<32>(kHashCases[1].sha256));
    EXPECT_EQ(b, a);
}

TEST(CngReleaseCryptoTest, VerifiesOpenSslsSignatureAndNothingElse) {
    CngReleaseCryptoPlatform crypto;
    const Sha256Digest digest = HashOf(crypto, kSignedMessage);
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, Signature()), SignatureVerdict::Valid);

    ReleaseSignature flipped = Signature();
    flipped[40] ^= 0x01;
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, flipped), SignatureVerdict::Invalid);
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), HashOf(crypto, "another message\n"), Signature()),
              SignatureVerdict::Invalid);
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, ReleaseSignature{}), SignatureVerdict::Invalid);

    // r and s swapped: the same bytes in another order are no signature.
    ReleaseSignature swapped = Signature();
    std::rotate(swapped.begin(), swapped.begin() + 32, swapped.end());
    EXPECT_EQ(crypto.VerifySignature(SigningKey(), digest, swapped), SignatureVerdict::Invalid);
}

TEST(CngReleaseCryptoTest, AKeyOffTheCurveVerifiesNothing) {
    CngReleaseCryptoPlatform crypto;
    ReleasePublicKey offCurve = SigningKey();
    offCurve.point[63] ^= 0x01;
    EXPECT_NE(crypto.VerifySignature(offCurve, HashOf(crypto, kSignedMessage), Signature()),
              SignatureVerdict::Valid);
}

}  // namespace
