#include "cli_session.h"

#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_terminal.h"

#include <cerrno>
#include <chrono>
#include <iostream>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace cli {

namespace {

// Another writer holds the lock only while it writes; wait that long.
constexpr auto kLockPatience = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(50);

std::string FolderOf(const std::string& file) {
    std::size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? "." : file.substr(0, slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

std::string LockFileOf(const std::string& file) {
    std::size_t slash = file.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    return folder + "." + name + ".lock";
}

WriteSession::~WriteSession() {
    keys_.Wipe();
    if (lockFd_ >= 0) {
        ::close(lockFd_); // releases the flock
    }
}

int WriteSession::Lock(const std::string& command) {
    const std::string lockFile = LockFileOf(file_);
    lockFd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        return Fail(command,
                    "cannot open the lock file " + lockFile + ": " + SystemErrorText(errno) + ".",
                    kExitRuntimeError);
    }
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return Fail(command, "cannot lock " + lockFile + ": " + SystemErrorText(errno) + ".",
                        kExitRuntimeError);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return Fail(command,
                        file_ + " is being written by another program (Keyvale or keyvale-cli); "
                                "nothing was changed. Try again.",
                        kExitRuntimeError);
        }
        std::this_thread::sleep_for(kLockRetry);
    }
    return kExitOk;
}

int WriteSession::Open(const std::string& command, const std::string& file) {
    file_ = file;
    if (int code = CheckReadable(command, file); code != kExitOk) {
        return code;
    }
    std::optional<std::string> password = ReadSecretLine("Main password: ");
    if (!password) {
        return Fail(command, "no main password given.", kExitRuntimeError);
    }
    std::string derivation = KvDeriveKeyMaterial(*password, keys_);
    KvSecureWipe(*password);
    if (!derivation.empty()) {
        return Fail(command, derivation, kExitRuntimeError);
    }
    if (int code = Lock(command); code != kExitOk) {
        return code;
    }
    haveIdentity_ = ::stat(file.c_str(), &identity_) == 0;
    TDatabaseLoadResult result = LoadDatabaseFile(file, keys_, tree_);
    if (result.status != TDatabaseLoadStatus::Loaded) {
        return Fail(command, result.message, kExitRuntimeError);
    }
    // As the window does after every successful open; a failure to back up
    // does not stop the work, but is said.
    if (std::string error = MakeBackupCopy(FolderOf(file), file); !error.empty()) {
        std::cerr << "keyvale-cli " << command << ": " << error << "\n";
    }
    return kExitOk;
}

int WriteSession::Create(const std::string& command, const std::string& file,
                         const TKeyvaleTree& tree, const TKeyMaterial& keys) {
    file_ = file;
    if (int code = Lock(command); code != kExitOk) {
        return code;
    }
    struct stat info {};
    if (::lstat(file.c_str(), &info) == 0) {
        return Fail(command,
                    "cannot create " + file +
                        ": The file appeared meanwhile. An existing file is never overwritten.",
                    kExitRuntimeError);
    }
    TDatabaseSaveResult result = SaveDatabaseFile(file, tree, keys);
    if (!result.saved) {
        return Fail(command, result.message.text, kExitRuntimeError);
    }
    std::cout << result.message.text << "\n";
    return kExitOk;
}

int WriteSession::Save(const std::string& command) {
    return Write(command, keys_);
}

int WriteSession::SaveUnder(const std::string& command, const TKeyMaterial& newKeys) {
    return Write(command, newKeys);
}

int WriteSession::Write(const std::string& command, const TKeyMaterial& keys) {
    struct stat now {};
    if (!haveIdentity_ || ::stat(file_.c_str(), &now) != 0 || !SameFile(now, identity_)) {
        return Fail(command,
                    file_ + " was changed by another program since it was read; nothing was "
                            "written. Run the command again.",
                    kExitRuntimeError);
    }
    TDatabaseSaveResult result = SaveDatabaseFile(file_, tree_, keys);
    if (!result.saved) {
        return Fail(command, result.message.text, kExitRuntimeError);
    }
    std::cout << result.message.text << "\n";
    return kExitOk;
}

} // namespace cli
