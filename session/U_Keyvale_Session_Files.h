// What the open database needs to know about its file besides its content:
// whether someone else has written it since we last did, the lock that
// writers of one database file share, and the name a conflicting save gets.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

// The identity of a file as the system describes it. Any write through
// another program changes at least one of these: a replacing save makes a
// new inode, a rewrite in place a new modification time (and mostly size).
struct TFileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const TFileIdentity&) const = default;
};

// The identity of the file a path leads to (links followed); `exists` false
// when there is none.
TFileIdentity ReadFileIdentity(const std::string& path);

// The lock every writer of one database file takes while it reads, checks
// and writes the file: keyvale and keyvale-cli alike.
//
// It is an advisory flock on a hidden file beside the database, named as
// KeePassXC names its own (".<file name>.lock"), so a user who sees it knows
// what it is. The lock is held for the few milliseconds of a save, not while
// the database is open: a database left open in the window must not keep the
// tool from working, and the identity check catches what happened between two
// saves (keyvale-cli, whose commands last a moment, holds it from its read to
// its save). The lock file stays after use; removing it would let two writers
// lock two different files of the same name, and a lock taken on a file that
// has meanwhile been deleted or replaced is let go and taken again on the
// file at the name. A lock dies with its process.
class TDatabaseWriteLock {
  public:
    // Waits up to `patience` for another writer to finish.
    explicit TDatabaseWriteLock(const std::string& databaseFile,
                                std::chrono::milliseconds patience = std::chrono::seconds(5));
    ~TDatabaseWriteLock();
    TDatabaseWriteLock(const TDatabaseWriteLock&) = delete;
    TDatabaseWriteLock& operator=(const TDatabaseWriteLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    // Why it is not held: " [FileLockError] ..." (leading space, as the
    // byte-array file helpers word their failures).
    const std::string& Error() const { return error_; }

    // "<directory>/.<file name>.lock" for the file a path leads to.
    static std::string LockFileNameFor(const std::string& databaseFile);

  private:
    // One attempt: opens the lock file at its name and waits for its lock
    // until `giveUp`. False with Error() empty when the file locked is no
    // longer the one at the name (deleted or replaced meanwhile): try again.
    bool TryLock(const std::string& lockFile, std::chrono::steady_clock::time_point giveUp);

    int fd_ = -1;
    std::string error_;
};

// "<directory>/<name> (conflict <YYYY-MM-DD> <HH-MM-SS>).kvdb" beside the
// database, <name> being its file name without ".kvdb", at the given local
// time. `attempt` above 1 adds " <attempt>" before the closing parenthesis,
// for a second conflict within the same second.
std::string ConflictFileName(const std::string& databaseFile, std::time_t when, int attempt = 1);
