// The copies of a database that writers leave beside it when two of them
// changed it at once: Keyvale's own conflict copies and those of the sync
// tools that keep a folder in step between machines.
#pragma once

#include <string>
#include <vector>

// The conflict copies beside `databaseFile` (full paths, sorted by name),
// for a file "<name>.kvdb":
//   "<name> (conflict <YYYY-MM-DD> <HH-MM-SS>[ <n>]).kvdb"   Keyvale
//   "<name>.sync-conflict-<YYYYMMDD>-<HHMMSS>-<DEVICE>.kvdb"  Syncthing
//   "<name> (<anything>conflicted copy<anything>).kvdb"       Dropbox, Nextcloud
//   "<name>_conflict-<YYYYMMDD>-<HHMMSS>.kvdb"                ownCloud, Nextcloud
// Only regular files (links followed) count; the database itself never does.
// An unreadable folder gives none.
std::vector<std::string> ListConflictCopies(const std::string& databaseFile);
