#include "U_Keyvale_Windows_1252.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <array>
#include <cstdint>

namespace {

// Characters of the bytes 80 to 9F; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

char16_t CharacterOf(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t{byte};
}

std::optional<char> ByteOf(char16_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<char>(character);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == character) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

} // namespace

std::string Windows1252ToUtf8(const std::string& bytes) {
    std::u16string wide;
    wide.reserve(bytes.size());
    for (char c : bytes) {
        wide += CharacterOf(static_cast<std::uint8_t>(c));
    }
    std::string text = Utf16ToUtf8(wide);
    KvSecureWipe(wide);
    return text;
}

std::string TextFromUtf8OrWindows1252(const std::string& bytes, bool& converted) {
    if (IsValidUtf8(bytes)) {
        return bytes;
    }
    converted = true;
    return Windows1252ToUtf8(bytes);
}

std::optional<std::string> Windows1252BytesOf(const std::string& utf8) {
    if (!IsValidUtf8(utf8)) {
        return std::nullopt;
    }
    std::u16string wide = Utf8ToUtf16(utf8);
    std::string bytes;
    bytes.reserve(wide.size());
    bool representable = true;
    for (char16_t character : wide) {
        std::optional<char> byte = ByteOf(character);
        if (!byte) {
            representable = false;
            break;
        }
        bytes += *byte;
    }
    KvSecureWipe(wide);
    if (!representable) {
        KvSecureWipe(bytes);
        return std::nullopt;
    }
    return bytes;
}
