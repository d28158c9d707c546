// The process-wide uniform random source behind every piece of random
// material: salts of the payload layers, special folder lines, record filler.
#pragma once

#include <cstdint>

// Resets the generator's state from the operating system's entropy source
// and the high-resolution clock. Nothing is ever reproduced from a seed.
void KvReseedRandom();

// A uniform integer in the half-open range [low, high); low when high <= low.
std::int32_t KvUniformRandom(std::int32_t low, std::int32_t high);
