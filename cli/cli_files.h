// Files that keyvale-cli reads and writes besides databases: JSON, notes,
// digests' input, exports.
#pragma once

#include <string>

namespace cli {

// The whole file ("-": standard input) into `content`. Empty on success,
// otherwise the cause ("It is a directory.", "No such file or directory.").
std::string ReadInputFile(const std::string& path, std::string& content);

// Writes `content` as the new file at `path`, readable by its owner only,
// atomically: the file is complete or not there. Empty on success, otherwise
// the cause. The content is wiped from the copy made for writing.
std::string WritePrivateFile(const std::string& path, const std::string& content);

} // namespace cli
