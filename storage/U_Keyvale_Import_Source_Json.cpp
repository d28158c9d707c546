// The JSON exports: Bitwarden's unencrypted one, and Keyvale's own.
//
// Keyvale's own export:
// {"format": "keyvale", "version": 1, "nodes": [ node, ... ]}
// node: {"name": ..., "children": [ node, ... ]}   a folder (children not empty)
//       {"name": ..., "record": {"login", "password", "email", "url", "note"}}
//       {"name": ...}                                an empty node
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Source_Readers.h"
#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <stdexcept>

namespace {

using Json = TJson;

// ---- Bitwarden --------------------------------------------------------------

std::string TextOf(const Json& object, const char* key) {
    if (!object.is_object()) {
        return "";
    }
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return "";
    }
    if (found->is_string()) {
        return found->get<std::string>();
    }
    return found->dump();
}

// Card and identity items have no login; their fields go to the note.
void AddObjectLines(const Json& object,
                    const std::vector<std::pair<const char*, const char*>>& keys,
                    std::vector<std::string>& lines) {
    for (const auto& [key, label] : keys) {
        if (std::string value = TextOf(object, key); !value.empty()) {
            lines.push_back(LabelledLine(label, value));
        }
    }
}

const std::vector<std::pair<const char*, const char*>> kCardKeys = {
    {"cardholderName", "Cardholder"}, {"brand", "Brand"},         {"number", "Number"},
    {"expMonth", "Expiry month"},     {"expYear", "Expiry year"}, {"code", "Security code"}};
const std::vector<std::pair<const char*, const char*>> kIdentityKeys = {
    {"title", "Title"},
    {"firstName", "First name"},
    {"middleName", "Middle name"},
    {"lastName", "Last name"},
    {"address1", "Address"},
    {"address2", "Address 2"},
    {"address3", "Address 3"},
    {"city", "City"},
    {"state", "State"},
    {"postalCode", "Postal code"},
    {"country", "Country"},
    {"company", "Company"},
    {"email", "E-Mail"},
    {"phone", "Phone"},
    {"ssn", "Social security number"},
    {"username", "Username"},
    {"passportNumber", "Passport number"},
    {"licenseNumber", "License number"}};

TImportEntry BitwardenEntry(const Json& item, std::size_t number,
                            const std::map<std::string, std::string>& folders) {
    TImportEntry entry;
    entry.where = "item " + std::to_string(number);
    if (!item.is_object()) {
        entry.problem = "it is not an object";
        return entry;
    }
    entry.name = TextOf(item, "name");
    entry.fields.note = TextOf(item, "notes");
    if (auto folder = folders.find(TextOf(item, "folderId")); folder != folders.end()) {
        entry.folders = SplitFolderPath(folder->second);
    }
    std::vector<std::string> lines;
    const Json login = item.value("login", Json());
    if (login.is_object()) {
        entry.fields.login = TextOf(login, "username");
        entry.fields.password = TextOf(login, "password");
        const Json uris = login.value("uris", Json());
        std::size_t count = 0;
        if (uris.is_array()) {
            for (const Json& uri : uris) {
                std::string text = TextOf(uri, "uri");
                if (text.empty()) {
                    continue;
                }
                if (++count == 1) {
                    entry.fields.url = text;
                } else {
                    lines.push_back(LabelledLine("URL " + std::to_string(count), text));
                }
            }
        }
        if (std::string totp = TextOf(login, "totp"); !totp.empty()) {
            lines.push_back(LabelledLine("TOTP", totp));
        }
    }
    AddObjectLines(item.value("card", Json()), kCardKeys, lines);
    AddObjectLines(item.value("identity", Json()), kIdentityKeys, lines);
    const Json fields = item.value("fields", Json());
    if (fields.is_array()) {
        for (const Json& field : fields) {
            std::string name = TextOf(field, "name");
            std::string value = TextOf(field, "value");
            // Keyvale's own export carries the E-Mail field this way.
            if (name == "E-Mail" && !entry.emailGiven) {
                entry.fields.email = value;
                entry.emailGiven = true;
                continue;
            }
            if (!name.empty() || !value.empty()) {
                lines.push_back(LabelledLine(name.empty() ? "Field" : name, value));
            }
        }
    }
    if (item.value("favorite", false) == true) {
        lines.push_back(LabelledLine("Favorite", "yes"));
    }
    if (item.value("reprompt", 0) == 1) {
        lines.push_back(LabelledLine("Master password re-prompt", "yes"));
    }
    KvSecureAssign(entry.fields.note, NoteWithLines(entry.fields.note, lines));
    KvSecureWipe(lines);
    return entry;
}

