// The three layers around a database payload: a keyed transform under the
// big key K, an envelope with the password verifier, and a keystream seeded
// by a fresh random block that travels enciphered at the end of the file.
//
// Layout of an encrypted payload of N plaintext bytes:
//   [0, N)            transformed plaintext, under the keystream
//   [N, N+500)        R xor SH1[0..499], under the keystream
//   [N+500, N+1000)   H[0..499] xor SH1[500..999], under the keystream
//   [N+1000, N+2000)  RatTableCipher(Blk xor SH2, key SH2)
#include "U_KV_Hash_Standard_01.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01_Source.h"

const char* const KvWrongPasswordText =
    "Error! Wrong password. Cannot open database file. This file is encrypted by another "
    "password.";

namespace {
constexpr std::size_t kSeedSize = 500;
constexpr std::size_t kEnvelopeSize = 1000;
constexpr std::size_t kBlockSize = 1000;
constexpr std::size_t kKeystreamBlock = 1000;
} // namespace

TByteArray KvUnwrapKey(const TByteArray& BH, const TByteArray& DH) {
    TByteArray K = BH;
    RatTableCipher(K, DH, 0);
    return K;
}

std::uint16_t KvPayloadRounds(std::size_t n) {
    if (n <= 10000) {
        return 30;
    }
    if (n <= 100000) {
        return static_cast<std::uint16_t>(30 - n / 6000);
    }
    if (n <= 1000000) {
        return static_cast<std::uint16_t>(10 - n / 200000);
    }
    if (n <= 2000000) {
        return 5;
    }
    return 1;
}

void KvPayloadTransform(TByteArray& P, const TByteArray& K, bool forward) {
    if (P.empty() || K.size() < 3) {
        return;
    }
    const std::uint16_t c = KvPayloadRounds(P.size());
    const auto d = static_cast<std::int32_t>(P.size() / 3);
    if (forward) {
        RatComplement(P);
        RatBlockPhtForward(P);
        RatSubstituteSBox(P);
        RatKeyAdd(P, K);
        RatChainXorForward(P);
        RatRotateRight(P, d);
        RatComplement(P);
        RatKeyXor(P, K);
        RatRotateRight(P, d);
        RatChainXorForward(P);
        RatKeyAdd(P, K);
        RatKeyedRounds(P, K, 1, c);
    } else {
        RatKeyedRounds(P, K, 0, c);
        RatKeySub(P, K);
        RatChainXorInverse(P);
        RatRotateLeft(P, d);
        RatKeyXor(P, K);
        RatComplement(P);
        RatRotateLeft(P, d);
        RatChainXorInverse(P);
        RatKeySub(P, K);
        RatSubstituteInvSBox(P);
        RatBlockPhtInverse(P);
        RatComplement(P);
    }
}

void KvAddEnvelope(TByteArray& P, const TByteArray& A) {
    if (A.size() < kEnvelopeSize || P.empty()) {
        return;
    }
    TByteArray R, H;
    RatRandomBytes(R, static_cast<std::int32_t>(kSeedSize));
    KvHashDigest(R, 1, H);
    RatKeyAdd(P, R);
    RatKeyXor(P, H);
    RatTableCipher(P, H, 1);
    const std::size_t N = P.size();
    P.resize(N + kEnvelopeSize);
    for (std::size_t i = 0; i < kSeedSize; ++i) {
        P[N + i] = R[i] ^ A[i];
        P[N + kSeedSize + i] = H[i] ^ A[kSeedSize + i];
    }
}

bool KvRemoveEnvelope(TByteArray& P, const TByteArray& A) {
    if (A.size() < kEnvelopeSize || P.size() <= kEnvelopeSize) {
        return false;
    }
    const std::size_t n = P.size() - kEnvelopeSize;
    TByteArray R(kSeedSize), G(kSeedSize), H;
    for (std::size_t i = 0; i < kSeedSize; ++i) {
        R[i] = P[n + i] ^ A[i];
        G[i] = P[n + kSeedSize + i] ^ A[kSeedSize + i];
    }
    KvHashDigest(R, 1, H);
    // Compare every byte, whatever the first difference, so that the time
    // taken says nothing about how much of the verifier matched.
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < kSeedSize; ++i) {
        difference |= G[i] ^ H[i];
    }
    if (difference != 0) {
        return false;
    }
    P.resize(n);
    RatTableCipher(P, H, 0);
    RatKeyXor(P, H);
    RatKeySub(P, R);
    return true;
}

