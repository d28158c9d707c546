// What the system says about a database path before a password is asked for:
// whether the file can be a database at all, and whether a new one can be
// written there. The texts are the real causes ("Is a directory", "Permission
// denied", too short), so that nobody types a password for a file that could
// never open, or twice for one that could never be written.
#pragma once

#include <cstdint>
#include <string>

// The smallest file Keyvale writes: two special folder lines of 211
// characters with their line ends, and the 2000-byte tail.
inline constexpr std::int64_t kSmallestDatabaseFileSize = 2000 + 2 * (211 + 2);

// Empty when the file exists, is a regular file that can be read and is not
// shorter than any database; otherwise the cause, e.g. "It is a directory.".
std::string DatabaseFileReadProblem(const std::string& path);

// Empty when a new database can be created at `path`: nothing is there yet
// (not even a dangling link), its folder exists and may be written, and a
// file made there and removed again shows it; otherwise the cause.
std::string DatabaseDestinationProblem(const std::string& path);

// Empty when the existing database at `path` can be saved again: the file
// (the one a link points to) may be written, and so may its folder, where
// the new content is written beside it before it takes the file's place;
// otherwise the cause. The window's warning at open and keyvale-cli's
// refusal before a change both ask this.
std::string DatabaseReplaceProblem(const std::string& path);
