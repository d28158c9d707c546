// The writing side of keyvale-cli: a database opened for one change and saved
// once, through the storage session type that the window uses too. It brings
// the session's rules to the tool: the per-file lock, held from the read to
// the save so that concurrent commands queue and all succeed, the check that
// nobody wrote the file since it was read (only a program ignoring the lock
// can; the save then goes beside it, and the tool says so and fails),
// exclusive creation, keys derived aside, and the backup copy made on every
// open (a backup that cannot be made is said on standard error).
#pragma once

#include "U_Keyvale_Session.h"

#include <streambuf>
#include <string>

namespace cli {

class WriteSession {
  public:
    // Checks the file, asks for the main password, takes the file's lock
    // (waiting for other writers), opens the database and makes its backup
    // copy in Keyvale_Backup beside it. Returns the exit code after printing
    // why not. The lock is held until this object goes.
    int Open(const std::string& command, const std::string& file);

    // A new, empty database under `password` (already checked).
    int Create(const std::string& command, const std::string& file, const std::string& password);

    // Opens without the backup copy: for a command that only reads and says
    // what a change would do (merge --dry-run). Before Open.
    void WithoutBackup() { backup_ = false; }
    // Leaves records written on Windows as stored (see the session's
    // KeepLegacyRecordsAsStored). Before Open.
    void KeepLegacyRecordsAsStored() { session_.KeepLegacyRecordsAsStored(); }

    TKeyvaleTree& Tree() { return session_.Tree(); }
    // The session itself, for what goes beyond one tree change (a merge).
    TKeyvaleSession& Session() { return session_; }

    // Saves the changed tree; anything but a save into the file itself is a
    // failure for the caller.
    // `done` says what was changed; it is printed only once the file holds it.
    int Save(const std::string& command, const std::string& done = "");

    // Re-keys the database under the new password (already checked).
    int ChangePassword(const std::string& command, const std::string& newPassword);

  private:
    int Report(const std::string& command, const TSessionResult& result);

    TKeyvaleSession session_;
    std::string file_; // as named on the command line
    bool backup_ = true;
};

// With --json, standard output holds the JSON report alone: what the save
// says goes to standard error while this lives.
class SaveMessagesToStandardError {
  public:
    explicit SaveMessagesToStandardError(bool asJson);
    ~SaveMessagesToStandardError();
    SaveMessagesToStandardError(const SaveMessagesToStandardError&) = delete;
    SaveMessagesToStandardError& operator=(const SaveMessagesToStandardError&) = delete;

  private:
    std::streambuf* kept_;
};

// A new database holding `tree`, written under the shared write lock into a
// name where nothing may stand yet. For import, which starts with a full tree.
int CreateWithTree(const std::string& command, const std::string& file, const TKeyvaleTree& tree,
                   const TKeyMaterial& keys);

} // namespace cli