// ---- Keyvale ----------------------------------------------------------------

constexpr int kFormatVersion = 1;

struct KeyvaleRefusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Shown(const std::string& path) {
    const std::string left = Utf8Left(path, 80);
    return "\"" + WithControlsEscaped(left) + (left.size() < path.size() ? "...\"" : "\"");
}

class KeyvaleReader {
  public:
    explicit KeyvaleReader(TImportData& data) : data_(data) {}

    void ReadNodes(const Json& nodes, const std::vector<std::string>& folders) {
        std::set<std::string> names;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            ReadNode(nodes[i], folders, i + 1, names);
        }
    }

  private:
    void ReadNode(const Json& node, const std::vector<std::string>& folders, std::size_t number,
                  std::set<std::string>& siblings) {
        const std::string parentPath = JoinFolderPath(folders);
        std::string where = "node " + std::to_string(number) +
                            (folders.empty() ? " at the top" : " under " + Shown(parentPath));
        if (!node.is_object() || !node.contains("name") || !node["name"].is_string()) {
            throw KeyvaleRefusal(where + ": a node must be an object with a \"name\" text");
        }
        const std::string& name = node["name"].get_ref<const std::string&>();
        std::vector<std::string> path = folders;
        path.push_back(name);
        if (!name.empty()) {
            where = "node " + Shown(JoinFolderPath(path));
        }
        for (const auto& [key, value] : node.items()) {
            if (key != "name" && key != "children" && key != "record") {
                throw KeyvaleRefusal(where + ": unknown member \"" + key + "\"");
            }
        }
        // An exact tree has one node per path; a second of the same name
        // could never be reached by its path.
        if (!siblings.insert(name).second) {
            throw KeyvaleRefusal(where +
                                 ": a node of the same name stands before it in its folder");
        }
        const bool hasChildren = node.contains("children");
        const bool hasRecord = node.contains("record");
        if (hasChildren && hasRecord) {
            throw KeyvaleRefusal(where +
                                 ": a node has either \"children\" or \"record\", not both");
        }
        if (hasChildren) {
            const Json& children = node["children"];
            if (!children.is_array()) {
                throw KeyvaleRefusal(where + ": \"children\" must be an array");
            }
            if (!children.empty()) {
                if (path.size() > static_cast<std::size_t>(kMaximumLevel)) {
                    // Its children would stand below the deepest level;
                    // named here, since they are never read.
                    throw KeyvaleRefusal("node " + Shown(JoinFolderPath(path) + "/...") +
                                         ": it would stand deeper than level 15");
                }
                ReadNodes(children, path);
                return;
            }
        }
        TImportEntry entry;
        entry.where = where;
        entry.folders = folders;
        entry.name = name;
        if (hasRecord) {
            ReadRecord(node["record"], where, entry.fields);
        }
        data_.entries.push_back(std::move(entry));
    }

    static void ReadRecord(const Json& record, const std::string& where, TRecordFields& fields) {
        if (!record.is_object()) {
            throw KeyvaleRefusal(where + ": \"record\" must be an object");
        }
        for (const auto& [key, value] : record.items()) {
            const TRecordFieldRule* rule = FindRecordFieldRule(key);
            if (rule == nullptr) {
                throw KeyvaleRefusal(where + ": unknown record field \"" + key + "\"");
            }
            if (!value.is_string()) {
                throw KeyvaleRefusal(where + ": the record's \"" + key + "\" is not a text");
            }
            fields.*rule->member = value.get<std::string>();
        }
    }

    TImportData& data_;
};

