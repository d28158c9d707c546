// What the database commands of keyvale-cli share: reading passwords,
// opening a database, finding nodes by path, and writing a new file.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <optional>
#include <string>
#include <vector>

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

// Asks for the main password and loads the file. On failure prints the
// reason to standard error (prefixed with "keyvale-cli <command>: ") and
// returns the exit code; on success returns kExitOk.
int OpenExisting(const std::string& command, const std::string& file, OpenDatabase& database);

// Asks for a new main password twice ("New main password: ", "Retype new main
// password: "); both must match and have at least 5 characters. Derives the key
// material into `keys`. Returns kExitOk, or prints why not and returns the
// exit code.
int AskNewPassword(const std::string& command, TKeyMaterial& keys);

// Refuses a file that exists already or whose name is not acceptable; returns
// kExitOk or the exit code after printing why.
int CheckNewFile(const std::string& command, const std::string& file);

// Saves the tree under the keys to the file (atomically); prints the result.
int SaveTree(const std::string& command, const std::string& file, const TKeyvaleTree& tree,
             const TKeyMaterial& keys);

// The node at a path of names joined by "/" (empty: kNoNode, the roots). A
// name may itself contain "/": every way of splitting is tried in tree order.
// Data nodes are never matched.
std::optional<TNodeHandle> FindPath(const TKeyvaleTree& tree, const std::string& path);

// The path of a node, names joined by "/".
std::string PathOf(const TKeyvaleTree& tree, TNodeHandle node);

// "folder", "record" or "empty", by the node's icon number.
std::string KindOf(const TKeyvaleTree& tree, TNodeHandle node);

// Prints "keyvale-cli <command>: <message>" to standard error and returns code.
int Fail(const std::string& command, const std::string& message, int code);

} // namespace cli
