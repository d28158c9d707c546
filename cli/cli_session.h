// The writing side of keyvale-cli: a database opened for a change and saved
// once. It holds the per-file lock from before the file is read until after
// it is written, so two writers never interleave; before saving it checks
// that nobody replaced the file meanwhile (the window locks only while it
// writes); and it makes the backup copy the window makes on every open.
//
// This is the one place the writing commands reach storage through; it is
// meant to become a thin wrapper of the storage session type.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <string>
#include <sys/stat.h>

namespace cli {

class WriteSession {
  public:
    WriteSession() = default;
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;
    ~WriteSession(); // wipes the keys and releases the lock

    // Checks the file, asks for the main password, takes the lock, loads the
    // file and makes its backup copy. Returns the exit code after printing
    // why not.
    int Open(const std::string& command, const std::string& file);

    // Writes `tree` as a new database under `keys` (already asked for). The
    // lock is taken first and the file must still not exist.
    int Create(const std::string& command, const std::string& file, const TKeyvaleTree& tree,
               const TKeyMaterial& keys);

    TKeyvaleTree& Tree() { return tree_; }
    TKeyMaterial& Keys() { return keys_; }

    // Saves the tree under the keys (or `newKeys` for a change of the main
    // password), atomically, unless the file changed since Open.
    int Save(const std::string& command);
    int SaveUnder(const std::string& command, const TKeyMaterial& newKeys);

  private:
    int Lock(const std::string& command);
    int Write(const std::string& command, const TKeyMaterial& keys);

    std::string file_;
    TKeyvaleTree tree_;
    TKeyMaterial keys_;
    int lockFd_ = -1;
    bool haveIdentity_ = false;
    struct stat identity_ {};
};

// The lock file of a database: ".<name>.lock" beside it.
std::string LockFileOf(const std::string& file);

} // namespace cli
