// The import's JSON reader on any bytes: it never crashes nor recurses past
// its depth, a refusal always names a line and a column, and what it accepts
// the JSON library reads to the same document.
#include "U_Keyvale_Import_Json.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TJson document;
    const std::string refusal = ParseImportJson(text, document);
    if (!refusal.empty()) {
        FUZZ_CHECK(refusal.rfind("line ", 0) == 0);
        FUZZ_CHECK(refusal.find(", column ") != std::string::npos);
        FUZZ_CHECK(document.is_null());
        return 0;
    }
    // Accepted, so no deeper than the reader's limit: the library's own
    // recursive parser is safe on it.
    nlohmann::ordered_json library;
    try {
        library = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::ordered_json::exception&) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(std::string(document.dump()) == library.dump());
    return 0;
}
