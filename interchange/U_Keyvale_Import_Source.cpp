#include "U_Keyvale_Import_Source.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Source_Readers.h"
#include "U_Keyvale_Read_Write_Bounded.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Rules.h"

#include <algorithm>

namespace {

struct TFormatName {
    TImportFormat format;
    const char* name;   // on the command line
    const char* source; // as the user knows the program
};

// The first name of each format is the one help texts show.
constexpr TFormatName kFormatNames[] = {
    {TImportFormat::Chromium, "chrome", "Chrome"},
    {TImportFormat::Chromium, "chromium", "Chrome"},
    {TImportFormat::Chromium, "edge", "Chrome"},
    {TImportFormat::Chromium, "brave", "Chrome"},
    {TImportFormat::Chromium, "opera", "Chrome"},
    {TImportFormat::Chromium, "vivaldi", "Chrome"},
    {TImportFormat::Firefox, "firefox", "Firefox"},
    {TImportFormat::BitwardenCsv, "bitwarden", "Bitwarden"},
    {TImportFormat::BitwardenJson, "bitwarden-json", "Bitwarden"},
    {TImportFormat::KeePassXC, "keepassxc", "KeePassXC"},
    {TImportFormat::GenericCsv, "csv", "CSV"},
    {TImportFormat::Keyvale, "keyvale-json", "Keyvale"},
};

// "name, login, password, email, url, note and folder", for messages.
std::string MapFieldNames() {
    std::string names = kMapName;
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        names += std::string(", ") + rule.name;
    }
    return names + " and " + kMapFolder;
}

bool LooksLikeJson(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    return first != std::string_view::npos && text[first] == '{';
}

constexpr const char* kExpectedExports =
    "expected a text export: CSV from Chrome, Firefox, Bitwarden or KeePassXC, another CSV "
    "file whose columns are named, Bitwarden's unencrypted JSON or Keyvale's JSON export";

struct TFileKind {
    std::string_view start; // the first bytes of such a file
    const char* what;
    const char* advice;
};

// Files people pick by mistake, told by their first bytes.
constexpr TFileKind kOtherKinds[] = {
    {"\x03\xD9\xA2\x9A", "a KeePass database",
     "export it from KeePassXC as CSV (Database, Export, CSV file) and import that"},
    {"PK\x03\x04", "a ZIP archive", "unpack it and import the export inside"},
    {"PK\x05\x06", "an empty ZIP archive", kExpectedExports},
    {"\x1F\x8B", "a gzip archive", "unpack it and import the export inside"},
    {"7z\xBC\xAF\x27\x1C", "a 7-Zip archive", "unpack it and import the export inside"},
    {std::string_view("SQLite format 3\0", 16), "an SQLite database (a browser's own store)",
     "export the passwords from the browser's settings as CSV and import that"},
    {"%PDF", "a PDF document", kExpectedExports},
    {"\x89PNG", "a PNG image", kExpectedExports},
    {"\xFF\xD8\xFF", "a JPEG image", kExpectedExports},
    {"GIF8", "a GIF image", kExpectedExports},
    {"\xFF\xFE", "UTF-16 text", "save the file as UTF-8 and import it again"},
    {"\xFE\xFF", "UTF-16 text", "save the file as UTF-8 and import it again"},
};

// Why the text is no export that can be read at all; empty when it may be one.
std::string NotATextExport(std::string_view text) {
    for (const TFileKind& kind : kOtherKinds) {
        if (text.substr(0, kind.start.size()) == kind.start) {
            return std::string("it is ") + kind.what + ", not a text export; " + kind.advice;
        }
    }
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const std::size_t line =
            1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + nul, '\n'));
        return "it is no text file (line " + std::to_string(line) +
               " holds a NUL byte, which text never has); " + kExpectedExports;
    }
    return "";
}

bool IsCsvFormat(TImportFormat format) {
    return format != TImportFormat::BitwardenJson && format != TImportFormat::Keyvale;
}

} // namespace

