// The Base64 codec: a block encoder and a validating block decoder.
#include "U_KV_Base64_01.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::int8_t kInvalid = -1;
constexpr std::int8_t kPad = -2;

constexpr std::array<std::int8_t, 256> MakeDecodingTable() {
    std::array<std::int8_t, 256> table{};
    for (auto& v : table) {
        v = kInvalid;
    }
    for (int i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    }
    table['='] = kPad;
    return table;
}

constexpr std::array<std::int8_t, 256> kDecoding = MakeDecodingTable();

// Three bytes (of which `count` are real) into four characters.
void Base64EncodeBlock(const unsigned char* in, std::size_t count, char* out) {
    const unsigned b0 = in[0];
    const unsigned b1 = count > 1 ? in[1] : 0;
    const unsigned b2 = count > 2 ? in[2] : 0;
    out[0] = kAlphabet[b0 >> 2];
    out[1] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out[2] = count > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
    out[3] = count > 2 ? kAlphabet[b2 & 63] : '=';
}

// Four characters into up to three bytes; returns the number of bytes, or -1
// for a malformed group. Padding is accepted only when `last` is set.
int Base64DecodeBlock(const unsigned char* in, bool last, unsigned char* out) {
    std::int8_t v[4];
    for (int k = 0; k < 4; ++k) {
        v[k] = kDecoding[in[k]];
        if (v[k] == kInvalid) {
            return -1;
        }
    }
    int bytes = 3;
    if (v[3] == kPad) {
        bytes = v[2] == kPad ? 1 : 2;
    }
    if (v[0] == kPad || v[1] == kPad || (v[2] == kPad && v[3] != kPad) || (bytes < 3 && !last)) {
        return -1;
    }
    const unsigned joined = static_cast<unsigned>(v[0]) << 18 | static_cast<unsigned>(v[1]) << 12 |
                            static_cast<unsigned>(v[2] < 0 ? 0 : v[2]) << 6 |
                            static_cast<unsigned>(v[3] < 0 ? 0 : v[3]);
    out[0] = static_cast<unsigned char>(joined >> 16);
    out[1] = static_cast<unsigned char>(joined >> 8);
    out[2] = static_cast<unsigned char>(joined);
    return bytes;
}

} // namespace

std::size_t Base64EncodedLength(std::size_t n) {
    return 4 * ((n + 2) / 3);
}

std::size_t Base64DecodedLength(const std::string& text) {
    const std::size_t m = text.size();
    if (m == 0 || m % 4 != 0) {
        return 0;
    }
    std::size_t n = 3 * m / 4;
    if (text[m - 2] == '=') {
        n -= 2;
    } else if (text[m - 1] == '=') {
        n -= 1;
    }
    return n;
}

std::string Base64Encode(const std::string& bytes) {
    std::string out(Base64EncodedLength(bytes.size()), '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0, o = 0; i < bytes.size(); i += 3, o += 4) {
        Base64EncodeBlock(in + i, bytes.size() - i, &out[o]);
    }
    return out;
}

std::string Base64Decode(const std::string& text) {
    if (Base64DecodedLength(text) == 0) {
        return {};
    }
    std::string out;
    out.reserve(3 * text.size() / 4);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char block[3];
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const int n = Base64DecodeBlock(in + i, i + 4 == text.size(), block);
        if (n < 0) {
            return {};
        }
        out.append(reinterpret_cast<const char*>(block), static_cast<std::size_t>(n));
    }
    return out;
}
