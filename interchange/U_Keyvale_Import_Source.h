// What an import reads: the formats Keyvale understands, and the entries a
// file gives before any rule of the tree is applied to them.
#pragma once

#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TImportFormat {
    Detect, // told from the file itself
    Chromium,
    Firefox,
    BitwardenCsv,
    BitwardenJson,
    KeePassXC,
    GenericCsv,
    Keyvale,
};

// The name of a format on the command line ("chrome", "bitwarden-json").
std::optional<TImportFormat> ImportFormatFromName(const std::string& name);
// The names the command line accepts, for help and error texts.
std::string ImportFormatNames();
// The program a format comes from, as the user knows it ("Chrome", "Bitwarden").
std::string ImportSourceName(TImportFormat format);

// One login, note or node of the source: its name, the folders it stands in
// and its fields, as the source gave them, and apart from its note the lines
// the import adds to that note. The fields and lines are wiped when it goes.
struct TImportEntry {
    std::string where; // for messages: "line 7", "item 3 \"Visa\"", "node \"Mail/x\""
    std::vector<std::string> folders;
    std::string name;             // may be empty: the import chooses one
    TRecordFields fields;         // the note as the source wrote it
    std::vector<TNoteLine> lines; // to end the note with, in this order
    std::string problem;          // why the row cannot be taken at all, as the reader saw it
    // Why the entry is left out on purpose, as its own program leaves it out
    // (Firefox's login for its own account); listed, never refused.
    std::string skip;
    // The source has an E-Mail field of its own; otherwise a login that is an
    // e-mail address also becomes the E-Mail.
    bool emailGiven = false;

    TImportEntry() = default;
    TImportEntry(const TImportEntry&) = delete;
    TImportEntry& operator=(const TImportEntry&) = delete;
    TImportEntry(TImportEntry&&) = default;
    TImportEntry& operator=(TImportEntry&&) = default;
    ~TImportEntry();
};

// Columns of a generic CSV file named by the user: "login", "password",
// "name", "url", "note", "email", "folder" -> the header of that column.
using TColumnMap = std::map<std::string, std::string>;

// The two names of a map that are no record field; the five fields go by
// their names in kRecordFieldRules.
inline constexpr const char* kMapName = "name";
inline constexpr const char* kMapFolder = "folder";

// "login=Username,password=Pass,..." into a map; empty on success, otherwise
// what is wrong with it.
std::string ParseColumnMap(const std::string& text, TColumnMap& map);

struct TImportData {
    TImportFormat format = TImportFormat::Detect; // the one the file was read as
    std::vector<TImportEntry> entries;
    // A Keyvale export is an exact tree: its names and fields are taken as
    // they are, and a node that breaks a rule refuses the whole file.
    bool exactTree = false;
};

// Reads the file's text as `format` (or as what it looks like). Empty on
// success, otherwise why the file cannot be read, naming what was expected;
// a refusal names a line and column, never the text read there. A file that
// is no text export at all (an archive, a KeePass database, an image, UTF-16
// text) is named as what it is. Reading stops after more entries than a
// database can take (kMaximumNodeCount): a last refused entry then says
// where. `stop`, when given and set, ends the reading early with a refusal.
std::string ReadImportData(std::string_view text, TImportFormat format, const TColumnMap& map,
                           TImportData& data, const std::atomic<bool>* stop = nullptr);

// The largest file an import reads; more than the largest tree can need
// from any of the formats.
inline constexpr std::size_t kMaximumImportFileSize = 64u << 20;

// Reads the file at `path` ("-": standard input) whole. The file must be a
// regular file (standard input may be a pipe): it is opened without waiting,
// so a FIFO or a device is refused instead of blocking. Reading stops past
// kMaximumImportFileSize. Empty on success, otherwise the cause.
std::string ReadImportFile(const std::string& path, std::string& content);
