// The five permutation rows of the KV hash.
#pragma once

#include <cstdint>

// Rows P1..P5 are KvHashPermutations[0..4]. Entries are 1-based: index 0 of
// each row is unused (0); indices 1..1000 hold a permutation of 1..1000.
extern const std::uint16_t KvHashPermutations[5][1001];
