// keyvale-cli create, passwd, mkdir, add, edit, rm and mv: every change goes
// through a WriteSession (lock, identity check, atomic save, backup) and uses
// the tree operations the window uses, so their limits and messages hold here
// too. A refused change writes nothing.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_files.h"
#include "cli_generate.h"
#include "cli_session.h"
#include "cli_terminal.h"

#include <iostream>

namespace {

using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

int RunCreate(const cli::ParsedArguments& args) {
    const std::string& file = args.positional[0];
    if (int code = cli::CheckNewFile("create", file); code != kExitOk) {
        return code;
    }
    std::string password;
    int code = cli::AskNewPassword("create", password);
    if (code == kExitOk) {
        cli::WriteSession session;
        code = session.Create("create", file, password);
    }
    KvSecureWipe(password);
    return code;
}

int RunPasswd(const cli::ParsedArguments& args) {
    cli::WriteSession session;
    if (int code = session.Open("passwd", args.positional[0]); code != kExitOk) {
        return code;
    }
    std::string password;
    int code = cli::AskNewPassword("passwd", password);
    if (code == kExitOk) {
        code = session.ChangePassword("passwd", password);
    }
    if (code == kExitOk) {
        std::cout << kPasswordChangedText << "\n";
    }
    KvSecureWipe(password);
    return code;
}

// The parent of a new node and its name, from a path whose last name is new.
struct NewPlace {
    TNodeHandle parent = kNoNode;
    std::string name;
};

// Whether a child of `parent` other than `except` has this name: a second one
// would make both paths name the first.
bool NameTaken(const TKeyvaleTree& tree, TNodeHandle parent, const std::string& name,
               TNodeHandle except = kNoNode) {
    for (int row = 0; row < tree.ChildCount(parent); ++row) {
        TNodeHandle child = tree.Child(parent, row);
        if (child != except && IsUserNode(tree, child) && tree.Text(child) == name) {
            return true;
        }
    }
    return false;
}

int ResolveNewPlace(const std::string& command, const TKeyvaleTree& tree, const std::string& path,
                    NewPlace& place) {
    std::vector<std::string> names;
    if (std::string problem = cli::SplitPath(path, names); !problem.empty()) {
        return Fail(command, "\"" + path + "\": " + problem + ".", kExitUsage);
    }
    if (names.empty()) {
        return Fail(command, "the path names no new folder or record.", kExitUsage);
    }
    place.name = names.back();
    names.pop_back();
    if (std::string problem = NameProblem(place.name); !problem.empty()) {
        return Fail(command, "\"" + path + "\": " + problem + ".", kExitUsage);
    }
    std::optional<TNodeHandle> parent = cli::FindNames(tree, names);
    if (!parent) {
        return Fail(command, "no folder \"" + path.substr(0, path.rfind('/')) + "\".",
                    kExitRuntimeError);
    }
    if (*parent != kNoNode && F_Node_is_File(tree, *parent)) {
        return Fail(command, "It is not allowed to add object to a record!", kExitRuntimeError);
    }
    if (NameTaken(tree, *parent, place.name)) {
        return Fail(command, "\"" + path + "\" exists already.", kExitRuntimeError);
    }
    place.parent = *parent;
    return kExitOk;
}

// Adds the node through the window's folder creation (its node limit and
// depth limit), keeping room for a record's data node when asked.
int AddNode(const std::string& command, TKeyvaleTree& tree, const NewPlace& place, bool withData,
            TNodeHandle& added) {
    if (withData && tree.NodeCount() + 2 > kMaximumNodeCount) {
        return Fail(command,
                    "Your database has too many folders. Cannot add one more folder. Delete "
                    "unnecessary folders and try to add a new one.",
                    kExitRuntimeError);
    }
    TFolderCreateResult result = FolderCreate(tree, place.parent, place.name);
    if (!result.created) {
        return Fail(command, result.messages.empty() ? "cannot add it." : result.messages[0].text,
                    kExitRuntimeError);
    }
    added = result.newNode;
    return kExitOk;
}

int RunMkdir(const cli::ParsedArguments& args) {
    cli::WriteSession session;
    if (int code = session.Open("mkdir", args.positional[0]); code != kExitOk) {
        return code;
    }
    NewPlace place;
    if (int code = ResolveNewPlace("mkdir", session.Tree(), args.positional[1], place);
        code != kExitOk) {
        return code;
    }
    TNodeHandle added = kNoNode;
    if (int code = AddNode("mkdir", session.Tree(), place, false, added); code != kExitOk) {
        return code;
    }
    return session.Save("mkdir", "A new folder has been created.");
}

// ---- Record fields from options ---------------------------------------------

// Whether a field is set by an option of its own name (--login): the
// password has its own way in and the note comes from a file.
bool HasOwnOption(const TRecordFieldRule& rule) {
    return rule.singleLine && rule.field != TRecordField::Password;
}

int CheckField(const std::string& command, const std::string& what, const TRecordFieldRule& rule,
               const std::string& value) {
    if (std::string problem = FieldProblem(rule, value); !problem.empty()) {
        return Fail(command, what + " " + problem + ".", kExitUsage);
    }
    return kExitOk;
}

// Applies --login, --email, --url and --note-file to the fields.
int ApplyFieldOptions(const std::string& command, const cli::ParsedArguments& args,
                      TRecordFields& fields) {
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        if (!HasOwnOption(rule)) {
            continue;
        }
        if (auto value = args.Value(rule.name)) {
            if (int code = CheckField(command, std::string("--") + rule.name, rule, *value);
                code != kExitOk) {
                return code;
            }
            fields.*rule.member = *value;
        }
    }
    if (auto noteFile = args.Value("note-file")) {
        // A UTF-8 character takes at most three bytes per 16-bit unit it counts.
        const TRecordFieldRule& rule = RecordFieldRule(TRecordField::Note);
        std::string note;
        if (std::string problem = cli::ReadInputFile(
                *noteFile, note, 3 * rule.limit,
                ", more than a note of " + std::to_string(rule.limit) + " characters can need");
            !problem.empty()) {
            return Fail(command, "cannot read " + *noteFile + ": " + problem, kExitRuntimeError);
        }
        const int code = CheckField(command, "the note", rule, note);
        if (code == kExitOk) {
            // The record's old note and the one read go wiped, not copied.
            KvSecureWipe(fields.note);
            fields.note.swap(note);
        }
        KvSecureWipe(note);
        if (code != kExitOk) {
            return code;
        }
    }
    return kExitOk;
}

