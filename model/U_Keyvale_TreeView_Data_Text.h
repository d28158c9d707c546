// Text helpers shared by the tree and the record encoding.
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
