// What the database commands of keyvale-cli share: reading passwords,
// opening a database for reading and resolving paths. The name and field
// rules are storage's (U_Keyvale_TreeView_Data_Rules.h), shared with the window.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Tree.h"
#include "cli_paths.h"

#include <string>

namespace cli {

// An open database: its tree and the key material it was opened with. The
// keys are wiped when it goes out of scope.
struct OpenDatabase {
    TKeyvaleTree tree;
    TKeyMaterial keys;
    OpenDatabase() = default;
    OpenDatabase(const OpenDatabase&) = delete;
    OpenDatabase& operator=(const OpenDatabase&) = delete;
    ~OpenDatabase() { keys.Wipe(); }
};

// Added to the window's wrong-password text: a file of random bytes, or one
// damaged past its tail, fails the same check, and the user should know.
inline constexpr const char* kWrongPasswordCause =
    " If the password is right, the file is damaged or no Keyvale database.";

// Prints "keyvale-cli <command>: <message>" to standard error, control
// characters escaped but for line breaks, and returns code.
int Fail(const std::string& command, const std::string& message, int code);

// Refuses, before any password is asked, a file that cannot be a database
// (missing, a directory, unreadable, too short), naming the cause.
int CheckReadable(const std::string& command, const std::string& file);

// Checks the file, asks for the main password and loads the file. On failure
// prints the reason and returns the exit code; on success returns kExitOk.
int OpenExisting(const std::string& command, const std::string& file, OpenDatabase& database);

// Asks for a new main password twice ("New main password: ", "Retype new main
// password: "); both must match and have at least 5 characters. On kExitOk
// `password` holds it (the caller wipes it); otherwise prints why not.
int AskNewPassword(const std::string& command, std::string& password);

// Refuses, before any password is asked, a new database whose name is not
// acceptable, that exists already, or whose folder is missing or not writable.
int CheckNewFile(const std::string& command, const std::string& file);

// The node at a path (kNoNode for the top of the tree), or the exit code after
// saying what is wrong.
int ResolvePath(const std::string& command, const TKeyvaleTree& tree, const std::string& path,
                TNodeHandle& node);

// "folder", "record" or "empty", by the node's icon number.
std::string KindOf(const TKeyvaleTree& tree, TNodeHandle node);

} // namespace cli
