// Payload encryption: round trips, the verifier and the keystream.
#include "U_KV_Hash_and_RAT_01.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

class Payload : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new TKeyMaterial;
        other_ = new TKeyMaterial;
        ASSERT_EQ(KvDeriveKeyMaterial("main password", *keys_), "");
        ASSERT_EQ(KvDeriveKeyMaterial("main passworD", *other_), "");
        K_ = new TByteArray(KvUnwrapKey(keys_->A_GLOBAL_BH, keys_->A_GLOBAL_DH));
        otherK_ = new TByteArray(KvUnwrapKey(other_->A_GLOBAL_BH, other_->A_GLOBAL_DH));
    }
    static void TearDownTestSuite() {
        delete keys_;
        delete other_;
        delete K_;
        delete otherK_;
    }

    static std::string Encrypt(TByteArray& p) {
        return KvCryptPayload(p, *K_, keys_->A_GLOBAL_TH, keys_->A_GLOBAL_SH1, keys_->A_GLOBAL_SH2,
                              true);
    }
    static std::string Decrypt(TByteArray& p) {
        return KvCryptPayload(p, *K_, keys_->A_GLOBAL_TH, keys_->A_GLOBAL_SH1, keys_->A_GLOBAL_SH2,
                              false);
    }

    static TKeyMaterial* keys_;
    static TKeyMaterial* other_;
    static TByteArray* K_;
    static TByteArray* otherK_;
};
TKeyMaterial* Payload::keys_ = nullptr;
TKeyMaterial* Payload::other_ = nullptr;
TByteArray* Payload::K_ = nullptr;
TByteArray* Payload::otherK_ = nullptr;

TEST(PayloadRounds, CountsAtTheBounds) {
    const std::pair<std::size_t, int> cases[] = {
        {0, 30},     {10000, 30},  {10001, 29},  {100000, 14}, {100001, 10},
        {200000, 9}, {1000000, 5}, {1000001, 5}, {2000000, 5}, {2000001, 1},
    };
    for (const auto& [n, rounds] : cases) {
        EXPECT_EQ(KvPayloadRounds(n), rounds) << n;
    }
}

TEST_F(Payload, EncryptingTwiceGivesTwoCiphertextsThatBothDecrypt) {
    for (std::size_t n : {1u, 7u, 8u, 1000u, 12345u}) {
        const TByteArray plain = Noise(n, static_cast<unsigned>(n));
        TByteArray a = plain, b = plain;
        ASSERT_EQ(Encrypt(a), "");
        ASSERT_EQ(Encrypt(b), "");
        EXPECT_EQ(a.size(), n + 2000);
        EXPECT_EQ(b.size(), n + 2000);
        EXPECT_NE(a, b);
        ASSERT_EQ(Decrypt(a), "");
        ASSERT_EQ(Decrypt(b), "");
        EXPECT_EQ(a, plain);
        EXPECT_EQ(b, plain);
    }
}

TEST_F(Payload, EmptyPayloadPassesUnchanged) {
    TByteArray empty;
    EXPECT_EQ(Encrypt(empty), "");
    EXPECT_TRUE(empty.empty());
}

TEST_F(Payload, EveryDamageOrWrongKeyGivesTheWrongPasswordText) {
    const TByteArray plain = Noise(3000, 1);
    TByteArray sealed = plain;
    ASSERT_EQ(Encrypt(sealed), "");

    struct Case {
        const char* name;
        TByteArray bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"1000 bytes", Noise(1000, 2)});
    cases.push_back({"1001 bytes", Noise(1001, 3)});
    cases.push_back({"2000 bytes", Noise(2000, 4)});
    cases.push_back({"truncated by one", TByteArray(sealed.begin(), sealed.end() - 1)});
    cases.push_back({"first byte dropped", TByteArray(sealed.begin() + 1, sealed.end())});
    for (std::size_t at : {std::size_t{3000}, std::size_t{3499}, std::size_t{3500},
                           std::size_t{3999}, std::size_t{4000}, std::size_t{4999}}) {
        TByteArray flipped = sealed;
        flipped[at] ^= 0x01;
        cases.push_back({"bit flipped in verifier or block", flipped});
    }
    for (auto& c : cases) {
        TByteArray p = c.bytes;
        EXPECT_EQ(Decrypt(p), KvWrongPasswordText) << c.name;
        EXPECT_TRUE(p.empty()) << c.name << ": nothing of a failed check comes back";
    }

    TByteArray p = sealed;
    EXPECT_EQ(KvCryptPayload(p, *otherK_, other_->A_GLOBAL_TH, other_->A_GLOBAL_SH1,
                             other_->A_GLOBAL_SH2, false),
              KvWrongPasswordText);
}

TEST_F(Payload, KeystreamTwiceIsTheIdentityAcrossTheRekeying) {
    const TByteArray plain = Noise(1000000 + 4321, 9);
    const TByteArray block = Noise(1000, 10);
    TByteArray p = plain;
    KvKeystreamXor(p, *K_, keys_->A_GLOBAL_TH, block);
    EXPECT_NE(p, plain);
    // The bytes after the first million use a re-keyed stream, not a repeat.
    EXPECT_NE(TByteArray(p.begin(), p.begin() + 4321), TByteArray(p.begin() + 1000000, p.end()));
    KvKeystreamXor(p, *K_, keys_->A_GLOBAL_TH, block);
    EXPECT_EQ(p, plain);
}

TEST_F(Payload, LayersInvertOnTheirOwn) {
    const TByteArray plain = Noise(54321, 12);
    TByteArray p = plain;
    KvPayloadTransform(p, *K_, true);
    EXPECT_NE(p, plain);
    KvPayloadTransform(p, *K_, false);
    EXPECT_EQ(p, plain);

    KvAddEnvelope(p, keys_->A_GLOBAL_SH1);
    EXPECT_EQ(p.size(), plain.size() + 1000);
    EXPECT_FALSE(KvRemoveEnvelope(p, other_->A_GLOBAL_SH1));
    EXPECT_EQ(p.size(), plain.size() + 1000) << "a failed check leaves P unchanged";
    EXPECT_TRUE(KvRemoveEnvelope(p, keys_->A_GLOBAL_SH1));
    EXPECT_EQ(p, plain);
}

} // namespace
