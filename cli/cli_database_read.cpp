// keyvale-cli check, ls, show and search: reading an existing database.
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <iostream>

namespace {

using cli::Fail;
using cli::kExitOk;
using cli::kExitUsage;

int RunCheck(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Fail("check", "usage: keyvale-cli check FILE", kExitUsage);
    }
    cli::OpenDatabase database;
    int code = cli::OpenExisting("check", args[0], database);
    if (code == kExitOk) {
        std::cout << "OK: main password accepted\n";
    }
    return code;
}

int RunLs(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        return Fail("ls", "usage: keyvale-cli ls FILE [PATH]", kExitUsage);
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("ls", args[0], database); code != kExitOk) {
        return code;
    }
    const TKeyvaleTree& tree = database.tree;
    std::string path = args.size() == 2 ? args[1] : "";
    std::optional<TNodeHandle> node = cli::FindPath(tree, path);
    if (!node) {
        return Fail("ls", "no folder or record \"" + path + "\".", cli::kExitRuntimeError);
    }
    if (*node != kNoNode && F_Node_is_File(tree, *node)) {
        std::cout << "record\t" << tree.Text(*node) << "\n";
        return kExitOk;
    }
    for (int row = 0; row < tree.ChildCount(*node); ++row) {
        TNodeHandle child = tree.Child(*node, row);
        std::cout << cli::KindOf(tree, child) << "\t" << tree.Text(child) << "\n";
    }
    return kExitOk;
}

// Multi-line values are indented under their label.
void PrintField(const std::string& label, const std::string& value) {
    std::cout << label;
    for (char c : value) {
        std::cout << c;
        if (c == '\n') {
            std::cout << "          ";
        }
    }
    std::cout << "\n";
}

int RunShow(const std::vector<std::string>& args) {
    bool showPassword = false;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        if (arg == "--show-password") {
            showPassword = true;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        return Fail("show", "usage: keyvale-cli show FILE PATH [--show-password]", kExitUsage);
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("show", positional[0], database); code != kExitOk) {
        return code;
    }
    const TKeyvaleTree& tree = database.tree;
    std::optional<TNodeHandle> node = cli::FindPath(tree, positional[1]);
    if (!node || *node == kNoNode) {
        return Fail("show", "no folder or record \"" + positional[1] + "\".",
                    cli::kExitRuntimeError);
    }
    if (!RecordFieldsEditable(tree, *node)) {
        return Fail("show", "\"" + positional[1] + "\" is a folder; it holds no record fields.",
                    cli::kExitRuntimeError);
    }
    TRecordFields fields;
    ReadFolderDataFromDataFolder(tree, *node, fields);
    PrintField("Login:    ", fields.login);
    if (showPassword || fields.password.empty()) {
        PrintField("Password: ", fields.password);
    } else {
        PrintField("Password: ", "******** (--show-password shows it)");
    }
    PrintField("E-Mail:   ", fields.email);
    PrintField("URL:      ", fields.url);
    PrintField("Note:     ", fields.note);
    return kExitOk;
}

int RunSearch(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Fail("search", "usage: keyvale-cli search FILE TEXT", kExitUsage);
    }
    if (args[1].empty()) {
        return Fail("search", "No name of folder (record) is specified.", kExitUsage);
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("search", args[0], database); code != kExitOk) {
        return code;
    }
    const TKeyvaleTree& tree = database.tree;
    std::string wanted = UpperCaseAsciiLetters(args[1]);
    bool any = false;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (IsUserNode(tree, node) &&
            UpperCaseAsciiLetters(tree.Text(node)).find(wanted) != std::string::npos) {
            std::cout << cli::PathOf(tree, node) << "\n";
            any = true;
        }
    }
    if (!any) {
        std::cerr << "No folders found (" << args[1] << ")\n";
    }
    return kExitOk;
}

const char* const kPasswordInput =
    "The main password is typed without echo on a terminal; otherwise each\n"
    "password prompt reads one line of standard input.\n";

const cli::CliRegistration checkCommand({
    "check",
    "check FILE                 test the main password of a database",
    std::string("Usage: keyvale-cli check FILE\n\n"
                "Asks for the main password and opens the database: prints\n"
                "\"OK: main password accepted\", or the reason it cannot be opened (exit 1).\n") +
        kPasswordInput,
    RunCheck,
});

const cli::CliRegistration lsCommand({
    "ls",
    "ls FILE [PATH]             list a folder of a database",
    std::string("Usage: keyvale-cli ls FILE [PATH]\n\n"
                "Lists the folders and records under PATH (folder names joined by \"/\"),\n"
                "or at the top of the tree, one per line: kind (folder, record or empty),\n"
                "a TAB, the name.\n") +
        kPasswordInput,
    RunLs,
});

const cli::CliRegistration showCommand({
    "show",
    "show FILE PATH             the five fields of a record",
    std::string("Usage: keyvale-cli show FILE PATH [--show-password]\n\n"
                "Prints Login, Password, E-Mail, URL and Note of the record at PATH.\n"
                "The password is masked unless --show-password is given.\n") +
        kPasswordInput,
    RunShow,
});

const cli::CliRegistration searchCommand({
    "search",
    "search FILE TEXT           paths of the folders and records whose name holds TEXT",
    std::string("Usage: keyvale-cli search FILE TEXT\n\n"
                "Prints the path of every folder and record whose name contains TEXT, in\n"
                "tree order; the letters a to z match either case, others exactly.\n") +
        kPasswordInput,
    RunSearch,
});

} // namespace
