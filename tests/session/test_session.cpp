// The open database as one type: create, open, re-key, save, close and quit,
// each checked for what it must leave alone when it cannot do its work.
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Session.h"
#include "temp_dir.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kPassword = "correct horse";
const std::string kOtherPassword = "battery staple";
const std::string kTooLong(1001, 'x');
const std::string kWrongPasswordText =
    "Error! Wrong password. Cannot open database file. This file is encrypted by another "
    "password.";

// The derived arrays; the password slot is a fresh random text on every
// derivation, so it tells whether the very same material is still in place.
bool SameArrays(const TKeyMaterial& a, const TKeyMaterial& b) {
    return a.A_GLOBAL_SH1 == b.A_GLOBAL_SH1 && a.A_GLOBAL_SH2 == b.A_GLOBAL_SH2 &&
           a.A_GLOBAL_DH == b.A_GLOBAL_DH && a.A_GLOBAL_TH == b.A_GLOBAL_TH &&
           a.A_GLOBAL_BH == b.A_GLOBAL_BH;
}

bool SameKeys(const TKeyMaterial& a, const TKeyMaterial& b) {
    return SameArrays(a, b) && a.s_GLOBAL_MP == b.s_GLOBAL_MP;
}

TKeyMaterial CopyOf(const TKeyMaterial& keys) {
    TKeyMaterial copy;
    copy.A_GLOBAL_SH1 = keys.A_GLOBAL_SH1;
    copy.A_GLOBAL_SH2 = keys.A_GLOBAL_SH2;
    copy.A_GLOBAL_DH = keys.A_GLOBAL_DH;
    copy.A_GLOBAL_TH = keys.A_GLOBAL_TH;
    copy.A_GLOBAL_BH = keys.A_GLOBAL_BH;
    copy.s_GLOBAL_MP = keys.s_GLOBAL_MP;
    return copy;
}

// Reads a database with a fresh session, as a second program would.
std::string OutlineOnDisk(const std::string& path, const std::string& password) {
    TKeyvaleSession reader;
    TSessionResult opened = reader.Open(path, password);
    return opened.Succeeded() ? Outline(reader.Tree()) : "cannot open: " + opened.messages[0].text;
}

std::size_t FilesIn(const std::string& directory) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

class Session : public ::testing::Test {
  protected:
    // `session` holds "work.kvdb" open, with one folder and one record saved.
    void SetUp() override {
        ASSERT_TRUE(session.Create(file, kPassword).Succeeded());
        TNodeHandle mail = AddFolder(session.Tree(), kNoNode, "Mail");
        AddRecord(session.Tree(), mail, "example.org", {"ann", "s3cret", "", "", ""});
        session.MarkChanged();
        ASSERT_TRUE(session.Save().Succeeded());
        savedOutline = Outline(session.Tree());
    }

    // The open database, exactly as it stood: file, keys and tree.
    void ExpectUntouched(const TKeyMaterial& keysBefore) {
        EXPECT_EQ(session.FileName(), file);
        EXPECT_TRUE(SameKeys(session.Keys(), keysBefore));
        EXPECT_EQ(Outline(session.Tree()), savedOutline);
    }

    TempDir dir;
    std::string file = dir.File("work.kvdb");
    TKeyvaleSession session;
    std::string savedOutline;
};

// ---- create -------------------------------------------------------------------------

TEST_F(Session, CreateWritesAnEmptyDatabaseOnlyTheOwnerCanRead) {
    TKeyvaleSession fresh;
    const std::string path = dir.File("new.kvdb");
    TSessionResult result = fresh.Create(path, kOtherPassword);
    ASSERT_EQ(result.outcome, TSessionOutcome::Done);
    EXPECT_EQ(result.messages,
              (std::vector<TSessionMessage>{
                  {TSessionTopic::Database,
                   "[" + path +
                       "]. Your new database is empty. You may begin your work with your secret "
                       "data: create and manipulate your folders and records.",
                   true},
                  {TSessionTopic::Database, "Database saved: " + path, false}}));
    EXPECT_TRUE(fresh.IsOpen());
    EXPECT_EQ(fresh.FileName(), path);
    EXPECT_FALSE(fresh.IsChanged());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(OutlineOnDisk(path, kOtherPassword), "");
}

