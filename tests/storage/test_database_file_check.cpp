// The checks made before a password is asked: each names the real cause.
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Check.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace {

void Write(const std::string& path, std::size_t size) {
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

TEST(DatabaseFileCheck, ReadProblemsNameTheirCause) {
    TempDir dir;
    Write(dir.File("smallest.kvdb"), kSmallestDatabaseFileSize);
    Write(dir.File("short.kvdb"), kSmallestDatabaseFileSize - 1);
    Write(dir.File("empty.kvdb"), 0);
    mkfifo(dir.File("pipe.kvdb").c_str(), 0600);
    // Sparse: no disk is used for the size.
    Write(dir.File("largest.kvdb"), 0);
    ASSERT_EQ(truncate(dir.File("largest.kvdb").c_str(), kLargestDatabaseFileSize), 0);
    Write(dir.File("huge.kvdb"), 0);
    ASSERT_EQ(truncate(dir.File("huge.kvdb").c_str(), 2'000'000'000), 0);
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("smallest.kvdb"), ""},
        {dir.File("short.kvdb"), "The file is too short to be a Keyvale database (2425 bytes; "
                                 "the smallest has 2426)."},
        {dir.File("empty.kvdb"), "The file is empty."},
        {dir.File("missing.kvdb"), "No such file or directory."},
        {dir.Path(), "It is a directory."},
        {dir.File("pipe.kvdb"), "It is not a regular file."},
        {dir.File("largest.kvdb"), ""},
        {dir.File("huge.kvdb"), "The file is larger than any Keyvale database can be (1907 MiB; "
                                "the largest is below 512 MiB)."},
    };
    for (const auto& [path, problem] : cases) {
        EXPECT_EQ(DatabaseFileReadProblem(path), problem) << path;
    }
}

// A 2 GB file handed over as a database once took half a minute and its own
// size in memory to end in "wrong password".
TEST(DatabaseFileCheck, LoadRefusesAFileTooLargeBeforeReadingIt) {
    TempDir dir;
    Write(dir.File("huge.kvdb"), 0);
    ASSERT_EQ(truncate(dir.File("huge.kvdb").c_str(), 2'000'000'000), 0);
    TKeyMaterial keys;
    ASSERT_EQ(KvDeriveKeyMaterial("secret1", keys), "");
    TKeyvaleTree tree;
    const auto start = std::chrono::steady_clock::now();
    const TDatabaseLoadResult result = LoadDatabaseFile(dir.File("huge.kvdb"), keys, tree);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(result.status, TDatabaseLoadStatus::Failed);
    EXPECT_NE(result.message.find("larger than any Keyvale database can be"), std::string::npos)
        << result.message;
}

TEST(DatabaseFileCheck, DestinationProblemsNameTheirCause) {
    TempDir dir;
    Write(dir.File("there.kvdb"), 1);
    Write(dir.File("plain"), 1);
    symlink(dir.File("nowhere").c_str(), dir.File("dangling.kvdb").c_str());
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("new.kvdb"), ""},
        {dir.File("there.kvdb"), "The file exists already."},
        {dir.File("dangling.kvdb"), "The file exists already."}, // never follow a link there
        {dir.Path(), "It is a directory."},
        {dir.File("missing/new.kvdb"),
         "Its folder " + dir.File("missing") + ": No such file or directory."},
        {dir.File("plain/new.kvdb"), "Its folder " + dir.File("plain") + " is not a directory."},
    };
    for (const auto& [path, problem] : cases) {
        EXPECT_EQ(DatabaseDestinationProblem(path), problem) << path;
    }
    EXPECT_EQ(DatabaseReplaceProblem(dir.File("there.kvdb")), "");
    EXPECT_EQ(DatabaseReplaceProblem(dir.File("missing.kvdb")), "No such file or directory.");
    if (geteuid() != 0) { // root may write everywhere
        chmod(dir.File("there.kvdb").c_str(), 0400);
        EXPECT_EQ(DatabaseReplaceProblem(dir.File("there.kvdb")), "Permission denied.");
        chmod(dir.File("there.kvdb").c_str(), 0600);
        chmod(dir.Path().c_str(), 0500);
        EXPECT_EQ(DatabaseDestinationProblem(dir.File("new.kvdb")),
                  "Its folder " + dir.Path() + ": Permission denied.");
        EXPECT_EQ(DatabaseReplaceProblem(dir.File("there.kvdb")),
                  "Its folder " + dir.Path() + ": Permission denied.");
        chmod(dir.Path().c_str(), 0700);
    }
}

} // namespace
