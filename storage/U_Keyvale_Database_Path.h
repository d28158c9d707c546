// The parts of a chosen database path and the extension rule applied to it
// before the window decides whether to open or to create the file.
#pragma once

#include <string>

// The path with ".kvdb" appended unless it ends in ".kvdb" exactly: a name
// without extension and one with another extension (letters.txt, x.KVDB) both
// get it, so the program only ever creates and opens ".kvdb" files.
std::string WithDatabaseExtension(const std::string& path);

// The directory of the path with its trailing '/', empty for a bare name.
std::string PathDirectory(const std::string& path);

// The file name after the last '/'; the whole path when there is none.
std::string PathFileName(const std::string& path);