bool KvRandomBlockLayer(TByteArray& P, const TByteArray& K, const TByteArray& TH,
                        const TByteArray& SH2, bool forward) {
    if (SH2.size() < kBlockSize || (forward && P.empty()) ||
        (!forward && P.size() < kBlockSize + 1)) {
        return false;
    }
    KvReseedRandom();
    TByteArray Blk;
    if (forward) {
        RatRandomBytes(Blk, static_cast<std::int32_t>(kBlockSize));
        KvKeystreamXor(P, K, TH, Blk);
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            Blk[i] ^= SH2[i];
        }
        RatTableCipher(Blk, SH2, 1);
        RatAppendBytes(P, Blk);
    } else {
        Blk.assign(P.end() - static_cast<std::ptrdiff_t>(kBlockSize), P.end());
        P.resize(P.size() - kBlockSize);
        RatTableCipher(Blk, SH2, 0);
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            Blk[i] ^= SH2[i];
        }
        KvKeystreamXor(P, K, TH, Blk);
    }
    return true;
}

namespace {

// W1 runs through K, W2 through 1000-byte blocks; after every len(K) bytes
// both are re-keyed.
void RekeyKeystream(TByteArray& W1, TByteArray& W2, const TByteArray& K, const TByteArray& TH,
                    std::size_t off) {
    auto s = static_cast<std::int32_t>(20 * (W2[off] + 1) + 10 * (W1[off] + 1) + 5 * (TH[off] + 1) +
                                       K[off] + off);
    RatRotateRight(W1, s);
    RatChainXorForward(W1);
    RatSubstituteSBox(W1);
    RatSlideMixAForward(W2);
    RatReverse(W2);
    for (std::size_t i = 0; i < kKeystreamBlock; ++i) {
        W2[i] ^= W1[i];
    }
    RatSlideMixBForward(W2);
    RatComplement(W1);
    RatKeyAdd(W1, W2);
    s = static_cast<std::int32_t>(20 * (K[off] + 1) + 10 * (TH[off] + 1) + 5 * (W1[off] + 1) +
                                  W2[off] + off);
    RatRotateRight(W1, s);
    RatSlidePhtForward(W2);
    RatSubstituteSBox(W2);
    RatChainXorForward(W2);
    RatRotateRight(W2, W2[0] + W2[1] + W1[1] + 10);
    RatSlideMixCForward(W2);
}

// W2 changes after every 1000 payload bytes: a key-derived permutation every
// tenth time, otherwise an S-box pass and three keyed rounds keyed by itself.
void AdvanceBlock(TByteArray& W2, int& tenth) {
    if (++tenth == 10) {
        tenth = 0;
        TPermutationTable T{};
        RatKeyPermutationA(W2, T);
        RatApplyPermutation(W2, T, 1);
        RatChainXorForward(W2);
        RatBlockPhtForward(W2);
    } else {
        RatSubstituteSBox(W2);
        RatKeyedRounds(W2, W2, 1, 3);
    }
}

} // namespace

void KvKeystreamXor(TByteArray& P, const TByteArray& K, const TByteArray& TH,
                    const TByteArray& Blk) {
    if (P.empty() || K.size() < kKeystreamBlock || TH.size() < kKeystreamBlock ||
        TH.size() > Blk.size()) {
        return;
    }
    TByteArray W1 = K;
    TByteArray W2 = TH;
    RatChainXorForward(W1);
    RatComplement(W1);
    RatSubstituteSBox(W1);

    RatChainXorForward(W2);
    for (std::size_t i = 0; i < TH.size(); ++i) {
        W2[i] ^= Blk[i];
    }
    RatKeyedSubstitute(W2, Blk, 1);
    RatRotateRight(W2, TH[1] + K[1] + 10);
    RatComplement(W2);
    RatSlidePhtForward(W2);
    RatSubstituteSBox(W2);
    RatRotateRight(W2, W2[0] + W2[1] + W1[1] + 10);
    RatChainXorForward(W2);
    RatSlideMixCForward(W2);

    std::size_t pos = 0;
    int tenth = 0;
    for (std::size_t j = 0; j < P.size(); ++j) {
        const std::size_t off = j % kKeystreamBlock;
        if (pos == K.size()) {
            RekeyKeystream(W1, W2, K, TH, off);
            pos = 0;
        }
        if (off == kKeystreamBlock - 1) {
            AdvanceBlock(W2, tenth);
        }
        P[j] ^= W1[pos] ^ W2[off];
        ++pos;
    }
}

std::string KvCryptPayload(TByteArray& P, const TByteArray& K, const TByteArray& TH,
                           const TByteArray& SH1, const TByteArray& SH2, bool encrypt) {
    if (encrypt) {
        KvPayloadTransform(P, K, true);
        KvAddEnvelope(P, SH1);
        KvRandomBlockLayer(P, K, TH, SH2, true);
        return {};
    }
    KvRandomBlockLayer(P, K, TH, SH2, false);
    if (!KvRemoveEnvelope(P, SH1)) {
        KvSecureWipe(P);
        P.clear();
        return KvWrongPasswordText;
    }
    KvPayloadTransform(P, K, false);
    return {};
}
