// Windows-1252, the 8-bit code page of Western Windows installations.
//
// Keyvale writes UTF-8. Databases written on Windows hold their names, their
// record fields and (through the key derivation) their main password as
// Windows-1252 bytes. Reading them is a matter of telling the two apart: text
// that is not valid UTF-8 is taken as Windows-1252, since every byte sequence
// is valid Windows-1252 and non-ASCII Windows-1252 text is hardly ever valid
// UTF-8 by accident.
#pragma once

#include <optional>
#include <string>

// The text of Windows-1252 bytes as UTF-8. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) become the control characters of the same
// number, as Windows converts them, so nothing is lost.
std::string Windows1252ToUtf8(const std::string& bytes);

// The text as UTF-8: unchanged when it is valid UTF-8, otherwise read as
// Windows-1252. `converted` is set (never cleared) when the second happened.
std::string TextFromUtf8OrWindows1252(const std::string& bytes, bool& converted);

// The Windows-1252 bytes of a UTF-8 text, or nothing when one of its
// characters has no place in the code page. Used to retry a main password
// the way Windows would have turned it into bytes; the caller wipes the result.
std::optional<std::string> Windows1252BytesOf(const std::string& utf8);
