// Small helpers shared by the crypto tests.
#pragma once

#include "U_KV_RAT_01.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <string>

// "2B 90 EF" -> bytes; spaces are ignored.
inline TByteArray Hex(const std::string& text) {
    TByteArray out;
    std::string digits;
    for (char c : text) {
        if (c != ' ') {
            digits += c;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

inline std::string ToHex(const TByteArray& bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

inline TByteArray Sequence(std::size_t n, std::uint8_t first = 0) {
    TByteArray out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>(first + i);
    }
    return out;
}

// Deterministic pseudo-random test data.
inline TByteArray Noise(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    TByteArray out(n);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(gen());
    }
    return out;
}

#include "U_KV_Hash_Standard_01_Extended.h"

#include <ostream>

// Extended values in failure messages: significand in hex and exponent.
inline void PrintTo(const KvExtended& v, std::ostream* out) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "{0x%016llX, %d}",
                  static_cast<unsigned long long>(v.significand), v.exponent);
    *out << buf;
}
