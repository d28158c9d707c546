#include "U_Keyvale_Read_Write_Names.h"

#include "U_Keyvale_Read_Write_Files.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::array<const char*, 22> kReservedNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

// The name part after the last path separator.
std::string FileNamePart(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name with its last extension (from the last full stop) replaced.
std::string ChangeExtension(const std::string& name, const std::string& extension) {
    std::size_t dot = name.find_last_of('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

} // namespace

std::string MakeBackupCopy(const std::string& directory, const std::string& databaseFile) {
    const std::string failure = "Error! Could not make backup of a database file.";
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(directory) / kBackupDirectoryName;
    std::filesystem::create_directories(folder, error);
    std::filesystem::path backup =
        folder / ChangeExtension(FileNamePart(databaseFile), kBackupExtension);

    // The copy is written as a database is saved: flushed to the disk and
    // put in place in one step, its folder flushed too, so that a crash right
    // after an open never leaves an empty or half backup where a good one was.
    TByteArray content;
    if (!LoadBytesFromFile(content, databaseFile).empty() ||
        !SaveBytesToFile(content, backup.string()).empty()) {
        return failure;
    }
    return std::filesystem::exists(backup, error) ? "" : failure;
}

bool IsValidFileName(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    if (name.find_first_of(std::string("\"*/:<>?\\|\0", 10)) != std::string::npos) {
        return false;
    }
    std::string base = ChangeExtension(name, "");
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const char* reserved : kReservedNames) {
        if (base == reserved) {
            return false;
        }
    }
    std::string withoutSpaces;
    for (char c : name) {
        if (c != ' ') {
            withoutSpaces += c;
        }
    }
    return withoutSpaces.find_first_not_of('.') != std::string::npos;
}

bool HasDatabaseExtension(const std::string& name) {
    std::string part = FileNamePart(name);
    std::size_t dot = part.find_last_of('.');
    return dot != std::string::npos && part.substr(dot) == kDatabaseExtension;
}

std::string ProbeCreateFile(const std::string& path) {
    // Only ever a file of its own: whatever stands at the name by now (a
    // file, or a link, even one pointing nowhere) is neither emptied nor
    // followed.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return "Cannot create file " + path + ". " + SystemErrorText(errno);
    }
    std::string zeros(100, '0');
    std::string error;
    if (::write(fd, zeros.data(), zeros.size()) != static_cast<ssize_t>(zeros.size())) {
        error = "Cannot write file " + path + ". " + SystemErrorText(errno);
    }
    if (::close(fd) != 0 && error.empty()) {
        error = "Cannot close file " + path + ". " + SystemErrorText(errno);
    }
    DeleteFileQuietly(path); // made here, so nobody else's
    return error;
}
