// What the system says about a database path before a password is asked for:
// whether the file can be a database at all, and whether a new one can be
// written there. The texts are the real causes ("Is a directory", "Permission
// denied", too short), so that nobody types a password for a file that could
// never open, or twice for one that could never be written.
#pragma once

#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <cstdint>
#include <string>

// The smallest file Keyvale writes: two special folder lines of 211
// characters with their line ends, and the 2000-byte tail.
inline constexpr std::int64_t kSmallestDatabaseFileSize = 2000 + 2 * (211 + 2);

// The largest tree text the limits allow. A 16-bit code unit takes at most
// three bytes of UTF-8, and at most half of the nodes are records, each with
// its data node:
// - a record's line: 15 TABs, a name of 200 code units, CR LF;
// - its data node's line: 16 TABs, the Base64 of the record's plain text
//   (five length codes and the five fields at their limits), CR LF;
// - two special folder lines around the tree.
namespace largest_database {
constexpr std::int64_t kRecordLine = kMaximumLevel + 3 * kMaximumNameLength + 2;
constexpr std::int64_t kRecordPlainText =
    5 * 4 + 3 * (kMaximumLoginLength + kMaximumPasswordLength + kMaximumEmailLength +
                 kMaximumUrlLength + kMaximumNoteLength);
constexpr std::int64_t kDataLine = kMaximumLevel + 1 + 4 * ((kRecordPlainText + 2) / 3) + 2;
constexpr std::int64_t kTreeText =
    2 * (kSpecialFolderMaximumLength + 2) + kMaximumNodeCount / 2 * (kRecordLine + kDataLine);
} // namespace largest_database

// The largest file taken for a database: about 205 MiB of tree text at the
// worst, twice that for a text written as UTF-16, and the 2000-byte tail fit
// in it with room to spare. A larger file is refused before it is read.
inline constexpr std::int64_t kLargestDatabaseFileSize = std::int64_t{512} << 20;
static_assert(kLargestDatabaseFileSize > 2 * largest_database::kTreeText + 2 + 2000);

// Empty when the file exists, is a regular file that can be read and is
// neither shorter nor larger than any database; otherwise the cause, e.g.
// "It is a directory.". It is opened without waiting, so that a FIFO put in
// its place is refused rather than waited on.
std::string DatabaseFileReadProblem(const std::string& path);

// The refusal of a file too large to be a database; empty for any other size.
std::string DatabaseFileSizeProblem(std::int64_t size);

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