// Whatever stands at the name when the new file is put there stays as it was,
// and the database that was open stays open.
TEST_F(Session, CreateNeverReplacesOrFollowsWhatIsAtTheName) {
    const std::string target = dir.File("taken.kvdb");
    const std::string victim = dir.File("victim.txt");
    struct Case {
        const char* what;
        std::function<void()> make;
        bool appearsDuringTheSave; // only once the new bytes are written
    };
    const Case cases[] = {
        {"a file", [&] { WriteTextFile(target, "someone's data"); }, false},
        {"a link to a file", [&] { fs::create_symlink(victim, target); }, false},
        {"a dangling link", [&] { fs::create_symlink(dir.File("nowhere.kvdb"), target); }, false},
        {"a file that appears meanwhile", [&] { WriteTextFile(target, "someone's data"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(target);
        WriteTextFile(victim, "victim");
        const TKeyMaterial keysBefore = CopyOf(session.Keys());
        fs::file_type typeBefore = fs::file_type::none;
        std::string contentBefore;
        auto makeAndNote = [&] {
            c.make();
            typeBefore = fs::symlink_status(target).type();
            contentBefore = ReadTextFile(target);
        };
        if (c.appearsDuringTheSave) {
            session.SetSaveCheckpoint([&] {
                makeAndNote();
                return std::string();
            });
        } else {
            makeAndNote();
        }

        TSessionResult result = session.Create(target, kOtherPassword);
        session.SetSaveCheckpoint(nullptr);

        EXPECT_EQ(result.outcome, TSessionOutcome::Exists);
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0],
                  (TSessionMessage{TSessionTopic::File,
                                   "Error! Cannot create a database file. The file [" + target +
                                       "] exists already. It has not been changed; you may open "
                                       "it instead.",
                                   true}));
        EXPECT_EQ(fs::symlink_status(target).type(), typeBefore);
        EXPECT_EQ(ReadTextFile(target), contentBefore);
        EXPECT_EQ(ReadTextFile(victim), "victim");
        EXPECT_FALSE(fs::exists(dir.File("nowhere.kvdb")));
        ExpectUntouched(keysBefore);
    }
    EXPECT_EQ(FilesIn(dir.Path()), 4u) << "work, its lock, taken, victim, and nothing left over";
}

TEST_F(Session, CreateInAMissingFolderReportsAndKeepsTheOpenDatabase) {
    const TKeyMaterial keysBefore = CopyOf(session.Keys());
    const std::string path = dir.File("no/such/folder/new.kvdb");
    TSessionResult result = session.Create(path, kOtherPassword);
    EXPECT_EQ(result.outcome, TSessionOutcome::Failed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text.rfind("Error! Cannot create a database file.  [", 0), 0u)
        << result.messages[0].text;
    ExpectUntouched(keysBefore);
}

// ---- refused and wrong passwords ----------------------------------------------------

// A password the key derivation cannot take is refused before anything changes,
// whichever operation it was typed for.
TEST_F(Session, TooLongPasswordChangesNothing) {
    const std::string other = dir.File("other.kvdb");
    {
        TKeyvaleSession writer;
        ASSERT_TRUE(writer.Create(other, kOtherPassword).Succeeded());
    }
    const std::string newFile = dir.File("new.kvdb");
    struct Case {
        const char* what;
        std::function<TSessionResult()> run;
    };
    const Case cases[] = {
        {"create", [&] { return session.Create(newFile, kTooLong); }},
        {"open", [&] { return session.Open(other, kTooLong); }},
        {"change", [&] { return session.ChangePassword(kTooLong); }},
    };
    const std::string fileBefore = ReadTextFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TKeyMaterial keysBefore = CopyOf(session.Keys());
        TSessionResult result = c.run();
        EXPECT_EQ(result.outcome, TSessionOutcome::Refused);
        EXPECT_EQ(result.messages, (std::vector<TSessionMessage>{
                                       {TSessionTopic::Password, KvPasswordTooLongText, true}}));
        ExpectUntouched(keysBefore);
        EXPECT_EQ(ReadTextFile(file), fileBefore);
        EXPECT_FALSE(fs::exists(newFile));
    }
}

