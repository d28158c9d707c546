#include "U_Keyvale_Read_Write_Bounded.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Read_Write_Files.h"

#include <algorithm>
#include <cerrno>
#include <istream>

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kChunkSize = 65536;

std::string SystemProblem(int error) {
    return SystemErrorText(error) + ".";
}

TBoundedRead TooLarge(std::size_t limit) {
    return {"It holds more than " + std::to_string(limit) + " bytes.", true};
}

// A failed read leaves nothing of what came so far.
TBoundedRead Failed(std::string& content, TBoundedRead result) {
    KvSecureWipe(content);
    return result;
}

// Appends a chunk unless it takes the text past the limit.
bool AppendWithin(std::string& content, const char* bytes, std::size_t size, std::size_t limit) {
    if (size > limit || content.size() > limit - size) {
        return false;
    }
    AppendWiping(content, bytes, size);
    return true;
}

// The file's kind, told before a byte is read: no problem when it may be read.
TBoundedRead KindProblem(const struct stat& info, bool standardInput, TFileKinds kinds) {
    if (S_ISDIR(info.st_mode)) {
        return {"It is a directory."};
    }
    if (!standardInput && kinds == TFileKinds::RegularOnly && !S_ISREG(info.st_mode)) {
        return {"It is not a regular file (a FIFO, a socket or a device).", false, true};
    }
    return {};
}

TBoundedRead ReadDescriptor(int fd, std::size_t limit, std::string& content) {
    char buffer[kChunkSize];
    TBoundedRead result;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            result = Failed(content, {SystemProblem(errno)});
            break;
        }
        if (got == 0) {
            break;
        }
        if (!AppendWithin(content, buffer, static_cast<std::size_t>(got), limit)) {
            result = Failed(content, TooLarge(limit));
            break;
        }
    }
    explicit_bzero(buffer, sizeof buffer);
    return result;
}

} // namespace

void AppendWiping(std::string& content, const char* bytes, std::size_t size) {
    if (content.size() + size > content.capacity()) {
        std::string larger;
        larger.reserve(std::max(2 * content.capacity(), content.size() + size));
        larger.append(content);
        KvSecureWipe(content);
        content.swap(larger);
    }
    content.append(bytes, size);
}

TBoundedRead ReadFileUpTo(const std::string& path, std::size_t limit, std::string& content,
                          TFileKinds kinds) {
    KvSecureWipe(content);
    const bool standardInput = path == "-";
    // Without waiting: opening a FIFO for reading would otherwise block until
    // someone opens it for writing.
    const int fd = standardInput ? ::dup(STDIN_FILENO)
                                 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return {SystemProblem(errno)};
    }
    struct stat info {};
    TBoundedRead refused = ::fstat(fd, &info) != 0 ? TBoundedRead{SystemProblem(errno)}
                                                   : KindProblem(info, standardInput, kinds);
    if (refused.problem.empty() && !standardInput) {
        // Opened; a pipe is now read as it comes.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            refused = {SystemProblem(errno)};
        }
    }
    if (!refused.problem.empty()) {
        ::close(fd);
        return refused;
    }
    if (S_ISREG(info.st_mode)) {
        // One block of the file's size (and one byte to see that it ended),
        // so that a file of known size never grows the text at all.
        const auto size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
        content.reserve(std::min(size, limit) + 1);
    }
    TBoundedRead result = ReadDescriptor(fd, limit, content);
    ::close(fd);
    return result;
}

TBoundedRead ReadStreamUpTo(std::istream& in, std::size_t limit, std::string& content) {
    KvSecureWipe(content);
    char buffer[kChunkSize];
    TBoundedRead result;
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        if (!AppendWithin(content, buffer, static_cast<std::size_t>(in.gcount()), limit)) {
            result = Failed(content, TooLarge(limit));
            break;
        }
    }
    if (result.problem.empty() && in.bad()) {
        result = Failed(content, {"It could not be read."});
    }
    explicit_bzero(buffer, sizeof buffer);
    return result;
}
