// The parts of a chosen database path and the extension rule applied to it
// before the window or keyvale-cli decides whether to open or to create the
// file.
#pragma once

#include <string>

// The path with ".kvdb" appended unless it ends in ".kvdb" exactly: a name
// without extension and one with another extension (letters.txt, x.KVDB) both
// get it, so the program only ever creates and opens ".kvdb" files.
std::string WithDatabaseExtension(const std::string& path);

// A path's folder and file name: the one split for the window, keyvale-cli,
// the lock and conflict files, the backup folder and the checks of a new
// file's folder. A path splits at its last "/", and only there: a "\" or a
// line break is part of a name on this system, and ".." is a name too.
//
// The file name after the last "/"; the whole path when there is none, and
// empty when the path ends in "/" (it names a folder).
std::string PathFileName(const std::string& path);

// The folder the file stands in, as a path to open or show: "/home/a" for
// "/home/a/x.kvdb", "/" for "/x.kvdb" and "." for a bare name.
std::string PathFolder(const std::string& path);

// What stands before the file name: the path up to its last "/", that "/"
// included; empty for a bare name. PathDirectory(p) + PathFileName(p) == p,
// so a name put after it (a lock file's, a conflict copy's) lands beside p.
std::string PathDirectory(const std::string& path);
