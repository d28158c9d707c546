// Encoding of a record's five fields into the text of its hidden data node.
//
// Plain text: five four-character length codes (Login, Password, E-Mail, URL,
// Note), the five fields one after another without separators, then random
// filler up to 210 characters. Lengths count 16-bit code units. The plain text
// goes through the text-field cipher as UTF-8, so a data node's text is Base64
// of at least 280 characters and never begins with a blank.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// A record's five fields, wiped when they go: every copy, the temporaries of
// a decode or an import included. (A copy is made where a move was asked
// for, since a move would leave short texts behind in the source; the
// source is wiped in its turn.)
struct TRecordFields {
    std::string login;
    std::string password;
    std::string email;
    std::string url;
    std::string note;

    bool operator==(const TRecordFields&) const = default;
    void Wipe(); // all five wiped and emptied
    ~TRecordFields() { Wipe(); }
};

// Input limits of the five fields, in 16-bit code units.
inline constexpr std::size_t kMaximumLoginLength = 255;
inline constexpr std::size_t kMaximumPasswordLength = 1024;
inline constexpr std::size_t kMaximumEmailLength = 255;
inline constexpr std::size_t kMaximumUrlLength = 1024;
inline constexpr std::size_t kMaximumNoteLength = 8000;
// What the four-digit length code can hold at all.
inline constexpr std::size_t kMaximumEncodableFieldLength = 9999;
inline constexpr std::size_t kRecordPlainTextMinimum = 210;

// The last four digits of n + 1000000, each "0" replaced by the character at
// the same place of a fresh random four-character non-digit text: 0 gives four
// random letters or signs, 105 e.g. "K1b5", 9999 stays "9999".
std::string RecordLengthEncode(std::size_t n);

// The length a code stands for: every non-digit among its first four
// characters reads as "0". An empty code gives 0.
std::size_t RecordLengthDecode(const std::string& code);

// The data node text of the five fields. A field longer than the length code
// can hold is cut to 9999 code units rather than made undecodable; the input
// limits keep every field well below that.
std::string RecordDataEncode(const std::string& login, const std::string& password,
                             const std::string& email, const std::string& url,
                             const std::string& note);
inline std::string RecordDataEncode(const TRecordFields& fields) {
    return RecordDataEncode(fields.login, fields.password, fields.email, fields.url, fields.note);
}

// The five fields of a data node text; all five empty when the text cannot be
// decoded. A field cut short by a damaged text gives what is left. A plain
// text that is not valid UTF-8 was written on Windows and is read as
// Windows-1252 (one character per byte, so the length codes still hold).
TRecordFields RecordDataDecode(const std::string& text);

// The five fields when the text decodes whole, every field as long as its
// length code says; nothing for a text that cannot be decoded or was cut
// short, whose decode must not pass for the record's content.
std::optional<TRecordFields> RecordDataDecodeWhole(const std::string& text);

// The data node text of a record written on Windows, enciphered anew from
// UTF-8; nothing when its plain text is UTF-8 already (or not decodable).
std::optional<std::string> RecordDataAsUtf8(const std::string& text);
