// Checks on database file names, probes made before any real work, and the
// backup copy made after every successful open.
#pragma once

#include <cstddef>
#include <string>

inline constexpr const char* kDatabaseExtension = ".kvdb";
inline constexpr const char* kBackupDirectoryName = "Keyvale_Backup";
inline constexpr const char* kBackupExtension = ".backup_kvdb";

// Copies the database file to <directory>/Keyvale_Backup/<name>.backup_kvdb,
// creating the folder (for its owner only) when needed; one backup per
// database file name, each open overwrites it. Empty on success, else "Error!
// Could not make backup of a database file. " and the cause. The copy is saved
// as the database itself is (temporary file, flushed, renamed, folder
// flushed), so a failed copy keeps the previous backup; it is readable by its
// owner only, and a symbolic link at its name is replaced, never followed.
std::string MakeBackupCopy(const std::string& directory, const std::string& databaseFile);

// Whether a file name (without its directory) is acceptable: not empty, none of
// the characters " * / : < > ? \ | (nor NUL), its base name not one of the
// reserved device names CON, PRN, AUX, NUL, COM1-9, LPT1-9 in any case of
// a-z, and something other than full stops left after removing the spaces.
bool IsValidFileName(const std::string& name);

// Why IsValidFileName refuses a name, as one sentence for the user ("A
// database name may not hold the character \" ..."); empty when it is
// acceptable. The rule keeps database names valid on every system Keyvale's
// files travel to, Windows included.
std::string FileNameRefusal(const std::string& name);

// Whether the name ends in ".kvdb" exactly (case-sensitive).
bool HasDatabaseExtension(const std::string& name);

// Creates the file, which must not exist yet, writes 100 characters "0" and
// deletes it again. Empty on success, otherwise the failure's description.
// Nothing at the name is emptied or followed: an existing file or link is a
// failure ("... File exists") and stays as it was.
std::string ProbeCreateFile(const std::string& path);
