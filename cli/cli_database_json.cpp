// keyvale-cli export and import: a database tree as JSON.
//
// {"format": "keyvale", "version": 1, "nodes": [ node, ... ]}
// node: {"name": ..., "children": [ node, ... ]}   a folder (children not empty)
//       {"name": ..., "record": {"login", "password", "email", "url", "note"}}
//       {"name": ...}                                an empty node
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>

namespace {

using Json = nlohmann::ordered_json;
using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

constexpr int kFormatVersion = 1;

// ---- Export -------------------------------------------------------------

Json NodeToJson(const TKeyvaleTree& tree, TNodeHandle node) {
    Json out;
    out["name"] = tree.Text(node);
    if (F_Node_is_File(tree, node)) {
        TRecordFields fields = RecordDataDecode(tree.Text(tree.FirstChild(node)));
        out["record"] = {{"login", fields.login},
                         {"password", fields.password},
                         {"email", fields.email},
                         {"url", fields.url},
                         {"note", fields.note}};
    } else if (tree.ChildCount(node) > 0) {
        Json children = Json::array();
        for (int row = 0; row < tree.ChildCount(node); ++row) {
            children.push_back(NodeToJson(tree, tree.Child(node, row)));
        }
        out["children"] = std::move(children);
    }
    return out;
}

int RunExport(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Fail("export", "usage: keyvale-cli export FILE", kExitUsage);
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("export", args[0], database); code != kExitOk) {
        return code;
    }
    Json nodes = Json::array();
    for (int row = 0; row < database.tree.ChildCount(kNoNode); ++row) {
        nodes.push_back(NodeToJson(database.tree, database.tree.Child(kNoNode, row)));
    }
    Json document = {{"format", "keyvale"}, {"version", kFormatVersion}, {"nodes", nodes}};
    std::cout << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    return kExitOk;
}

// ---- Import -------------------------------------------------------------

// A rejected document; the text names the node.
struct ImportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Shown(const std::string& path) {
    std::string shown = Utf8Left(path, 80);
    return "\"" + shown + (shown.size() < path.size() ? "...\"" : "\"");
}

std::string NameProblem(const std::string& name) {
    if (name.empty()) {
        return "its name is empty";
    }
    if (name.front() == ' ' || name.front() == '\t') {
        return "its name begins with a space or TAB";
    }
    if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return "its name holds a line break";
    }
    if (Utf16Length(name) > kMaximumNameLength) {
        return "its name has more than 200 characters";
    }
    return NormalizeNodeName(name) == name ? "" : "its name is not acceptable";
}

const std::string& FieldOf(const Json& record, const char* key, std::size_t limit,
                           const std::string& where) {
    auto found = record.find(key);
    if (found == record.end() || !found->is_string()) {
        throw ImportError(where + ": the record has no text field \"" + key + "\"");
    }
    const std::string& value = found->get_ref<const std::string&>();
    if (Utf16Length(value) > limit) {
        throw ImportError(where + ": the record's \"" + key + "\" has more than " +
                          std::to_string(limit) + " characters");
    }
    return value;
}

class Importer {
  public:
    explicit Importer(TKeyvaleTree& tree) : tree_(tree) {}

    void AddNodes(const Json& nodes, TNodeHandle parent, const std::string& parentPath, int level) {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            AddNode(nodes[i], parent, parentPath, level, i + 1);
        }
    }

  private:
    void AddNode(const Json& node, TNodeHandle parent, const std::string& parentPath, int level,
                 std::size_t number) {
        std::string where = "node " + std::to_string(number) +
                            (parentPath.empty() ? " at the top" : " under " + Shown(parentPath));
        if (!node.is_object() || !node.contains("name") || !node["name"].is_string()) {
            throw ImportError(where + ": a node must be an object with a \"name\" text");
        }
        const std::string& name = node["name"].get_ref<const std::string&>();
        std::string path = parentPath.empty() ? name : parentPath + "/" + name;
        if (!name.empty()) {
            where = "node " + Shown(path);
        }
        for (const auto& [key, value] : node.items()) {
            if (key != "name" && key != "children" && key != "record") {
                throw ImportError(where + ": unknown member \"" + key + "\"");
            }
        }
        if (std::string problem = NameProblem(name); !problem.empty()) {
            throw ImportError(where + ": " + problem);
        }
        if (level > kMaximumLevel) {
            throw ImportError(where + ": it would stand deeper than level 15");
        }
        bool hasChildren = node.contains("children");
        bool hasRecord = node.contains("record");
        if (hasChildren && hasRecord) {
            throw ImportError(where + ": a node has either \"children\" or \"record\", not both");
        }
        TNodeHandle added = Add(parent, name, where);
        if (hasChildren) {
            const Json& children = node["children"];
            if (!children.is_array() || children.empty()) {
                throw ImportError(where + ": \"children\" must be a non-empty array");
            }
            tree_.SetIcon(added, kIconFolder);
            AddNodes(children, added, path, level + 1);
        } else if (hasRecord) {
            const Json& record = node["record"];
            if (!record.is_object()) {
                throw ImportError(where + ": \"record\" must be an object");
            }
            for (const auto& [key, value] : record.items()) {
                if (key != "login" && key != "password" && key != "email" && key != "url" &&
                    key != "note") {
                    throw ImportError(where + ": unknown record field \"" + key + "\"");
                }
            }
            TRecordFields fields{FieldOf(record, "login", kMaximumLoginLength, where),
                                 FieldOf(record, "password", kMaximumPasswordLength, where),
                                 FieldOf(record, "email", kMaximumEmailLength, where),
                                 FieldOf(record, "url", kMaximumUrlLength, where),
                                 FieldOf(record, "note", kMaximumNoteLength, where)};
            Add(added, RecordDataEncode(fields), where);
            tree_.SetIcon(added, kIconRecord);
        }
    }

    TNodeHandle Add(TNodeHandle parent, const std::string& text, const std::string& where) {
        if (tree_.NodeCount() >= kMaximumNodeCount) {
            throw ImportError(where + ": the database would hold more than 10000 nodes "
                                      "(a record counts two)");
        }
        return tree_.AddChild(parent, text, kIconEmpty);
    }

    TKeyvaleTree& tree_;
};

