// A file given as a database but written by another program's export is
// named from its start; a database, or text of no known export, is not.
#include <gtest/gtest.h>

#include "U_Keyvale_Import_Sniff.h"

#include <random>

namespace {

std::string RandomBytes(std::size_t count) {
    std::mt19937 generator(7);
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

TEST(ImportSniff, NamesExportsFromTheirStart) {
    struct Case {
        const char* what;
        std::string start;
        std::optional<TImportFormat> format;
    };
    const Case cases[] = {
        {"Bitwarden JSON",
         "{\n  \"encrypted\": false,\n  \"folders\": [],\n  \"items\": [{\"type\": 1, \"login\": "
         "{\"password\": \"pw\"",
         TImportFormat::BitwardenJson},
        {"Keyvale JSON", "{\"format\":\"keyvale\",\"nodes\":[{\"name\":\"Mail\"",
         TImportFormat::Keyvale},
        {"Chrome CSV", "name,url,username,password,note\nMail,https://m,ann,pw,\n",
         TImportFormat::Chromium},
        {"Firefox CSV after a byte-order mark",
         "\xEF\xBB\xBF\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\","
         "\"guid\",\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\r\n",
         TImportFormat::Firefox},
        {"KeePassXC CSV",
         "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\"\n\"Root\",\"a\"",
         TImportFormat::KeePassXC},
        {"a CSV header of no known program", "site,user,secret\nx,y,z\n", std::nullopt},
        {"JSON of no known program", "{\"hello\": \"world\"}", std::nullopt},
        {"a header without its line end", "name,url,username,password", std::nullopt},
        {"a database's enciphered bytes", RandomBytes(4096), std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SniffExportFormat(c.start), c.format) << c.what;
    }
    EXPECT_EQ(ExportDescription(TImportFormat::BitwardenJson), "a Bitwarden export (JSON)");
    EXPECT_EQ(ExportDescription(TImportFormat::Chromium), "a Chrome export (CSV)");
}

} // namespace
