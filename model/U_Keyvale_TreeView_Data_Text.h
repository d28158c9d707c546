// Text helpers shared by the tree, the record encoding, import and
// keyvale-cli: UTF-8 and 16-bit lengths, control characters and how a text
// that may hold them is shown.
//
// Keyvale keeps all text as UTF-8 in std::string (UTF-8 is the 8-bit code page
// on this platform), but every length rule of the tree and of the record
// encoding counts characters as the window's widgets do: in 16-bit code units.
// A character outside the Basic Multilingual Plane therefore counts 2.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Bytes that are not valid UTF-8 (and lone surrogates on the way back) become
// '?', the code page's default character; both directions agree on that, so
// Utf16Length(s) == Utf8ToUtf16(s).size() for every s.
std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Number of 16-bit code units of the text.
std::size_t Utf16Length(const std::string& utf8);

bool IsValidUtf8(const std::string& text);

// The text with invalid UTF-8 replaced by '?'; unchanged when already valid.
std::string SanitizeUtf8(const std::string& utf8);

// The first `units` code units of the text; a character that would be split
// (a surrogate pair at the cut) is left out whole.
std::string Utf8Left(const std::string& utf8, std::size_t units);

// Leading and trailing characters up to and including the space (blanks,
// TAB, CR, LF and the other control characters) removed.
std::string TrimBlanksAndControls(const std::string& text);

// The code point as UTF-8 at the end of `out`; a template so that the JSON
// reader's wiping strings take it as plain ones do. The code point must be
// one (at most U+10FFFF).
template <typename String> void AppendUtf8(String& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The value of a hexadecimal digit (either case), -1 for any other character.
int HexValue(char c);

// Control characters: the C0 ones (U+0000..U+001F), DEL (U+007F) and the C1
// ones (U+0080..U+009F, in UTF-8 the bytes C2 80..C2 9F). A terminal obeys
// each of them (C1's CSI 0xC2 0x9B as well as ESC "["), so none may reach it
// from a stored name unescaped. A lone 0x80..0x9F byte is no character of
// UTF-8 and is not counted here.
//
// The number of bytes of the control character at `at`: 1 (C0, DEL), 2 (C1)
// or 0 when none begins there.
std::size_t ControlCharacterAt(std::string_view text, std::size_t at);

// Whether the text holds a control character other than those in `allowed`
// (single bytes: "\t\n" lets TAB and LF pass). Line breaks and TAB count
// unless allowed.
bool HoldsControlCharacter(std::string_view text, std::string_view allowed = "");

// The text as it may be shown on a terminal or in a message: each byte of a
// control character other than those in `keep` written "\xHH" (a C1
// character as its two bytes, "\xc2\x9b"), everything else as it is.
// keyvale-cli reads "\xHH" back in a path, so a printed path can be typed.
std::string WithControlsEscaped(std::string_view text, std::string_view keep = "");
