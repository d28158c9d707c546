// Saving and loading a whole database file.
//
// File layout for a plaintext of N bytes: N enciphered bytes of tree text, a
// 1000-byte password verifier and a 1000-byte enciphered random block; no
// header. These functions do the work of the window's save and load and hand
// back the messages it prints; they never touch a display.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <functional>
#include <string>

struct TDatabaseSaveResult {
    bool saved = false;
    bool existed = false; // SaveNewDatabaseFile only: something stood at the name
    TTreeMessage message; // "Database saved: <file>" or an error with alert
    std::string error;    // the failure alone, without the words around it
};

// Writes the tree, framed by two fresh special folder lines and enciphered
// under the key material, to the file. The tree is not changed. The old file
// stays intact unless the new one is complete (see SaveBytesToFile).
// `beforeReplace` is the checkpoint of SaveBytesToFileWithCheckpoint.
TDatabaseSaveResult SaveDatabaseFile(const std::string& s_Database_File_Name,
                                     const TKeyvaleTree& tree, const TKeyMaterial& keys,
                                     const std::function<std::string()>& beforeReplace = nullptr);

// The same into a file that must not exist yet (SaveBytesToNewFile): nothing
// at the name is replaced or followed; `existed` then tells why it failed.
TDatabaseSaveResult SaveNewDatabaseFile(const std::string& s_Database_File_Name,
                                        const TKeyvaleTree& tree, const TKeyMaterial& keys,
                                        const std::function<std::string()>& beforeCreate = nullptr);

enum class TDatabaseLoadStatus {
    Loaded,        // the tree holds the database
    WrongPassword, // the verifier refused the key material; the tree is unchanged
    Failed,        // unreadable, damaged or unparsable; see message
};

struct TDatabaseLoadResult {
    TDatabaseLoadStatus status = TDatabaseLoadStatus::Failed;
    // Loaded: "Database has been loaded from file [<file>]."
    // WrongPassword: the payload cipher's wrong-password text.
    // Failed: "Error! Cannot read data from file [<file>]. " + the reason.
    std::string message;
    bool databaseEmpty = false; // Loaded with no nodes: print kDatabaseEmptyMessage with alert
    // Loaded from a file written on Windows: names or fields were Windows-1252
    // and are UTF-8 now (the next save writes them so); print kConvertedMessage.
    bool convertedFromWindows1252 = false;
    // Loaded with the Windows-1252 bytes of the main password (see
    // LoadDatabaseFileWithPassword); the keys are those of these bytes.
    bool windows1252Password = false;
};

inline constexpr const char* kDatabaseEmptyMessage =
    "Your database is empty. It does not contain any data.";
inline constexpr const char* kConvertedMessage =
    "This database was written with the Windows-1252 code page. Its names and fields have been "
    "converted and will be saved as UTF-8.";
inline constexpr const char* kDamagedFileReason =
    "This file is damaged: its content is not a Keyvale database.";

// What a load does with records written in Windows-1252. Reading a record
// understands both encodings, so only a tree that may be saved again needs
// its records enciphered anew as UTF-8 (deciphering every record to find them
// costs about as much as the rest of the load); a reader that never saves
// leaves them as stored.
enum class TLegacyRecords { ConvertToUtf8, AsStored };

// Reads the file with the key material derived for it. On success the tree is
// replaced by the file's tree, special folder lines removed and icons set; the
// caller then makes the backup copy (MakeBackupCopy). A wrong password or a
// read failure leaves the tree as it was; a damaged or unparsable content
// leaves it empty.
TDatabaseLoadResult LoadDatabaseFile(const std::string& s_Database_File_Name,
                                     const TKeyMaterial& keys, TKeyvaleTree& tree,
                                     TLegacyRecords records = TLegacyRecords::ConvertToUtf8);

// After the key material derived from `mainPassword` was refused (`refused`
// is that result): when the password holds non-ASCII characters that all
// exist in Windows-1252, derives the keys from those bytes and loads once
// more. A database made on Windows derived its keys so. On success `keys` and
// `tree` hold what opened it and the result says windows1252Password;
// otherwise both are as they were and `refused` comes back.
TDatabaseLoadResult
RetryWithWindows1252Password(const std::string& s_Database_File_Name,
                             const std::string& mainPassword, TKeyMaterial& keys,
                             TKeyvaleTree& tree, TDatabaseLoadResult refused,
                             TLegacyRecords records = TLegacyRecords::ConvertToUtf8);

// Derives the key material from the main password (UTF-8) and loads the
// file, with the Windows-1252 retry above. `keys` holds the material that
// opened the file; on any failure it is wiped. A password the key derivation
// refuses gives Failed with the derivation's message.
TDatabaseLoadResult LoadDatabaseFileWithPassword(
    const std::string& s_Database_File_Name, const std::string& mainPassword, TKeyMaterial& keys,
    TKeyvaleTree& tree, TLegacyRecords records = TLegacyRecords::ConvertToUtf8);

// The enciphered file content for a tree, and its way back; the pieces of the
// two operations above without the file, for tools and measurements.
// EncryptDatabase returns an error text (empty on success).
std::string EncryptDatabase(const TKeyvaleTree& tree, const TKeyMaterial& keys, TByteArray& out);
TDatabaseLoadResult DecryptDatabase(TByteArray& fileBytes, const std::string& fileName,
                                    const TKeyMaterial& keys, TKeyvaleTree& tree,
                                    TLegacyRecords records = TLegacyRecords::ConvertToUtf8);
