#include "cli_files.h"

#include "U_Keyvale_Read_Write_Files.h"
#include "cli_terminal.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

std::string ReadInputFile(const std::string& path, std::string& content) {
    content.clear();
    if (path == "-") {
        content = ReadAllStdin();
        return "";
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return SystemErrorText(errno) + ".";
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return "It is a directory.";
    }
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return SystemErrorText(error) + ".";
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return "";
}

std::string WritePrivateFile(const std::string& path, const std::string& content) {
    TByteArray bytes(content.begin(), content.end());
    std::string error = SaveBytesToFile(bytes, path);
    if (!error.empty()) {
        // " [FileWriteError] Cannot write ..." reads better without the class.
        std::size_t close = error.find("] ");
        return close == std::string::npos ? error : error.substr(close + 2);
    }
    // A replaced file keeps its old mode; an export holds every password.
    ::chmod(path.c_str(), S_IRUSR | S_IWUSR);
    return "";
}

} // namespace cli
