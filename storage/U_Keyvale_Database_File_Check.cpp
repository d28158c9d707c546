#include "U_Keyvale_Database_File_Check.h"

#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"

#include <filesystem>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Sentence(const std::string& text) {
    return text.empty() || text.back() == '.' ? text : text + ".";
}

} // namespace

std::string DatabaseFileSizeProblem(std::int64_t size) {
    if (size <= kLargestDatabaseFileSize) {
        return "";
    }
    return "The file is larger than any Keyvale database can be (" + std::to_string(size >> 20) +
           " MiB; the largest is below " + std::to_string(kLargestDatabaseFileSize >> 20) +
           " MiB).";
}

std::string DatabaseFileReadProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Sentence(SystemErrorText(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return "It is a directory.";
    }
    if (!S_ISREG(info.st_mode)) {
        return "It is not a regular file.";
    }
    // Without waiting, and checked again on what was opened: the name may
    // have been given to a FIFO since.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Sentence(SystemErrorText(errno));
    }
    const bool opened = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (!opened || !S_ISREG(info.st_mode)) {
        return "It is not a regular file.";
    }
    if (info.st_size == 0) {
        return "The file is empty.";
    }
    if (info.st_size < kSmallestDatabaseFileSize) {
        return "The file is too short to be a Keyvale database (" + std::to_string(info.st_size) +
               " bytes; the smallest has " + std::to_string(kSmallestDatabaseFileSize) + ").";
    }
    return DatabaseFileSizeProblem(info.st_size);
}

std::string DatabaseDestinationProblem(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? "It is a directory." : "The file exists already.";
    }
    const std::string folder = PathFolder(path);
    if (::stat(folder.c_str(), &info) != 0) {
        return "Its folder " + folder + ": " + Sentence(SystemErrorText(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return "Its folder " + folder + " is not a directory.";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "Its folder " + folder + ": " + Sentence(SystemErrorText(errno));
    }
    // Permissions are not the whole story (a full disk, a quota, a file
    // system that refuses the name): a file of our own made and removed again
    // answers for all of them.
    return Sentence(ProbeCreateFile(path));
}

std::string DatabaseReplaceProblem(const std::string& path) {
    // A save writes beside the file a link points to and renames it there,
    // so that file and its folder are the ones that must be writable.
    std::error_code failed;
    const std::filesystem::path target = std::filesystem::canonical(path, failed);
    if (failed) {
        return Sentence(failed.message());
    }
    if (::access(target.c_str(), W_OK) != 0) {
        return Sentence(SystemErrorText(errno));
    }
    const std::string folder = target.parent_path().string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "Its folder " + folder + ": " + Sentence(SystemErrorText(errno));
    }
    return "";
}
