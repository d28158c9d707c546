// Reading the JSON of an export into a document the import's readers walk.
//
// The reader is Keyvale's own rather than the JSON library's parser, for
// three reasons an export full of passwords needs:
// - nesting is refused beyond a small depth while reading, so no file can
//   exhaust the stack of the reader, of a copy or of the document's end;
// - a refusal names the line, the column and what was expected there, and
//   never quotes the text read (which may be a password);
// - every byte the document holds (strings, keys, arrays, objects) comes
//   from an allocator that wipes it when it is freed, and each string is
//   built in one allocation of its final size, so no outgrown copy is freed
//   unwiped on the way.
// The document itself is the JSON library's, so the readers keep its API.
#pragma once

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <string.h> // explicit_bzero

// The standard allocator, but every block is overwritten with zeros before it
// goes back. Cheap enough for the many small blocks of a document (unlike the
// page-locked memory of the key material).
template <typename T> struct TWipingAllocator {
    using value_type = T;

    TWipingAllocator() noexcept = default;
    template <typename U> TWipingAllocator(const TWipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept {
        explicit_bzero(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }

    template <typename U> bool operator==(const TWipingAllocator<U>&) const noexcept {
        return true;
    }
};

using TWipedString = std::basic_string<char, std::char_traits<char>, TWipingAllocator<char>>;

// A JSON document whose memory is wiped when freed; members keep the file's order.
using TJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, TWipedString, bool,
                                   std::int64_t, std::uint64_t, double, TWipingAllocator>;

// Arrays and objects nest at most this deep. A Keyvale export of the deepest
// tree needs 35 levels; Bitwarden's exports need 6.
inline constexpr std::size_t kMaximumJsonDepth = 64;

// A document holds at most this many values (every string, number, array,
// object, true, false and null counts). An export of the largest tree the
// import can take, 10,000 entries of a few dozen values each, stays far below;
// a larger file is refused where it passes the count, before its document
// takes gigabytes.
inline constexpr std::size_t kMaximumJsonValues = 2'000'000;

// Reads `text` (UTF-8, with or without a byte-order mark) as one JSON value.
// Empty on success; otherwise "line 3, column 17: ..." naming what was
// expected there. `stop`, when given and set, ends the reading early with a
// refusal saying so.
std::string ParseImportJson(std::string_view text, TJson& document,
                            const std::atomic<bool>* stop = nullptr);
