#include "U_Keyvale_TreeView_Data_Record.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "U_Keyvale_Windows_1252.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t kCodeLength = 4;
constexpr std::size_t kFieldCount = 5;
constexpr std::size_t kCodesLength = kCodeLength * kFieldCount;

// A plain text written on Windows, one character per byte.
std::u16string Windows1252ToUtf16(const std::string& bytes) {
    std::string utf8 = Windows1252ToUtf8(bytes);
    std::u16string wide = Utf8ToUtf16(utf8);
    KvSecureWipe(utf8);
    return wide;
}

} // namespace

void TRecordFields::Wipe() {
    for (std::string* field : {&login, &password, &email, &url, &note}) {
        KvSecureWipe(*field);
    }
}

std::string RecordLengthEncode(std::size_t n) {
    std::string digits = std::to_string(n % 10000 + 1000000).substr(3, kCodeLength);
    std::string masks = KvRandomString80(static_cast<std::int32_t>(kCodeLength));
    for (std::size_t i = 0; i < kCodeLength && i < masks.size(); ++i) {
        if (digits[i] == '0') {
            digits[i] = masks[i];
        }
    }
    return digits;
}

std::size_t RecordLengthDecode(const std::string& code) {
    std::size_t value = 0;
    for (std::size_t i = 0; i < code.size() && i < kCodeLength; ++i) {
        char c = code[i];
        value = value * 10 + (c >= '0' && c <= '9' ? static_cast<std::size_t>(c - '0') : 0);
    }
    return value;
}

std::string RecordDataEncode(const std::string& login, const std::string& password,
                             const std::string& email, const std::string& url,
                             const std::string& note) {
    const std::array<const std::string*, kFieldCount> fields{&login, &password, &email, &url,
                                                             &note};
    // The plain text is made in one block of its final size, so that no
    // outgrown copy of the fields is freed on the way.
    std::size_t bytes = kCodesLength + kRecordPlainTextMinimum;
    for (const std::string* field : fields) {
        bytes += field->size();
    }
    std::string codes;
    std::string body;
    body.reserve(bytes);
    std::size_t units = kCodesLength;
    for (const std::string* field : fields) {
        std::size_t length = Utf16Length(*field);
        if (length > kMaximumEncodableFieldLength) {
            std::string cut = Utf8Left(*field, kMaximumEncodableFieldLength);
            length = Utf16Length(cut);
            body += cut;
            KvSecureWipe(cut);
        } else {
            body += *field;
        }
        codes += RecordLengthEncode(length);
        units += length;
    }
    std::string plain;
    plain.reserve(bytes);
    plain += codes;
    plain += body;
    if (units < kRecordPlainTextMinimum) {
        plain += KvRandomString90(static_cast<std::int32_t>(kRecordPlainTextMinimum - units));
    }
    std::string text = KvEncipherText(plain);
    KvSecureWipe(plain);
    KvSecureWipe(body);
    return text;
}

namespace {

// The five fields of a data node text; `whole` tells whether every field was
// there as long as its length code says.
TRecordFields DecodeFields(const std::string& text, bool& whole) {
    TRecordFields result;
    std::string plain = KvDecipherText(text);
    std::u16string s = IsValidUtf8(plain) ? Utf8ToUtf16(plain) : Windows1252ToUtf16(plain);
    KvSecureWipe(plain);
    whole = s.size() >= kCodesLength;
    if (!whole) {
        return result;
    }
    std::array<std::string*, kFieldCount> fields{&result.login, &result.password, &result.email,
                                                 &result.url, &result.note};
    std::size_t position = kCodesLength;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        std::string code;
        for (std::size_t k = 0; k < kCodeLength; ++k) {
            const char16_t c = s[i * kCodeLength + k];
            whole = whole && c < 0x80; // the codes of a written record are ASCII
            code += static_cast<char>(c < 0x80 ? c : 'x');
        }
        std::size_t length = RecordLengthDecode(code);
        std::size_t start = std::min(position, s.size());
        std::size_t count = std::min(length, s.size() - start);
        whole = whole && count == length;
        // Converted from a view of the wide text: a wide copy of the field
        // would be one more to wipe.
        std::string field = Utf16ToUtf8(std::u16string_view(s).substr(start, count));
        *fields[i] = std::move(field);
        KvSecureWipe(field); // a short text is copied, not moved
        position = start + count;
    }
    KvSecureWipe(s);
    return result;
}

} // namespace

TRecordFields RecordDataDecode(const std::string& text) {
    bool whole = false;
    return DecodeFields(text, whole);
}

std::optional<TRecordFields> RecordDataDecodeWhole(const std::string& text) {
    bool whole = false;
    TRecordFields fields = DecodeFields(text, whole);
    if (!whole) {
        return std::nullopt;
    }
    return fields; // a copy: the local one wipes itself
}

std::optional<std::string> RecordDataAsUtf8(const std::string& text) {
    std::string plain = KvDecipherText(text);
    // A text too short for the length codes stays as it is, like any other
    // undecodable data node.
    const bool legacy = plain.size() >= kCodesLength && !IsValidUtf8(plain);
    KvSecureWipe(plain);
    if (!legacy) {
        return std::nullopt;
    }
    const TRecordFields fields = RecordDataDecode(text);
    return RecordDataEncode(fields);
}