// A folder that holds nothing comes over as an empty node, as Keyvale's own
// export writes one, so that the user's folders arrive whole. A folder on
// the way to an item or to another folder is made anyway, and so is left out.
void AddEmptyBitwardenFolders(const Json& document, TImportData& data) {
    if (!document.contains("folders") || !document["folders"].is_array()) {
        return;
    }
    // Paths made on the way: those of the items and those above another folder.
    std::set<std::vector<std::string>> taken;
    for (const TImportEntry& entry : data.entries) {
        for (std::size_t n = 1; n <= entry.folders.size(); ++n) {
            taken.emplace(entry.folders.begin(), entry.folders.begin() + n);
        }
    }
    for (const Json& folder : document["folders"]) {
        const std::vector<std::string> path = SplitFolderPath(TextOf(folder, "name"));
        for (std::size_t n = 1; n < path.size(); ++n) {
            taken.emplace(path.begin(), path.begin() + n);
        }
    }
    for (const Json& folder : document["folders"]) {
        const std::string name = TextOf(folder, "name");
        std::vector<std::string> path = SplitFolderPath(name);
        if (path.empty() || taken.count(path) != 0) {
            continue;
        }
        for (std::size_t n = 1; n <= path.size(); ++n) {
            taken.emplace(path.begin(), path.begin() + n);
        }
        TImportEntry entry;
        entry.where = "folder \"" + WithControlsEscaped(name) + "\"";
        entry.name = path.back();
        path.pop_back();
        entry.folders = std::move(path);
        data.entries.push_back(std::move(entry));
    }
}

} // namespace

std::string ReadBitwardenJson(const Json& document, TImportData& data) {
    if (!document.is_object()) {
        return "this is not a Keyvale export nor a Bitwarden export";
    }
    if (document.value("encrypted", false) == true) {
        return "it is an encrypted Bitwarden export; export the vault again as "
               "\"JSON\" (not \"encrypted JSON\") and import that";
    }
    if (!document.contains("items") || !document["items"].is_array()) {
        return "this is not a Keyvale export (\"format\": \"keyvale\") nor a Bitwarden "
               "export (\"items\": [...])";
    }
    std::map<std::string, std::string> folders;
    if (document.contains("folders") && document["folders"].is_array()) {
        for (const Json& folder : document["folders"]) {
            folders[TextOf(folder, "id")] = TextOf(folder, "name");
        }
    }
    data.format = TImportFormat::BitwardenJson;
    const Json& items = document["items"];
    for (std::size_t i = 0; i < items.size(); ++i) {
        data.entries.push_back(BitwardenEntry(items[i], i + 1, folders));
    }
    AddEmptyBitwardenFolders(document, data);
    return "";
}

std::string ReadKeyvaleJson(const Json& document, TImportData& data) {
    if (!document.is_object() || document.value("format", Json()) != "keyvale") {
        return "this is not a Keyvale export: \"format\" must be \"keyvale\"";
    }
    if (document.value("version", Json()) != kFormatVersion) {
        return "unsupported \"version\"; this Keyvale reads version 1";
    }
    if (!document.contains("nodes") || !document["nodes"].is_array()) {
        return "\"nodes\" must be an array";
    }
    data.format = TImportFormat::Keyvale;
    data.exactTree = true;
    try {
        KeyvaleReader(data).ReadNodes(document["nodes"], {});
    } catch (const KeyvaleRefusal& refusal) {
        data.entries.clear();
        return refusal.what();
    }
    return "";
}