// The record password: generated, or asked (twice on a terminal, one line
// from a pipe).
int NewRecordPassword(const std::string& command, const cli::ParsedArguments& args,
                      std::string& password) {
    if (args.Has("generate")) {
        cli::PasswordRules rules;
        const std::string length = args.Value("generate").value_or("");
        if (!length.empty()) {
            auto parsed =
                cli::ParseNumber(length, 1, static_cast<long long>(kMaximumPasswordLength));
            if (!parsed) {
                return Fail(command,
                            "--generate takes a length from 1 to 1024, not \"" + length + "\".",
                            kExitUsage);
            }
            rules.length = static_cast<std::size_t>(*parsed);
        }
        if (std::string problem = cli::GeneratePassword(rules, password); !problem.empty()) {
            return Fail(command, problem + ".", kExitUsage);
        }
        return kExitOk;
    }
    std::optional<std::string> first = cli::ReadSecretLine("Password of the record: ");
    if (!first) {
        return Fail(command, "no password given for the record.", kExitRuntimeError);
    }
    if (cli::StdinIsTerminal()) {
        std::optional<std::string> second = cli::ReadSecretLine("Retype the password: ");
        const bool same = second && *second == *first;
        if (second) {
            KvSecureWipe(*second);
        }
        if (!same) {
            KvSecureWipe(*first);
            return Fail(command, "the two passwords differ; nothing was changed.",
                        kExitRuntimeError);
        }
    }
    password = std::move(*first);
    return CheckField(command, "the password", RecordFieldRule(TRecordField::Password), password);
}

// Stores the fields in the node as the record panel does and returns its log
// line. Fields not touched keep their stored bytes.
std::string StoreFields(TKeyvaleTree& tree, TNodeHandle node, const TRecordFields& fields,
                        const TRecordFieldsTouched& touched = {}) {
    TNodeHandle pending = node;
    return SaveFolderDataToDataFolder(tree, pending, fields, touched).message;
}

