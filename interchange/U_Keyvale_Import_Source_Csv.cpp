// The CSV layouts of browsers and password programs, and how each column
// reaches a record. A column no layout names is kept as a labelled line at
// the end of the note, so nothing the file holds is dropped unseen.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Source_Readers.h"
#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Rules.h"

#include <algorithm>
#include <set>

namespace {

enum class TColumnUse {
    Name,
    Login,
    Password,
    Email,
    Url,
    Uris, // one or more URLs, separated by commas or line breaks
    Note,
    Folder,
    Collections, // an organisation's collections, joined by commas: the first is the folder
    Labelled,    // "Label: value" at the end of the note
    About,       // as Labelled, but about the entry (a time): left out first from a full note
    Time,        // as About, milliseconds since 1970 shown as a date
    Lines,       // lines that carry their own labels ("name: value")
    Flag,        // "Label: yes" when "1" or "true", left out first from a full note
    Ignore,      // meaningless outside its program (an internal id, an icon number)
};

struct TColumnRule {
    const char* header;
    TColumnUse use;
    const char* label = "";
};

struct TCsvLayout {
    TImportFormat format;
    std::vector<const char*> signature; // the first headers, in order
    std::vector<TColumnRule> columns;
    enum class Paths {
        Escaped,   // "/" between names, "\/" inside one: KeePassXC, Keyvale's own CSV
        FromRoot,  // as Escaped, the first name being the root group's
        Bitwarden, // nested only below folders the file names (SplitBitwardenPath)
    } paths = Paths::Escaped;
};

// The columns of an item in both of Bitwarden's CSV layouts, after the ones
// that place it (a folder, or an organisation's collections).
constexpr TColumnRule kBitwardenItemColumns[] = {
    {"type", TColumnUse::Ignore},
    {"name", TColumnUse::Name},
    {"notes", TColumnUse::Note},
    {"fields", TColumnUse::Lines, "Fields"},
    {"reprompt", TColumnUse::Flag, "Master password re-prompt"},
    {"login_uri", TColumnUse::Uris},
    {"login_username", TColumnUse::Login},
    {"login_password", TColumnUse::Password},
    {"login_totp", TColumnUse::Labelled, "TOTP"},
};

std::vector<TColumnRule> BitwardenColumns(std::vector<TColumnRule> placing) {
    placing.insert(placing.end(), std::begin(kBitwardenItemColumns),
                   std::end(kBitwardenItemColumns));
    return placing;
}

const std::vector<TCsvLayout>& Layouts() {
    using U = TColumnUse;
    static const std::vector<TCsvLayout> layouts = {
        {TImportFormat::Chromium,
         {"name", "url", "username", "password"},
         {{"name", U::Name},
          {"url", U::Url},
          {"username", U::Login},
          {"password", U::Password},
          {"note", U::Note}}},
        {TImportFormat::Firefox,
         {"url", "username", "password", "httprealm"},
         {{"url", U::Url},
          {"username", U::Login},
          {"password", U::Password},
          {"httprealm", U::Labelled, "HTTP realm"},
          {"formactionorigin", U::About, "Form action"},
          {"guid", U::Ignore},
          {"timecreated", U::Time, "Created"},
          {"timelastused", U::Time, "Last used"},
          {"timepasswordchanged", U::Time, "Password changed"}}},
        {TImportFormat::BitwardenCsv,
         {"folder", "favorite", "type", "name", "notes"},
         BitwardenColumns({{"folder", U::Folder}, {"favorite", U::Flag, "Favorite"}}),
         TCsvLayout::Paths::Bitwarden},
        // An organisation's export: collections instead of a folder.
        {TImportFormat::BitwardenCsv,
         {"collections", "type", "name", "notes"},
         BitwardenColumns({{"collections", U::Collections}}),
         TCsvLayout::Paths::Bitwarden},
        {TImportFormat::KeePassXC,
         {"group", "title", "username", "password", "url", "notes"},
         {{"group", U::Folder},
          {"title", U::Name},
          {"username", U::Login},
          {"password", U::Password},
          {"url", U::Url},
          {"notes", U::Note},
          {"e-mail", U::Email},
          {"totp", U::Labelled, "TOTP"},
          {"icon", U::Ignore},
          {"last modified", U::About, "Last modified"},
          {"created", U::About, "Created"}},
         TCsvLayout::Paths::FromRoot},
    };
    return layouts;
}

// The name of a record's field in --map, as everywhere.
const char* FieldName(TRecordField field) {
    return RecordFieldRule(field).name;
}

// Names a generic file's columns commonly have, for each field.
const std::vector<std::pair<const char*, std::vector<const char*>>>& GuessedHeaders() {
    static const std::vector<std::pair<const char*, std::vector<const char*>>> guesses = {
        {kMapName, {"title", "name", "account", "site name"}},
        {FieldName(TRecordField::Login), {"username", "login", "user", "user name", "login name"}},
        {FieldName(TRecordField::Password), {"password", "pass", "passwd"}},
        {FieldName(TRecordField::Email), {"email", "e-mail", "mail"}},
        {FieldName(TRecordField::Url),
         {"url", "website", "web site", "uri", "address", "login_uri"}},
        {FieldName(TRecordField::Note), {"notes", "note", "comment", "comments", "extra"}},
        {kMapFolder, {"folder", "group", "category", "path"}},
    };
    return guesses;
}

const std::vector<std::pair<const char*, TColumnUse>>& MapFields() {
    static const std::vector<std::pair<const char*, TColumnUse>> fields = {
        {kMapName, TColumnUse::Name},
        {FieldName(TRecordField::Login), TColumnUse::Login},
        {FieldName(TRecordField::Password), TColumnUse::Password},
        {FieldName(TRecordField::Email), TColumnUse::Email},
        {FieldName(TRecordField::Url), TColumnUse::Url},
        {FieldName(TRecordField::Note), TColumnUse::Note},
        {kMapFolder, TColumnUse::Folder},
    };
    return fields;
}

std::string Folded(const std::string& text) {
    std::string folded;
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) {
        return folded;
    }
    for (std::size_t i = first; i <= last; ++i) {
        const char c = text[i];
        folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return folded;
}

bool StartsWith(const std::vector<std::string>& header, const std::vector<const char*>& signature) {
    if (header.size() < signature.size()) {
        return false;
    }
    for (std::size_t i = 0; i < signature.size(); ++i) {
        if (header[i] != signature[i]) {
            return false;
        }
    }
    return true;
}

// What each column of the file is used for.
struct TColumnPlan {
    std::vector<TColumnRule> rules; // one per column of the file
};

TColumnPlan PlanFromLayout(const TCsvLayout& layout, const std::vector<std::string>& folded,
                           const std::vector<std::string>& original) {
    TColumnPlan plan;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        auto rule = std::find_if(layout.columns.begin(), layout.columns.end(),
                                 [&](const TColumnRule& r) { return folded[i] == r.header; });
        plan.rules.push_back(rule != layout.columns.end()
                                 ? *rule
                                 : TColumnRule{"", TColumnUse::Labelled, original[i].c_str()});
    }
    return plan;
}

