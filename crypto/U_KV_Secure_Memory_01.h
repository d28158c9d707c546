// Memory for secrets, and the process settings that keep them out of reach.
//
// Key material and deciphered plaintext live in byte arrays (TByteArray) that
// take their memory from KvSecureAllocator: whole pages of their own, locked
// in RAM where the system allows (so they are not written to swap), left out
// of core dumps, and wiped before they go back to the system. Since no two
// arrays ever share a page, unlocking one array's pages can never unlock
// another live secret. A failure to lock (over RLIMIT_MEMLOCK, for example)
// is no error: the array still works and is still wiped. A few released
// single pages are kept, wiped whole and still locked, for the next small
// array, since a small array is taken and given back for every record
// deciphered.
#pragma once

#include <cstddef>
#include <new>

// Pages of their own for `bytes` bytes (at least one page), locked where
// allowed. Throws std::bad_alloc when the system has no memory left.
void* KvSecureAllocate(std::size_t bytes);

// Wipes the first `bytes` bytes, unlocks the pages and returns them to the
// system; a single page may be wiped whole and kept locked for the next
// allocation instead. `bytes` is the size given to KvSecureAllocate.
void KvSecureRelease(void* memory, std::size_t bytes) noexcept;

// The page-rounded size KvSecureAllocate reserves for `bytes` bytes.
std::size_t KvSecurePageRoundedSize(std::size_t bytes);

template <typename T> struct KvSecureAllocator {
    using value_type = T;

    KvSecureAllocator() noexcept = default;
    template <typename U> KvSecureAllocator(const KvSecureAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(KvSecureAllocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { KvSecureRelease(p, n * sizeof(T)); }

    template <typename U> bool operator==(const KvSecureAllocator<U>&) const noexcept {
        return true;
    }
};

// For a program's start: no core files, and the process is not dumpable, so
// other users' processes (and, under the usual ptrace scope, the user's own
// unprivileged ones) cannot attach to it or read its memory through /proc.
// Returns false when one of the two settings was refused; the program may go
// on, less protected.
bool KvProtectProcess();
