// The extension rule and the split of a chosen path into folder and name.
#include <gtest/gtest.h>

#include "U_Keyvale_Database_Path.h"

TEST(DatabasePath, ExtensionIsAppendedUnlessExactlyKvdb) {
    struct Case {
        const char* chosen;
        const char* result;
    };
    const Case cases[] = {
        {"/home/a/letters", "/home/a/letters.kvdb"},
        {"/home/a/letters.txt", "/home/a/letters.txt.kvdb"},
        {"/home/a/x.KVDB", "/home/a/x.KVDB.kvdb"},
        {"/home/a/x.kvdb", "/home/a/x.kvdb"},
        {"/home/a.kvdb/x", "/home/a.kvdb/x.kvdb"}, // a folder's extension does not count
        {"/home/a/", "/home/a/.kvdb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithDatabaseExtension(c.chosen), c.result) << c.chosen;
    }
}

// One split of a path for every program: at the last "/" and only there.
TEST(DatabasePath, SplitsAtTheLastSlash) {
    struct Case {
        const char* path;
        const char* folder;
        const char* directory;
        const char* fileName;
    };
    const Case cases[] = {
        {"/home/a/x.kvdb", "/home/a", "/home/a/", "x.kvdb"},
        {"/x.kvdb", "/", "/", "x.kvdb"},
        {"x.kvdb", ".", "", "x.kvdb"},
        {"/home/a/", "/home/a", "/home/a/", ""}, // a folder: no file name
        {"/", "/", "/", ""},
        {"..", ".", "", ".."},
        {"a/..", "a", "a/", ".."},
        {"a//x.kvdb", "a", "a//", "x.kvdb"},
        {"a\\b.kvdb", ".", "", "a\\b.kvdb"}, // "\" is part of a name here
        {"C:\\db\\x.kvdb", ".", "", "C:\\db\\x.kvdb"},
        {"line\nbreak/x\ny.kvdb", "line\nbreak", "line\nbreak/", "x\ny.kvdb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathFolder(c.path), c.folder) << c.path;
        EXPECT_EQ(PathDirectory(c.path), c.directory) << c.path;
        EXPECT_EQ(PathFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(PathDirectory(c.path) + PathFileName(c.path), c.path);
    }
}
