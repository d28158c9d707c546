// The bounded reader of the import, keyvale-cli's note and its digests: what
// it refuses, where it stops, and that no block it outgrows goes back to the
// heap with a secret still in it.
#include <gtest/gtest.h>

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Read_Write_Bounded.h"
#include "temp_dir.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <thread>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// While a test watches, every block freed is searched for the secret.
std::atomic<bool> g_watching{false};
std::atomic<int> g_unwipedFrees{0};
constexpr char kSecret[] = "TopSecret-4f1d";

bool HoldsSecret(void* block) {
    return memmem(block, malloc_usable_size(block), kSecret, sizeof kSecret - 1) != nullptr;
}

void Release(void* block) {
    if (block != nullptr && g_watching && HoldsSecret(block)) {
        ++g_unwipedFrees;
    }
    std::free(block);
}

} // namespace

// The heap as the standard one, observable: the test binary's allocations go
// through malloc and free so that a freed block can be read before it goes.
// Every form of plain new and delete is replaced, so that no block is made
// by one allocator and freed by another (a sanitizer's, for instance).
void* operator new(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block) noexcept {
    Release(block);
}

void operator delete[](void* block) noexcept {
    Release(block);
}

void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    Release(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Release(block);
}

namespace {

// Many copies of the secret, more than any first block of a string holds.
std::string SecretText(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) {
        text += kSecret;
        text += '\n';
    }
    text.resize(bytes);
    return text;
}

TEST(BoundedRead, FilesAreReadUpToTheLimitAndRefusedPastIt) {
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteTextFile(dir.File("ten"), "0123456789");
    struct Case {
        std::string path;
        std::size_t limit;
        TFileKinds kinds;
        std::string content;
        std::string problem;
        bool tooLarge, notRegular;
    };
    const Case cases[] = {
        {dir.File("ten"), 100, TFileKinds::RegularOnly, "0123456789", "", false, false},
        {dir.File("ten"), 10, TFileKinds::RegularOnly, "0123456789", "", false, false},
        {dir.File("ten"), 9, TFileKinds::RegularOnly, "", "It holds more than 9 bytes.", true,
         false},
        {"/dev/zero", 1000, TFileKinds::Any, "", "It holds more than 1000 bytes.", true, false},
        {"/dev/zero", 1000, TFileKinds::RegularOnly, "",
         "It is not a regular file (a FIFO, a socket or a device).", false, true},
        // Opened without waiting for a writer, as the refusal shows at once.
        {fifo, 1000, TFileKinds::RegularOnly, "",
         "It is not a regular file (a FIFO, a socket or a device).", false, true},
        {dir.Path(), 1000, TFileKinds::Any, "", "It is a directory.", false, false},
        {dir.File("missing"), 1000, TFileKinds::Any, "", "No such file or directory.", false,
         false},
    };
    for (const Case& c : cases) {
        std::string content = "left from before";
        const auto start = std::chrono::steady_clock::now();
        const TBoundedRead read = ReadFileUpTo(c.path, c.limit, content, c.kinds);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.path;
        EXPECT_EQ(content, c.content) << c.path;
        EXPECT_EQ(read.problem, c.problem) << c.path;
        EXPECT_EQ(read.tooLarge, c.tooLarge) << c.path;
        EXPECT_EQ(read.notRegular, c.notRegular) << c.path;
    }
}

// A pipe and a stream give no size to reserve: the text grows as they come,
// and each block it leaves is wiped first.
TEST(BoundedRead, NoOutgrownBlockKeepsWhatWasRead) {
    const std::string secret = SecretText(300000);

    std::istringstream stream(secret);
    std::string fromStream;
    g_unwipedFrees = 0;
    g_watching = true;
    const TBoundedRead streamRead = ReadStreamUpTo(stream, 1 << 20, fromStream);
    g_watching = false;
    EXPECT_EQ(streamRead.problem, "");
    EXPECT_EQ(fromStream == secret, true);
    EXPECT_EQ(g_unwipedFrees, 0) << "blocks freed with the secret in them";

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread writer([&] {
        for (std::size_t at = 0; at < secret.size();) {
            const ssize_t wrote = write(ends[1], secret.data() + at, secret.size() - at);
            if (wrote <= 0) {
                break;
            }
            at += static_cast<std::size_t>(wrote);
        }
        close(ends[1]);
    });
    std::string fromPipe;
    g_unwipedFrees = 0;
    g_watching = true;
    const TBoundedRead pipeRead =
        ReadFileUpTo("/dev/fd/" + std::to_string(ends[0]), 1 << 20, fromPipe, TFileKinds::Any);
    g_watching = false;
    writer.join();
    close(ends[0]);
    EXPECT_EQ(pipeRead.problem, "");
    EXPECT_EQ(fromPipe == secret, true);
    EXPECT_EQ(g_unwipedFrees, 0) << "blocks freed with the secret in them";

    // Past the limit, what came so far is wiped too.
    std::istringstream endless(secret);
    std::string cut;
    g_unwipedFrees = 0;
    g_watching = true;
    const TBoundedRead stopped = ReadStreamUpTo(endless, 100000, cut);
    cut.shrink_to_fit();
    g_watching = false;
    EXPECT_TRUE(stopped.tooLarge);
    EXPECT_EQ(cut, "");
    EXPECT_EQ(g_unwipedFrees, 0) << "blocks freed with the secret in them";
    KvSecureWipe(fromStream);
    KvSecureWipe(fromPipe);
}

} // namespace
