#pragma once

#include <cstdint>

// The five fixed permutations of the KV hash; the mode chooses one row.
// Rows P1..P5 are KvHashPermutations[0..4]; entries are 1-based: index 0 of each row is unused (0),
// indices 1..1000 hold the permutation.
extern const std::uint16_t KvHashPermutations[5][1001];