int RunAdd(const cli::ParsedArguments& args) {
    TRecordFields fields;
    if (int code = ApplyFieldOptions("add", args, fields); code != kExitOk) {
        return code;
    }
    cli::WriteSession session;
    if (int code = session.Open("add", args.positional[0]); code != kExitOk) {
        return code;
    }
    TKeyvaleTree& tree = session.Tree();
    NewPlace place;
    if (int code = ResolveNewPlace("add", tree, args.positional[1], place); code != kExitOk) {
        return code;
    }
    // The window's limits first, so nobody types a password for nothing; the
    // node lives only in memory until the save.
    TNodeHandle added = kNoNode;
    int code = AddNode("add", tree, place, true, added);
    if (code == kExitOk) {
        code = NewRecordPassword("add", args, fields.password);
    }
    if (code == kExitOk) {
        code = session.Save("add", StoreFields(tree, added, fields));
    }
    KvSecureWipe(fields.password);
    return code;
}

// Whether the options change any field of the record.
bool ChangesFields(const cli::ParsedArguments& args) {
    return args.Has("login") || args.Has("email") || args.Has("url") || args.Has("note-file") ||
           args.Has("password") || args.Has("generate");
}

// The options alone, before the database is opened.
int CheckEditOptions(const cli::ParsedArguments& args, bool changesFields,
                     const std::optional<std::string>& newName) {
    if (args.Has("password") && args.Has("generate")) {
        return Fail("edit", "--password and --generate exclude each other.", kExitUsage);
    }
    if (!changesFields && !args.Has("name")) {
        return Fail("edit", "nothing to change; name a field or --name.", kExitUsage);
    }
    if (newName) {
        if (std::string problem = NameProblem(*newName); !problem.empty()) {
            return Fail("edit", "--name: " + problem + ".", kExitUsage);
        }
    }
    return kExitOk;
}

// Finds the node at PATH and checks that the edit fits it.
int FindEditedNode(TKeyvaleTree& tree, const std::string& path, bool changesFields,
                   const std::optional<std::string>& newName, TNodeHandle& node) {
    if (int code = cli::ResolvePath("edit", tree, path, node); code != kExitOk) {
        return code;
    }
    if (node == kNoNode) {
        return Fail("edit", "the top of the tree cannot be edited.", kExitUsage);
    }
    if (changesFields && !RecordFieldsEditable(tree, node)) {
        return Fail("edit", "\"" + path + "\" is a folder; it holds no record fields.",
                    kExitRuntimeError);
    }
    if (newName && NameTaken(tree, tree.Parent(node), *newName, node)) {
        return Fail("edit", "a node named \"" + *newName + "\" stands there already.",
                    kExitRuntimeError);
    }
    return kExitOk;
}

// Only the fields named are written; the others keep their stored bytes
// (an imported login with blanks around it, a data node that does not
// decode) instead of being read back and stored anew.
int StoreEdit(cli::WriteSession& session, const cli::ParsedArguments& args, TNodeHandle node,
              bool changesFields, const std::optional<std::string>& newName) {
    TKeyvaleTree& tree = session.Tree();
    const bool newPassword = args.Has("password") || args.Has("generate");
    const TRecordFieldsTouched touched{args.Has("login"), newPassword, args.Has("email"),
                                       args.Has("url"), args.Has("note-file")};
    TRecordFields fields;
    int code = kExitOk;
    if (changesFields) {
        code = ApplyFieldOptions("edit", args, fields);
        if (code == kExitOk && newPassword) {
            code = NewRecordPassword("edit", args, fields.password);
        }
    }
    if (code == kExitOk) {
        if (newName) {
            tree.SetText(node, NormalizeNodeName(*newName));
        }
        const std::string stored = changesFields ? StoreFields(tree, node, fields, touched) : "";
        code = session.Save("edit", stored);
    }
    KvSecureWipe(fields.password);
    return code;
}

