#include "cli_files.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Read_Write_Files.h"

#include <cerrno>
#include <iostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

// Reads standard input, through the stream that the password prompts read
// too, until the end or until more than `limit` bytes came; false then.
bool ReadStdinUpTo(std::size_t limit, std::string& content) {
    char buffer[65536];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
        if (content.size() > limit) {
            return false;
        }
    }
    return true;
}

// The same for a file's descriptor; `error` is set when reading fails.
bool ReadUpTo(int fd, std::size_t limit, std::string& content, int& error) {
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = errno;
            return true;
        }
        if (got == 0) {
            return true;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > limit) {
            return false;
        }
    }
}

} // namespace

std::string ReadInputFile(const std::string& path, std::string& content, std::size_t limit,
                          const std::string& limitReason) {
    content.clear();
    const std::string tooLong =
        "It holds more than " + std::to_string(limit) + " bytes" + limitReason + ".";
    if (path == "-") {
        if (!ReadStdinUpTo(limit, content)) {
            KvSecureWipe(content);
            content.clear();
            return tooLong;
        }
        return "";
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return SystemErrorText(errno) + ".";
    }
    struct stat info {};
    std::string problem;
    int error = 0;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        problem = "It is a directory.";
    } else if (!ReadUpTo(fd, limit, content, error)) {
        // /dev/zero or a runaway pipe would otherwise fill the memory.
        KvSecureWipe(content);
        content.clear();
        problem = tooLong;
    } else if (error != 0) {
        problem = SystemErrorText(error) + ".";
    }
    ::close(fd);
    return problem;
}

std::string WritePrivateFile(const std::string& path, const std::string& content) {
    TByteArray bytes(content.begin(), content.end());
    std::string error = SaveBytesToPrivateFile(bytes, path);
    KvSecureWipe(bytes);
    if (!error.empty()) {
        // " [FileWriteError] Cannot write ..." reads better without the class.
        std::size_t close = error.find("] ");
        return close == std::string::npos ? error : error.substr(close + 2);
    }
    return "";
}

} // namespace cli
