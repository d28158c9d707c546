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

#include "U_Keyvale_Read_Write_Files.h"
#include "cli_files.h"
#include "cli_session.h"

#include <cerrno>
#include <iostream>
#include <set>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

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
        Json record = Json::object();
        for (const TRecordFieldRule& rule : kRecordFieldRules) {
            record[rule.name] = fields.*rule.member;
        }
        out["record"] = std::move(record);
    } else if (tree.ChildCount(node) > 0) {
        Json children = Json::array();
        for (int row = 0; row < tree.ChildCount(node); ++row) {
            children.push_back(NodeToJson(tree, tree.Child(node, row)));
        }
        out["children"] = std::move(children);
    }
    return out;
}

std::string ExportText(const TKeyvaleTree& tree) {
    Json nodes = Json::array();
    for (int row = 0; row < tree.ChildCount(kNoNode); ++row) {
        nodes.push_back(NodeToJson(tree, tree.Child(kNoNode, row)));
    }
    Json document = {{"format", "keyvale"}, {"version", kFormatVersion}, {"nodes", nodes}};
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// Where the export goes must be settled before the password is asked.
int CheckOutput(const std::string& out, const std::string& database, bool force) {
    struct stat info {};
    if (::stat(out.c_str(), &info) == 0) {
        // As cp refuses to copy a file onto itself: the plain text would
        // take the place of the database, or of the file a link leads to.
        struct stat source {};
        if (::stat(database.c_str(), &source) == 0 && source.st_dev == info.st_dev &&
            source.st_ino == info.st_ino) {
            return Fail("export",
                        "cannot write " + out + ": it is the database " + database + " itself.",
                        kExitUsage);
        }
        if (S_ISDIR(info.st_mode)) {
            return Fail("export", "cannot write " + out + ": It is a directory.",
                        kExitRuntimeError);
        }
        if (!force) {
            return Fail("export", out + " exists already; --force replaces it.", kExitRuntimeError);
        }
        return kExitOk;
    }
    std::size_t slash = out.find_last_of('/');
    std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : out.substr(0, slash));
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        ::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Fail("export",
                    "cannot write " + out + ": its folder " + folder + " " +
                        (::stat(folder.c_str(), &info) != 0 || S_ISDIR(info.st_mode)
                             ? std::string("is not usable: ") + SystemErrorText(errno) + "."
                             : std::string("is not a directory.")),
                    kExitRuntimeError);
    }
    return kExitOk;
}

int RunExport(const cli::ParsedArguments& args) {
    const std::optional<std::string> out = args.Value("output");
    if (out && out->empty()) {
        return Fail("export", "--output needs a file name.", kExitUsage);
    }
    if (out) {
        if (int code = CheckOutput(*out, args.positional[0], args.Has("force")); code != kExitOk) {
            return code;
        }
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("export", args.positional[0], database); code != kExitOk) {
        return code;
    }
    if (isatty(STDERR_FILENO) == 1) {
        std::cerr << "keyvale-cli export: the export is plain text and holds every password; "
                     "keep it safe and delete it when done.\n";
    }
    std::string text = ExportText(database.tree);
    int code = kExitOk;
    if (out) {
        if (std::string error = cli::WritePrivateFile(*out, text); !error.empty()) {
            code = Fail("export", "cannot write " + *out + ": " + error, kExitRuntimeError);
        }
    } else {
        std::cout << text;
    }
    KvSecureWipe(text);
    return code;
}

// ---- Import -------------------------------------------------------------

// The most bytes an export of the largest database can need: every node a
// record of full fields and a full name, each 16-bit unit written as a six-byte
// JSON escape, with room for the keys and the indentation around them. A file
// beyond it cannot be imported, so reading stops there.
constexpr std::size_t kLargestExport = [] {
    std::size_t units = kMaximumNameLength;
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        units += rule.limit;
    }
    return kMaximumNodeCount / 2 * (6 * units + 1024);
}();

// A rejected document; the text names the node.
struct ImportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Shown(const std::string& path) {
    std::string shown = Utf8Left(path, 80);
    return "\"" + shown + (shown.size() < path.size() ? "...\"" : "\"");
}

// A field of the record; a missing one is empty, as the window shows it.
std::string FieldOf(const Json& record, const TRecordFieldRule& rule, const std::string& where) {
    auto found = record.find(rule.name);
    if (found == record.end()) {
        return "";
    }
    if (!found->is_string()) {
        throw ImportError(where + ": the record's \"" + rule.name + "\" is not a text");
    }
    const std::string& value = found->get_ref<const std::string&>();
    if (std::string problem = FieldProblem(rule, value); !problem.empty()) {
        throw ImportError(where + ": the record's \"" + rule.name + "\" " + problem);
    }
    return value;
}

class Importer {
  public:
    explicit Importer(TKeyvaleTree& tree) : tree_(tree) {}

