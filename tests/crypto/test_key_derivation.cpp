// Main-password key derivation: determinism, the shape of each array, the
// refusal of unusable passwords and wiping.
#include "U_KV_Hash_Standard_01.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

// FNV-1a, 64-bit: a compact fingerprint for pinning whole arrays.
std::uint64_t Fingerprint(const TByteArray& bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (auto b : bytes) {
        h = (h ^ b) * 0x100000001b3ull;
    }
    return h;
}

class KeyDerivation : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new TKeyMaterial;
        ASSERT_EQ(KvDeriveKeyMaterial("correct horse battery", *keys_), "");
    }
    static void TearDownTestSuite() { delete keys_; }
    static TKeyMaterial* keys_;
};
TKeyMaterial* KeyDerivation::keys_ = nullptr;

TEST_F(KeyDerivation, ArraysHaveTheirSizesAndThePasswordIsNotKept) {
    EXPECT_EQ(keys_->A_GLOBAL_SH1.size(), 1000u);
    EXPECT_EQ(keys_->A_GLOBAL_SH2.size(), 1000u);
    EXPECT_EQ(keys_->A_GLOBAL_DH.size(), 1000u);
    EXPECT_EQ(keys_->A_GLOBAL_TH.size(), 1000u);
    EXPECT_EQ(keys_->A_GLOBAL_BH.size(), 1000000u);
    ASSERT_EQ(keys_->s_GLOBAL_MP.size(), 32u);
    EXPECT_EQ(keys_->s_GLOBAL_MP.find_first_not_of(KvAlphabet90), std::string::npos);
    EXPECT_NE(keys_->s_GLOBAL_MP.find("correct"), 0u);
}

TEST_F(KeyDerivation, PinnedFingerprints) {
    // A change to the derivation, the digest, the digit steps or the
    // permutation rows would lock every user out of their databases.
    const std::pair<const char*, const TByteArray*> arrays[] = {
        {"SH1", &keys_->A_GLOBAL_SH1}, {"SH2", &keys_->A_GLOBAL_SH2}, {"DH", &keys_->A_GLOBAL_DH},
        {"TH", &keys_->A_GLOBAL_TH},   {"BH", &keys_->A_GLOBAL_BH},
    };
    const std::uint64_t expected[] = {5760587293483393533ull, 4855081727751219830ull,
                                      6691349371519665117ull, 8864297349669933032ull,
                                      5260750541485206055ull};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(Fingerprint(*arrays[k].second), expected[k]) << arrays[k].first;
    }
}

TEST_F(KeyDerivation, SameAnswerEveryTimeAndOneCharacterChangesAllFive) {
    TKeyMaterial again, other;
    ASSERT_EQ(KvDeriveKeyMaterial("correct horse battery", again), "");
    ASSERT_EQ(KvDeriveKeyMaterial("correct horse batterY", other), "");
    EXPECT_EQ(again.A_GLOBAL_SH1, keys_->A_GLOBAL_SH1);
    EXPECT_EQ(again.A_GLOBAL_SH2, keys_->A_GLOBAL_SH2);
    EXPECT_EQ(again.A_GLOBAL_DH, keys_->A_GLOBAL_DH);
    EXPECT_EQ(again.A_GLOBAL_TH, keys_->A_GLOBAL_TH);
    EXPECT_EQ(again.A_GLOBAL_BH, keys_->A_GLOBAL_BH);
    EXPECT_NE(again.s_GLOBAL_MP, keys_->s_GLOBAL_MP);
    EXPECT_NE(other.A_GLOBAL_SH1, keys_->A_GLOBAL_SH1);
    EXPECT_NE(other.A_GLOBAL_SH2, keys_->A_GLOBAL_SH2);
    EXPECT_NE(other.A_GLOBAL_DH, keys_->A_GLOBAL_DH);
    EXPECT_NE(other.A_GLOBAL_TH, keys_->A_GLOBAL_TH);
    EXPECT_NE(other.A_GLOBAL_BH, keys_->A_GLOBAL_BH);
}

TEST_F(KeyDerivation, PartsAgreeWithTheirDefinitions) {
    const std::string mp = "correct horse battery";
    std::string h62, h64, h90;
    KvHashText(mp, 1000, h62, h64, h90);
    TByteArray sh2;
    KvHashDigest(TByteArray(h90.begin(), h90.end()), 5, sh2);
    EXPECT_EQ(sh2, keys_->A_GLOBAL_SH2) << "SH2 depends on the password only through H90";

    TByteArray expanded;
    KvExpandKeyBH(keys_->A_GLOBAL_DH, keys_->A_GLOBAL_TH, expanded);
    EXPECT_NE(expanded, keys_->A_GLOBAL_BH) << "BH must be held enciphered";
    EXPECT_EQ(KvUnwrapKey(keys_->A_GLOBAL_BH, keys_->A_GLOBAL_DH), expanded);
}

TEST(KeyDerivationBounds, ShortestAndLongestPasswords) {
    // A 1000-byte password fills SH1's input alone; one byte more is refused
    // before anything changes.
    const std::string longest(1000, 'p');
    TByteArray sh1;
    KvDeriveKeySH1(longest, sh1);
    TByteArray direct;
    KvHashDigest(TByteArray(longest.begin(), longest.end()), 4, direct);
    EXPECT_EQ(sh1, direct);

    TKeyMaterial keys;
    ASSERT_EQ(KvDeriveKeyMaterial("abcde", keys), "");
    const TKeyMaterial before = keys;
    EXPECT_EQ(KvDeriveKeyMaterial(std::string(1001, 'p'), keys), KvPasswordTooLongText);
    // 501 two-byte letters are 1002 bytes.
    std::string accented;
    for (int i = 0; i < 501; ++i) {
        accented += "\xc3\xa9";
    }
    EXPECT_EQ(KvDeriveKeyMaterial(accented, keys), KvPasswordTooLongText);
    EXPECT_EQ(KvDeriveKeyMaterial("", keys), KvPasswordEmptyText);
    EXPECT_EQ(keys.A_GLOBAL_SH1, before.A_GLOBAL_SH1);
    EXPECT_EQ(keys.A_GLOBAL_BH, before.A_GLOBAL_BH);
    EXPECT_EQ(keys.s_GLOBAL_MP, before.s_GLOBAL_MP);

    TByteArray untouched = {1};
    KvDeriveKeyDH("", untouched);
    KvDeriveKeyTH("", untouched);
    KvExpandKeyBH(TByteArray(999), TByteArray(1000), untouched);
    EXPECT_EQ(untouched, TByteArray{1});
}

TEST(KeyDerivationBounds, WipeZeroesEveryArrayAtFullLength) {
    TKeyMaterial keys;
    ASSERT_EQ(KvDeriveKeyMaterial("abcde", keys), "");
    keys.Wipe();
    EXPECT_EQ(keys.A_GLOBAL_SH1, TByteArray(1000, 0));
    EXPECT_EQ(keys.A_GLOBAL_SH2, TByteArray(1000, 0));
    EXPECT_EQ(keys.A_GLOBAL_DH, TByteArray(1000, 0));
    EXPECT_EQ(keys.A_GLOBAL_TH, TByteArray(1000, 0));
    EXPECT_EQ(keys.A_GLOBAL_BH, TByteArray(1000000, 0));
    EXPECT_TRUE(keys.s_GLOBAL_MP.empty());
}

} // namespace
