// A short keyed hash (SipHash-2-4, 64 bits) for telling equal secrets apart
// without keeping them: with a key drawn afresh for each use, the values say
// only which inputs were equal, and nothing that outlives the key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using TKeyedHashKey = std::array<std::uint8_t, 16>;

// SipHash-2-4 of the bytes under the 128-bit key.
std::uint64_t KvKeyedHash(const TKeyedHashKey& key, std::string_view data);

// A key from the system's random source; false when it offers none.
bool KvNewKeyedHashKey(TKeyedHashKey& key);