int RunEdit(const cli::ParsedArguments& args) {
    const bool changesFields = ChangesFields(args);
    const std::optional<std::string> newName = args.Value("name");
    if (int code = CheckEditOptions(args, changesFields, newName); code != kExitOk) {
        return code;
    }
    cli::WriteSession session;
    if (int code = session.Open("edit", args.positional[0]); code != kExitOk) {
        return code;
    }
    TNodeHandle node = kNoNode;
    if (int code = FindEditedNode(session.Tree(), args.positional[1], changesFields, newName, node);
        code != kExitOk) {
        return code;
    }
    return StoreEdit(session, args, node, changesFields, newName);
}

int RunRm(const cli::ParsedArguments& args) {
    cli::WriteSession session;
    if (int code = session.Open("rm", args.positional[0]); code != kExitOk) {
        return code;
    }
    TKeyvaleTree& tree = session.Tree();
    const std::string& path = args.positional[1];
    TNodeHandle node = kNoNode;
    if (int code = cli::ResolvePath("rm", tree, path, node); code != kExitOk) {
        return code;
    }
    if (node == kNoNode) {
        return Fail("rm", "the top of the tree cannot be deleted.", kExitUsage);
    }
    if (!RecordFieldsEditable(tree, node) && !args.Has("recursive")) {
        return Fail("rm",
                    "\"" + path +
                        "\" is a folder with content; -r deletes it with everything "
                        "in it.",
                    kExitRuntimeError);
    }
    TDeleteResult deleted = FolderDelete(tree, node);
    return session.Save("rm", deleted.message.text);
}

// Moves the node to the end of `target`'s children (kNoNode: the top level).
int MoveInto(TKeyvaleTree& tree, TNodeHandle node, TNodeHandle target) {
    if (target == kNoNode) {
        if (tree.Parent(node) == kNoNode) {
            return Fail("mv", "it stands at the top already.", kExitRuntimeError);
        }
        MoveNodeToRoot(tree, node);
        return kExitOk;
    }
    if (std::string refusal = DropProblem(tree, node, target); !refusal.empty()) {
        return Fail("mv", refusal, kExitRuntimeError);
    }
    DropNode(tree, node, target);
    return kExitOk;
}

int RunMv(const cli::ParsedArguments& args) {
    cli::WriteSession session;
    if (int code = session.Open("mv", args.positional[0]); code != kExitOk) {
        return code;
    }
    TKeyvaleTree& tree = session.Tree();
    const std::string& from = args.positional[1];
    const std::string& to = args.positional[2];
    TNodeHandle node = kNoNode;
    if (int code = cli::ResolvePath("mv", tree, from, node); code != kExitOk) {
        return code;
    }
    if (node == kNoNode) {
        return Fail("mv", "the top of the tree cannot be moved.", kExitUsage);
    }
    std::vector<std::string> names;
    if (std::string problem = cli::SplitPath(to, names); !problem.empty()) {
        return Fail("mv", "\"" + to + "\": " + problem + ".", kExitUsage);
    }
    // An existing folder (or the top): move into it, keeping the name.
    if (std::optional<TNodeHandle> target = cli::FindNames(tree, names);
        target && *target != node) {
        if (NameTaken(tree, *target, tree.Text(node), node)) {
            return Fail("mv",
                        "\"" + to + "\" holds a node named \"" + tree.Text(node) + "\" already.",
                        kExitRuntimeError);
        }
        if (int code = MoveInto(tree, node, *target); code != kExitOk) {
            return code;
        }
    } else {
        // A new name, in the same folder or another one.
        NewPlace place;
        if (int code = ResolveNewPlace("mv", tree, to, place); code != kExitOk) {
            return code;
        }
        if (place.parent != tree.Parent(node)) {
            if (int code = MoveInto(tree, node, place.parent); code != kExitOk) {
                return code;
            }
        }
        tree.SetText(node, NormalizeNodeName(place.name));
    }
    return session.Save("mv", "Moved: " + cli::PathOf(tree, node));
}

// ---- The command table ----------------------------------------------------

const char* const kNewPasswordInput =
    "The new main password is asked twice and both must match (at least 5\n"
    "characters). On a terminal passwords are typed without echo; otherwise each\n"
    "password prompt reads one line of standard input.\n";

