#include "U_Keyvale_Database_File.h"

#include "U_Keyvale_Database_File_Check.h"
#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_Windows_1252.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace {

std::string LoadPrefix(const std::string& fileName) {
    return "Error! Cannot read data from file [" + fileName + "]. ";
}

TDatabaseLoadResult Failed(std::string message) {
    TDatabaseLoadResult result;
    result.status = TDatabaseLoadStatus::Failed;
    result.message = std::move(message);
    return result;
}

// Records written on Windows are enciphered anew from UTF-8 at once: an
// untouched record would otherwise go back to the file in its old encoding
// while the names around it are UTF-8.
bool ConvertWindows1252Records(TKeyvaleTree& tree) {
    bool converted = false;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (tree.Icon(node) != kIconRecord) {
            continue;
        }
        TNodeHandle data = tree.FirstChild(node);
        if (std::optional<std::string> utf8 = RecordDataAsUtf8(tree.Text(data))) {
            tree.SetText(data, std::move(*utf8));
            converted = true;
        }
    }
    return converted;
}

} // namespace

std::string EncryptDatabase(const TKeyvaleTree& tree, const TKeyMaterial& keys, TByteArray& out) {
    std::string text = F_Keyvale_Special_Folder_Create(tree);
    out.assign(text.begin(), text.end());
    KvSecureWipe(text);
    TByteArray key = KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH);
    std::string error =
        KvCryptPayload(out, key, keys.A_GLOBAL_TH, keys.A_GLOBAL_SH1, keys.A_GLOBAL_SH2, true);
    if (!error.empty()) {
        KvSecureWipe(out);
        out.clear();
    }
    return error;
}

namespace {

// Both saves: encipher, hand the bytes to `write`, word the outcome.
TDatabaseSaveResult SaveWith(const std::string& s_Database_File_Name, const TKeyvaleTree& tree,
                             const TKeyMaterial& keys,
                             const std::function<std::string(const TByteArray&)>& write) {
    TDatabaseSaveResult result;
    if (s_Database_File_Name.empty()) {
        result.message = {
            "Error! Cannot save database because the name of the database file is empty!", true};
        return result;
    }
    TByteArray payload;
    std::string error = EncryptDatabase(tree, keys, payload);
    if (error.empty()) {
        error = write(payload);
    }
    if (error.empty()) {
        result.saved = true;
        result.message = {"Database saved: " + s_Database_File_Name, false};
    } else {
        result.error = error;
        result.message = {"Error! Cannot save your database to file [" + s_Database_File_Name +
                              "]. " + error,
                          true};
    }
    return result;
}

} // namespace

TDatabaseSaveResult SaveDatabaseFile(const std::string& s_Database_File_Name,
                                     const TKeyvaleTree& tree, const TKeyMaterial& keys,
                                     const std::function<std::string()>& beforeReplace) {
    return SaveWith(s_Database_File_Name, tree, keys, [&](const TByteArray& payload) {
        return SaveBytesToFileWithCheckpoint(payload, s_Database_File_Name, beforeReplace);
    });
}

TDatabaseSaveResult SaveNewDatabaseFile(const std::string& s_Database_File_Name,
                                        const TKeyvaleTree& tree, const TKeyMaterial& keys,
                                        const std::function<std::string()>& beforeCreate) {
    bool existed = false;
    TDatabaseSaveResult result =
        SaveWith(s_Database_File_Name, tree, keys, [&](const TByteArray& payload) {
            return SaveBytesToNewFile(payload, s_Database_File_Name, &existed, beforeCreate);
        });
    result.existed = existed;
    return result;
}