TEST_F(Session, FailedOpenLeavesTheOpenDatabaseAsItWas) {
    const std::string other = dir.File("other.kvdb");
    const std::string damaged = dir.File("damaged.kvdb");
    {
        TKeyvaleSession writer;
        ASSERT_TRUE(writer.Create(other, kOtherPassword).Succeeded());
    }
    WriteTextFile(damaged, "");
    session.MarkChanged(); // unsaved work must survive a failed open too

    struct Case {
        std::string path;
        TSessionOutcome outcome;
        TSessionTopic topic;
        std::string firstMessage;
    };
    const Case cases[] = {
        {other, TSessionOutcome::WrongPassword, TSessionTopic::Password, kWrongPasswordText},
        {damaged, TSessionOutcome::Failed, TSessionTopic::File,
         "Error! Cannot read data from file [" + damaged +
             "]. This file is empty or locked by another program."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const TKeyMaterial keysBefore = CopyOf(session.Keys());
        TSessionResult result = session.Open(c.path, kPassword);
        EXPECT_EQ(result.outcome, c.outcome);
        ASSERT_FALSE(result.messages.empty());
        EXPECT_EQ(result.messages.back().topic, c.topic);
        EXPECT_EQ(result.messages.back().text, c.firstMessage);
        EXPECT_TRUE(result.messages.back().alert);
        ExpectUntouched(keysBefore);
        EXPECT_TRUE(session.IsChanged());
    }
}

// ---- open ---------------------------------------------------------------------------

TEST_F(Session, OpenReplacesTheDatabaseAndKeepsACompleteBackup) {
    TKeyvaleSession opener;
    opener.SetBackupFolder(dir.Path());
    const std::string backup = dir.File("Keyvale_Backup/work.backup_kvdb");
    fs::create_directories(dir.File("Keyvale_Backup"));
    WriteTextFile(backup, "an older backup");

    TSessionResult result = opener.Open(file, kPassword);
    ASSERT_EQ(result.outcome, TSessionOutcome::Done);
    const std::string loaded = "Database has been loaded from file [" + file + "].";
    EXPECT_EQ(result.messages,
              (std::vector<TSessionMessage>{{TSessionTopic::File, loaded, false}}));
    EXPECT_EQ(Outline(opener.Tree()), savedOutline);
    EXPECT_TRUE(SameArrays(opener.Keys(), session.Keys()));
    EXPECT_EQ(ReadTextFile(backup), ReadTextFile(file)) << "the whole file, as opened";

    // Opening another database in its place: the first one's content goes.
    const std::string empty = dir.File("empty.kvdb");
    {
        TKeyvaleSession writer;
        ASSERT_TRUE(writer.Create(empty, kOtherPassword).Succeeded());
    }
    result = opener.Open(empty, kOtherPassword);
    ASSERT_EQ(result.outcome, TSessionOutcome::Done);
    EXPECT_EQ(result.messages.back(),
              (TSessionMessage{TSessionTopic::Database, kDatabaseEmptyMessage, true}));
    EXPECT_EQ(Outline(opener.Tree()), "");
    EXPECT_EQ(opener.FileName(), empty);
}

TEST_F(Session, CloseWipesTheKeysAndForgetsTheDatabase) {
    session.MarkChanged();
    session.Close();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.FileName(), "");
    EXPECT_TRUE(session.Tree().IsEmpty());
    EXPECT_FALSE(session.IsChanged());
    const TKeyMaterial& keys = session.Keys();
    for (const TByteArray* array : {&keys.A_GLOBAL_SH1, &keys.A_GLOBAL_SH2, &keys.A_GLOBAL_DH,
                                    &keys.A_GLOBAL_TH, &keys.A_GLOBAL_BH}) {
        EXPECT_FALSE(array->empty());
        EXPECT_EQ(std::count(array->begin(), array->end(), 0), std::ssize(*array));
    }
    EXPECT_EQ(keys.s_GLOBAL_MP, "");
    EXPECT_EQ(session.Save().messages.front().text,
              "Error! Cannot save database because the name of the database file is empty!");
}

