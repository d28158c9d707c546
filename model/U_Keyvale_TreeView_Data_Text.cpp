#include "U_Keyvale_TreeView_Data_Text.h"

#include <cstdint>

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one code point starting at text[i] and advances i; an invalid or
// truncated sequence, an overlong form or an encoded surrogate consumes one
// byte and gives kInvalid.
char32_t DecodeUtf8(const std::string& text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    std::uint8_t lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kInvalid;
    }
    if (i + length > text.size()) {
        ++i;
        return kInvalid;
    }
    for (std::size_t k = 1; k < length; ++k) {
        std::uint8_t next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kInvalid;
        }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++i;
        return kInvalid;
    }
    i += length;
    return code;
}

std::size_t UnitsOf(char32_t code) {
    return code != kInvalid && code >= 0x10000 ? 2 : 1;
}

} // namespace

std::u16string Utf8ToUtf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = DecodeUtf8(utf8, i);
        if (code == kInvalid) {
            out += u'?';
        } else if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    // Room for the longest outcome (three bytes a unit), so that a secret is
    // never outgrown and freed on the way.
    out.reserve(3 * utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::size_t Utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<std::uint8_t>(utf8[i]) < 0x80) {
            ++i;
            ++units;
        } else {
            units += UnitsOf(DecodeUtf8(utf8, i));
        }
    }
    return units;
}

bool IsValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<std::uint8_t>(text[i]) < 0x80) {
            ++i;
        } else if (DecodeUtf8(text, i) == kInvalid) {
            return false;
        }
    }
    return true;
}

std::string SanitizeUtf8(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t start = i;
        char32_t code = DecodeUtf8(utf8, i);
        if (code == kInvalid) {
            out += '?';
        } else {
            out.append(utf8, start, i - start);
        }
    }
    return out;
}

std::string Utf8Left(const std::string& utf8, std::size_t units) {
    std::size_t taken = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t next = i;
        std::size_t width = UnitsOf(DecodeUtf8(utf8, next));
        if (taken + width > units) {
            break;
        }
        taken += width;
        i = next;
    }
    return utf8.substr(0, i);
}

std::string TrimBlanksAndControls(const std::string& text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first])) {
        ++first;
    }
    std::size_t last = text.size();
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::size_t ControlCharacterAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (at >= text.size()) {
        return 0;
    }
    if (byte(at) < 0x20 || byte(at) == 0x7F) {
        return 1;
    }
    const bool c1 =
        byte(at) == 0xC2 && at + 1 < text.size() && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9F;
    return c1 ? 2 : 0;
}

bool HoldsControlCharacter(std::string_view text, std::string_view allowed) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t length = ControlCharacterAt(text, i);
        if (length == 2 || (length == 1 && allowed.find(text[i]) == std::string_view::npos)) {
            return true;
        }
    }
    return false;
}

std::string WithControlsEscaped(std::string_view text, std::string_view keep) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = ControlCharacterAt(text, i);
        if (length == 1 && keep.find(text[i]) != std::string_view::npos) {
            length = 0;
        }
        if (length == 0) {
            shown += text[i++];
            continue;
        }
        for (const std::size_t end = i + length; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            shown += {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
        }
    }
    return shown;
}
