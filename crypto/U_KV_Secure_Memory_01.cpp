#include "U_KV_Secure_Memory_01.h"

#include <mutex>
#include <string.h> // explicit_bzero
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

// Under AddressSanitizer the slack after an array's bytes is poisoned, so
// that reading past the end of a byte array is still reported although the
// memory does not come from the sanitizer's own allocator.
#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(KV_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace {

std::size_t PageSize() {
    static const std::size_t size = [] {
        long page = sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::size_t>(page) : std::size_t{4096};
    }();
    return size;
}

} // namespace

std::size_t KvSecurePageRoundedSize(std::size_t bytes) {
    const std::size_t page = PageSize();
    if (bytes == 0) {
        return page;
    }
    if (bytes > static_cast<std::size_t>(-1) - page) {
        throw std::bad_alloc();
    }
    return (bytes + page - 1) / page * page;
}

// The mapping's size: under AddressSanitizer at least one byte more, so that
// there always is a poisoned byte right after the array.
static std::size_t MappedSize(std::size_t bytes) {
#if defined(KV_ADDRESS_SANITIZER)
    if (bytes == static_cast<std::size_t>(-1)) {
        throw std::bad_alloc();
    }
    ++bytes;
#endif
    return KvSecurePageRoundedSize(bytes);
}

namespace {

// Released single pages kept for the next small array. Deciphering one record
// takes and gives back a few small arrays; without this each of them costs a
// mapping, a lock, an unlock and an unmapping, and unmapping makes every other
// core drop its address cache. A kept page stays locked and left out of core
// dumps, and is wiped whole before it is kept. Under AddressSanitizer nothing
// is kept, so a use after release still faults.
class TSparePages {
  public:
    void* Take() {
        std::lock_guard<std::mutex> hold(mutex_);
        return count_ == 0 ? nullptr : pages_[--count_];
    }
    bool Keep(void* page) {
        std::lock_guard<std::mutex> hold(mutex_);
        if (count_ == kCapacity) {
            return false;
        }
        pages_[count_++] = page;
        return true;
    }

  private:
    static constexpr std::size_t kCapacity = 16;
    std::mutex mutex_;
    void* pages_[kCapacity] = {};
    std::size_t count_ = 0;
};

TSparePages& SparePages() {
    static TSparePages* pages = new TSparePages; // never destroyed: used until exit
    return *pages;
}

#if defined(KV_ADDRESS_SANITIZER)
constexpr bool kKeepSparePages = false;
#else
constexpr bool kKeepSparePages = true;
#endif

} // namespace

void* KvSecureAllocate(std::size_t bytes) {
    const std::size_t size = MappedSize(bytes);
    if (kKeepSparePages && size == PageSize()) {
        if (void* page = SparePages().Take()) {
            return page;
        }
    }
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    // Both may fail (the lock limit, an old kernel); the memory is usable
    // either way and is wiped on release.
    (void)mlock(memory, size);
    (void)madvise(memory, size, MADV_DONTDUMP);
#if defined(KV_ADDRESS_SANITIZER)
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(memory) + bytes, size - bytes);
#endif
    return memory;
}

void KvSecureRelease(void* memory, std::size_t bytes) noexcept {
    if (memory == nullptr) {
        return;
    }
    const std::size_t size = MappedSize(bytes);
    if (kKeepSparePages && size == PageSize()) {
        // Wiped whole: the next array must find nothing of this one.
        explicit_bzero(memory, size);
        if (SparePages().Keep(memory)) {
            return;
        }
    } else {
        explicit_bzero(memory, bytes);
    }
#if defined(KV_ADDRESS_SANITIZER)
    // A later mapping at the same address must not find the poison.
    ASAN_UNPOISON_MEMORY_REGION(memory, size);
#endif
    (void)munlock(memory, size);
    (void)munmap(memory, size);
}

bool KvProtectProcess() {
    const rlimit noCore{0, 0};
    const bool coreOff = setrlimit(RLIMIT_CORE, &noCore) == 0;
    const bool notDumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return coreOff && notDumpable;
}
