#include "U_Keyvale_Session_Files.h"

#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto kLockRetryPause = std::chrono::milliseconds(20);

} // namespace

TFileIdentity ReadFileIdentity(const std::string& path) {
    TFileIdentity identity;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return identity;
    }
    identity.exists = true;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.inode = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::int64_t>(info.st_size);
    identity.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    identity.modifiedNanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    return identity;
}

std::string TDatabaseWriteLock::LockFileNameFor(const std::string& databaseFile) {
    // Writers that reach the file through a link and through its own name
    // must meet at one lock.
    std::error_code ignored;
    std::filesystem::path target(databaseFile);
    if (std::filesystem::is_symlink(target, ignored)) {
        std::filesystem::path resolved = std::filesystem::canonical(target, ignored);
        if (!ignored) {
            target = resolved;
        }
    }
    return PathDirectory(target.string()) + "." + PathFileName(target.string()) + ".lock";
}

namespace {

// Whether the open lock file is still the file at its name. Another program
// may have deleted or replaced it while we waited; a writer coming now would
// lock the new file, so a lock on the old one keeps nobody out.
bool StillAtItsName(int fd, const std::string& lockFile) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(lockFile.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

TDatabaseWriteLock::TDatabaseWriteLock(const std::string& databaseFile,
                                       std::chrono::milliseconds patience) {
    const std::string lockFile = LockFileNameFor(databaseFile);
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (!TryLock(lockFile, giveUp)) {
        if (!error_.empty()) {
            return;
        }
        // Locked a file that is no longer the lock file: start again with
        // the one at the name.
        std::this_thread::sleep_for(kLockRetryPause);
    }
}

bool TDatabaseWriteLock::TryLock(const std::string& lockFile,
                                 std::chrono::steady_clock::time_point giveUp) {
    // Never through a link: the lock file is created with the user's rights
    // and must not become a way to create or open some other file.
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0 && errno == EACCES) {
        fd_ = ::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd_ < 0) {
        error_ =
            " [FileLockError] Cannot open lock file " + lockFile + ". " + SystemErrorText(errno);
        return false;
    }
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int failure = errno;
        if (failure == EINTR) {
            continue;
        }
        if (failure != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) {
            error_ = " [FileLockError] Another program is writing this database file (lock " +
                     lockFile + "). " + SystemErrorText(failure);
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        std::this_thread::sleep_for(kLockRetryPause);
    }
    if (StillAtItsName(fd_, lockFile)) {
        return true;
    }
    ::close(fd_); // also lets go of the lock
    fd_ = -1;
    if (std::chrono::steady_clock::now() >= giveUp) {
        error_ = " [FileLockError] The lock file " + lockFile +
                 " keeps being replaced by another program.";
    }
    return false;
}

TDatabaseWriteLock::~TDatabaseWriteLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

std::string ConflictFileName(const std::string& databaseFile, std::time_t when, int attempt) {
    std::string name = PathFileName(databaseFile);
    const std::string extension = kDatabaseExtension;
    if (HasDatabaseExtension(name)) {
        name.resize(name.size() - extension.size());
    }
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d-%02d-%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string conflict = PathDirectory(databaseFile) + name + " (conflict " + stamp;
    if (attempt > 1) {
        conflict.push_back(' ');
        conflict.append(std::to_string(attempt));
    }
    conflict.push_back(')');
    return conflict.append(extension);
}