std::string PlanFromMap(const TColumnMap& map, const std::vector<std::string>& folded,
                        const std::vector<std::string>& original, TColumnPlan& plan) {
    plan.rules.assign(folded.size(), TColumnRule{"", TColumnUse::Labelled, ""});
    for (std::size_t i = 0; i < folded.size(); ++i) {
        plan.rules[i].label = original[i].c_str();
    }
    for (const auto& [field, use] : MapFields()) {
        auto named = map.find(field);
        if (named == map.end()) {
            continue;
        }
        auto column = std::find(folded.begin(), folded.end(), Folded(named->second));
        if (column == folded.end()) {
            return "the file has no column \"" + named->second + "\" (named for " + field + ")";
        }
        plan.rules[static_cast<std::size_t>(column - folded.begin())].use = use;
    }
    return "";
}

// Without a map: the columns whose headers read like the fields.
void PlanFromGuess(const std::vector<std::string>& folded, const std::vector<std::string>& original,
                   TColumnPlan& plan) {
    TColumnMap map;
    for (const auto& [field, names] : GuessedHeaders()) {
        for (const char* name : names) {
            auto found = std::find(folded.begin(), folded.end(), name);
            if (found != folded.end()) {
                bool taken = false;
                for (const auto& [other, header] : map) {
                    taken = taken || header == *found;
                }
                if (!taken) {
                    map[field] = *found;
                    break;
                }
            }
        }
    }
    PlanFromMap(map, folded, original, plan);
}

bool HasUse(const TColumnPlan& plan, TColumnUse use) {
    return std::any_of(plan.rules.begin(), plan.rules.end(),
                       [&](const TColumnRule& rule) { return rule.use == use; });
}

