// Turning the main password into the key material of an open database:
// four 1000-byte digests and a one-million-byte expansion of two of them.
// The derivation is deterministic and unsalted; per-save randomness lives
// in the payload layers.
#include "U_KV_Hash_Standard_01.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01.h"

#include <algorithm>

const char* const KvPasswordTooLongText =
    "Error! Your password is too long. A main password may have at most 1000 bytes "
    "(1000 Latin letters, fewer for letters of other alphabets).";
const char* const KvPasswordEmptyText = "Error! The main password is empty.";

namespace {

TByteArray Bytes(const std::string& s) {
    return TByteArray(s.begin(), s.end());
}

std::string HashForm90(const std::string& MP) {
    std::string h62, h64, h90;
    KvHashText(MP, 1000, h62, h64, h90);
    KvSecureWipe(h62);
    KvSecureWipe(h64);
    return h90;
}

// The first KvKeySize bytes of `first` followed by `second`, built in one
// secure array: a joined std::string would leave the password in a freed
// temporary.
TByteArray JoinedPrefix(const std::string& first, const std::string& second) {
    TByteArray joined;
    joined.reserve(KvKeySize);
    for (const std::string* part : {&first, &second}) {
        const std::size_t take = std::min(part->size(), KvKeySize - joined.size());
        joined.insert(joined.end(), part->begin(),
                      part->begin() + static_cast<std::ptrdiff_t>(take));
    }
    return joined;
}

void SH1FromForm(const std::string& MP, const std::string& H90, TByteArray& out) {
    const TByteArray bytes = JoinedPrefix(MP, H90);
    KvHashDigest(bytes, 4, out);
}

void SH2FromForm(const std::string& MP, const std::string& H90, TByteArray& out) {
    // H90 already has 1000 characters, so the password enters only through it.
    const TByteArray bytes = JoinedPrefix(H90, MP);
    KvHashDigest(bytes, 5, out);
}

// T[i] ^= P[i] over the password's positions.
void XorPassword(TByteArray& T, const TByteArray& P) {
    for (std::size_t i = 0; i < P.size() && i < T.size(); ++i) {
        T[i] ^= P[i];
    }
}

} // namespace

void KvDeriveKeySH1(const std::string& MP, TByteArray& out) {
    if (MP.empty()) {
        return;
    }
    std::string H90 = HashForm90(MP);
    TWipeGuard wipe({&H90});
    SH1FromForm(MP, H90, out);
}

void KvDeriveKeySH2(const std::string& MP, TByteArray& out) {
    if (MP.empty()) {
        return;
    }
    std::string H90 = HashForm90(MP);
    TWipeGuard wipe({&H90});
    SH2FromForm(MP, H90, out);
}

void KvDeriveKeyDH(const std::string& MP, TByteArray& out) {
    if (MP.empty()) {
        return;
    }
    TByteArray P = Bytes(MP), T;
    KvHashDigest(P, 1, T);
    XorPassword(T, P);
    KvHashDigest(T, 2, out);
}

void KvDeriveKeyTH(const std::string& MP, TByteArray& out) {
    if (MP.empty()) {
        return;
    }
    TByteArray P = Bytes(MP), T, U;
    KvHashDigest(P, 3, T);
    XorPassword(T, P);
    KvHashDigest(T, 4, U);
    RatSlidePhtForward(U);
    RatSlidePhtInverse(T);
    for (std::size_t i = 0; i < KvKeySize; ++i) {
        T[i] ^= U[i];
    }
    XorPassword(T, P);
    KvHashDigest(T, 5, out);
}

