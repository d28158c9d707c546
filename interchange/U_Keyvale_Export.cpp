#include "U_Keyvale_Export.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Export_Csv.h"
#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Rules.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <map>

namespace {

using Json = nlohmann::ordered_json;

constexpr int kKeyvaleFormatVersion = 1;

// What every format but Keyvale's writes: the leaves of the tree (records and
// empty nodes) in tree order, with the folders above them. A folder appears
// with its first leaf, so reading the leaves back in order rebuilds the order
// of every folder's children.
void ForEachLeaf(const TKeyvaleTree& tree, TNodeHandle parent, std::vector<std::string>& folders,
                 const std::function<void(const std::vector<std::string>&, TNodeHandle)>& visit) {
    for (int row = 0; row < tree.ChildCount(parent); ++row) {
        const TNodeHandle node = tree.Child(parent, row);
        if (!F_Node_is_File(tree, node) && tree.ChildCount(node) > 0) {
            folders.push_back(tree.Text(node));
            ForEachLeaf(tree, node, folders, visit);
            folders.pop_back();
        } else {
            visit(folders, node);
        }
    }
}

TRecordFields FieldsOf(const TKeyvaleTree& tree, TNodeHandle node) {
    return F_Node_is_File(tree, node) ? RecordDataDecode(tree.Text(tree.FirstChild(node)))
                                      : TRecordFields{};
}

void Wipe(TRecordFields& fields) {
    KvSecureWipe(fields.login);
    KvSecureWipe(fields.password);
    KvSecureWipe(fields.email);
    KvSecureWipe(fields.url);
    KvSecureWipe(fields.note);
}

std::string Dumped(const Json& document) {
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// ---- CSV ----------------------------------------------------------------------

std::string CsvText(const TKeyvaleTree& tree) {
    // KeePassXC's layout: every value quoted, LF, the group path starting
    // with the root group's name.
    std::string text =
        "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"E-Mail\"\n";
    std::vector<std::string> folders;
    ForEachLeaf(
        tree, kNoNode, folders, [&](const std::vector<std::string>& path, TNodeHandle node) {
            std::vector<std::string> group = {"Root"};
            group.insert(group.end(), path.begin(), path.end());
            TRecordFields fields = FieldsOf(tree, node);
            text += CsvQuoted(JoinFolderPath(group), true) + "," +
                    CsvQuoted(tree.Text(node), true) + "," + CsvQuoted(fields.login, true) + "," +
                    CsvQuoted(fields.password, true) + "," + CsvQuoted(fields.url, true) + "," +
                    CsvQuoted(fields.note, true) + "," + CsvQuoted(fields.email, true) + "\n";
            Wipe(fields);
        });
    return text;
}

// ---- Bitwarden -------------------------------------------------------------------

// Bitwarden links items to folders by ids of the UUID form.
std::string FolderId(std::size_t number) {
    char id[40];
    std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012zu", number);
    return id;
}

std::string BitwardenText(const TKeyvaleTree& tree) {
    Json folders = Json::array();
    Json items = Json::array();
    std::map<std::vector<std::string>, std::string> folderIds;
    std::vector<std::string> path;
    ForEachLeaf(tree, kNoNode, path, [&](const std::vector<std::string>& names, TNodeHandle node) {
        // Every folder on the way, outermost first, so that Bitwarden nests
        // them. Bitwarden knows no escapes: a "/" inside a name nests nothing
        // as long as no folder is named like the part before it.
        std::string bitwardenName;
        for (std::size_t depth = 1; depth <= names.size(); ++depth) {
            std::vector<std::string> prefix(names.begin(), names.begin() + depth);
            bitwardenName += (depth == 1 ? "" : "/") + names[depth - 1];
            if (folderIds.count(prefix) == 0) {
                std::string id = FolderId(folderIds.size() + 1);
                folders.push_back({{"id", id}, {"name", bitwardenName}});
                folderIds[prefix] = id;
            }
        }
        TRecordFields fields = FieldsOf(tree, node);
        Json item = {{"id", FolderId(1000000 + items.size())},
                     {"organizationId", nullptr},
                     {"folderId", names.empty() ? Json() : Json(folderIds[names])},
                     {"type", F_Node_is_File(tree, node) ? 1 : 2},
                     {"reprompt", 0},
                     {"name", tree.Text(node)},
                     {"notes", fields.note.empty() ? Json() : Json(fields.note)},
                     {"favorite", false}};
        // The import takes a login that is an e-mail address as the E-Mail
        // too, unless the E-Mail is given; so an empty one is given then.
        if (!fields.email.empty() || LooksLikeEmailAddress(fields.login)) {
            item["fields"] =
                Json::array({{{"name", "E-Mail"}, {"value", fields.email}, {"type", 0}}});
        }
        if (F_Node_is_File(tree, node)) {
            item["login"] = {{"uris", fields.url.empty() ? Json::array()
                                                         : Json::array({{{"match", nullptr},
                                                                         {"uri", fields.url}}})},
                             {"username", fields.login.empty() ? Json() : Json(fields.login)},
                             {"password", fields.password.empty() ? Json() : Json(fields.password)},
                             {"totp", nullptr}};
        } else {
            item["secureNote"] = {{"type", 0}};
        }
        items.push_back(std::move(item));
        Wipe(fields);
    });
    std::string text = Dumped({{"encrypted", false}, {"folders", folders}, {"items", items}});
    return text;
}

// ---- Keyvale ------------------------------------------------------------------------

Json KeyvaleNode(const TKeyvaleTree& tree, TNodeHandle node) {
    Json out;
    out["name"] = tree.Text(node);
    if (F_Node_is_File(tree, node)) {
        TRecordFields fields = RecordDataDecode(tree.Text(tree.FirstChild(node)));
        Json record = Json::object();
        for (const TRecordFieldRule& rule : kRecordFieldRules) {
            record[rule.name] = fields.*rule.member;
        }
        out["record"] = std::move(record);
        Wipe(fields);
    } else if (tree.ChildCount(node) > 0) {
        Json children = Json::array();
        for (int row = 0; row < tree.ChildCount(node); ++row) {
            children.push_back(KeyvaleNode(tree, tree.Child(node, row)));
        }
        out["children"] = std::move(children);
    }
    return out;
}

std::string KeyvaleText(const TKeyvaleTree& tree) {
    Json nodes = Json::array();
    for (int row = 0; row < tree.ChildCount(kNoNode); ++row) {
        nodes.push_back(KeyvaleNode(tree, tree.Child(kNoNode, row)));
    }
    return Dumped(
        {{"format", "keyvale"}, {"version", kKeyvaleFormatVersion}, {"nodes", std::move(nodes)}});
}

} // namespace

std::optional<TExportFormat> ExportFormatFromName(const std::string& name) {
    if (name == "csv") {
        return TExportFormat::Csv;
    }
    if (name == "bitwarden-json") {
        return TExportFormat::BitwardenJson;
    }
    if (name == "keyvale-json") {
        return TExportFormat::KeyvaleJson;
    }
    return std::nullopt;
}

std::string ExportTree(const TKeyvaleTree& tree, TExportFormat format) {
    switch (format) {
    case TExportFormat::Csv:
        return CsvText(tree);
    case TExportFormat::BitwardenJson:
        return BitwardenText(tree);
    case TExportFormat::KeyvaleJson:
        break;
    }
    return KeyvaleText(tree);
}
