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

TEST(DatabasePath, SplitsAtTheLastSlash) {
    EXPECT_EQ(PathDirectory("/home/a/x.kvdb"), "/home/a/");
    EXPECT_EQ(PathFileName("/home/a/x.kvdb"), "x.kvdb");
    EXPECT_EQ(PathDirectory("/x.kvdb"), "/");
    EXPECT_EQ(PathDirectory("x.kvdb"), "");
    EXPECT_EQ(PathFileName("x.kvdb"), "x.kvdb");
    EXPECT_EQ(PathFileName("/home/a/"), "");
}
