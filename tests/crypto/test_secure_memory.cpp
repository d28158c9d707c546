#include "U_KV_RAT_01.h"
#include "U_KV_Secure_Memory_01.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// The process's locked memory in kB, from /proc/self/status.
long LockedKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmLck:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

std::uintptr_t Address(const TByteArray& a) {
    return reinterpret_cast<std::uintptr_t>(a.data());
}

TEST(SecureMemory, ByteArraysHavePagesOfTheirOwnLockedWhileTheyLive) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const long before = LockedKilobytes();
    {
        TByteArray small(10, 1);
        TByteArray other(10, 2);
        TByteArray big(1000000, 3);
        for (const TByteArray* a : {&small, &other, &big}) {
            EXPECT_EQ(Address(*a) % page, 0u) << "page-aligned";
        }
        // Two small arrays never share a page, so unlocking one cannot unlock
        // the other.
        EXPECT_GE(std::max(Address(small), Address(other)) -
                      std::min(Address(small), Address(other)),
                  page);
        rlimit limit{};
        ASSERT_EQ(getrlimit(RLIMIT_MEMLOCK, &limit), 0);
        // AddressSanitizer turns mlock into a no-op.
        if (!kAddressSanitizer &&
            (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 2 * 1024 * 1024)) {
            EXPECT_GE(LockedKilobytes() - before, 1000000 / 1024) << "the big array is locked";
        }
        // Growing moves the content to new locked pages.
        small.resize(5 * page, 7);
        EXPECT_EQ(small[0], 1);
        EXPECT_EQ(small[5 * page - 1], 7);
    }
    // Only the few single pages kept for the next small array stay locked.
    EXPECT_LE(LockedKilobytes() - before, static_cast<long>(16 * page / 1024))
        << "the big array's lock is released with it";
}

TEST(SecureMemory, APageGivenBackAndTakenAgainHoldsNothingOfItsLastArray) {
    // Kept pages are reused at once; whichever page the next array gets, it
    // must read as new memory, slack beyond the last array's size included.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (int round = 0; round < 40; ++round) {
        auto* used = static_cast<unsigned char*>(KvSecureAllocate(page / 2));
        std::fill(used, used + page / 2, 0xA5);
        KvSecureRelease(used, page / 2);
        auto* next = static_cast<unsigned char*>(KvSecureAllocate(page));
        EXPECT_TRUE(std::all_of(next, next + page, [](unsigned char b) { return b == 0; }))
            << "round " << round;
        KvSecureRelease(next, page);
    }
}

TEST(SecureMemory, LockFailureIsNoError) {
    // In a child whose lock limit is zero, arrays still work.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit none{0, 0};
        setrlimit(RLIMIT_MEMLOCK, &none);
        TByteArray a(100000, 5);
        a.push_back(6);
        _exit(a.size() == 100001 && a[99999] == 5 && a[100000] == 6 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SecureMemory, ProtectProcessTurnsOffCoreFilesAndDumping) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = KvProtectProcess();
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        _exit(ok && core.rlim_cur == 0 && core.rlim_max == 0 &&
                      prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
