// A data node text of any shape decodes to five fields that fit in what the
// text holds, and fields encoded by Keyvale decode back exactly.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "fuzz_check.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::size_t TotalUnits(const TRecordFields& f) {
    return Utf16Length(f.login) + Utf16Length(f.password) + Utf16Length(f.email) +
           Utf16Length(f.url) + Utf16Length(f.note);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Arbitrary text, read as a data node: the fields come out of the
    // deciphered text after its 20-character length codes and nowhere else.
    TRecordFields decoded = RecordDataDecode(text);
    std::size_t available = Utf16Length(KvDecipherText(text));
    std::size_t total = TotalUnits(decoded);
    FUZZ_CHECK(total == 0 || total + 20 <= available);
    for (const std::string* f :
         {&decoded.login, &decoded.password, &decoded.email, &decoded.url, &decoded.note}) {
        FUZZ_CHECK(Utf16Length(*f) <= kMaximumEncodableFieldLength);
        FUZZ_CHECK(IsValidUtf8(*f));
    }

    // The same bytes as five fields (split at 0x1F): valid text within the
    // length codes' reach comes back unchanged.
    std::array<std::string, 5> parts;
    std::size_t k = 0;
    for (char c : text) {
        if (c == '\x1F' && k < 4) {
            ++k;
        } else {
            parts[k] += c;
        }
    }
    TRecordFields fields{parts[0], parts[1], parts[2], parts[3], parts[4]};
    bool encodable = true;
    for (const std::string& p : parts) {
        encodable = encodable && IsValidUtf8(p) && Utf16Length(p) <= kMaximumEncodableFieldLength;
    }
    if (encodable) {
        std::string node = RecordDataEncode(fields);
        FUZZ_CHECK(Utf16Length(KvDecipherText(node)) >= kRecordPlainTextMinimum);
        FUZZ_CHECK(RecordDataDecode(node) == fields);
    }
    return 0;
}
