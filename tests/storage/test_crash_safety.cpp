// A save killed at any moment (SIGKILL, no chance to clean up) leaves the
// database file holding the tree of the last complete save or the new one,
// never a mix, a cut file or nothing; leftovers of the interrupted save never
// take the database's name.
#include "U_Keyvale_Database_File.h"
#include "temp_dir.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A few hundred records, so that every save writes a file of some size; the
// generations differ in the first root's name.
void FillTree(TKeyvaleTree& tree) {
    AddFolder(tree, kNoNode, "generation 0");
    for (int f = 0; f < 20; ++f) {
        TNodeHandle folder = AddFolder(tree, kNoNode, "folder " + std::to_string(f));
        for (int r = 0; r < 15; ++r) {
            AddRecord(tree, folder, "record " + std::to_string(r),
                      {"user", "pw" + std::to_string(r), "", "", ""});
        }
    }
}

TEST(CrashSafety, SaveKilledAtRandomMomentsKeepsOldOrNewTree) {
    TempDir dir;
    const std::string file = dir.File("crash.kvdb");
    TKeyMaterial keys;
    ASSERT_EQ(KvDeriveKeyMaterial("crash test password", keys), "");

    TKeyvaleTree tree;
    FillTree(tree);
    Clock::time_point start = Clock::now();
    ASSERT_TRUE(SaveDatabaseFile(file, tree, keys).saved);
    const auto saveTime =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);

    // Outlines of the generations on disk: the last complete one, and the one
    // being written.
    std::string previous = Outline(tree);
    std::mt19937 random(std::random_device{}());
    const auto budget = std::chrono::seconds(20);
    const Clock::time_point end = Clock::now() + budget;
    int runs = 0;
    int kills = 0;
    int leftovers = 0;
    int killedButSaved = 0; // killed after the new file had taken the old one's place
    for (int generation = 1; generation <= 400 && Clock::now() < end; ++generation) {
        tree.SetText(tree.First(), "generation " + std::to_string(generation));
        const std::string next = Outline(tree);
        // Kill anywhere from before the save starts until just after it ends.
        const auto delay = std::chrono::microseconds(
            std::uniform_int_distribution<long>(0, saveTime.count() * 11 / 10)(random));

        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            _exit(SaveDatabaseFile(file, tree, keys).saved ? 0 : 1);
        }
        std::this_thread::sleep_for(delay);
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ++runs;
        const bool killed = WIFSIGNALED(status);
        kills += killed ? 1 : 0;
        ASSERT_TRUE(killed || WEXITSTATUS(status) == 0) << "a save failed without a kill";

        TKeyvaleTree loaded;
        TDatabaseLoadResult result = LoadDatabaseFile(file, keys, loaded);
        ASSERT_EQ(result.status, TDatabaseLoadStatus::Loaded)
            << "run " << runs << ", killed after " << delay.count() << " us: " << result.message;
        const std::string found = Outline(loaded);
        ASSERT_TRUE(found == previous || found == next)
            << "run " << runs << ": the file holds neither the old nor the new tree";
        if (!killed) {
            ASSERT_EQ(found, next) << "a finished save must be on disk";
        } else if (found == next) {
            ++killedButSaved;
        }
        previous = found;

        // Anything else in the folder is an unfinished temporary file: hidden,
        // and never named like a database.
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename().string();
            if (name == "crash.kvdb") {
                continue;
            }
            ++leftovers;
            EXPECT_EQ(name.front(), '.') << name;
            EXPECT_NE(entry.path().extension(), ".kvdb") << name;
            fs::remove(entry.path());
        }
    }
    keys.Wipe();
    std::cout << "[ crash safety ] " << runs << " saves, " << kills << " killed before finishing ("
              << killedButSaved << " of them after the new file was in place), " << leftovers
              << " temporary files left behind; "
              << "one save takes " << saveTime.count() << " us\n";
    EXPECT_GE(runs, 10);
    EXPECT_GE(kills, runs / 4) << "most kills should land inside a save";
}

} // namespace