const char* const kChangeRules =
    "The main password is asked first (one line of standard input when that is\n"
    "no terminal). The file is read and written whole or not at all under a lock\n"
    "held from the read to the write, so commands run at once take turns; a\n"
    "backup copy goes to Keyvale_Backup beside it. Names hold no control\n"
    "characters, and text that is not UTF-8 is refused. A refused change writes\n"
    "nothing.\n";

const char* const kPathRule =
    "A PATH is names joined by \"/\"; a \"/\" or \"\\\" inside a name is written \"\\/\"\n"
    "or \"\\\\\", a control character (from an older file) as \"\\xHH\". A trailing \"/\"\n"
    "is accepted.\n";

using cli::CommandOption;
using cli::TOptionValue;

const CommandOption kLogin{"login", 0, TOptionValue::Required, "L", "the login"};
const CommandOption kEmail{"email", 0, TOptionValue::Required, "E", "the e-mail address"};
const CommandOption kUrl{"url", 0, TOptionValue::Required, "U", "the URL"};
const CommandOption kNote{"note-file", 0, TOptionValue::Required, "F",
                          "the note, read from file F"};
const CommandOption kGenerate{"generate", 0, TOptionValue::Optional, "LEN",
                              "a random password of LEN characters (20)"};

const cli::CliRegistration createCommand({
    "create",
    "FILE",
    "a new, empty database",
    std::string("Creates the empty database FILE under a new main password. An existing\n"
                "file is never overwritten; the folder is checked before any password is\n"
                "asked.\n") +
        kNewPasswordInput,
    {},
    1,
    1,
    RunCreate,
});

const cli::CliRegistration passwdCommand({
    "passwd",
    "FILE",
    "change the main password of a database",
    std::string("Asks for the current main password, then for the new one, and rewrites the\n"
                "database under the new password.\n") +
        kChangeRules + kNewPasswordInput,
    {},
    1,
    1,
    RunPasswd,
});

const cli::CliRegistration mkdirCommand({
    "mkdir",
    "FILE PATH",
    "add a folder",
    std::string("Adds the folder PATH; the folder above it must exist. The window's limits\n"
                "hold: 16 levels, 10000 nodes, names of 1 to 200 characters.\n") +
        kPathRule + kChangeRules,
    {},
    2,
    2,
    RunMkdir,
});

const cli::CliRegistration addCommand({
    "add",
    "FILE PATH",
    "add a record",
    std::string("Adds the record PATH with the fields given. Without --generate its\n"
                "password is asked twice without echo on a terminal, or read as one line of\n"
                "standard input after the main password.\n") +
        kPathRule + kChangeRules,
    {kLogin, kEmail, kUrl, kNote, kGenerate},
    2,
    2,
    RunAdd,
});

const cli::CliRegistration editCommand({
    "edit",
    "FILE PATH",
    "change a record's fields or a node's name",
    std::string("Changes what the options name and keeps the rest. --password asks for the\n"
                "new password as add does; --generate draws one.\n") +
        kPathRule + kChangeRules,
    {{"name", 0, TOptionValue::Required, "NEW", "rename the folder or record"},
     kLogin,
     kEmail,
     kUrl,
     kNote,
     {"password", 0, TOptionValue::None, "", "ask for a new password"},
     kGenerate},
    2,
    2,
    RunEdit,
});

const cli::CliRegistration rmCommand({
    "rm",
    "FILE PATH",
    "delete a record or folder",
    std::string("Deletes the record or folder PATH with everything in it; a folder with\n"
                "content needs -r.\n") +
        kPathRule + kChangeRules,
    {{"recursive", 'r', TOptionValue::None, "", "delete a folder with its content"}},
    2,
    2,
    RunRm,
});

const cli::CliRegistration mvCommand({
    "mv",
    "FILE SRC DEST",
    "move or rename a record or folder",
    std::string("When DEST is an existing folder (or \"/\", the top), SRC moves into it;\n"
                "otherwise SRC moves into DEST's folder and takes DEST's last name. The\n"
                "window's drop rules hold: nothing into a record, no folder into its own\n"
                "subtree, no node deeper than level 15.\n") +
        kPathRule + kChangeRules,
    {},
    3,
    3,
    RunMv,
});

} // namespace
