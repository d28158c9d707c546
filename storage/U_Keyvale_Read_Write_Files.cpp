#include "U_Keyvale_Read_Write_Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Failure(const char* failureClass, const std::string& description) {
    return std::string(" [") + failureClass + "] " + description;
}

// Writes everything, retrying after interruptions and partial writes.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void SyncDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// How the flushed temporary file takes the name: replacing the file there
// (through a link, keeping its mode), replacing the name itself as a private
// file, or only where nothing is.
enum class TPublish { Replace, ReplacePrivately, CreateOnly };

// Gives the temporary file the target's name without ever replacing anything:
// the kernel refuses when the name exists, so a file that appears at the last
// moment is not lost. File systems without that rename get a hard link, which
// refuses the same way; those without links either (some network and FUSE
// file systems) get the bytes written straight into a file created
// exclusively, complete once flushed. Returns 0 or the errno of the failure.
int PublishWithoutReplacing(const std::string& temporary, const std::string& target,
                            const TByteArray& bytes) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (::link(temporary.c_str(), target.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS) {
        return errno;
    }
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    int failure = 0;
    if (!WriteAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0) {
        failure = errno;
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure != 0) {
        ::unlink(target.c_str()); // made here, half written
        return failure;
    }
    ::unlink(temporary.c_str());
    return 0;
}

std::string WriteThroughTemporary(const TByteArray& bytes, const std::string& fileName,
                                  TPublish publish, const std::function<std::string()>& checkpoint,
                                  bool* existed) {
    if (bytes.empty()) {
        return "Error! Cannot save empty array to a file.";
    }
    std::error_code ignored;
    std::filesystem::path target(fileName);
    if (publish == TPublish::Replace) {
        // Write beside the real file, so that a link keeps pointing at it and
        // the final rename never crosses file systems.
        if (std::filesystem::is_symlink(target, ignored)) {
            std::filesystem::path resolved = std::filesystem::canonical(target, ignored);
            if (!ignored) {
                target = resolved;
            }
        }
        // A file the user made read-only stays protected, as if it were written in place.
        if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
            return Failure("FileCreateError", "Cannot open file " + fileName + " for writing. " +
                                                  SystemErrorText(errno));
        }
    } else if (publish == TPublish::ReplacePrivately) {
        struct stat there {};
        if (::lstat(target.c_str(), &there) == 0 && S_ISREG(there.st_mode) &&
            ::access(target.c_str(), W_OK) != 0) {
            return Failure("FileCreateError", "Cannot open file " + fileName + " for writing. " +
                                                  SystemErrorText(errno));
        }
    } else if (std::filesystem::exists(std::filesystem::symlink_status(target, ignored))) {
        // Checked early only to spare the work; the publishing step decides.
        if (existed) {
            *existed = true;
        }
        return Failure("FileExistsError", "The file " + fileName + " exists already.");
    }
    std::filesystem::path directory = target.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    // A short fixed pattern, so that even a name at the length limit gets one.
    std::string temporary = (directory / ".keyvale-save-XXXXXX").string();

    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return Failure("FileCreateError",
                       "Cannot create file " + fileName + ". " + SystemErrorText(errno));
    }
    struct stat old {};
    if (publish == TPublish::Replace && ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    std::string error;
    if (!WriteAll(fd, bytes.data(), bytes.size())) {
        error = Failure("FileWriteError",
                        "Cannot write file " + fileName + ". " + SystemErrorText(errno));
    } else if (::fsync(fd) != 0) {
        error = Failure("FileWriteError",
                        "Cannot flush file " + fileName + " to disk. " + SystemErrorText(errno));
    }
    if (::close(fd) != 0 && error.empty()) {
        error = Failure("FileWriteError",
                        "Cannot close file " + fileName + ". " + SystemErrorText(errno));
    }
    if (error.empty() && checkpoint) {
        error = checkpoint();
    }
    if (error.empty()) {
        if (publish != TPublish::CreateOnly) {
            if (::rename(temporary.c_str(), target.c_str()) != 0) {
                error = Failure("FileReplaceError",
                                "Cannot replace file " + fileName + ". " + SystemErrorText(errno));
            }
        } else if (int failure = PublishWithoutReplacing(temporary, target.string(), bytes);
                   failure == EEXIST) {
            if (existed) {
                *existed = true;
            }
            error = Failure("FileExistsError", "The file " + fileName + " exists already.");
        } else if (failure != 0) {
            error = Failure("FileCreateError",
                            "Cannot create file " + fileName + ". " + SystemErrorText(failure));
        }
    }
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        return error;
    }
    SyncDirectory(directory.string());
    return "";
}

} // namespace

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

std::string SaveBytesToFile(const TByteArray& bytes, const std::string& fileName) {
    return SaveBytesToFileWithCheckpoint(bytes, fileName, nullptr);
}

std::string SaveBytesToFileWithCheckpoint(const TByteArray& bytes, const std::string& fileName,
                                          const std::function<std::string()>& beforeReplace) {
    return WriteThroughTemporary(bytes, fileName, TPublish::Replace, beforeReplace, nullptr);
}

std::string SaveBytesToPrivateFile(const TByteArray& bytes, const std::string& fileName,
                                   const std::function<std::string()>& beforeReplace) {
    return WriteThroughTemporary(bytes, fileName, TPublish::ReplacePrivately, beforeReplace,
                                 nullptr);
}

std::string SaveBytesToNewFile(const TByteArray& bytes, const std::string& fileName, bool* existed,
                               const std::function<std::string()>& beforeCreate) {
    if (existed) {
        *existed = false;
    }
    return WriteThroughTemporary(bytes, fileName, TPublish::CreateOnly, beforeCreate, existed);
}

std::int64_t FileSizeOf(const std::string& fileName) {
    // Without waiting: a FIFO at the name would otherwise block until written.
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    std::int64_t size = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        size = static_cast<std::int64_t>(info.st_size);
    }
    ::close(fd);
    return size;
}

std::string LoadBytesFromFile(TByteArray& bytes, const std::string& fileName) {
    std::int64_t size = FileSizeOf(fileName);
    if (size == 0 || size == -1) {
        return "Error! Cannot load data from file " + fileName + ". File is empty.";
    }
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Failure("FileOpenError",
                       "Cannot open file " + fileName + ". " + SystemErrorText(errno));
    }
    bytes.assign(static_cast<std::size_t>(size), 0);
    std::size_t done = 0;
    std::string error;
    while (done < bytes.size()) {
        ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = Failure("FileReadError",
                            "Cannot read file " + fileName + ". " + SystemErrorText(errno));
            break;
        }
        if (got == 0) {
            error = Failure("FileReadError", "Read beyond end of file " + fileName + ".");
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return error;
}

void DeleteFileQuietly(const std::string& fileName) {
    ::unlink(fileName.c_str());
}
