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

// One mixing step: the digits of sin or cos of the clock (with `high` and `low`
// in the places of hour and minute) and a fresh draw, folded into x and split
// into P = x div 65536 and Q = x mod 65536.
struct MixedWord {
    std::int32_t x, P, Q;
};

MixedWord MixClock(const TimeOfDay& t, std::int64_t high, std::int64_t low,
                   std::int64_t (*digits)(std::int64_t)) {
    KvReseedRandom();
    const std::int32_t r = KvUniformRandom(1, 999999);
    const std::int64_t e =
        std::int64_t{t.millisecond} * 1000000 + t.second * 100000 + low * 1000 + high * 100 + r;
    const auto d = static_cast<std::int32_t>(digits(e));
    KvReseedRandom();
    const std::int32_t r2 = KvUniformRandom(1, 99999999);
    const std::int32_t x = (1600000000 - d - r2) % 1000000000;
    return {x, x / 65536, x % 65536};
}

std::string RandomString(std::int32_t count, std::int32_t alphabetSize) {
    if (count <= 0) {
        return {};
    }
    const TimeOfDay t = LocalTimeOfDay();
    std::int32_t B[10] = {};

    const MixedWord first = MixClock(t, t.hour, t.minute, KvSinDigits9);
    B[1] = first.P % 256;
    B[2] = first.Q % 256;
    B[3] = first.P / 256;
    B[4] = first.Q / 256;

    // The second step takes P and Q in the places of the hour and the minute.
    const MixedWord second = MixClock(t, first.P, first.Q, KvCosDigits9);
    const std::int32_t x2 = second.x, Q2 = second.Q;
    B[6] = second.P % 256;
    B[7] = second.Q % 256;
    B[9] = second.P / 256;
    B[0] = second.Q / 256;

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
