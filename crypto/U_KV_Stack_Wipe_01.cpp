#include "U_KV_Stack_Wipe_01.h"

#include <alloca.h>
#include <string.h> // explicit_bzero

// Not inlined, so that the area lies below the caller's frame, where the
// callees' frames were.
__attribute__((noinline)) void KvWipeStack(std::size_t bytes) {
    constexpr std::size_t kMost = 256 * 1024;
    bytes = bytes < kMost ? bytes : kMost;
    auto* area = static_cast<unsigned char*>(alloca(bytes));
    explicit_bzero(area, bytes);
}
