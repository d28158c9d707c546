// The stack below a caller's frame, overwritten: the functions it called
// left their locals there (a cipher's block, a converted text).
#pragma once

#include <cstddef>

// Overwrites `bytes` (at most 256 KiB) of the stack below the caller's frame;
// call it after a run of work on secrets, such as an import.
void KvWipeStack(std::size_t bytes = 64 * 1024);
