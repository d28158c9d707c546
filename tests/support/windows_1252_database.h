// A database as the program writes it on a Western Windows: every name, the
// record's plain text and the main password are Windows-1252 bytes. Built
// here byte by byte, so the tests do not depend on any file from elsewhere.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01.h"
#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <string>
#include <vector>

namespace windows_1252 {

inline constexpr const char* kPasswordUtf8 = "Passw\xC3\xB6rt\xE2\x82\xAC";
inline constexpr const char* kPassword1252 = "Passw\xF6rt\x80";

// The record encoding with the plain text left in Windows-1252: length codes
// count characters, one byte each.
inline std::string LegacyRecord(const std::vector<std::string>& fields) {
    std::string codes;
    std::string body;
    for (const std::string& field : fields) {
        codes += RecordLengthEncode(field.size());
        body += field;
    }
    std::string plain = codes + body;
    if (plain.size() < kRecordPlainTextMinimum) {
        plain +=
            KvRandomString90(static_cast<std::int32_t>(kRecordPlainTextMinimum - plain.size()));
    }
    return KvEncipherText(plain);
}

// Writes the file: "Cafés" holding "Müller €" (a record) and "Plain ASCII",
// enciphered under keys derived from kPassword1252. Returns an error text.
inline std::string WriteDatabase(const std::string& file, const TKeyMaterial& windowsKeys) {
    const std::string frame = MakeSpecialFolderText();
    const std::string plaintext =
        frame + "\r\n" + "Caf\xE9s\r\n" + "\tM\xFCller \x80\r\n" + "\t\t" +
        LegacyRecord({"J\xFCrgen", "p\xE4ss\x93word\x94", "j@x.de", "https://x.de",
                      "Gr\xFC\xDF"
                      "e\r\nzweite Zeile"}) +
        "\r\n" + "Plain ASCII\r\n" + frame + "\r\n";
    TByteArray payload(plaintext.begin(), plaintext.end());
    TByteArray key = KvUnwrapKey(windowsKeys.A_GLOBAL_BH, windowsKeys.A_GLOBAL_DH);
    std::string error = KvCryptPayload(payload, key, windowsKeys.A_GLOBAL_TH,
                                       windowsKeys.A_GLOBAL_SH1, windowsKeys.A_GLOBAL_SH2, true);
    return error.empty() ? SaveBytesToFile(payload, file) : error;
}

// The record's fields once converted, as UTF-8.
inline TRecordFields ConvertedFields() {
    return {"J\xC3\xBCrgen", "p\xC3\xA4ss\xE2\x80\x9Cword\xE2\x80\x9D", "j@x.de", "https://x.de",
            "Gr\xC3\xBC\xC3\x9F"
            "e\r\nzweite Zeile"};
}

} // namespace windows_1252