// ---- change of main password --------------------------------------------------------

TEST_F(Session, ChangePasswordRekeysTheFileOrKeepsBothKeysAndFile) {
    // A save that fails at its last step, as on a full disk.
    session.SetSaveCheckpoint([] { return std::string(" [FileWriteError] No space left."); });
    const TKeyMaterial keysBefore = CopyOf(session.Keys());
    const std::string fileBefore = ReadTextFile(file);
    TSessionResult failed = session.ChangePassword(kOtherPassword);
    EXPECT_EQ(failed.outcome, TSessionOutcome::Failed);
    EXPECT_EQ(failed.messages.back(),
              (TSessionMessage{TSessionTopic::Password,
                               "Error! Main password has not been changed: the database could not "
                               "be saved. It stays open under its old main password.",
                               true}));
    ExpectUntouched(keysBefore);
    EXPECT_EQ(ReadTextFile(file), fileBefore);
    EXPECT_EQ(session.LastSave(), TLastSave::Failed);

    session.SetSaveCheckpoint(nullptr);
    TSessionResult changed = session.ChangePassword(kOtherPassword);
    ASSERT_EQ(changed.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(SameKeys(session.Keys(), keysBefore));
    EXPECT_EQ(OutlineOnDisk(file, kOtherPassword), savedOutline);
    EXPECT_EQ(OutlineOnDisk(file, kPassword), "cannot open: " + kWrongPasswordText);
    // The next save goes on under the new keys, not the old ones.
    ASSERT_TRUE(session.Save().Succeeded());
    EXPECT_EQ(OutlineOnDisk(file, kOtherPassword), savedOutline);
}

// ---- saving beside a file changed by another writer ---------------------------------

// Conflict copies are named by the local time; the tests fix it to UTC.
class SessionConflict : public Session {
  protected:
    void SetUp() override {
        Session::SetUp();
        if (const char* zone = std::getenv("TZ")) {
            savedZone = zone;
        }
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (savedZone) {
            ::setenv("TZ", savedZone->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    static std::time_t Noon() { return 1796913006; } // 2026-12-10 14:30:06 UTC

    std::optional<std::string> savedZone;
};

// A file our keys no longer read cannot be merged with: it is never
// overwritten, and ours goes beside it.
TEST_F(SessionConflict, AnUnreadableSecondWriterIsNeverOverwritten) {
    const std::string shared = dir.File("shared.kvdb");
    const std::string aside = dir.File("shared (conflict 2026-12-10 14-30-06).kvdb");
    struct Case {
        const char* writer;
        std::function<void()> write;
    };
    const Case cases[] = {
        {"another session changes the password",
         [&] {
             TKeyvaleSession other;
             ASSERT_TRUE(other.Open(shared, kPassword).Succeeded());
             ASSERT_TRUE(other.ChangePassword(kOtherPassword).Succeeded());
         }},
        {"a program rewrites the file in place",
         [&] { WriteTextFile(shared, ReadTextFile(shared) + "!"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writer);
        fs::copy_file(file, shared, fs::copy_options::overwrite_existing);
        TKeyvaleSession mine;
        mine.SetClock(Noon);
        ASSERT_TRUE(mine.Open(shared, kPassword).Succeeded());
        AddFolder(mine.Tree(), kNoNode, "Mine");
        mine.MarkChanged();

        c.write();
        const std::string theirs = ReadTextFile(shared);

        TSessionResult result = mine.Save();
        ASSERT_EQ(result.outcome, TSessionOutcome::SavedAside);
        ASSERT_FALSE(result.messages.empty());
        EXPECT_EQ(result.messages.front(),
                  (TSessionMessage{TSessionTopic::Database,
                                   "Error! Your changes cannot be merged with the database file [" +
                                       shared +
                                       "], which another program has changed: your main password "
                                       "does not open it any more. Its main password has been "
                                       "changed, or the file is damaged.",
                                   false}));
        result.messages.erase(result.messages.begin());
        EXPECT_EQ(result.messages,
                  (std::vector<TSessionMessage>{
                      {TSessionTopic::Database, "Database saved: " + aside, false},
                      {TSessionTopic::Database,
                       "Warning! The database file [" + shared +
                           "] has been changed by another program since it was opened or last "
                           "saved here, so it has not been overwritten. Your database has been "
                           "saved as [" +
                           aside + "], which is now your open database.",
                       true}}));
        EXPECT_EQ(ReadTextFile(shared), theirs) << "the other writer's file, byte for byte";
        EXPECT_EQ(mine.FileName(), aside);
        EXPECT_FALSE(mine.IsChanged());
        EXPECT_NE(OutlineOnDisk(aside, kPassword).find("Mine"), std::string::npos);

        // The copy is now the open file: later saves go there without a fuss.
        AddFolder(mine.Tree(), kNoNode, "More");
        EXPECT_EQ(mine.Save().outcome, TSessionOutcome::Done);
        EXPECT_NE(OutlineOnDisk(aside, kPassword).find("More"), std::string::npos);
        EXPECT_EQ(ReadTextFile(shared), theirs);
        fs::remove(aside);
    }
}

TEST_F(SessionConflict, TwoConflictsInOneSecondGetTwoNames) {
    TKeyvaleSession first;
    TKeyvaleSession second;
    for (TKeyvaleSession* s : {&first, &second}) {
        s->SetClock(Noon);
        ASSERT_TRUE(s->Open(file, kPassword).Succeeded());
    }
    WriteTextFile(file, ReadTextFile(file) + "!");
    EXPECT_EQ(first.Save().outcome, TSessionOutcome::SavedAside);
    EXPECT_EQ(second.Save().outcome, TSessionOutcome::SavedAside);
    EXPECT_EQ(first.FileName(), dir.File("work (conflict 2026-12-10 14-30-06).kvdb"));
    EXPECT_EQ(second.FileName(), dir.File("work (conflict 2026-12-10 14-30-06 2).kvdb"));
}

TEST_F(Session, UnchangedFileIsSavedInPlaceAndAMissingOneIsWrittenAgain) {
    for (int i = 0; i < 2; ++i) {
        TSessionResult result = session.Save();
        EXPECT_EQ(result.outcome, TSessionOutcome::Done);
        EXPECT_EQ(result.messages,
                  (std::vector<TSessionMessage>{
                      {TSessionTopic::Database, "Database saved: " + file, false}}));
    }
    fs::remove(file);
    EXPECT_EQ(session.Save().outcome, TSessionOutcome::Done);
    EXPECT_EQ(OutlineOnDisk(file, kPassword), savedOutline);
    EXPECT_EQ(FilesIn(dir.Path()), 2u) << "the database and its lock file, no conflict copy";
}

// Writers of one file take turns: a save waits while another program holds
// the lock beside the database, and then goes ahead.
TEST_F(Session, SaveWaitsForTheWriteLockOfAnotherProgram) {
    const std::string lockFile = dir.File(".work.kvdb.lock");
    EXPECT_EQ(TDatabaseWriteLock::LockFileNameFor(file), lockFile);
    int held = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    std::atomic<bool> finished = false;
    TSessionResult result;
    std::thread saver([&] {
        result = session.Save();
        finished = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(finished) << "saved while another writer held the lock";
    ::flock(held, LOCK_UN);
    ::close(held);
    saver.join();
    EXPECT_EQ(result.outcome, TSessionOutcome::Done);
}

// A one-shot writer holds the lock from its open to its save: a second
// writer waits for it instead of reading the file before the first one's
// change and then saving a conflict copy.
TEST_F(Session, AOneShotWriterHoldsTheLockFromOpenToSave) {
    session.Close();
    TKeyvaleSession first;
    first.HoldLockWhileOpen(std::chrono::seconds(5));
    ASSERT_TRUE(first.Open(file, kPassword).Succeeded());

    TKeyvaleSession second;
    second.HoldLockWhileOpen(std::chrono::seconds(30));
    std::atomic<bool> opened = false;
    TSessionResult secondOpen;
    std::thread waiter([&] {
        secondOpen = second.Open(file, kPassword);
        opened = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(opened) << "read the file while another writer was between its read and save";

    AddFolder(first.Tree(), kNoNode, "first");
    first.MarkChanged();
    EXPECT_EQ(first.Save().outcome, TSessionOutcome::Done) << "its own lock does not block it";
    first.Close();
    waiter.join();
    ASSERT_TRUE(secondOpen.Succeeded());
    AddFolder(second.Tree(), kNoNode, "second");
    second.MarkChanged();
    EXPECT_EQ(second.Save().outcome, TSessionOutcome::Done);
    second.Close();
    EXPECT_EQ(OutlineOnDisk(file, kPassword), savedOutline + "first [1]\nsecond [1]\n");
    EXPECT_EQ(FilesIn(dir.Path()), 2u) << "the database and its lock file, no conflict copy";

    // Without the patience to wait, the open fails and says why.
    TDatabaseWriteLock other(file);
    TKeyvaleSession third;
    third.HoldLockWhileOpen(std::chrono::milliseconds(100));
    TSessionResult refused = third.Open(file, kPassword);
    EXPECT_EQ(refused.outcome, TSessionOutcome::Failed);
    ASSERT_FALSE(refused.messages.empty());
    EXPECT_NE(refused.messages[0].text.find("Another program is writing"), std::string::npos);
}

// A lock taken on a lock file that another program meanwhile deleted or
// replaced keeps nobody out: a writer coming now locks the file at the name.
// The waiting writer must notice and wait for that one instead.
TEST_F(Session, ALockOnAReplacedLockFileIsTakenAgain) {
    const std::string lockFile = TDatabaseWriteLock::LockFileNameFor(file);
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replaced" : "deleted");
        auto holder = std::make_unique<TDatabaseWriteLock>(file);
        ASSERT_TRUE(holder->Held());
        std::atomic<bool> held = false;
        std::thread waiter([&] {
            TDatabaseWriteLock lock(file, std::chrono::seconds(10));
            held = lock.Held();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // it waits on the old file
        if (replace) {
            WriteTextFile(lockFile + ".new", "");
            fs::rename(lockFile + ".new", lockFile);
        } else {
            fs::remove(lockFile);
        }
        std::optional<TDatabaseWriteLock> newcomer;
        newcomer.emplace(file);
        ASSERT_TRUE(newcomer->Held()) << "a writer coming now locks the file at the name";
        holder.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(held) << "two writers held the lock at once";
        newcomer.reset();
        waiter.join();
        EXPECT_TRUE(held);
    }
}

// A backup that cannot be made does not stop the open, but is said.
TEST_F(Session, AFailedBackupIsReportedAndTheOpenGoesOn) {
    WriteTextFile(dir.File("Keyvale_Backup"), "a file where the folder should be");
    TKeyvaleSession opener;
    opener.SetBackupFolder(dir.Path());
    TSessionResult result = opener.Open(file, kPassword);
    ASSERT_EQ(result.outcome, TSessionOutcome::Done);
    EXPECT_EQ(Outline(opener.Tree()), savedOutline);
    EXPECT_NE(opener.BackupProblem().find("is not a folder"), std::string::npos);
    EXPECT_EQ(result.messages.back(),
              (TSessionMessage{TSessionTopic::Database, opener.BackupProblem(), true}));
}

// ---- quitting -----------------------------------------------------------------------

// Each step: make saves fail or succeed, then act; the table says what the
// quit request answers. Only the request right after a refusal may leave
// without saving.
TEST_F(Session, QuitPolicy) {
    enum class Step { CloseFailing, Close, Save, SaveFailing, Change };
    struct Case {
        const char* story;
        std::vector<Step> steps;
        std::vector<bool> quits; // one answer per Close / CloseFailing
    };
    const Case cases[] = {
        {"unchanged: quits without a save, even one that would fail", {Step::CloseFailing}, {true}},
        {"a good save quits", {Step::Change, Step::Close}, {true}},
        {"refused, then closed again: quits",
         {Step::Change, Step::CloseFailing, Step::CloseFailing},
         {false, true}},
        {"refused, saved, changed, later failing close refuses again",
         {Step::Change, Step::CloseFailing, Step::Save, Step::Change, Step::CloseFailing},
         {false, false}},
        {"refused, changed, failing close refuses again",
         {Step::Change, Step::CloseFailing, Step::Change, Step::CloseFailing},
         {false, false}},
        {"refused, a failed automatic save, then closed: quits",
         {Step::Change, Step::CloseFailing, Step::SaveFailing, Step::CloseFailing},
         {false, true}},
        {"the quit-anyway is used up by the close it allowed",
         {Step::Change, Step::CloseFailing, Step::CloseFailing, Step::CloseFailing},
         {false, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.story);
        TKeyvaleSession s;
        ASSERT_TRUE(s.Open(file, kPassword).Succeeded());
        std::vector<bool> answers;
        for (Step step : c.steps) {
            const bool failing = step == Step::CloseFailing || step == Step::SaveFailing;
            s.SetSaveCheckpoint(
                failing ? std::function<std::string()>([] { return std::string(" [X] full"); })
                        : nullptr);
            if (step == Step::Close || step == Step::CloseFailing) {
                TQuitDecision decision = s.RequestQuit();
                answers.push_back(decision.quit);
                if (!decision.quit) {
                    EXPECT_EQ(decision.save.messages.back(),
                              (TSessionMessage{TSessionTopic::Database, kQuitRefusedText, true}));
                }
            } else if (step == Step::Change) {
                s.MarkChanged();
            } else {
                s.Save();
            }
        }
        EXPECT_EQ(answers, c.quits);
    }
    TKeyvaleSession none;
    EXPECT_TRUE(none.RequestQuit().quit) << "nothing open, nothing to lose";
}

// Leaving a database it has not changed writes nothing: not where the file
// cannot be written, and not beside a file another writer has changed (a
// stale conflict copy). The same database once changed is saved as usual.
TEST_F(SessionConflict, LeavingUnchangedWritesNothing) {
    struct Case {
        const char* story;
        std::function<void(TKeyvaleSession&)> harm;
        TSessionOutcome whenChanged;
    };
    const Case cases[] = {
        {"the file cannot be written",
         [](TKeyvaleSession& s) {
             s.SetSaveCheckpoint([] { return std::string(" [X] read-only file system"); });
         },
         TSessionOutcome::Failed},
        {"another writer changed the file",
         [this](TKeyvaleSession&) { WriteTextFile(file, ReadTextFile(file) + "!"); },
         TSessionOutcome::SavedAside},
    };
    const std::string original = ReadTextFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.story);
        WriteTextFile(file, original);
        TKeyvaleSession s;
        s.SetClock(Noon);
        ASSERT_TRUE(s.Open(file, kPassword).Succeeded());
        c.harm(s);
        const std::string before = ReadTextFile(file);

        const TSessionResult left = s.SaveBeforeLeaving();
        EXPECT_EQ(left.outcome, TSessionOutcome::Done);
        EXPECT_TRUE(left.messages.empty());
        const TQuitDecision quit = s.RequestQuit();
        EXPECT_TRUE(quit.quit) << "refused to quit an unchanged database";
        EXPECT_TRUE(quit.save.messages.empty());
        EXPECT_EQ(ReadTextFile(file), before);
        EXPECT_EQ(FilesIn(dir.Path()), 2u) << "the database and its lock file, no copy";

        s.MarkChanged();
        EXPECT_EQ(s.SaveBeforeLeaving().outcome, c.whenChanged);
        if (s.FileName() != file) {
            fs::remove(s.FileName());
        }
    }
}

// A quit whose save went to a conflict copy is refused once, naming the
// copy; the next request quits.
TEST_F(SessionConflict, QuitSavedAsideIsRefusedOnceNamingTheCopy) {
    const std::string aside = dir.File("work (conflict 2026-12-10 14-30-06).kvdb");
    TKeyvaleSession mine;
    mine.SetClock(Noon);
    ASSERT_TRUE(mine.Open(file, kPassword).Succeeded());
    AddFolder(mine.Tree(), kNoNode, "Mine");
    mine.MarkChanged();
    WriteTextFile(file, ReadTextFile(file) + "!");

    const TQuitDecision first = mine.RequestQuit();
    EXPECT_FALSE(first.quit);
    EXPECT_EQ(first.save.outcome, TSessionOutcome::SavedAside);
    EXPECT_EQ(first.save.messages.back(),
              (TSessionMessage{TSessionTopic::Database,
                               std::string(kQuitAsideText) + aside + kQuitAsideEndText, true}));
    EXPECT_NE(OutlineOnDisk(aside, kPassword).find("Mine"), std::string::npos);
    EXPECT_TRUE(mine.RequestQuit().quit);
}

TEST(SessionPassword, ProblemsOfATypedPassword) {
    const std::string shortText =
        "Error! Your password is too short. Password must be at least 5 characters long.";
    const std::string mismatch = "Error! Your password does not match password verification field.";
    const std::string fourLetters = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"; // 8 bytes, 4 characters
    const std::string five = "abcde";
    const std::string other = "abcdf";
    struct Case {
        std::string password;
        const std::string* repeat;
        std::string problem;
    };
    const Case cases[] = {
        {"abcd", nullptr, shortText}, {fourLetters, nullptr, shortText},
        {five, nullptr, ""},          {five, &five, ""},
        {five, &other, mismatch},     {"abcd", &other, shortText},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TKeyvaleSession::PasswordProblem(c.password, c.repeat), c.problem) << c.password;
    }
    // What the key derivation would refuse, known before anything is done.
    EXPECT_EQ(TKeyvaleSession::PasswordRefusal(std::string(1000, 'x')), "");
    EXPECT_EQ(TKeyvaleSession::PasswordRefusal(std::string(1001, 'x')), KvPasswordTooLongText);
    std::string accented;
    for (int i = 0; i < 501; ++i) {
        accented += "\xC3\xA9"; // 501 characters, 1002 bytes
    }
    EXPECT_EQ(TKeyvaleSession::PasswordRefusal(accented), KvPasswordTooLongText)
        << "counted in bytes, not characters";
    EXPECT_EQ(TKeyvaleSession::PasswordRefusal(""), KvPasswordEmptyText);
}

} // namespace
