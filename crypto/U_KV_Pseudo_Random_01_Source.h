// The process-wide uniform random source behind every piece of random
// material: salts of the payload layers, special folder lines, record filler.
#pragma once

#include <cstddef>
#include <cstdint>

// Resets the generator's state from the operating system's entropy source
// and the high-resolution clock. Nothing is ever reproduced from a seed.
void KvReseedRandom();

// Fills `data` with bytes from the kernel's entropy pool (getrandom, retried
// when a signal interrupts it). False only when the kernel offers none.
bool KvSystemRandomBytes(unsigned char* data, std::size_t size);

// A uniform integer in the half-open range [low, high); low when high <= low.
std::int32_t KvUniformRandom(std::int32_t low, std::int32_t high);