std::vector<std::string> SplitUris(const std::string& value) {
    std::vector<std::string> uris;
    std::string uri;
    for (char c : value + ",") {
        if (c == ',' || c == '\n' || c == '\r') {
            const std::size_t first = uri.find_first_not_of(" \t");
            if (first != std::string::npos) {
                uris.push_back(uri.substr(first, uri.find_last_not_of(" \t") - first + 1));
            }
            uri.clear();
        } else {
            uri += c;
        }
    }
    return uris;
}

// How a file's folder paths read, and for Bitwarden the folder names the
// file holds (a name nests below another only where that one is a folder).
struct TPathReading {
    TCsvLayout::Paths paths = TCsvLayout::Paths::Escaped;
    std::set<std::string> bitwardenFolders;
};

std::vector<std::string> FolderNames(const std::string& value, const TPathReading& reading) {
    switch (reading.paths) {
    case TCsvLayout::Paths::Bitwarden:
        return SplitBitwardenPath(value, reading.bitwardenFolders);
    case TCsvLayout::Paths::FromRoot: {
        std::vector<std::string> names = SplitFolderPath(value);
        if (!names.empty()) {
            names.erase(names.begin());
        }
        return names;
    }
    case TCsvLayout::Paths::Escaped:
        break;
    }
    return SplitFolderPath(value);
}

// Bitwarden writes an item's collections as their names joined by commas
// (and reads them back that way).
std::vector<std::string> SplitCollections(const std::string& value) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = value.find(',', start);
        std::string name = value.substr(start, comma - start);
        if (name.find_first_not_of(" \t") != std::string::npos) {
            names.push_back(std::move(name));
        }
        if (comma == std::string::npos) {
            return names;
        }
        start = comma + 1;
    }
}

// Why a row cannot be read at all, or "" when it can.
std::string RowProblem(const TCsvRow& row, const TColumnPlan& plan) {
    if (!row.problem.empty()) {
        return row.problem;
    }
    if (row.cells.size() != plan.rules.size()) {
        return "it has " + std::to_string(row.cells.size()) + " values where the header has " +
               std::to_string(plan.rules.size()) + " (a comma or quote out of place?)";
    }
    return "";
}

// The first URL is the record's; the others become lines of its note.
void TakeUris(TImportEntry& entry, const std::string& value) {
    std::vector<std::string> uris = SplitUris(value);
    for (std::size_t u = 0; u < uris.size(); ++u) {
        if (u == 0) {
            entry.fields.url = uris[0];
        } else {
            AddNoteLine(entry.lines, NoteLine("URL " + std::to_string(u + 1), uris[u]));
        }
    }
}

// The first collection is the folder; the others are named in the note.
void TakeCollections(TImportEntry& entry, const std::string& value, const TPathReading& reading) {
    const std::vector<std::string> collections = SplitCollections(value);
    for (std::size_t c = 0; c < collections.size(); ++c) {
        if (c == 0) {
            entry.folders = FolderNames(collections[0], reading);
        } else {
            AddNoteLine(entry.lines, NoteLine("Also in collection", collections[c], true));
        }
    }
}

// A value with no field of its own: a line of the note, if any.
void TakeNoteLine(std::vector<TNoteLine>& lines, const std::string& value,
                  const TColumnRule& rule) {
    switch (rule.use) {
    case TColumnUse::Labelled:
    case TColumnUse::About:
    case TColumnUse::Time:
        if (!value.empty()) {
            AddNoteLine(
                lines, NoteLine(rule.label,
                                rule.use == TColumnUse::Time ? MillisecondsAsUtcText(value) : value,
                                rule.use != TColumnUse::Labelled));
        }
        break;
    case TColumnUse::Lines:
        if (!value.empty()) {
            AddNoteLine(lines, {rule.label, value, false});
        }
        break;
    case TColumnUse::Flag:
        if (value == "1" || Folded(value) == "true") {
            AddNoteLine(lines, NoteLine(rule.label, "yes", true));
        }
        break;
    default: // the record's own fields, taken by TakeCell
        break;
    }
}

// Puts one cell of a row where its column's rule says.
void TakeCell(TImportEntry& entry, const std::string& value, const TColumnRule& rule,
              const TPathReading& reading) {
    switch (rule.use) {
    case TColumnUse::Name:
        entry.name = value;
        break;
    case TColumnUse::Login:
        entry.fields.login = value;
        break;
    case TColumnUse::Password:
        entry.fields.password = value;
        break;
    case TColumnUse::Email:
        entry.fields.email = value;
        entry.emailGiven = true;
        break;
    case TColumnUse::Url:
        entry.fields.url = value;
        break;
    case TColumnUse::Uris:
        TakeUris(entry, value);
        break;
    case TColumnUse::Note:
        entry.fields.note = value;
        break;
    case TColumnUse::Folder:
        entry.folders = FolderNames(value, reading);
        break;
    case TColumnUse::Collections:
        TakeCollections(entry, value, reading);
        break;
    case TColumnUse::Labelled:
    case TColumnUse::About:
    case TColumnUse::Time:
    case TColumnUse::Lines:
    case TColumnUse::Flag:
        TakeNoteLine(entry.lines, value, rule);
        break;
    case TColumnUse::Ignore:
        break;
    }
}

