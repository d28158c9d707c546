// The KV hash digest: two independent lanes over the same 1000 prepared
// bytes, lane A reducing modulo 10^9 and lane B modulo the prime
// 1,000,004,777, combined into 1000 bytes.
//
// Notation kept from the design: arrays are indexed 1..1000; wrap(e) is e in
// 32-bit two's-complement arithmetic, sign-extended (computed here in
// uint32_t and reinterpreted); a plain + between wrapped terms is exact
// 64-bit addition; M is the lane's reducer.
#include "U_KV_Hash_Standard_01.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int N = 1000;

using Vec = std::array<std::int32_t, N + 1>;

// The working vectors of one lane run, reset at its start. Both lanes share
// one instance per thread, so no digest allocates them.
struct LaneVectors {
    Vec A1, A2, A3, A4, A5, A6, A7, A8, A9, A10, A11, A12;
};
struct LaneState {
    std::uint8_t B[N + 1];
    LaneVectors A;
};

LaneState& SharedLaneState() {
    static thread_local LaneState state;
    return state;
}

inline std::int64_t wrap(std::uint32_t x) {
    return static_cast<std::int32_t>(x);
}
inline std::uint32_t u32(std::int64_t x) {
    return static_cast<std::uint32_t>(x);
}

// The five rows and the row Pm chosen by the mode.
struct LaneRows {
    const std::uint16_t *P1, *P2, *P3, *P4, *P5, *Pm;
};

LaneRows RowsFor(std::uint8_t mode) {
    return {KvHashPermutations[0], KvHashPermutations[1], KvHashPermutations[2],
            KvHashPermutations[3], KvHashPermutations[4], KvHashPermutations[mode - 1]};
}

