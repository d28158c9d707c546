// Which files beside a database are the copies that writers left when two of
// them changed it at once.
#include "U_Keyvale_Conflict_Copies.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct NameCase {
    const char* database; // the database's file name
    const char* other;    // a regular file beside it
    bool isCopy;
};

// Each writer's pattern, then the names that only look alike.
const NameCase kNames[] = {
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05).kvdb", true},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05 2).kvdb", true},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05 17).kvdb", true},
    {"Vault.kvdb", "Vault.sync-conflict-20261211-143005-ABCDEF1.kvdb", true},
    {"Vault.kvdb", "Vault (Jane Doe's conflicted copy 2026-12-11).kvdb", true},
    {"Vault.kvdb", "Vault (conflicted copy 2026-12-11 143005).kvdb", true},
    {"Vault.kvdb", "Vault_conflict-20261211-143005.kvdb", true},
    // Names that are patterns in other languages: "+", "(", "." and "*".
    {"a+b (x).kvdb", "a+b (x) (conflict 2026-12-11 14-30-05).kvdb", true},
    {"a+b (x).kvdb", "a+b (x).sync-conflict-20261211-143005-ABCDEF1.kvdb", true},
    {"a+b (x).kvdb", "aab (x) (conflict 2026-12-11 14-30-05).kvdb", false},
    {"a.b*.kvdb", "a.b*_conflict-20261211-143005.kvdb", true},
    {"a.b*.kvdb", "aXbbb_conflict-20261211-143005.kvdb", false},

    {"Vault.kvdb", "Vault.kvdb", false},
    {"Vault.kvdb", ".Vault.kvdb.lock", false},
    {"Vault.kvdb", "Vault (copy).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05).kvdb.tmp", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05).KVDB", false},
    {"Vault.kvdb", "vault (conflict 2026-12-11 14-30-05).kvdb", false},
    // Another database whose name only starts alike, and its copies.
    {"Vault.kvdb", "Vault2 (conflict 2026-12-11 14-30-05).kvdb", false},
    {"Vault.kvdb", "Vault old (Jane's conflicted copy 2026-12-11).kvdb", false},
    {"Vault.kvdb", "Vault (x) (Jane's conflicted copy 2026-12-11).kvdb", false},
    {"Vault.kvdb", "Vault2.sync-conflict-20261211-143005-ABCDEF1.kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05) (conflict 2026-12-11 14-31-00).kvdb",
     false},
    // Wrong digits: too few, too many, letters, out of range, another layout.
    {"Vault.kvdb", "Vault (conflict 2026-12-1 14-30-05).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-055).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-13-11 14-30-05).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 24-30-05).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14:30:05).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05 ).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05 x).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11 14-30-05 02).kvdb", false},
    {"Vault.kvdb", "Vault (conflict 2026-12-11).kvdb", false},
    {"Vault.kvdb", "Vault.sync-conflict-2026121-143005-ABCDEF1.kvdb", false},
    {"Vault.kvdb", "Vault.sync-conflict-20261211-143005-.kvdb", false},
    {"Vault.kvdb", "Vault.sync-conflict-20261211-143005-abc.kvdb", false},
    {"Vault.kvdb", "Vault.sync-conflict-2026-12-11-143005-ABCDEF1.kvdb", false},
    {"Vault.kvdb", "Vault_conflict-20261211-1430.kvdb", false},
    {"Vault.kvdb", "Vault_conflict-2026121a-143005.kvdb", false},
    {"Vault.kvdb", "Vault (conflicted cop 2026-12-11).kvdb", false},
    {"Vault.kvdb", "Vault(Jane's conflicted copy 2026-12-11).kvdb", false},
    // A database whose name ends like a copy's does not make itself a copy.
    {"x.kvdb.kvdb", "x.kvdb", false},
};

TEST(ConflictCopies, EachWritersPatternAndTheNamesThatOnlyLookAlike) {
    for (const NameCase& c : kNames) {
        TempDir dir;
        WriteTextFile(dir.File(c.database), "db");
        WriteTextFile(dir.File(c.other), "copy");
        const std::vector<std::string> expected =
            c.isCopy ? std::vector<std::string>{dir.File(c.other)} : std::vector<std::string>{};
        EXPECT_EQ(ListConflictCopies(dir.File(c.database)), expected)
            << c.database << " beside " << c.other;
    }
}

TEST(ConflictCopies, OnlyRegularFilesSortedByName) {
    TempDir dir;
    const std::string database = dir.File("Vault.kvdb");
    WriteTextFile(database, "db");
    const std::string syncthing = dir.File("Vault.sync-conflict-20261211-143005-ABCDEF1.kvdb");
    const std::string keyvale = dir.File("Vault (conflict 2026-12-11 14-30-05).kvdb");
    const std::string linked = dir.File("Vault_conflict-20261211-143005.kvdb");
    WriteTextFile(syncthing, "1");
    WriteTextFile(keyvale, "2");
    WriteTextFile(dir.File("elsewhere"), "3");
    fs::create_symlink(dir.File("elsewhere"), linked); // a link to a file counts
    fs::create_directory(dir.File("Vault (conflict 2026-12-12 09-00-00).kvdb"));
    fs::create_symlink(dir.File("gone"), dir.File("Vault (conflict 2026-12-13 09-00-00).kvdb"));

    EXPECT_EQ(ListConflictCopies(database), (std::vector<std::string>{keyvale, syncthing, linked}));
    EXPECT_TRUE(ListConflictCopies(dir.File("Other.kvdb")).empty());
    EXPECT_TRUE(ListConflictCopies(dir.File("Vault")).empty()) << "not a database name";
}

TEST(ConflictCopies, PathsKeepTheFormTheDatabaseWasNamedIn) {
    TempDir dir;
    WriteTextFile(dir.File("Vault (conflict 2026-12-11 14-30-05).kvdb"), "copy");
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    const std::vector<std::string> bare = ListConflictCopies("Vault.kvdb");
    const std::vector<std::string> dotted = ListConflictCopies("./Vault.kvdb");
    fs::current_path(before);
    EXPECT_EQ(bare, std::vector<std::string>{"Vault (conflict 2026-12-11 14-30-05).kvdb"});
    EXPECT_EQ(dotted, std::vector<std::string>{"./Vault (conflict 2026-12-11 14-30-05).kvdb"});
}

TEST(ConflictCopies, UnreadableOrMissingFolderGivesNone) {
    TempDir dir;
    EXPECT_TRUE(ListConflictCopies(dir.File("missing/Vault.kvdb")).empty());
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every folder";
    }
    fs::create_directory(dir.File("closed"));
    WriteTextFile(dir.File("closed/Vault (conflict 2026-12-11 14-30-05).kvdb"), "copy");
    chmod(dir.File("closed").c_str(), 0300);
    EXPECT_TRUE(ListConflictCopies(dir.File("closed/Vault.kvdb")).empty());
}

} // namespace