TImportEntry EntryOfRow(const TCsvRow& row, const TColumnPlan& plan, const TPathReading& reading) {
    TImportEntry entry;
    entry.where = "line " + std::to_string(row.line);
    entry.problem = RowProblem(row, plan);
    if (!entry.problem.empty()) {
        return entry;
    }
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        TakeCell(entry, row.cells[i], plan.rules[i], reading);
    }
    return entry;
}

// Firefox keeps the sign-in to its own account among the logins and writes
// it into the export; Firefox itself never shows or imports it.
constexpr const char* kFirefoxAccountOrigin = "chrome://firefoxaccounts";

std::string Expected() {
    return "a CSV export of Chrome (name,url,username,password,note), Firefox "
           "(url,username,password,httpRealm,...), Bitwarden (folder,favorite,type,name,notes,... "
           "or, an organisation's, collections,type,name,notes,...) or KeePassXC "
           "(Group,Title,Username,Password,URL,Notes,...); for any other CSV file "
           "name its columns with --map";
}

} // namespace

std::string ReadCsvImport(const TCsvTable& table, TImportFormat format, const TColumnMap& map,
                          TImportData& data) {
    std::vector<std::string> folded;
    for (const std::string& header : table.header.cells) {
        folded.push_back(Folded(header));
    }
    if (!map.empty()) {
        format = TImportFormat::GenericCsv;
    }
    const TCsvLayout* layout = nullptr;
    for (const TCsvLayout& candidate : Layouts()) {
        if ((format == TImportFormat::Detect || format == candidate.format) &&
            StartsWith(folded, candidate.signature)) {
            layout = &candidate;
            break;
        }
    }
    TColumnPlan plan;
    if (layout != nullptr) {
        plan = PlanFromLayout(*layout, folded, table.header.cells);
        data.format = layout->format;
    } else if (format == TImportFormat::GenericCsv) {
        if (std::string problem =
                map.empty() ? (PlanFromGuess(folded, table.header.cells, plan), std::string())
                            : PlanFromMap(map, folded, table.header.cells, plan);
            !problem.empty()) {
            return problem;
        }
        if (!HasUse(plan, TColumnUse::Password) && !HasUse(plan, TColumnUse::Login)) {
            return "no column of the file was taken for the login or the password; name them "
                   "with --map login=COLUMN,password=COLUMN";
        }
        data.format = TImportFormat::GenericCsv;
    } else if (format == TImportFormat::Detect) {
        return "its header is not one Keyvale knows; expected " + Expected();
    } else {
        return "its header does not read as " + ImportSourceName(format) + "'s; expected " +
               Expected();
    }
    TPathReading reading;
    if (layout != nullptr) {
        reading.paths = layout->paths;
    }
    if (reading.paths == TCsvLayout::Paths::Bitwarden) {
        // The folders Bitwarden would have after reading this file: every
        // name in the folder (or collections) column.
        for (std::size_t i = 0; i < plan.rules.size(); ++i) {
            const TColumnUse use = plan.rules[i].use;
            for (const TCsvRow& row : table.rows) {
                if (i >= row.cells.size()) {
                    continue;
                }
                if (use == TColumnUse::Folder) {
                    reading.bitwardenFolders.insert(row.cells[i]);
                } else if (use == TColumnUse::Collections) {
                    for (std::string& name : SplitCollections(row.cells[i])) {
                        reading.bitwardenFolders.insert(std::move(name));
                    }
                }
            }
        }
    }
    for (const TCsvRow& row : table.rows) {
        TImportEntry entry = EntryOfRow(row, plan, reading);
        if (data.format == TImportFormat::Firefox && entry.problem.empty() &&
            Folded(entry.fields.url) == kFirefoxAccountOrigin) {
            entry.skip = "Firefox's sign-in to its own account (chrome://FirefoxAccounts), which "
                         "Firefox keeps for itself and never imports";
        }
        data.entries.push_back(std::move(entry));
    }
    return "";
}
