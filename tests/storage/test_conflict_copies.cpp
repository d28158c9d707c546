// The copies that writers leave beside a database: which names count as
// copies of it, and which never do.
#include "U_Keyvale_Conflict_Copies.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

TEST(ConflictCopies, NamesOfEveryWriterAreFoundAndNothingElse) {
    TempDir dir;
    const std::string database = dir.File("work.kvdb");
    WriteTextFile(database, "db");
    struct Case {
        const char* name;
        bool listed;
    };
    const Case cases[] = {
        {"work (conflict 2026-12-10 14-30-06).kvdb", true},
        {"work (conflict 2026-12-10 14-30-06 2).kvdb", true},
        {"work.sync-conflict-20261210-143006-ABCDEFG.kvdb", true},
        {"work (Ann's conflicted copy 2026-12-10).kvdb", true},
        {"work (conflicted copy 2026-12-10 143006).kvdb", true},
        {"work_conflict-20261210-143006.kvdb", true},
        // Copies of another database, or not copies at all.
        {"work.kvdb", false},
        {"workbook (conflict 2026-12-10 14-30-06).kvdb", false},
        {"other (conflict 2026-12-10 14-30-06).kvdb", false},
        {"work (conflict 2026-12-10).kvdb", false},
        {"work (conflict 2026-12-10 14-30-06).kvdb.tmp", false},
        {"work.sync-conflict-20261210-143006-.kvdb", false},
        {"work (copy).kvdb", false},
        {"work_conflict-2026-12-10.kvdb", false},
        {".work.kvdb.lock", false},
    };
    for (const Case& c : cases) {
        WriteTextFile(dir.File(c.name), "copy");
    }
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        if (c.listed) {
            expected.push_back(dir.File(c.name));
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListConflictCopies(database), expected);
    // A name Keyvale gives its own copies is always found.
    EXPECT_EQ(ListConflictCopies(dir.File("other.kvdb")),
              std::vector<std::string>{dir.File("other (conflict 2026-12-10 14-30-06).kvdb")});
}

// Only files count, links followed: a folder or a dangling link with a
// copy's name is nothing to merge. An unreadable folder has no copies.
TEST(ConflictCopies, OnlyRegularFilesInAReadableFolder) {
    TempDir dir;
    const std::string database = dir.File("work.kvdb");
    const std::string linked = dir.File("work (conflict 2026-12-10 14-30-06).kvdb");
    WriteTextFile(dir.File("elsewhere"), "copy");
    fs::create_symlink(dir.File("elsewhere"), linked);
    fs::create_directory(dir.File("work_conflict-20261210-143006.kvdb"));
    fs::create_symlink(dir.File("nowhere"), dir.File("work (conflicted copy).kvdb"));
    EXPECT_EQ(ListConflictCopies(database), std::vector<std::string>{linked});

    EXPECT_TRUE(ListConflictCopies(dir.File("missing/work.kvdb")).empty());
    if (::geteuid() != 0) { // root reads every folder
        fs::permissions(dir.Path(), fs::perms::owner_write | fs::perms::owner_exec);
        EXPECT_TRUE(ListConflictCopies(database).empty());
        fs::permissions(dir.Path(), fs::perms::owner_all);
    }
}

} // namespace
