// The CSV layouts of browsers and password programs, and how each column
// reaches a record. A column no layout names is kept as a labelled line at
// the end of the note, so nothing the file holds is dropped unseen.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Source_Readers.h"
#include "U_Keyvale_Import_Text.h"

#include <algorithm>

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
    Labelled, // "Label: value" at the end of the note
    Time,     // as Labelled, milliseconds since 1970 shown as a date
    Lines,    // lines that carry their own labels ("name: value")
    Flag,     // "Label: yes" when "1" or "true"
    Ignore,   // meaningless outside its program (an internal id, an icon number)
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
    bool folderStartsWithRoot = false; // the first folder name is the root group's
};

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
          {"formactionorigin", U::Labelled, "Form action"},
          {"guid", U::Ignore},
          {"timecreated", U::Time, "Created"},
          {"timelastused", U::Time, "Last used"},
          {"timepasswordchanged", U::Time, "Password changed"}}},
        {TImportFormat::BitwardenCsv,
         {"folder", "favorite", "type", "name", "notes"},
         {{"folder", U::Folder},
          {"favorite", U::Flag, "Favorite"},
          {"type", U::Ignore},
          {"name", U::Name},
          {"notes", U::Note},
          {"fields", U::Lines},
          {"reprompt", U::Flag, "Master password re-prompt"},
          {"login_uri", U::Uris},
          {"login_username", U::Login},
          {"login_password", U::Password},
          {"login_totp", U::Labelled, "TOTP"}}},
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
          {"last modified", U::Labelled, "Last modified"},
          {"created", U::Labelled, "Created"}},
         true},
    };
    return layouts;
}

// Names a generic file's columns commonly have, for each field.
const std::vector<std::pair<const char*, std::vector<const char*>>>& GuessedHeaders() {
    static const std::vector<std::pair<const char*, std::vector<const char*>>> guesses = {
        {"name", {"title", "name", "account", "site name"}},
        {"login", {"username", "login", "user", "user name", "login name"}},
        {"password", {"password", "pass", "passwd"}},
        {"email", {"email", "e-mail", "mail"}},
        {"url", {"url", "website", "web site", "uri", "address", "login_uri"}},
        {"note", {"notes", "note", "comment", "comments", "extra"}},
        {"folder", {"folder", "group", "category", "path"}},
    };
    return guesses;
}

const std::vector<std::pair<const char*, TColumnUse>>& MapFields() {
    static const std::vector<std::pair<const char*, TColumnUse>> fields = {
        {"name", TColumnUse::Name},         {"login", TColumnUse::Login},
        {"password", TColumnUse::Password}, {"email", TColumnUse::Email},
        {"url", TColumnUse::Url},           {"note", TColumnUse::Note},
        {"folder", TColumnUse::Folder},
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

TImportEntry EntryOfRow(const TCsvRow& row, const TColumnPlan& plan, bool folderStartsWithRoot) {
    TImportEntry entry;
    entry.where = "line " + std::to_string(row.line);
    if (row.cells.size() != plan.rules.size()) {
        entry.problem = "it has " + std::to_string(row.cells.size()) +
                        " values where the header has " + std::to_string(plan.rules.size()) +
                        " (a comma or quote out of place?)";
        return entry;
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const std::string& value = row.cells[i];
        const TColumnRule& rule = plan.rules[i];
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
        case TColumnUse::Uris: {
            std::vector<std::string> uris = SplitUris(value);
            for (std::size_t u = 0; u < uris.size(); ++u) {
                if (u == 0) {
                    entry.fields.url = uris[0];
                } else {
                    lines.push_back(LabelledLine("URL " + std::to_string(u + 1), uris[u]));
                }
            }
            break;
        }
        case TColumnUse::Note:
            entry.fields.note = value;
            break;
        case TColumnUse::Folder:
            entry.folders = SplitFolderPath(value);
            if (folderStartsWithRoot && !entry.folders.empty()) {
                entry.folders.erase(entry.folders.begin());
            }
            break;
        case TColumnUse::Labelled:
        case TColumnUse::Time:
            if (!value.empty()) {
                lines.push_back(LabelledLine(rule.label, rule.use == TColumnUse::Time
                                                             ? MillisecondsAsUtcText(value)
                                                             : value));
            }
            break;
        case TColumnUse::Lines:
            if (!value.empty()) {
                lines.push_back(value);
            }
            break;
        case TColumnUse::Flag:
            if (value == "1" || Folded(value) == "true") {
                lines.push_back(LabelledLine(rule.label, "yes"));
            }
            break;
        case TColumnUse::Ignore:
            break;
        }
    }
    KvSecureAssign(entry.fields.note, NoteWithLines(entry.fields.note, lines));
    KvSecureWipe(lines);
    return entry;
}

std::string Expected() {
    return "a CSV export of Chrome (name,url,username,password,note), Firefox "
           "(url,username,password,httpRealm,...), Bitwarden (folder,favorite,type,name,notes,...) "
           "or KeePassXC (Group,Title,Username,Password,URL,Notes,...); for any other CSV file "
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
    const bool fromRoot = layout != nullptr && layout->folderStartsWithRoot;
    for (const TCsvRow& row : table.rows) {
        data.entries.push_back(EntryOfRow(row, plan, fromRoot));
    }
    return "";
}
