// Whole-file reads and writes of byte arrays, reporting failures as text.
//
// Every function returns an error text: empty on success, otherwise words the
// caller puts its own words around. Failure texts of the two transfer helpers
// begin with " [" + failure class + "] " (note the leading space).
#pragma once

#include "U_KV_RAT_01.h"

#include <cstdint>
#include <functional>
#include <string>

// Writes all bytes as the new content of the file. An empty array gives
// "Error! Cannot save empty array to a file." and touches no file.
//
// The old file is never damaged: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and only then replace the old file in one
// step. On any failure the old file stays as it was and the temporary file is
// removed. A new file is readable by its owner only; a replaced one keeps its
// permissions, and one the user may not write is refused as before.
std::string SaveBytesToFile(const TByteArray& bytes, const std::string& fileName);

// SaveBytesToFile with a checkpoint between writing the temporary file and
// replacing the old one: a non-empty text from `beforeReplace` fails the save
// there with that text. Lets tests interrupt a save at its most delicate point.
std::string SaveBytesToFileWithCheckpoint(const TByteArray& bytes, const std::string& fileName,
                                          const std::function<std::string()>& beforeReplace);

// Writes all bytes as the file's new content for its owner's eyes only, for
// copies of secrets (backups, exports): the temporary file is 0600 from its
// first byte and keeps that mode, and the last step renames it over the name
// itself, so a symbolic link standing there is replaced, never followed, and
// whatever it points to is left alone. A regular file the user may not write
// is refused, as SaveBytesToFile refuses it.
// `beforeReplace` works as in SaveBytesToFileWithCheckpoint.
std::string SaveBytesToPrivateFile(const TByteArray& bytes, const std::string& fileName,
                                   const std::function<std::string()>& beforeReplace = nullptr);

// Writes all bytes as a new file that must not exist yet: like SaveBytesToFile,
// through a flushed temporary file, but the last step only ever creates the
// name. Whatever stands at the name by then (a file, a directory or a symbolic
// link, even a dangling one) is left untouched and followed nowhere; the text
// is then " [FileExistsError] ..." and `existed`, when given, is set true.
std::string SaveBytesToNewFile(const TByteArray& bytes, const std::string& fileName,
                               bool* existed = nullptr,
                               const std::function<std::string()>& beforeCreate = nullptr);

// Reads the whole file into `bytes`. A file of size 0 or one that cannot be
// opened gives "Error! Cannot load data from file " + name + ". File is empty."
std::string LoadBytesFromFile(TByteArray& bytes, const std::string& fileName);

// The size of a regular file opened read-only; -1 when it cannot be opened.
std::int64_t FileSizeOf(const std::string& fileName);

// Deletes the file; failures are ignored.
void DeleteFileQuietly(const std::string& fileName);

// The platform's description of an errno value.
std::string SystemErrorText(int error);