TDatabaseLoadResult DecryptDatabase(TByteArray& fileBytes, const std::string& fileName,
                                    const TKeyMaterial& keys, TKeyvaleTree& tree,
                                    TLegacyRecords records) {
    TByteArray key = KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH);
    std::string error = KvCryptPayload(fileBytes, key, keys.A_GLOBAL_TH, keys.A_GLOBAL_SH1,
                                       keys.A_GLOBAL_SH2, false);
    if (!error.empty()) {
        TDatabaseLoadResult result;
        result.status = TDatabaseLoadStatus::WrongPassword;
        result.message = error;
        return result;
    }

    std::string plaintext(fileBytes.begin(), fileBytes.end());
    KvSecureWipe(fileBytes);
    bool converted = false;
    std::vector<TTreeTextLine> lines = SplitTreeText(plaintext, &converted);
    KvSecureWipe(plaintext);

    // The verifier only proves the key; a file damaged inside its tree text
    // still passes it. Every file Keyvale writes is framed by special folder
    // lines, so a missing frame means damage, not an empty database.
    TDatabaseLoadResult result;
    bool framed = HasSpecialFolderFrame(lines);
    TKeyvaleTree loaded;
    std::string rebuildError;
    if (framed) {
        rebuildError = BuildTreeFromLines(std::move(lines), loaded);
    } else {
        for (TTreeTextLine& line : lines) {
            KvSecureWipe(line.text);
        }
    }
    if (!framed) {
        tree.Clear();
        return Failed(LoadPrefix(fileName) + kDamagedFileReason);
    }
    if (!rebuildError.empty()) {
        tree.Clear();
        return Failed(LoadPrefix(fileName) + "[" + kTreeTextErrorClass + "] " + rebuildError);
    }
    F_Keyvale_Special_Folder_Delete(loaded);
    P_Arrange_Icons_for_TreeView(loaded);
    if (records == TLegacyRecords::ConvertToUtf8) {
        converted = ConvertWindows1252Records(loaded) || converted;
    }
    tree = std::move(loaded);
    result.status = TDatabaseLoadStatus::Loaded;
    result.message = "Database has been loaded from file [" + fileName + "].";
    result.databaseEmpty = tree.IsEmpty();
    result.convertedFromWindows1252 = converted;
    return result;
}

TDatabaseLoadResult LoadDatabaseFile(const std::string& s_Database_File_Name,
                                     const TKeyMaterial& keys, TKeyvaleTree& tree,
                                     TLegacyRecords records) {
    const std::string prefix = LoadPrefix(s_Database_File_Name);
    std::int64_t size = FileSizeOf(s_Database_File_Name);
    if (size < 0) {
        return Failed(prefix + "This file may be locked by another program.");
    }
    // Refused before anything is read: reading it would only take time and
    // memory to end in "wrong password" or "damaged".
    if (std::string tooLarge = DatabaseFileSizeProblem(size); !tooLarge.empty()) {
        return Failed(prefix + tooLarge);
    }
    if (size == 0) {
        return Failed(prefix + "This file is empty or locked by another program.");
    }
    TByteArray bytes;
    std::string error = LoadBytesFromFile(bytes, s_Database_File_Name);
    if (!error.empty()) {
        return Failed(prefix + error);
    }
    return DecryptDatabase(bytes, s_Database_File_Name, keys, tree, records);
}

TDatabaseLoadResult RetryWithWindows1252Password(const std::string& s_Database_File_Name,
                                                 const std::string& mainPassword,
                                                 TKeyMaterial& keys, TKeyvaleTree& tree,
                                                 TDatabaseLoadResult refused,
                                                 TLegacyRecords records) {
    std::optional<std::string> legacy = Windows1252BytesOf(mainPassword);
    if (!legacy || *legacy == mainPassword) {
        if (legacy) {
            KvSecureWipe(*legacy);
        }
        return refused;
    }
    TKeyMaterial legacyKeys;
    const bool derived = KvDeriveKeyMaterial(*legacy, legacyKeys).empty();
    KvSecureWipe(*legacy);
    if (!derived) {
        return refused;
    }
    TDatabaseLoadResult retry = LoadDatabaseFile(s_Database_File_Name, legacyKeys, tree, records);
    if (retry.status == TDatabaseLoadStatus::WrongPassword) {
        legacyKeys.Wipe();
        return refused;
    }
    retry.windows1252Password = retry.status == TDatabaseLoadStatus::Loaded;
    std::swap(keys, legacyKeys);
    legacyKeys.Wipe();
    return retry;
}

TDatabaseLoadResult LoadDatabaseFileWithPassword(const std::string& s_Database_File_Name,
                                                 const std::string& mainPassword,
                                                 TKeyMaterial& keys, TKeyvaleTree& tree,
                                                 TLegacyRecords records) {
    const std::string derivation = KvDeriveKeyMaterial(mainPassword, keys);
    if (!derivation.empty()) {
        keys.Wipe();
        return Failed(derivation);
    }
    TDatabaseLoadResult result = LoadDatabaseFile(s_Database_File_Name, keys, tree, records);
    if (result.status == TDatabaseLoadStatus::WrongPassword) {
        result = RetryWithWindows1252Password(s_Database_File_Name, mainPassword, keys, tree,
                                              std::move(result), records);
    }
    if (result.status != TDatabaseLoadStatus::Loaded) {
        keys.Wipe();
    }
    return result;
}