    void AddNodes(const Json& nodes, TNodeHandle parent, const std::string& parentPath, int level) {
        std::set<std::string> siblings;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            AddNode(nodes[i], parent, parentPath, level, i + 1, siblings);
        }
    }

  private:
    void AddNode(const Json& node, TNodeHandle parent, const std::string& parentPath, int level,
                 std::size_t number, std::set<std::string>& siblings) {
        std::string where = "node " + std::to_string(number) +
                            (parentPath.empty() ? " at the top" : " under " + Shown(parentPath));
        if (!node.is_object() || !node.contains("name") || !node["name"].is_string()) {
            throw ImportError(where + ": a node must be an object with a \"name\" text");
        }
        const std::string& name = node["name"].get_ref<const std::string&>();
        std::string path = (parentPath.empty() ? "" : parentPath + "/") + cli::EscapeName(name);
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
        // Paths name nodes: a second node of the same name could never be
        // reached by show, edit or rm.
        if (!siblings.insert(name).second) {
            throw ImportError(where + ": its folder holds a node of this name already");
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
            if (!children.is_array()) {
                throw ImportError(where + ": \"children\" must be an array");
            }
            // An empty list is an empty node, as export writes it.
            if (!children.empty()) {
                tree_.SetIcon(added, kIconFolder);
            }
            AddNodes(children, added, path, level + 1);
        } else if (hasRecord) {
            const Json& record = node["record"];
            if (!record.is_object()) {
                throw ImportError(where + ": \"record\" must be an object");
            }
            for (const auto& [key, value] : record.items()) {
                if (FindRecordFieldRule(key) == nullptr) {
                    throw ImportError(where + ": unknown record field \"" + key + "\"");
                }
            }
            TRecordFields fields;
            for (const TRecordFieldRule& rule : kRecordFieldRules) {
                fields.*rule.member = FieldOf(record, rule, where);
            }
            Add(added, RecordDataEncode(fields), where);
            tree_.SetIcon(added, kIconRecord);
            KvSecureWipe(fields.password);
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

int RunImport(const cli::ParsedArguments& args) {
    const std::string& jsonFile = args.positional[0];
    const std::string& file = args.positional[1];
    if (int code = cli::CheckNewFile("import", file); code != kExitOk) {
        return code;
    }
    std::string text;
    if (std::string problem = cli::ReadInputFile(jsonFile, text, kLargestExport,
                                                 ", more than an export of the largest database "
                                                 "can need");
        !problem.empty()) {
        return Fail("import", "cannot read " + jsonFile + ": " + problem, kExitRuntimeError);
    }
    TKeyvaleTree tree;
    try {
        Json document = Json::parse(text);
        KvSecureWipe(text);
        BuildTreeFromJson(document, tree);
    } catch (const Json::exception& error) {
        KvSecureWipe(text);
        return Fail("import", jsonFile + " is no valid JSON: " + error.what(), kExitRuntimeError);
    } catch (const ImportError& error) {
        return Fail("import", std::string("rejected: ") + error.what(), kExitRuntimeError);
    }
    std::string password;
    int code = cli::AskNewPassword("import", password);
    TKeyMaterial keys;
    if (code == kExitOk) {
        std::string refused = KvDeriveKeyMaterial(password, keys);
        code = refused.empty() ? cli::CreateWithTree("import", file, tree, keys)
                               : Fail("import", refused, kExitRuntimeError);
    }
    KvSecureWipe(password);
    keys.Wipe();
    return code;
}

const cli::CliRegistration exportCommand({
    "export",
    "FILE",
    "the whole tree of a database as JSON",
    "Asks for the main password and writes the whole tree as JSON, on standard\n"
    "output or into a new file OUT (readable by its owner only from its first\n"
    "byte, written whole or not at all; a link at OUT is replaced, not followed,\n"
    "and OUT may not be the database itself):\n"
    "  {\"format\": \"keyvale\", \"version\": 1, \"nodes\": [\n"
    "    {\"name\": \"Mail\", \"children\": [\n"
    "      {\"name\": \"example.org\", \"record\": {\"login\": \"ann\", \"password\": \"...\",\n"
    "        \"email\": \"...\", \"url\": \"...\", \"note\": \"...\"}},\n"
    "      {\"name\": \"Old accounts\"}]}]}\n"
    "A node has a name and either children (a folder), a record (five texts,\n"
    "written exactly as stored) or neither (an empty node). The output holds every\n"
    "password in plain text: keep it safe.\n",
    {{"output", 'o', cli::TOptionValue::Required, "OUT", "write into the new file OUT"},
     {"force", 0, cli::TOptionValue::None, "", "replace an existing OUT"}},
    1,
    1,
    RunExport,
});

const cli::CliRegistration importCommand({
    "import",
    "JSON FILE",
    "a new database from an export",
    "Creates the new database FILE from the JSON file (the form that export\n"
    "writes), asking for its new main password twice. An existing FILE is never\n"
    "overwritten. JSON that breaks the tree's limits is rejected with a message\n"
    "naming the node: names of 1 to 200 characters not beginning with a blank\n"
    "and without line breaks or control characters, each unique in its folder,\n"
    "levels 0 to 15, at most 10000 nodes (a record counts two), record fields\n"
    "within their input limits (login and e-mail 255, password and URL 1024, note\n"
    "8000 characters), no line break but in the note and no other control\n"
    "character but a TAB in it. A missing record field is empty.\n",
    {},
    2,
    2,
    RunImport,
});

} // namespace
