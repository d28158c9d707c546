// Files that keyvale-cli reads and writes besides databases: JSON, notes,
// digests' input, exports.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

namespace cli {

// The whole file ("-": standard input) into `content`, through the reader
// the import uses (ReadFileUpTo): no block it outgrows is left unwiped.
// Empty on success, otherwise the cause ("It is a directory.", "No such file
// or directory."). Reading stops past `limit` bytes with "It holds more than
// <limit> bytes" and `limitReason` (e.g. ", more than a note can hold"), so
// that /dev/zero or an endless pipe is refused instead of filling the memory.
std::string ReadInputFile(const std::string& path, std::string& content,
                          std::size_t limit = std::numeric_limits<std::size_t>::max(),
                          const std::string& limitReason = "");

// Writes `content` as the new file at `path`, readable by its owner only
// from its first byte (also over an existing file of another mode) and
// atomically: the file is complete or not there. A symbolic link at `path` is
// replaced, not written through. Empty on success, otherwise the cause. The
// content is wiped from the copy made for writing.
std::string WritePrivateFile(const std::string& path, const std::string& content);

} // namespace cli