void BuildTreeFromJson(const Json& document, TKeyvaleTree& tree) {
    if (!document.is_object() || document.value("format", Json()) != "keyvale") {
        throw ImportError("this is not a Keyvale export: \"format\" must be \"keyvale\"");
    }
    if (document.value("version", Json()) != kFormatVersion) {
        throw ImportError("unsupported \"version\"; this keyvale-cli reads version 1");
    }
    if (!document.contains("nodes") || !document["nodes"].is_array()) {
        throw ImportError("\"nodes\" must be an array");
    }
    Importer(tree).AddNodes(document["nodes"], kNoNode, "", 0);
}

int RunImport(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Fail("import", "usage: keyvale-cli import JSON FILE", kExitUsage);
    }
    const std::string& jsonFile = args[0];
    const std::string& file = args[1];
    if (int code = cli::CheckNewFile("import", file); code != kExitOk) {
        return code;
    }
    std::ifstream in(jsonFile, std::ios::binary);
    if (!in.is_open()) {
        return Fail("import", "cannot read " + jsonFile + ".", kExitRuntimeError);
    }
    TKeyvaleTree tree;
    try {
        Json document = Json::parse(in);
        BuildTreeFromJson(document, tree);
    } catch (const Json::exception& error) {
        return Fail("import", jsonFile + " is no valid JSON: " + error.what(), kExitRuntimeError);
    } catch (const ImportError& error) {
        return Fail("import", std::string("rejected: ") + error.what(), kExitRuntimeError);
    }
    cli::OpenDatabase database;
    if (int code = cli::AskNewPassword("import", database.keys); code != kExitOk) {
        return code;
    }
    if (int code = cli::CheckNewFile("import", file); code != kExitOk) {
        return code;
    }
    return cli::SaveTree("import", file, tree, database.keys);
}

const cli::CliRegistration exportCommand({
    "export",
    "export FILE                the whole tree of a database as JSON",
    "Usage: keyvale-cli export FILE\n\n"
    "Asks for the main password and prints the whole tree as JSON on standard output:\n"
    "  {\"format\": \"keyvale\", \"version\": 1, \"nodes\": [\n"
    "    {\"name\": \"Mail\", \"children\": [\n"
    "      {\"name\": \"example.org\", \"record\": {\"login\": \"ann\", \"password\": \"...\",\n"
    "        \"email\": \"...\", \"url\": \"...\", \"note\": \"...\"}},\n"
    "      {\"name\": \"Old accounts\"}]}]}\n"
    "A node has a name and either children (a folder), a record (five texts,\n"
    "written exactly as stored) or neither (an empty node). The output holds every\n"
    "password in plain text: keep it safe.\n",
    RunExport,
});

const cli::CliRegistration importCommand({
    "import",
    "import JSON FILE           a new database from an export",
    "Usage: keyvale-cli import JSON FILE\n\n"
    "Creates the new database FILE from the JSON file (the form that export\n"
    "writes), asking for its new main password twice. An existing FILE is never\n"
    "overwritten. JSON that breaks the tree's limits is rejected with a message\n"
    "naming the node: names of 1 to 200 characters not beginning with a blank,\n"
    "levels 0 to 15, at most 10000 nodes (a record counts two), record fields\n"
    "within their input limits (login and e-mail 255, password and URL 1024,\n"
    "note 8000 characters).\n",
    RunImport,
});

} // namespace
