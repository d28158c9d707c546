// keyvale-cli check, ls, show and search: reading an existing database.
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

using Json = nlohmann::ordered_json;
using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

void PrintJson(const Json& value) {
    std::cout << value.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

Json NodeEntry(const TKeyvaleTree& tree, TNodeHandle node) {
    return {{"kind", cli::KindOf(tree, node)},
            {"name", tree.Text(node)},
            {"path", cli::PathOf(tree, node)}};
}

int RunCheck(const cli::ParsedArguments& args) {
    cli::OpenDatabase database;
    int code = cli::OpenExisting("check", args.positional[0], database);
    if (code == kExitOk) {
        std::cout << "OK: main password accepted\n";
    }
    return code;
}

// Every user node below `parent` in tree order: its children only, or with
// `recursive` the whole subtree. Data nodes never show.
std::vector<TNodeHandle> Listing(const TKeyvaleTree& tree, TNodeHandle parent, bool recursive) {
    std::vector<TNodeHandle> nodes;
    for (int row = 0; row < tree.ChildCount(parent); ++row) {
        TNodeHandle child = tree.Child(parent, row);
        if (!IsUserNode(tree, child)) {
            continue;
        }
        nodes.push_back(child);
        if (recursive) {
            std::vector<TNodeHandle> below = Listing(tree, child, true);
            nodes.insert(nodes.end(), below.begin(), below.end());
        }
    }
    return nodes;
}

int RunLs(const cli::ParsedArguments& args) {
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("ls", args.positional[0], database); code != kExitOk) {
        return code;
    }
    const TKeyvaleTree& tree = database.tree;
    TNodeHandle node = kNoNode;
    const std::string path = args.positional.size() == 2 ? args.positional[1] : "";
    if (int code = cli::ResolvePath("ls", tree, path, node); code != kExitOk) {
        return code;
    }
    const bool recursive = args.Has("recursive");
    std::vector<TNodeHandle> nodes;
    if (node != kNoNode && F_Node_is_File(tree, node)) {
        nodes.push_back(node);
    } else {
        nodes = Listing(tree, node, recursive);
    }
    if (args.Has("json")) {
        Json list = Json::array();
        for (TNodeHandle n : nodes) {
            list.push_back(NodeEntry(tree, n));
        }
        PrintJson(list);
        return kExitOk;
    }
    // Names are escaped as in paths, so every line is one node whatever it
    // is called; -R prints whole paths.
    for (TNodeHandle n : nodes) {
        std::cout << cli::KindOf(tree, n) << "\t"
                  << (recursive ? cli::PathOf(tree, n) : cli::EscapeName(tree.Text(n))) << "\n";
    }
    return kExitOk;
}

// Multi-line values are indented under their label, whatever line break
// they use, so no value can print a line that looks like another field; other
// control characters, which an older file may hold, are printed escaped.
void PrintField(const std::string& label, const std::string& stored) {
    // A copy of what may be the password: wiped once printed.
    std::string value = WithControlsEscaped(stored, "\t\r\n");
    std::cout << label;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
            std::cout << "\n          ";
        } else {
            std::cout << c;
        }
    }
    std::cout << "\n";
    KvSecureWipe(value);
}

int RunShow(const cli::ParsedArguments& args) {
    std::string TRecordFields::*only = nullptr;
    if (auto field = args.Value("attribute")) {
        if (const TRecordFieldRule* rule = FindRecordFieldRule(*field)) {
            only = rule->member;
        }
        if (only == nullptr) {
            return Fail("show",
                        "no field \"" + *field + "\"; the fields are " + RecordFieldNames() + ".",
                        kExitUsage);
        }
    }
    cli::OpenDatabase database;
    const std::string& path = args.positional[1];
    if (int code = cli::OpenExisting("show", args.positional[0], database); code != kExitOk) {
        return code;
    }
    const TKeyvaleTree& tree = database.tree;
    TNodeHandle node = kNoNode;
    if (int code = cli::ResolvePath("show", tree, path, node); code != kExitOk) {
        return code;
    }
    if (node == kNoNode || !RecordFieldsEditable(tree, node)) {
        return Fail("show", "\"" + path + "\" is a folder; it holds no record fields.",
                    kExitRuntimeError);
    }
    TRecordFields fields;
    ReadFolderDataFromDataFolder(tree, node, fields);
    if (only != nullptr) {
        // Exactly the value, as a script reads it; asked for by name, so the
        // password too.
        std::cout << fields.*only << "\n";
    } else if (args.Has("json")) {
        Json out = {{"path", cli::PathOf(tree, node)}};
        for (const TRecordFieldRule& rule : kRecordFieldRules) {
            if (rule.member != &TRecordFields::password || args.Has("show-password")) {
                out[rule.name] = fields.*rule.member;
            }
        }
        PrintJson(out);
    } else {
        PrintField("Login:    ", fields.login);
        if (args.Has("show-password") || fields.password.empty()) {
            PrintField("Password: ", fields.password);
        } else {
            PrintField("Password: ", "******** (--show-password shows it)");
        }
        PrintField("E-Mail:   ", fields.email);
        PrintField("URL:      ", fields.url);
        PrintField("Note:     ", fields.note);
    }
    KvSecureWipe(fields.password);
    return kExitOk;
}

