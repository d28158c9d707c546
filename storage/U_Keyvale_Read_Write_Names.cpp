#include "U_Keyvale_Read_Write_Names.h"

#include "U_Keyvale_Database_Path.h"
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

// The name with its last extension (from the last full stop) replaced.
std::string ChangeExtension(const std::string& name, const std::string& extension) {
    std::size_t dot = name.find_last_of('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

} // namespace

namespace {

// " [FileWriteError] Cannot write ..." reads better without the class.
std::string WithoutFailureClass(const std::string& error) {
    std::size_t close = error.find("] ");
    return error.rfind(" [", 0) == 0 && close != std::string::npos ? error.substr(close + 2)
                                                                   : error;
}

// The backup folder, made for its owner only when it is new. An existing one
// keeps the mode its user gave it. Empty when it is usable, else the cause.
std::string PrepareBackupFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        return "The folder " + folder.string() + " cannot be made. " + SystemErrorText(errno) + ".";
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return folder.string() + " is not a folder.";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "The folder " + folder.string() + " is not writable.";
    }
    return "";
}

} // namespace

std::string MakeBackupCopy(const std::string& directory, const std::string& databaseFile) {
    const std::string failure = "Error! Could not make backup of a database file. ";
    std::filesystem::path folder = std::filesystem::path(directory) / kBackupDirectoryName;
    if (std::string problem = PrepareBackupFolder(folder); !problem.empty()) {
        return failure + problem;
    }
    std::filesystem::path backup =
        folder / ChangeExtension(PathFileName(databaseFile), kBackupExtension);

    // The copy is written as a database is saved: flushed to the disk and
    // put in place in one step, its folder flushed too, so that a crash right
    // after an open never leaves an empty or half backup where a good one was.
    // It holds the whole database, so it is private from its first byte, and a
    // link planted at its name is replaced, never written through.
    TByteArray content;
    std::string error = LoadBytesFromFile(content, databaseFile);
    if (error.empty()) {
        error = SaveBytesToPrivateFile(content, backup.string());
    }
    return error.empty() ? "" : failure + WithoutFailureClass(error);
}

bool IsValidFileName(const std::string& name) {
    return FileNameRefusal(name).empty();
}

std::string FileNameRefusal(const std::string& name) {
    if (name.empty()) {
        return "The file name is empty.";
    }
    const std::string forbidden("\"*/:<>?\\|\0", 10);
    if (const std::size_t at = name.find_first_of(forbidden); at != std::string::npos) {
        const std::string character = name[at] == '\0' ? "NUL" : std::string(1, name[at]);
        return "A database name may not hold the character " + character +
               " (nor any of \" * / : < > ? \\ |), so that it stays valid on Windows too.";
    }
    std::string base = ChangeExtension(name, "");
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const char* reserved : kReservedNames) {
        if (base == reserved) {
            return std::string(reserved) +
                   " is the name of a device on Windows, which a database name may not be.";
        }
    }
    std::string withoutSpaces;
    for (char c : name) {
        if (c != ' ') {
            withoutSpaces += c;
        }
    }
    if (withoutSpaces.find_first_not_of('.') == std::string::npos) {
        return "A database name needs a character other than spaces and full stops.";
    }
    return "";
}

bool HasDatabaseExtension(const std::string& name) {
    std::string part = PathFileName(name);
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