void KvExpandKeyBH(const TByteArray& X, const TByteArray& Y, TByteArray& out) {
    if (X.size() < KvKeySize || Y.size() < KvKeySize) {
        return;
    }
    constexpr std::size_t n = KvKeySize;
    TByteArray A(n), B(n), C(n + 3), D(n + 3), Out(KvBigKeySize);

    // Set-up.
    for (std::size_t i = 0; i < n; ++i) {
        A[i] = X[i];
        B[i] = static_cast<std::uint8_t>(255 - Y[i]);
        C[i] = static_cast<std::uint8_t>(255 - X[i]);
        D[i] = Y[i];
    }
    for (std::size_t k = 0; k < 3; ++k) {
        C[n + k] = X[1 + k];
        D[n + k] = Y[1 + k];
    }

    // Whole-array transforms.
    RatRotateRight(A, 255);
    RatChainXorForward(A);
    RatSlideMixAForward(A);
    RatSubstituteSBox(A);
    RatSlidePhtForward(B);
    RatSlideMixBForward(B);
    RatRotateRight(B, 255);
    RatComplement(B);
    RatSlideMixCForward(B);
    RatSubstituteSBox(B);

    // Mixing pass with the digits of sines and cosines.
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t J1 = RatPackWord32(A[k], D[k + 1], C[k + 2], D[k + 3]);
        const std::uint32_t N1 = J1 * 100u + C[k + 3];
        const std::uint32_t J2 = RatPackWord32(C[k + 3], D[k + 2], C[k + 1], B[k]);
        const std::uint32_t N2 = J2 * 10u + D[k + 3];
        const std::int64_t S = KvSinDigits10(N1) + 10 * KvCosDigits10(N2) + C[k] + 10 * D[k + 1] +
                               100 * A[k] + 1000 * B[k];
        std::uint8_t b0, b1, b2, b3;
        RatUnpackWord32(static_cast<std::uint32_t>(S), b0, b1, b2, b3);
        C[k] = b0 ^ b2;
        D[k] = b1 ^ b3;
        A[k] ^= b1;
        B[k] ^= b2;
    }

    // Output pass, from the last byte down to the first, re-keying after
    // every block of 1000.
    for (std::size_t m = 0; m < KvBigKeySize; ++m) {
        const std::size_t t = KvBigKeySize - 1 - m;
        const std::size_t q = m / 1000, r = m % 1000;
        std::int64_t e = static_cast<std::int64_t>((X[r] ^ C[999 - q]) + r + 1) *
                         static_cast<std::int64_t>((A[q] ^ D[999 - r]) + t + 1);
        e += ((B[r] ^ A[999 - q]) + A[r]) ^ Y[q];
        e -= X[q];
        e ^= A[999 - r];
        e += 1000 * static_cast<std::int64_t>((B[q] + q + r + 1) ^ Y[r]) + 9 * C[q] + 97 * D[r] +
             19 * (A[q] ^ C[999 - r]) + 47 * (B[r] ^ D[999 - q]);
        Out[t] = static_cast<std::uint8_t>(e);

        if (r != 999) {
            continue;
        }
        RatAddConst(C, A[q] / 2 + 10);
        RatReverse(C);
        RatSlidePhtForward(C);
        for (std::size_t i = 0; i < n; ++i) {
            A[i] ^= C[i];
        }
        RatComplement(C);
        RatChainXorForward(C);
        RatAddConst(C, B[q] / 2 + 10);
        RatRotateRight(C, D[q] + Y[q] + 10);
        RatSlidePhtForward(C);
        for (std::size_t i = 0; i < n; ++i) {
            B[i] ^= C[i];
        }
        RatAddConst(C, D[q] / 2 + 10);
        RatChainXorForward(C);
        RatRotateRight(C, D[999 - q] + X[q] + 10);
        if ((q + 1) % 20 == 0) {
            RatSubstituteSBox(A);
            for (std::size_t i = 0; i < n; ++i) {
                D[i] ^= C[i];
            }
            RatSubstituteSBox(D);
        }
    }
    out.swap(Out); // the old contents of `out` are wiped as Out is released
}

std::string KvDeriveKeyMaterial(const std::string& mainPassword, TKeyMaterial& keys) {
    if (mainPassword.empty()) {
        return KvPasswordEmptyText;
    }
    if (mainPassword.size() > KvMaximumPasswordBytes) {
        return KvPasswordTooLongText;
    }
    std::string H90 = HashForm90(mainPassword);
    TByteArray SH1, SH2, DH, TH, BH;
    TWipeGuard wipe({&H90});
    SH1FromForm(mainPassword, H90, SH1);
    SH2FromForm(mainPassword, H90, SH2);
    KvDeriveKeyDH(mainPassword, DH);
    KvDeriveKeyTH(mainPassword, TH);
    KvExpandKeyBH(DH, TH, BH);
    RatTableCipher(BH, DH, 1);

    // Replace the old material only now that the new one is complete; the
    // swapped-out arrays are wiped as they are released.
    keys.A_GLOBAL_SH1.swap(SH1);
    keys.A_GLOBAL_SH2.swap(SH2);
    keys.A_GLOBAL_DH.swap(DH);
    keys.A_GLOBAL_TH.swap(TH);
    keys.A_GLOBAL_BH.swap(BH);
    KvSecureWipe(keys.s_GLOBAL_MP);
    keys.s_GLOBAL_MP = KvRandomString90(32);
    return {};
}

void TKeyMaterial::Wipe() {
    const auto zero = [](TByteArray& a, std::size_t size) {
        KvSecureWipe(a);
        a.resize(size, 0);
    };
    zero(A_GLOBAL_SH1, KvKeySize);
    zero(A_GLOBAL_SH2, KvKeySize);
    zero(A_GLOBAL_DH, KvKeySize);
    zero(A_GLOBAL_TH, KvKeySize);
    zero(A_GLOBAL_BH, KvBigKeySize);
    KvSecureWipe(s_GLOBAL_MP);
}
