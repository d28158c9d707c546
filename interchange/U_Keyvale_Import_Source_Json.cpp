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
#include <tuple>

namespace {

using Json = TJson;

// ---- Bitwarden --------------------------------------------------------------

// A member that should be a text but is an array or an object: its item is
// refused rather than the value written out as JSON.
struct NotText : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The member `key` of an object, read in place; null when there is none.
const Json& Member(const Json& object, const char* key) {
    static const Json kNone;
    if (!object.is_object()) {
        return kNone;
    }
    auto found = object.find(key);
    return found == object.end() ? kNone : *found;
}

std::string TextOf(const Json& object, const char* key) {
    const Json& value = Member(object, key);
    if (value.is_string()) {
        return std::string(value.get_ref<const Json::string_t&>());
    }
    if (value.is_null()) {
        return "";
    }
    if (value.is_boolean() || value.is_number()) {
        return std::string(value.dump());
    }
    throw NotText(std::string("its \"") + key + "\" is " +
                  (value.is_array() ? "an array" : "an object") + " where a text was expected");
}

// Card, identity and SSH-key items have no login; their fields go to the note.
void AddObjectLines(const Json& object,
                    const std::vector<std::pair<const char*, const char*>>& keys,
                    std::vector<TNoteLine>& lines) {
    for (const auto& [key, label] : keys) {
        if (std::string value = TextOf(object, key); !value.empty()) {
            AddNoteLine(lines, NoteLine(label, value));
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
// The private key is copied out whole, so it stands below its label as it is.
const std::vector<std::pair<const char*, const char*>> kSshKeyKeys = {
    {"publicKey", "SSH public key"}, {"keyFingerprint", "SSH key fingerprint"}};

// The item types Bitwarden's export knows: login, secure note, card,
// identity, SSH key.
constexpr int kLastBitwardenType = 5;

// The times an item keeps: about it rather than part of it, so the first
// lines left out of a full note.
const std::vector<std::pair<const char*, const char*>> kItemTimes = {
    {"creationDate", "Created"}, {"revisionDate", "Last modified"}, {"deletedDate", "Deleted"}};

void AddTimeLines(const Json& object, const std::vector<std::pair<const char*, const char*>>& keys,
                  std::vector<TNoteLine>& lines) {
    for (const auto& [key, label] : keys) {
        if (std::string value = TextOf(object, key); !value.empty()) {
            AddNoteLine(lines, NoteLine(label, IsoTimeAsUtcText(value), true));
        }
    }
}

// Earlier passwords: "Earlier password (until 2024-01-02 03:04:05 UTC): ...".
void AddPasswordHistory(const Json& history, std::vector<TNoteLine>& lines) {
    if (!history.is_array()) {
        return;
    }
    for (const Json& earlier : history) {
        std::string password = TextOf(earlier, "password");
        if (password.empty()) {
            continue;
        }
        const std::string until = IsoTimeAsUtcText(TextOf(earlier, "lastUsedDate"));
        AddNoteLine(lines, NoteLine("Earlier password" +
                                        (until.empty() ? std::string() : " (until " + until + ")"),
                                    password));
        KvSecureWipe(password);
    }
}

// A passkey cannot work outside the program that holds it; the note keeps
// where it was made and for whom, so that the user can make a new one there.
void AddPasskeys(const Json& credentials, std::vector<TNoteLine>& lines) {
    if (!credentials.is_array()) {
        return;
    }
    for (const Json& credential : credentials) {
        std::string text = TextOf(credential, "rpId");
        if (std::string site = TextOf(credential, "rpName"); !site.empty() && site != text) {
            text += (text.empty() ? "" : " ") + ("(" + site + ")");
        }
        std::string user = TextOf(credential, "userName");
        if (std::string shown = TextOf(credential, "userDisplayName");
            !shown.empty() && shown != user) {
            user += (user.empty() ? "" : " ") + ("(" + shown + ")");
        }
        if (!user.empty()) {
            text += ", user " + user;
        }
        if (std::string made = TextOf(credential, "creationDate"); !made.empty()) {
            text += ", made " + IsoTimeAsUtcText(made);
        }
        AddNoteLine(lines, NoteLine("Passkey", text + " (Keyvale cannot sign in with a passkey: "
                                                      "keep it in Bitwarden or make a new one on "
                                                      "the site)"));
    }
}

std::string ShownName(const std::string& name) {
    const std::string left = Utf8Left(name, 80);
    return "\"" + WithControlsEscaped(left) + (left.size() < name.size() ? "...\"" : "\"");
}

// Folders and collections by id, and the full names Bitwarden nests by.
struct TBitwardenPlaces {
    std::map<std::string, std::string> folders;
    std::set<std::string> folderNames;
    std::map<std::string, std::string> collections;
    std::set<std::string> collectionNames;
};

// Why Keyvale cannot take an item of this type, or "" when it can.
std::string BitwardenTypeProblem(const Json& item) {
    if (const Json& type = Member(item, "type");
        type.is_number_integer() &&
        (type.get<long long>() < 1 || type.get<long long>() > kLastBitwardenType)) {
        return std::string("it is of type " + type.dump() +
                           ", no kind of item Keyvale knows (login, secure note, card, identity, "
                           "SSH key)");
    }
    return "";
}

// An item of an organisation stands in its first collection, unless the
// user put it in a folder of their own; returned are the other collections,
// to be noted.
std::vector<std::string> PlaceEntry(TImportEntry& entry, const Json& item,
                                    const TBitwardenPlaces& places) {
    std::vector<std::string> collections;
    if (const Json& ids = Member(item, "collectionIds"); ids.is_array()) {
        for (const Json& id : ids) {
            if (auto found = places.collections.find(id.is_string() ? id.get<std::string>() : "");
                found != places.collections.end()) {
                collections.push_back(found->second);
            }
        }
    }
    if (auto folder = places.folders.find(TextOf(item, "folderId"));
        folder != places.folders.end()) {
        entry.folders = SplitBitwardenPath(folder->second, places.folderNames);
    } else if (!collections.empty()) {
        entry.folders = SplitBitwardenPath(collections.front(), places.collectionNames);
        collections.erase(collections.begin());
    }
    return collections;
}

// The first URL is the record's; the others become lines of its note.
void TakeUris(TImportEntry& entry, const Json& uris) {
    if (!uris.is_array()) {
        return;
    }
    std::size_t count = 0;
    for (const Json& uri : uris) {
        std::string text = TextOf(uri, "uri");
        if (text.empty()) {
            continue;
        }
        if (++count == 1) {
            entry.fields.url = text;
        } else {
            AddNoteLine(entry.lines, NoteLine("URL " + std::to_string(count), text));
        }
    }
}

void TakeLogin(TImportEntry& entry, const Json& login) {
    entry.fields.login = TextOf(login, "username");
    entry.fields.password = TextOf(login, "password");
    TakeUris(entry, Member(login, "uris"));
    if (std::string totp = TextOf(login, "totp"); !totp.empty()) {
        AddNoteLine(entry.lines, NoteLine("TOTP", totp));
        KvSecureWipe(totp); // the seed of the one-time codes
    }
    AddPasskeys(Member(login, "fido2Credentials"), entry.lines);
}

void AddSshKey(const Json& sshKey, std::vector<TNoteLine>& lines) {
    if (std::string key = TextOf(sshKey, "privateKey"); !key.empty()) {
        AddNoteLine(lines, NoteBlock("SSH private key", key));
        KvSecureWipe(key);
    }
    AddObjectLines(sshKey, kSshKeyKeys, lines);
}

void TakeCustomFields(TImportEntry& entry, const Json& fields) {
    if (!fields.is_array()) {
        return;
    }
    for (const Json& field : fields) {
        std::string name = TextOf(field, "name");
        // A hidden field's value is as secret as the password.
        std::string value = TextOf(field, "value");
        // Keyvale's own export carries the E-Mail field this way.
        if (name == "E-Mail" && !entry.emailGiven) {
            entry.fields.email = value;
            entry.emailGiven = true;
        } else if (!name.empty() || !value.empty()) {
            AddNoteLine(entry.lines, NoteLine(name.empty() ? "Field" : name, value));
        }
        KvSecureWipe(value);
    }
}

// What is about the item rather than part of it: the first lines left out
// of a full note.
void AddAboutLines(const Json& item, const std::vector<std::string>& otherCollections,
                   std::vector<TNoteLine>& lines) {
    for (const std::string& collection : otherCollections) {
        AddNoteLine(lines, NoteLine("Also in collection", collection, true));
    }
    if (Member(item, "favorite") == true) {
        AddNoteLine(lines, NoteLine("Favorite", "yes", true));
    }
    if (Member(item, "reprompt") == 1) {
        AddNoteLine(lines, NoteLine("Master password re-prompt", "yes", true));
    }
    AddTimeLines(item, kItemTimes, lines);
    if (const Json& login = Member(item, "login"); login.is_object()) {
        AddTimeLines(login, {{"passwordRevisionDate", "Password changed"}}, lines);
    }
}

TImportEntry BitwardenEntry(const Json& item, std::size_t number, const TBitwardenPlaces& places) {
    TImportEntry entry;
    entry.where = "item " + std::to_string(number);
    if (!item.is_object()) {
        entry.problem = "it is not an object";
        return entry;
    }
    entry.name = TextOf(item, "name");
    if (!entry.name.empty()) {
        entry.where += " " + ShownName(entry.name);
    }
    entry.problem = BitwardenTypeProblem(item);
    if (!entry.problem.empty()) {
        return entry;
    }
    entry.fields.note = TextOf(item, "notes");
    const std::vector<std::string> otherCollections = PlaceEntry(entry, item, places);
    if (const Json& login = Member(item, "login"); login.is_object()) {
        TakeLogin(entry, login);
    }
    AddObjectLines(Member(item, "card"), kCardKeys, entry.lines);
    AddObjectLines(Member(item, "identity"), kIdentityKeys, entry.lines);
    AddSshKey(Member(item, "sshKey"), entry.lines);
    TakeCustomFields(entry, Member(item, "fields"));
    AddPasswordHistory(Member(item, "passwordHistory"), entry.lines);
    AddAboutLines(item, otherCollections, entry.lines);
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
        const std::string name(node["name"].get_ref<const Json::string_t&>());
        std::vector<std::string> path = folders;
        path.push_back(name);
        if (!name.empty()) {
            where = "node " + Shown(JoinFolderPath(path));
        }
        for (const auto& [key, value] : node.items()) {
            if (key != "name" && key != "children" && key != "record") {
                throw KeyvaleRefusal(where + ": unknown member \"" + std::string(key) + "\"");
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
            const TRecordFieldRule* rule = FindRecordFieldRule(std::string(key));
            if (rule == nullptr) {
                throw KeyvaleRefusal(where + ": unknown record field \"" + std::string(key) + "\"");
            }
            if (!value.is_string()) {
                throw KeyvaleRefusal(where + ": the record's \"" + std::string(key) +
                                     "\" is not a text");
            }
            fields.*rule->member = value.get<std::string>();
        }
    }

    TImportData& data_;
};

// A folder (or collection) that holds nothing comes over as an empty node,
// as Keyvale's own export writes one, so that the user's folders arrive
// whole. A folder on the way to an item or to another folder is made
// anyway, and so is left out.
void AddEmptyBitwardenFolders(const std::vector<std::pair<std::string, std::string>>& places,
                              const TBitwardenPlaces& known, TImportData& data) {
    // Paths made on the way: those of the items and those above another folder.
    std::set<std::vector<std::string>> taken;
    for (const TImportEntry& entry : data.entries) {
        for (std::size_t n = 1; n <= entry.folders.size(); ++n) {
            taken.emplace(entry.folders.begin(), entry.folders.begin() + n);
        }
    }
    std::vector<std::vector<std::string>> paths;
    for (const auto& [kind, name] : places) {
        paths.push_back(
            SplitBitwardenPath(name, kind == "folder" ? known.folderNames : known.collectionNames));
        for (std::size_t n = 1; n < paths.back().size(); ++n) {
            taken.emplace(paths.back().begin(), paths.back().begin() + n);
        }
    }
    for (std::size_t i = 0; i < places.size(); ++i) {
        std::vector<std::string>& path = paths[i];
        if (path.empty() || taken.count(path) != 0) {
            continue;
        }
        for (std::size_t n = 1; n <= path.size(); ++n) {
            taken.emplace(path.begin(), path.begin() + n);
        }
        TImportEntry entry;
        entry.where = places[i].first + " " + ShownName(places[i].second);
        entry.name = path.back();
        path.pop_back();
        entry.folders = std::move(path);
        data.entries.push_back(std::move(entry));
    }
}

// The folders or collections of the document by id, with their names in
// the order of the file.
// Empty on success, otherwise why the list cannot be read ("folder 2: ...").
std::string ReadBitwardenPlaces(const Json& document, const char* key, const char* kind,
                                std::map<std::string, std::string>& byId,
                                std::set<std::string>& names,
                                std::vector<std::pair<std::string, std::string>>& order) {
    const Json& list = Member(document, key);
    for (std::size_t i = 0; list.is_array() && i < list.size(); ++i) {
        try {
            std::string name = TextOf(list[i], "name");
            byId[TextOf(list[i], "id")] = name;
            names.insert(name);
            order.emplace_back(kind, std::move(name));
        } catch (const NotText& refusal) {
            return std::string(kind) + " " + std::to_string(i + 1) + ": " + refusal.what();
        }
    }
    return "";
}

} // namespace

std::string ReadBitwardenJson(const Json& document, TImportData& data) {
    if (!document.is_object()) {
        return "this is not a Keyvale export nor a Bitwarden export";
    }
    if (Member(document, "encrypted") == true) {
        return "it is an encrypted Bitwarden export; export the vault again as "
               "\"JSON\" (not \"encrypted JSON\") and import that";
    }
    if (!document.contains("items") || !document["items"].is_array()) {
        return "this is not a Keyvale export (\"format\": \"keyvale\") nor a Bitwarden "
               "export (\"items\": [...])";
    }
    TBitwardenPlaces places;
    std::vector<std::pair<std::string, std::string>> order;
    for (const auto& [key, kind, byId, names] :
         {std::tuple{"folders", "folder", &places.folders, &places.folderNames},
          std::tuple{"collections", "collection", &places.collections, &places.collectionNames}}) {
        if (std::string problem = ReadBitwardenPlaces(document, key, kind, *byId, *names, order);
            !problem.empty()) {
            return problem;
        }
    }
    data.format = TImportFormat::BitwardenJson;
    const Json& items = document["items"];
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i == kMaximumNodeCount) {
            TImportEntry unread;
            unread.where = "item " + std::to_string(i + 1);
            unread.problem = TooManyEntries();
            data.entries.push_back(std::move(unread));
            break;
        }
        try {
            data.entries.push_back(BitwardenEntry(items[i], i + 1, places));
        } catch (const NotText& refusal) {
            TImportEntry refused;
            refused.where = "item " + std::to_string(i + 1);
            refused.problem = refusal.what();
            data.entries.push_back(std::move(refused));
        }
    }
    AddEmptyBitwardenFolders(order, places, data);
    return "";
}

std::string ReadKeyvaleJson(const Json& document, TImportData& data) {
    if (!document.is_object() || Member(document, "format") != "keyvale") {
        return "this is not a Keyvale export: \"format\" must be \"keyvale\"";
    }
    if (Member(document, "version") != kFormatVersion) {
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
