// Seeds of the storage fuzz targets, made by Keyvale's own code: data node
// texts, tree texts and whole database files of a few small trees, settings
// files as the program writes them, and the trees' exports with a few other
// programs' export headers for the import.
#pragma once

#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_Export.h"
#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "fuzz_keys.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fuzz_seeds {

inline void Write(const std::filesystem::path& dir, const std::string& name,
                  const std::string& bytes) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

inline std::vector<TRecordFields> SampleFields() {
    return {{"ann", " s3cret ", "ann@example.org", "https://example.org", "a note\r\nline 2"},
            {"", "", "", "", ""},
            {"\xC3\xA9t\xC3\xA9", "\xF0\x9F\x94\x91", "", "", std::string(300, 'n')}};
}

// A tree with folders, records, an empty folder and a deep chain.
inline void FillSampleTree(TKeyvaleTree& tree, int variant) {
    TNodeHandle mail = tree.AddChild(kNoNode, "Mail", kIconFolder);
    int k = 0;
    for (const TRecordFields& f : SampleFields()) {
        if (k++ > variant) {
            break;
        }
        TNodeHandle record = tree.AddChild(mail, "record " + std::to_string(k), kIconRecord);
        tree.AddChild(record, RecordDataEncode(f), kIconEmpty);
    }
    tree.AddChild(kNoNode, "Empty", kIconEmpty);
    TNodeHandle node = kNoNode;
    for (int level = 0; level <= variant * 7; ++level) {
        node = tree.AddChild(node, "L" + std::to_string(level), kIconFolder);
    }
}

inline void WriteStorageSeeds(const std::filesystem::path& root) {
    int n = 0;
    for (const TRecordFields& f : SampleFields()) {
        Write(root / "fuzz_record_decode", "node" + std::to_string(n), RecordDataEncode(f));
        Write(root / "fuzz_record_decode", "fields" + std::to_string(n),
              f.login + '\x1F' + f.password + '\x1F' + f.email + '\x1F' + f.url + '\x1F' + f.note);
        ++n;
    }

    const TKeyMaterial& keys = FuzzKeys();
    for (int variant = 0; variant < 3; ++variant) {
        TKeyvaleTree tree;
        FillSampleTree(tree, variant);
        const std::string v = std::to_string(variant);
        std::string text = TreeToText(tree);
        std::string framed = F_Keyvale_Special_Folder_Create(tree);
        Write(root / "fuzz_tree_rebuild", "text" + v, text);
        Write(root / "fuzz_tree_rebuild", "framed" + v, framed);
        std::string utf16 = "\xFF\xFE";
        for (char c : text) {
            utf16 += c;
            utf16 += '\0';
        }
        Write(root / "fuzz_tree_rebuild", "utf16le" + v, utf16);

        TByteArray file;
        EncryptDatabase(tree, keys, file);
        Write(root / "fuzz_database_load", "file" + v,
              std::string(1, '\0') + std::string(file.begin(), file.end()));
        Write(root / "fuzz_database_load", "plain" + v, "\x01" + framed);
    }

    // The import target's first byte chooses the format: 0 detects it, 1 to 7
    // name Chrome, Firefox, Bitwarden CSV and JSON, KeePassXC, generic CSV
    // and Keyvale JSON.
    for (int variant = 0; variant < 3; ++variant) {
        TKeyvaleTree tree;
        FillSampleTree(tree, variant);
        const std::string v = std::to_string(variant);
        Write(root / "fuzz_import", "csv" + v,
              std::string(1, '\0') + ExportTree(tree, TExportFormat::Csv));
        Write(root / "fuzz_import", "bitwarden" + v,
              std::string(1, '\4') + ExportTree(tree, TExportFormat::BitwardenJson));
        Write(root / "fuzz_import", "keyvale" + v,
              std::string(1, '\7') + ExportTree(tree, TExportFormat::KeyvaleJson));
    }
    Write(root / "fuzz_import", "chrome",
          "\1name,url,username,password,note\r\nsite,https://"
          "site.net,u,\"p,\"\"q\"\"\",\"a\nb\"\r\n");
    Write(root / "fuzz_import", "firefox",
          "\2\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
          "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\n"
          "\"https://a.org\",\"ann\",\"pw\",,\"https://a.org\",\"{1}\",\"1700000000000\","
          "\"1700000000000\",\"1700000000000\"\n");
    Write(root / "fuzz_import", "generic",
          "\6\xEF\xBB\xBFTitle;User;Secret;Web\nMail;ann;pw;mail.example.org\n");

    // Hostile shapes: nesting far past the reader's depth where a text or
    // the format belongs, a bad escape in a password, rows of many columns,
    // quotes that end a value early and more rows than a database takes.
    const std::string deep(60000, '[');
    const std::string detect(1, '\0'); // the first byte 0: the format told from the file
    const std::pair<const char*, std::string> hostile[] = {
        {"nested_name", "\4{\"items\": [{\"name\": " + deep + "]}"},
        {"nested_format", detect + "{\"format\":" + deep},
        {"bad_escape", detect + "{\"items\": [{\"login\": {\"password\": \"ab\\qc\"}}]}"},
        {"object_name",
         detect + "{\"items\": [{\"name\": {\"a\": [1, {}]}, \"favorite\": \"x\"}]}"},
        {"wide_csv", "\6a,b\n" + std::string(3000, ',') + "\n1,2\n"},
        {"stray_quotes", "\1name,url,username,password\nx,y,z,\"pa\"ss\"\nx,y,z,\"a\\\"b\"\n"},
        {"many_rows",
         [] {
             std::string rows = "\1name,url,username,password\n";
             for (int i = 0; i < 10050; ++i) {
                 rows += "a" + std::to_string(i) + ",,,\n";
             }
             return rows;
         }()},
    };
    for (const auto& [name, bytes] : hostile) {
        Write(root / "fuzz_import", name, bytes);
        if (bytes[0] != '\1' && bytes[0] != '\6') {
            Write(root / "fuzz_import_json", name, bytes.substr(1));
        }
    }
    for (int variant = 0; variant < 3; ++variant) {
        TKeyvaleTree tree;
        FillSampleTree(tree, variant);
        Write(root / "fuzz_import_json", "bitwarden" + std::to_string(variant),
              ExportTree(tree, TExportFormat::BitwardenJson));
    }

    const std::string ini = (root / "settings.tmp").string();
    std::filesystem::remove(ini);
    SaveSettingsToIni(ini, 12, "45");
    std::ifstream in(ini, std::ios::binary);
    std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(ini);
    Write(root / "fuzz_settings", "written", written);
    Write(root / "fuzz_settings", "others",
          "; comment\r\n[Other]\r\nSN=3\r\n\r\n[keyvale]\r\n  sn = 7 \r\nHL=0050\r\n");
    Write(root / "fuzz_settings", "nosection", "SN=1\nHL=20\n[Keyvale]");
}

} // namespace fuzz_seeds

using fuzz_seeds::WriteStorageSeeds;
