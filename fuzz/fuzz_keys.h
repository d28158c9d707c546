// The key material every database fuzz input is read with, derived once: the
// seeds are written under the same password, so they pass the verifier.
//
// The big key BH is cut to 4000 bytes. Every load and save unwraps BH and
// runs the keystream over a copy of it, so at full size (a million bytes) an
// input costs a tenth of a second under the sanitizers; cut, a few
// milliseconds. Every layer still runs, and the keystream re-keys after 4000
// bytes, a path full-size keys reach only with megabyte databases.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"

#include <cstdlib>

inline constexpr const char* kFuzzPassword = "fuzz main password";
inline constexpr std::size_t kFuzzBigKeySize = 4000;

inline const TKeyMaterial& FuzzKeys() {
    static const TKeyMaterial keys = [] {
        TKeyMaterial k;
        if (!KvDeriveKeyMaterial(kFuzzPassword, k).empty()) {
            std::abort();
        }
        k.A_GLOBAL_BH.resize(kFuzzBigKeySize);
        return k;
    }();
    return keys;
}