// Common start of both lanes: prepared bytes through an S-box into B[1..1000].
bool PrepareLane(const TByteArray& data, const TPermutationTable& sbox, LaneState& s) {
    if (data.empty()) {
        return false;
    }
    std::memset(&s, 0, sizeof s);
    TByteArray X;
    if (data.size() <= KvDigestSize) {
        KvHashPrepareBytes(data, X);
    } else {
        KvHashFoldLong(data, static_cast<std::int32_t>(KvDigestSize), X);
    }
    for (int i = 1; i <= N; ++i) {
        s.B[i] = sbox[X[i - 1]];
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Lane A

bool KvHashLaneA(const TByteArray& data, std::uint8_t mode, TKvLaneOutput& O) {
    LaneState& s = SharedLaneState();
    if (!PrepareLane(data, RatAesSBox, s)) {
        return false;
    }
    const auto [P1, P2, P3, P4, P5, Pm] = RowsFor(mode);
    const std::uint8_t* B = s.B;
    auto& [A1, A2, A3, A4, A5, A6, A7, A8, A9, A10, A11, A12] = s.A;
    auto M = [](std::int64_t x) { return KvModBillion(x); };

    // Stage 1: seed of index 1.
    std::int64_t u = M(B[N] * B[1] + 1);
    std::int64_t v = M(wrap(B[N] * u32(u)));
    A1[1] = M(wrap(1001u * B[N] + 1001u));
    A2[1] = M(wrap(1001u * u32(u) + 2001u));
    A3[1] = M(wrap(1001u * u32(v) + 3001u));
    A4[1] = M(KvSinDigits10(wrap(u32(A1[1]) + u32(A2[1]) + 17u * u32(A3[1]) + B[N] + 1u)) +
              wrap(1001u + u32(u)));
    A5[1] = M(KvCosDigits10(wrap(19u * u32(A2[1]) + u32(A1[1]) + u32(A3[1]) + B[1] + 1000u)) +
              wrap(1001u + u32(v)));
    A6[1] = M(KvSqrtDigits12(wrap(11u * u32(A1[1]) + u32(A2[1]) + u32(A3[1]) + B[N] + 1000u)) +
              wrap(1001u + u32(u)));

    // Stage 2: forward chain.
    for (int i = 2; i <= N; ++i) {
        const std::uint32_t ui = static_cast<std::uint32_t>(i);
        u = M(B[i] * B[P5[i]] + P3[i]);
        v = M(wrap(B[P4[i]] * u32(u)));
        const std::int64_t w1 = (M(wrap(127u * u32(A4[i - 1]) + 17u * u32(A5[i - 1]) +
                                        u32(A6[i - 1]) + u32(A2[i - 1]))) +
                                 P2[i]) %
                                    1000 +
                                i;
        const std::int64_t w2 = (M(wrap(109u * u32(A6[i - 1]) + 19u * u32(A4[i - 1]) +
                                        u32(A5[i - 1]) + u32(A3[i - 1]))) +
                                 w1) %
                                    1000 +
                                i;
        const std::int64_t w3 = (M(wrap(107u * u32(A5[i - 1]) + 11u * u32(A6[i - 1]) +
                                        u32(A4[i - 1]) + u32(A1[i - 1]))) +
                                 w2) %
                                    1000 +
                                w1;
        A1[i] = M(wrap(B[P1[i]] * u32(w1) + 1000u + ui + u32(A2[i - 1])));
        A2[i] = M(wrap(u32(w2) * u32(u) + 2000u + P2[i] + u32(A3[i - 1])));
        A3[i] = M(wrap(u32(w3) * u32(v) + 3000u + P3[i] + u32(A1[i - 1])));
        A4[i] = M(KvSinDigits10(
                      wrap(u32(A2[i]) + u32(A1[i]) + 10u * u32(A3[i]) + B[P1[i]] + ui + u32(w2))) +
                  wrap(u32(w1) + u32(u)));
        A5[i] = M(KvCosDigits10(
                      wrap(10u * u32(A2[i]) + u32(A1[i]) + u32(A3[i]) + B[i] + P3[i] + u32(w3))) +
                  wrap(u32(w2) + u32(v)));
        A6[i] = M(KvSqrtDigits12(
                      wrap(10u * u32(A1[i]) + u32(A2[i]) + u32(A3[i]) + B[P2[i]] + ui + u32(w1))) +
                  wrap(u32(w3) + u32(u)));
    }

    // Stage 3: closing the ring.
    A1[1] = M(wrap(u32(A1[1]) + u32(A2[N])));
    A2[1] = M(wrap(u32(A2[1]) + u32(A3[N])));
    A3[1] = M(wrap(u32(A3[1]) + u32(A1[N])));

    // Stage 4: first gather.
    for (int j = 1; j <= N; ++j) {
        A7[j] = A1[P1[j]];
        A8[j] = A2[P2[j]];
        A9[j] = A3[P3[j]];
        A10[j] = A4[P4[j]];
        A11[j] = A5[j];
        A12[j] = A6[P5[j]];
    }

    // Stage 5.
    for (int i = 1; i <= N; ++i) {
        A4[i] = M(wrap(10u * u32(A10[i]) - u32(A7[N + 1 - i]) + P5[i]));
        A5[i] = M(wrap(10u * u32(A11[i]) - u32(A8[N + 1 - i]) + 7u * P1[i]));
        A6[i] = M(wrap(10u * u32(A12[i]) - u32(A9[N + 1 - i]) + 19u * P3[i]));
    }

    // Stage 6.
    for (int i = 1; i <= N; ++i) {
        A1[i] = M(wrap(u32(A7[P2[i]]) + u32(A8[N + 1 - i])));
        A2[i] = M(wrap(u32(A8[P4[i]]) + u32(A9[N + 1 - i])));
        A3[i] = M(wrap(u32(A9[i]) + u32(A7[N + 1 - i])));
    }

    // Stage 7: second gather, all through the mode's row.
    for (int j = 1; j <= N; ++j) {
        A7[j] = A1[Pm[j]];
        A8[j] = A2[Pm[j]];
        A9[j] = A3[Pm[j]];
        A10[j] = A4[Pm[j]];
        A11[j] = A5[Pm[j]];
        A12[j] = A6[Pm[j]];
    }

    // Stage 8: backward chain (b = 0 in this lane).
    for (int k = N - 1; k >= 1; --k) {
        A7[k] = M(wrap((u32(A12[k + 1]) ^ u32(A8[k])) + u32(A3[k])));
        A8[k] = M(wrap((u32(A7[k + 1]) ^ u32(A9[k])) + u32(A4[k])));
        A9[k] = M(wrap((u32(A8[k + 1]) ^ u32(A10[k])) + u32(A5[k])));
        A10[k] = M(wrap((u32(A9[k + 1]) ^ u32(A11[k])) + u32(A6[k])));
        A11[k] = M(wrap((u32(A10[k + 1]) ^ u32(A12[k])) + u32(A1[k])));
        A12[k] = M(wrap((u32(A11[k + 1]) ^ u32(A7[k])) + u32(A2[k])));
    }

    // Stage 9: output, scattered through the mode's row.
    for (int i = 1; i <= N; ++i) {
        const std::uint32_t ui = static_cast<std::uint32_t>(i);
        const std::int64_t R =
            KvSinDigits10(wrap(11u * u32(A4[i]) + 5u * u32(A5[i]) + u32(A1[i]) + ui)) +
            wrap(10u * u32(A1[i]) + 7u * u32(A2[i]) + 3u * u32(A3[i])) +
            KvCosDigits11(wrap(10u * u32(A6[i]) + 3u * u32(A5[i]) + u32(A3[i]) + ui)) +
            wrap(10u * u32(A7[i])) + wrap(9u * u32(A8[i])) + wrap(7u * u32(A9[i])) +
            wrap(5u * u32(A10[i])) + wrap(3u * u32(A11[i])) + A12[i];
        O[Pm[i]] = M(R);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Lane B

bool KvHashLaneB(const TByteArray& data, std::uint8_t mode, TKvLaneOutput& O) {
    LaneState& s = SharedLaneState();
    if (!PrepareLane(data, RatAesInvSBox, s)) {
        return false;
    }
    const auto [P1, P2, P3, P4, P5, Pm] = RowsFor(mode);
    const std::uint8_t* B = s.B;
    auto& [A1, A2, A3, A4, A5, A6, A7, A8, A9, A10, A11, A12] = s.A;
    auto M = [](std::int64_t x) { return KvModPrime(x); };

    // Stage 1: seed of index 1.
    std::int64_t u = M(B[N] * B[1] + 1);
    std::int64_t v = M(wrap(B[N] * u32(u)));
    A1[1] = M(wrap(1001u * B[N] + 1001u));
    A2[1] = M(wrap(1001u * u32(u) + 2001u));
    A3[1] = M(wrap(1001u * u32(v) + 3001u));
    A4[1] = M(KvCosDigits12(wrap(u32(A1[1]) + u32(A2[1]) + 17u * u32(A3[1]) + B[N] + 1u)) +
              wrap(1001u + u32(u)));
    A5[1] = M(KvSinDigits12(wrap(19u * u32(A2[1]) + u32(A1[1]) + u32(A3[1]) + B[1] + 1000u)) +
              wrap(1001u + u32(v)));
    A6[1] = M(KvSqrtDigits12(wrap(11u * u32(A1[1]) + u32(A2[1]) + u32(A3[1]) + B[N] + 1000u)) +
              wrap(1001u + u32(u)));

    // Stage 2: forward chain. A3 is read at a permuted position in the A6 row;
    // positions above i still hold 0 from the reset, and that is intended.
    for (int i = 2; i <= N; ++i) {
        const std::uint32_t ui = static_cast<std::uint32_t>(i);
        u = M(B[P5[i]] * B[i] + P2[i]);
        v = M(wrap(B[P3[i]] * u32(u)));
        const std::int64_t w1 = (M(wrap(127u * u32(A4[i - 1]) + 17u * u32(A5[i - 1]) +
                                        u32(A6[i - 1]) + u32(A2[i - 1]))) +
                                 i) %
                                    1000 +
                                P1[i];
        const std::int64_t w2 = (M(wrap(109u * u32(A6[i - 1]) + 19u * u32(A4[i - 1]) +
                                        u32(A5[i - 1]) + u32(A3[i - 1]))) +
                                 w1) %
                                    1000 +
                                P2[i];
        const std::int64_t w3 = (M(wrap(107u * u32(A5[i - 1]) + 11u * u32(A6[i - 1]) +
                                        u32(A4[i - 1]) + u32(A1[i - 1]))) +
                                 w2) %
                                    1000 +
                                w1;
        A1[i] = M(wrap(B[P4[i]] * u32(w1) + 1000u + P3[i] + u32(A2[i - 1])));
        A2[i] = M(wrap(u32(w2) * u32(u) + 2000u + P2[i] + u32(A3[i - 1])));
        A3[i] = M(wrap(u32(w3) * u32(v) + 3000u + P1[i] + u32(A1[i - 1])));
        A4[i] = M(KvCosDigits12(
                      wrap(u32(A1[i]) + u32(A2[i]) + 19u * u32(A3[i]) + B[P2[i]] + ui + u32(w2))) +
                  wrap(u32(w1) + u32(u)));
        A5[i] = M(KvSinDigits12(
                      wrap(u32(A1[i]) + 17u * u32(A2[i]) + u32(A3[i]) + B[P1[i]] + ui + u32(w3))) +
                  wrap(u32(w2) + u32(v)));
        A6[i] = M(KvSqrtDigits12(
                      wrap(11u * u32(A1[i]) + u32(A2[i]) + u32(A3[P3[i]]) + B[i] + ui + u32(w1))) +
                  wrap(u32(w3) + u32(u)));
    }

    // Stage 3: closing the ring.
    A1[1] = M(wrap(10u * u32(A1[1]) + u32(A2[N])));
    A2[1] = M(wrap(10u * u32(A2[1]) + u32(A3[N])));
    A3[1] = M(wrap(10u * u32(A3[1]) + u32(A1[N])));

    // Stage 4: first gather.
    for (int j = 1; j <= N; ++j) {
        A7[j] = A1[P2[j]];
        A8[j] = A2[Pm[j]];
        A9[j] = A3[P5[j]];
        A10[j] = A4[P3[j]];
        A11[j] = A5[P1[j]];
        A12[j] = A6[P4[j]];
    }

    // Stage 5.
    for (int i = 1; i <= N; ++i) {
        const std::uint32_t ui = static_cast<std::uint32_t>(i);
        A4[i] = M(wrap(10u * u32(A10[P3[i]]) - u32(A7[N + 1 - i]) + ui));
        A5[i] = M(wrap(10u * u32(A11[P5[i]]) - u32(A8[N + 1 - i]) + 7u * ui));
        A6[i] = M(wrap(10u * u32(A12[P4[i]]) - u32(A9[N + 1 - i]) + 19u * ui));
    }

    // Stage 6.
    for (int i = 1; i <= N; ++i) {
        A1[i] = M(wrap(u32(A7[i]) + u32(A8[N + 1 - i])));
        A2[i] = M(wrap(u32(A8[i]) + u32(A9[N + 1 - i])));
        A3[i] = M(wrap(u32(A9[i]) + u32(A7[N + 1 - i])));
    }

    // Stage 7: second gather.
    for (int j = 1; j <= N; ++j) {
        A7[j] = A1[P5[j]];
        A8[j] = A2[P1[j]];
        A9[j] = A3[P4[j]];
        A10[j] = A4[Pm[j]];
        A11[j] = A5[P2[j]];
        A12[j] = A6[P3[j]];
    }

    // Stage 8: backward chain with b = B[k + 1].
    for (int k = N - 1; k >= 1; --k) {
        const std::uint32_t b = B[k + 1];
        A7[k] = M(wrap((u32(A12[k + 1]) ^ u32(A8[k])) + u32(A3[k]) + b));
        A8[k] = M(wrap((u32(A7[k + 1]) ^ u32(A9[k])) + u32(A4[k]) + b));
        A9[k] = M(wrap((u32(A8[k + 1]) ^ u32(A10[k])) + u32(A5[k]) + b));
        A10[k] = M(wrap((u32(A9[k + 1]) ^ u32(A11[k])) + u32(A6[k]) + b));
        A11[k] = M(wrap((u32(A10[k + 1]) ^ u32(A12[k])) + u32(A1[k]) + b));
        A12[k] = M(wrap((u32(A11[k + 1]) ^ u32(A7[k])) + u32(A2[k]) + b));
    }

    // Stage 9: output, scattered through the mode's row.
    for (int i = 1; i <= N; ++i) {
        const std::uint32_t ui = static_cast<std::uint32_t>(i);
        const std::int64_t R =
            KvCosDigits11(wrap(11u * u32(A4[P5[i]]) + 5u * u32(A5[i]) + u32(A9[i]) + ui)) +
            wrap(10u * u32(A3[P2[i]]) + 7u * u32(A2[i]) + 3u * u32(A1[P3[i]])) +
            KvSinDigits10(wrap(10u * u32(A6[i]) + 3u * u32(A12[i]) + u32(A3[i]) + P4[i])) +
            wrap(10u * u32(A7[i])) + wrap(9u * u32(A8[i])) + wrap(7u * u32(A9[Pm[i]])) +
            wrap(5u * u32(A10[i])) + wrap(3u * u32(A11[i])) + A12[P2[i]];
        O[Pm[i]] = M(R);
    }
    return true;
}

// ---------------------------------------------------------------------------

TByteArray KvHashCombine(const TKvLaneOutput& OA, const TKvLaneOutput& OB) {
    TByteArray digest(KvDigestSize);
    int prev = -1; // no byte equals it
    for (int i = 1; i <= N; ++i) {
        const std::int64_t a = OA[i], b = OB[i];
        int c = static_cast<int>((a + b) % 256);
        if (c == prev) {
            const std::int64_t y = wrap(u32(std::llabs(a ^ b)) + 3u * u32(a) + 7u * u32(b) +
                                        static_cast<std::uint32_t>(i));
            c = static_cast<int>(std::llabs(y) % 256);
        }
        digest[static_cast<std::size_t>(i - 1)] = static_cast<std::uint8_t>(c);
        prev = c;
    }
    return digest;
}

void KvHashDigest(const TByteArray& data, std::uint8_t mode, TByteArray& digest) {
    if (mode == 0) {
        mode = 1;
    }
    if (mode > 5) {
        throw std::out_of_range("KV hash mode must be 1 to 5");
    }
    static thread_local TKvLaneOutput OA, OB;
    if (!KvHashLaneA(data, mode, OA) || !KvHashLaneB(data, mode, OB)) {
        return;
    }
    digest = KvHashCombine(OA, OB);
}