std::string TooManyEntries() {
    return "the file holds more entries than a database can take (at most " +
           std::to_string(kMaximumNodeCount) +
           " nodes); reading stopped here, and this entry and all after it were not read";
}

TImportEntry::~TImportEntry() {
    KvSecureWipe(fields.login);
    KvSecureWipe(fields.password);
    KvSecureWipe(fields.email);
    KvSecureWipe(fields.url);
    KvSecureWipe(fields.note);
    for (TNoteLine& line : lines) {
        KvSecureWipe(line.text);
    }
}

std::optional<TImportFormat> ImportFormatFromName(const std::string& name) {
    for (const TFormatName& entry : kFormatNames) {
        if (name == entry.name) {
            return entry.format;
        }
    }
    return std::nullopt;
}

std::string ImportFormatNames() {
    std::string names;
    for (const TFormatName& entry : kFormatNames) {
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    }
    return names;
}

std::string ImportSourceName(TImportFormat format) {
    for (const TFormatName& entry : kFormatNames) {
        if (entry.format == format) {
            return entry.source;
        }
    }
    return "a file";
}

std::string ParseColumnMap(const std::string& text, TColumnMap& map) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        const std::string pair = text.substr(start, comma - start);
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == pair.size()) {
            return "\"" + pair + "\" is not FIELD=COLUMN";
        }
        const std::string field = pair.substr(0, equals);
        const bool known =
            field == kMapName || field == kMapFolder || FindRecordFieldRule(field) != nullptr;
        if (!known) {
            return "\"" + field + "\" is no field; the fields are " + MapFieldNames();
        }
        if (!map.emplace(field, pair.substr(equals + 1)).second) {
            return "\"" + field + "\" is named twice";
        }
        start = comma + 1;
    }
    return "";
}

std::string ReadImportData(std::string_view text, TImportFormat format, const TColumnMap& map,
                           TImportData& data, const std::atomic<bool>* stop) {
    data = TImportData();
    if (!map.empty() && format != TImportFormat::Detect && format != TImportFormat::GenericCsv) {
        return "--map names the columns of a generic CSV file, not of " + ImportSourceName(format) +
               "'s export";
    }
    if (std::string problem = NotATextExport(text); !problem.empty()) {
        return problem;
    }
    if (!IsCsvFormat(format) ||
        (format == TImportFormat::Detect && map.empty() && LooksLikeJson(text))) {
        TJson document;
        if (std::string problem = ParseImportJson(text, document, stop); !problem.empty()) {
            return "it is no valid JSON: " + problem;
        }
        const bool keyvale =
            document.is_object() && document.contains("format") && document["format"] == "keyvale";
        if (format == TImportFormat::Keyvale || (format == TImportFormat::Detect && keyvale)) {
            return ReadKeyvaleJson(document, data);
        }
        return ReadBitwardenJson(document, data);
    }
    TCsvTable table;
    TCsvLimits limits;
    limits.maximumRows = kMaximumNodeCount;
    limits.stop = stop;
    if (std::string problem = ReadCsv(text, table, limits); !problem.empty()) {
        return problem;
    }
    if (std::string problem = ReadCsvImport(table, format, map, data); !problem.empty()) {
        return problem;
    }
    if (table.unreadFromLine != 0) {
        TImportEntry unread;
        unread.where = "line " + std::to_string(table.unreadFromLine);
        unread.problem = TooManyEntries();
        data.entries.push_back(std::move(unread));
    }
    return "";
}

std::string ReadImportFile(const std::string& path, std::string& content) {
    const TBoundedRead read = ReadFileUpTo(path, kMaximumImportFileSize, content);
    if (read.tooLarge) {
        return "It is larger than " + std::to_string(kMaximumImportFileSize >> 20) +
               " MiB, more than an export of the largest database can be; reading stopped.";
    }
    if (read.notRegular) {
        return "It is not a regular file (a FIFO, a socket or a device); save the export as a "
               "file and import that.";
    }
    return read.problem;
}
