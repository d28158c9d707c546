// Random texts. The uniform source does the real work; the clock and the
// digits of sines and cosines are mixed into ten bytes B[0..9] that offset
// each drawn character.
#include "U_KV_Pseudo_Random_01.h"
#include "U_KV_Hash_Standard_01.h"
#include "U_KV_Pseudo_Random_01_Source.h"

#include <chrono>
#include <ctime>

namespace {

struct TimeOfDay {
    std::int32_t hour, minute, second, millisecond;
};

TimeOfDay LocalTimeOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<std::int32_t>(ms.count())};
}

std::string RandomString(std::int32_t count, std::int32_t alphabetSize) {
    if (count <= 0) {
        return {};
    }
    const TimeOfDay t = LocalTimeOfDay();
    std::int32_t B[10] = {};

    KvReseedRandom();
    const std::int32_t r1 = KvUniformRandom(1, 999999);
    const std::int64_t e1 = std::int64_t{t.millisecond} * 1000000 + t.second * 100000 +
                            t.minute * 1000 + t.hour * 100 + r1;
    const auto d1 = static_cast<std::int32_t>(KvSinDigits9(e1));

    KvReseedRandom();
    const std::int32_t r2 = KvUniformRandom(1, 99999999);
    const std::int32_t x1 = (1600000000 - d1 - r2) % 1000000000;
    const std::int32_t P = x1 / 65536, Q = x1 % 65536;
    B[1] = P % 256;
    B[2] = Q % 256;
    B[3] = P / 256;
    B[4] = Q / 256;

    KvReseedRandom();
    const std::int32_t r3 = KvUniformRandom(1, 999999);
    const std::int64_t e2 = std::int64_t{t.millisecond} * 1000000 + t.second * 100000 +
                            std::int64_t{Q} * 1000 + std::int64_t{P} * 100 + r3;
    const auto d2 = static_cast<std::int32_t>(KvCosDigits9(e2));

    KvReseedRandom();
    const std::int32_t r4 = KvUniformRandom(1, 99999999);
    const std::int32_t x2 = (1600000000 - d2 - r4) % 1000000000;
    const std::int32_t P2 = x2 / 65536, Q2 = x2 % 65536;
    B[6] = P2 % 256;
    B[7] = Q2 % 256;
    B[9] = P2 / 256;
    B[0] = Q2 / 256;

    const std::int32_t r5 = KvUniformRandom(1, 999);
    B[5] = (r5 + Q2 + x2 + B[9]) % 256;
    const std::int32_t r6 = KvUniformRandom(1, 999);
    B[8] = (r6 + x2 + t.second + B[5] + B[7]) % 256;

    std::string text(static_cast<std::size_t>(count), ' ');
    for (std::int32_t p = 1; p <= count; ++p) {
        const std::int32_t r = KvUniformRandom(1, 999);
        text[static_cast<std::size_t>(p - 1)] =
            KvAlphabet90[static_cast<std::size_t>((r + B[p % 10]) % alphabetSize)];
    }
    return text;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(const std::string& text, std::size_t at, const std::string& pattern) {
    if (text.size() - at < pattern.size()) {
        return false;
    }
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        if (FoldCase(text[at + k]) != FoldCase(pattern[k])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string KvRandomString90(std::int32_t count) {
    return RandomString(count, 90);
}

std::string KvRandomString80(std::int32_t count) {
    return RandomString(count, 80);
}

std::string KvReplaceAll(const std::string& text, const std::string& oldPattern,
                         const std::string& newPattern) {
    if (oldPattern.empty()) {
        return text;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (MatchesAt(text, i, oldPattern)) {
            out += newPattern;
            i += oldPattern.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}