int RunSearch(const cli::ParsedArguments& args) {
    const std::string& text = args.positional[1];
    if (text.empty()) {
        return Fail("search", "No name of folder (record) is specified.", kExitUsage);
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("search", args.positional[0], database); code != kExitOk) {
        return code;
    }
    const TKeyvaleTree& tree = database.tree;
    const std::string wanted = UpperCaseAsciiLetters(text);
    Json list = Json::array();
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (IsUserNode(tree, node) &&
            UpperCaseAsciiLetters(tree.Text(node)).find(wanted) != std::string::npos) {
            list.push_back(NodeEntry(tree, node));
        }
    }
    if (args.Has("json")) {
        PrintJson(list);
    } else {
        for (const Json& entry : list) {
            std::cout << entry["path"].get<std::string>() << "\n";
        }
    }
    if (list.empty()) {
        std::cerr << "No folders found (" << WithControlsEscaped(text) << ")\n";
        return kExitRuntimeError; // as grep: scripts test the exit code
    }
    return kExitOk;
}

const char* const kPasswordInput =
    "The main password is typed without echo on a terminal; otherwise it is read\n"
    "as one line of standard input.\n";

const char* const kPathRule =
    "A PATH is names joined by \"/\"; a \"/\" or \"\\\" inside a name is written \"\\/\"\n"
    "or \"\\\\\", a control character (from an older file) as \"\\xHH\". A trailing \"/\"\n"
    "is accepted.\n";

const cli::CommandOption kJson{"json", 0, cli::TOptionValue::None, "", "print JSON"};

const cli::CliRegistration checkCommand({
    "check",
    "FILE",
    "test the main password of a database",
    std::string("Asks for the main password and opens the database: prints\n"
                "\"OK: main password accepted\", or the reason it cannot be opened (exit 1).\n") +
        kPasswordInput,
    {},
    1,
    1,
    RunCheck,
});

const cli::CliRegistration lsCommand({
    "ls",
    "FILE [PATH]",
    "list a folder of a database",
    std::string("Lists the folders and records under PATH, or at the top of the tree, one\n"
                "per line: kind (folder, record or empty), a TAB, the name written as in a\n"
                "path. With -R the whole subtree, each node with its full path.\n") +
        kPathRule + kPasswordInput,
    {{"recursive", 'R', cli::TOptionValue::None, "", "the whole subtree, with full paths"}, kJson},
    1,
    2,
    RunLs,
});

const cli::CliRegistration showCommand({
    "show",
    "FILE PATH",
    "the five fields of a record",
    std::string("Prints Login, Password, E-Mail, URL and Note of the record at PATH.\n"
                "The password is masked unless --show-password is given; -a prints one\n"
                "field exactly as stored, the password included.\n") +
        kPathRule + kPasswordInput,
    {{"attribute", 'a', cli::TOptionValue::Required, "FIELD",
      "only login, password, email, url or note"},
     {"show-password", 0, cli::TOptionValue::None, "", "print the password too"},
     kJson},
    2,
    2,
    RunShow,
});

const cli::CliRegistration searchCommand({
    "search",
    "FILE TEXT",
    "paths of the folders and records whose name holds TEXT",
    std::string("Prints the path of every folder and record whose name contains TEXT, in\n"
                "tree order; the letters a to z match either case, others exactly. Exit\n"
                "code 1 when nothing is found.\n") +
        kPasswordInput,
    {kJson},
    2,
    2,
    RunSearch,
});

} // namespace
