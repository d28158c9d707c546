// From one database to the next: what is checked before a password is asked
// for a path, and the switch that saves the open database first.
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Session.h"
#include "temp_dir.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kPassword = "correct horse";
const std::string kOtherPassword = "battery staple";

std::string OutlineOnDisk(const std::string& path, const std::string& password) {
    TKeyvaleSession reader;
    return reader.Open(path, password).Succeeded() ? Outline(reader.Tree()) : "cannot open";
}

class SessionSwitch : public ::testing::Test {
  protected:
    // `session` holds "work.kvdb" open with one unsaved folder; "other.kvdb"
    // is a second database under another password.
    void SetUp() override {
        ASSERT_TRUE(session.Create(file, kPassword).Succeeded());
        AddFolder(session.Tree(), kNoNode, "Unsaved work");
        session.MarkChanged();
        TKeyvaleSession writer;
        ASSERT_TRUE(writer.Create(other, kOtherPassword).Succeeded());
    }

    TempDir dir;
    std::string file = dir.File("work.kvdb");
    std::string other = dir.File("other.kvdb");
    TKeyvaleSession session;
};

TEST_F(SessionSwitch, PathsAreCheckedBeforeAPasswordIsAsked) {
    WriteTextFile(dir.File("short.kvdb"), std::string(1000, 'x'));
    WriteTextFile(dir.File("con.kvdb"), std::string(3000, 'x'));
    fs::create_directory(dir.File("folder.kvdb"));
    fs::create_symlink(dir.File("nowhere"), dir.File("dangling.kvdb"));
    WriteTextFile(dir.File("huge.kvdb"), "");
    fs::resize_file(dir.File("huge.kvdb"), 2'000'000'000); // sparse
    ASSERT_EQ(mkfifo(dir.File("pipe.kvdb").c_str(), 0600), 0);
    struct Case {
        std::string path;
        TPathProblem open;
        TPathProblem create;
    };
    const Case cases[] = {
        {other, TPathProblem::None, TPathProblem::Exists},
        {file, TPathProblem::AlreadyOpen, TPathProblem::Exists},
        {dir.File("new.kvdb"), TPathProblem::NotFound, TPathProblem::None},
        {dir.File(" "), TPathProblem::NoName, TPathProblem::NoName},
        {dir.Path() + "/", TPathProblem::NoName, TPathProblem::NoName},
        {dir.File("folder.kvdb"), TPathProblem::NotFound, TPathProblem::Exists},
        {dir.File("con.kvdb"), TPathProblem::BadName, TPathProblem::BadName},
        {dir.File("a?b.kvdb"), TPathProblem::NotFound, TPathProblem::BadName},
        // One size for every program: shorter than the smallest database.
        {dir.File("short.kvdb"), TPathProblem::Unreadable, TPathProblem::Exists},
        // Refused before a password is typed and a read would hang or take
        // minutes and gigabytes.
        {dir.File("huge.kvdb"), TPathProblem::Unreadable, TPathProblem::Exists},
        {dir.File("pipe.kvdb"), TPathProblem::Unreadable, TPathProblem::Exists},
        {dir.File("dangling.kvdb"), TPathProblem::NotFound, TPathProblem::CannotCreate},
        {dir.File("missing/new.kvdb"), TPathProblem::NotFound, TPathProblem::CannotCreate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(session.CheckOpen(c.path).problem, c.open);
        EXPECT_EQ(TKeyvaleSession::CheckCreate(c.path).problem, c.create);
    }
    EXPECT_EQ(session.CheckOpen(dir.File("short.kvdb")).cause,
              "The file is too short to be a Keyvale database (1000 bytes; the smallest has "
              "2426).");
    EXPECT_EQ(TKeyvaleSession::CheckCreate(dir.File("missing/new.kvdb")).cause,
              "Its folder " + dir.File("missing") + ": No such file or directory.");
    EXPECT_FALSE(fs::exists(dir.File("new.kvdb"))) << "the probe leaves nothing behind";
}

// The open database is saved before another takes its place; the work goes
// with it, and the new one opens (or is created) only then.
TEST_F(SessionSwitch, SavesTheOpenDatabaseFirst) {
    const std::string created = dir.File("created.kvdb");
    TSwitchResult result = session.SwitchTo(created, kOtherPassword, TPasswordMode::Create);
    ASSERT_EQ(result.done.outcome, TSessionOutcome::Done);
    EXPECT_EQ(result.savedFirst.messages,
              (std::vector<TSessionMessage>{
                  {TSessionTopic::Database, "Database saved: " + file, false}}));
    EXPECT_EQ(session.FileName(), created);
    EXPECT_EQ(OutlineOnDisk(file, kPassword), "Unsaved work [1]\n");

    AddFolder(session.Tree(), kNoNode, "New work");
    session.MarkChanged();
    result = session.SwitchTo(other, kOtherPassword, TPasswordMode::Open);
    ASSERT_EQ(result.done.outcome, TSessionOutcome::Done);
    EXPECT_EQ(session.FileName(), other);
    EXPECT_EQ(OutlineOnDisk(created, kOtherPassword), "New work [1]\n");

    result = session.SwitchTo("", kPassword, TPasswordMode::ChangePassword);
    ASSERT_EQ(result.done.outcome, TSessionOutcome::Done);
    EXPECT_TRUE(result.savedFirst.messages.empty()) << "a re-key is its own save";
    EXPECT_EQ(session.FileName(), other);
    EXPECT_EQ(OutlineOnDisk(other, kPassword), "");
}

// When the open database cannot be saved, it stays open with its work and
// nothing else happens: no new file, no other database, no new keys.
TEST_F(SessionSwitch, AnUnsavableDatabaseStaysOpenAndNothingElseIsDone) {
    session.SetSaveCheckpoint([] { return std::string(" [FileWriteError] No space left."); });
    const std::string created = dir.File("created.kvdb");
    const TPasswordMode modes[] = {TPasswordMode::Create, TPasswordMode::Open};
    for (TPasswordMode mode : modes) {
        const std::string path = mode == TPasswordMode::Create ? created : other;
        const std::string password = mode == TPasswordMode::Create ? kPassword : kOtherPassword;
        TSwitchResult result = session.SwitchTo(path, password, mode);
        EXPECT_EQ(result.done.outcome, TSessionOutcome::KeptOpen);
        EXPECT_EQ(result.savedFirst.outcome, TSessionOutcome::Failed);
        EXPECT_EQ(
            result.done.messages,
            (std::vector<TSessionMessage>{{TSessionTopic::Password, kCurrentKeptOpenText, true}}));
        EXPECT_EQ(session.FileName(), file);
        EXPECT_TRUE(session.IsChanged());
        EXPECT_EQ(Outline(session.Tree()), "Unsaved work [1]\n");
    }
    EXPECT_FALSE(fs::exists(created));

    // A file handed over from outside is switched to in two steps, the save
    // first: it answers the same, and leaves the database open as it was.
    const TSwitchResult saved = session.SaveBeforeSwitching();
    EXPECT_EQ(saved.savedFirst.outcome, TSessionOutcome::Failed);
    EXPECT_EQ(saved.done.outcome, TSessionOutcome::KeptOpen);
    EXPECT_EQ(saved.done.messages, (std::vector<TSessionMessage>{
                                       {TSessionTopic::Password, kCurrentKeptOpenText, true}}));
    EXPECT_EQ(session.FileName(), file);
    EXPECT_TRUE(session.IsChanged());

    // A password the keys cannot come from is refused before any save.
    int saves = 0;
    session.SetSaveCheckpoint([&] {
        ++saves;
        return std::string();
    });
    TSwitchResult refused = session.SwitchTo(other, "", TPasswordMode::Open);
    EXPECT_EQ(refused.done.outcome, TSessionOutcome::Refused);
    EXPECT_EQ(refused.done.messages.front().topic, TSessionTopic::Password);
    EXPECT_EQ(saves, 0);
}

// A save asked for while one runs (a timer firing inside it) is told so and
// does nothing; the running one completes.
TEST_F(SessionSwitch, ASaveDoesNotStartWhileOneRuns) {
    TSessionResult inner;
    session.SetSaveCheckpoint([&] {
        EXPECT_TRUE(session.IsSaving());
        inner = session.Save();
        return std::string();
    });
    TSessionResult outer = session.Save();
    EXPECT_EQ(inner.outcome, TSessionOutcome::Busy);
    EXPECT_TRUE(inner.messages.empty());
    EXPECT_EQ(outer.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(session.IsSaving());
    EXPECT_EQ(OutlineOnDisk(file, kPassword), "Unsaved work [1]\n");
}

} // namespace
