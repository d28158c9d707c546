// Two writers of one database: a save that finds the file changed merges
// the other writer's work with ours, a change on disk is taken in while
// nothing here is unsaved, and another file is merged on request. Nothing
// either side wrote may be lost, and the conflict copy is left for the
// files our keys cannot read.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Conflict_Copies.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Session.h"
#include "temp_dir.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kPassword = "correct horse";
const std::string kOtherPassword = "battery staple";

using TEdit = std::function<void(TKeyvaleTree&)>;

TNodeHandle NameStartingWith(const TKeyvaleTree& tree, const std::string& prefix) {
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (tree.Text(node).starts_with(prefix)) {
            return node;
        }
    }
    return kNoNode;
}

// The login of the first record whose name starts with `prefix`, or "-"
// when there is none.
std::string LoginOf(const TKeyvaleTree& tree, const std::string& prefix) {
    const TNodeHandle record = NameStartingWith(tree, prefix);
    return record == kNoNode ? "-" : RecordDataDecode(tree.Text(tree.FirstChild(record))).login;
}

void SetLogin(TKeyvaleTree& tree, const std::string& record, const std::string& login) {
    const TNodeHandle data = tree.FirstChild(FindByName(tree, record));
    TRecordFields fields = RecordDataDecode(tree.Text(data));
    fields.login = login;
    tree.SetText(data, RecordDataEncode(fields));
}

void Remove(TKeyvaleTree& tree, const std::string& name) {
    tree.Delete(FindByName(tree, name));
}

// What keyvale-cli does: opens the file under its lock, edits, saves.
void AsAnotherWriter(const std::string& file, const TEdit& edit,
                     const std::string& password = kPassword) {
    TKeyvaleSession other;
    other.HoldLockWhileOpen(std::chrono::seconds(5));
    ASSERT_TRUE(other.Open(file, password).Succeeded());
    edit(other.Tree());
    other.MarkChanged();
    ASSERT_EQ(other.Save().outcome, TSessionOutcome::Done);
}

class SessionMerge : public ::testing::Test {
  protected:
    // "work.kvdb" holds three records, and `session` has it open.
    void SetUp() override {
        if (const char* zone = std::getenv("TZ")) {
            savedZone = zone;
        }
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        TKeyvaleSession maker;
        ASSERT_TRUE(maker.Create(file, kPassword).Succeeded());
        TNodeHandle mail = AddFolder(maker.Tree(), kNoNode, "Mail");
        AddRecord(maker.Tree(), mail, "Gmail", {"ann", "s3cret", "", "", ""});
        AddRecord(maker.Tree(), kNoNode, "Bank", {"bob", "pin", "", "", ""});
        AddRecord(maker.Tree(), kNoNode, "Shop", {"cy", "pw", "", "", ""});
        maker.MarkChanged();
        ASSERT_TRUE(maker.Save().Succeeded());
        session.SetClock([] { return std::time_t(1796913006); }); // 2026-12-10 14:30:06
        ASSERT_TRUE(session.Open(file, kPassword).Succeeded());
    }
    void TearDown() override {
        if (savedZone) {
            ::setenv("TZ", savedZone->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    void Edit(const TEdit& edit) {
        edit(session.Tree());
        session.MarkChanged();
    }

    // The file as a second program reads it.
    std::string OnDisk(const std::string& password = kPassword) {
        TKeyvaleSession reader;
        TSessionResult opened = reader.Open(file, password);
        return opened.Succeeded() ? Outline(reader.Tree()) : "cannot open";
    }
    std::string LoginOnDisk(const std::string& record) {
        TKeyvaleSession reader;
        EXPECT_TRUE(reader.Open(file, kPassword).Succeeded());
        return LoginOf(reader.Tree(), record);
    }
    std::size_t FilesInFolder() {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()));
    }

    std::optional<std::string> savedZone;
    TempDir dir;
    std::string file = dir.File("work.kvdb");
    TKeyvaleSession session;
};

// ---- the save that merges -----------------------------------------------------------

TEST_F(SessionMerge, ASaveKeepsTheOtherWritersRecordsAndOurs) {
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
    AsAnotherWriter(file, [](TKeyvaleTree& t) {
        AddRecord(t, kNoNode, "Forum", {"dee", "x", "", "", ""});
        SetLogin(t, "Bank", "bob2");
        Remove(t, "Shop");
    });

    const TSessionResult saved = session.Save();
    ASSERT_EQ(saved.outcome, TSessionOutcome::Done);
    EXPECT_EQ(saved.messages, (std::vector<TSessionMessage>{
                                  {TSessionTopic::Database, "Database saved: " + file, false},
                                  {TSessionTopic::Database,
                                   "Changes another program made to [" + file +
                                       "] have been merged: 1 record added, 1 changed, 1 removed.",
                                   false}}));
    EXPECT_TRUE(saved.treeReplaced);
    ASSERT_TRUE(saved.merge.has_value());
    EXPECT_FALSE(saved.merge->HasConflicts());
    EXPECT_FALSE(session.IsChanged());
    EXPECT_EQ(session.LastSave(), TLastSave::Saved);

    EXPECT_EQ(OnDisk(), Outline(session.Tree()));
    for (auto [record, login] :
         {std::pair{"Gmail", "ann2"}, {"Bank", "bob2"}, {"Forum", "dee"}, {"Shop", "-"}}) {
        EXPECT_EQ(LoginOnDisk(record), login) << record;
    }
    EXPECT_EQ(FilesInFolder(), 2u) << "the database and its lock file, no conflict copy";

    // The merged file is now the one we know: the next save writes in place.
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Forum", "dee2"); });
    const TSessionResult again = session.Save();
    EXPECT_EQ(again.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(again.treeReplaced);
    EXPECT_EQ(LoginOnDisk("Forum"), "dee2");
}

// A change of the other writer's that no record count shows (an empty
// folder added) is merged all the same, not written over.
TEST_F(SessionMerge, AChangeOfFoldersOnlyIsMergedToo) {
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
    AsAnotherWriter(file, [](TKeyvaleTree& t) { AddFolder(t, kNoNode, "Travel"); });

    const TSessionResult saved = session.Save();
    ASSERT_EQ(saved.outcome, TSessionOutcome::Done);
    EXPECT_TRUE(saved.treeReplaced);
    EXPECT_EQ(saved.messages.back().text,
              "Changes another program made to the folders of [" + file + "] have been merged.");
    const std::string onDisk = OnDisk();
    EXPECT_NE(onDisk.find("Travel"), std::string::npos) << onDisk;
    EXPECT_EQ(LoginOnDisk("Gmail"), "ann2");
}

// One field changed on both sides: ours stays in the record, theirs goes
// into a sibling named for their version, and the log names the record.
TEST_F(SessionMerge, TheSameFieldChangedOnBothSidesKeepsTheirsBeside) {
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Bank", "ours"); });
    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "theirs"); });

    const TSessionResult saved = session.Save();
    ASSERT_EQ(saved.outcome, TSessionOutcome::Done);
    ASSERT_EQ(saved.messages.size(), 2u);
    EXPECT_EQ(saved.messages[1].text, "Changes another program made to [" + file +
                                          "] have been merged: 0 records added, 0 changed, 0 "
                                          "removed. Kept side by side: \"Bank\".");
    EXPECT_TRUE(saved.messages[1].alert);
    EXPECT_EQ(saved.messages[1].text.find("theirs"), std::string::npos) << "a value in the log";
    ASSERT_TRUE(saved.merge && saved.merge->HasConflicts());

    EXPECT_EQ(LoginOnDisk("Bank"), "ours");
    EXPECT_EQ(LoginOnDisk("Bank (their version "), "theirs");
    EXPECT_EQ(FilesInFolder(), 2u);
}

// What the merge starts from follows every read and write of the file: a
// record the other writer removes after we last wrote or read it, and which
// we have not touched since, goes. Measured against an older base it would
// look changed here and be kept.
TEST_F(SessionMerge, TheBaseIsTheFileAsLastReadOrWritten) {
    struct Case {
        const char* story;
        std::function<void()> lastContact; // leaves Bank's login "bob2" known here
    };
    const Case cases[] = {
        {"our save",
         [&] {
             Edit([](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });
             ASSERT_EQ(session.Save().outcome, TSessionOutcome::Done);
         }},
        {"our save that merged",
         [&] {
             Edit([](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });
             AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Gmail", "x"); });
             ASSERT_TRUE(session.Save().treeReplaced);
         }},
        {"their change taken in",
         [&] {
             AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });
             ASSERT_TRUE(session.TakeInFileChange().treeReplaced);
         }},
        {"a fresh open",
         [&] {
             AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });
             session.Close();
             ASSERT_TRUE(session.Open(file, kPassword).Succeeded());
         }},
    };
    const std::string original = ReadTextFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.story);
        WriteTextFile(file, original);
        session.Close();
        ASSERT_TRUE(session.Open(file, kPassword).Succeeded());
        c.lastContact();

        AsAnotherWriter(file, [](TKeyvaleTree& t) { Remove(t, "Bank"); });
        Edit([](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
        const TSessionResult saved = session.Save();
        ASSERT_EQ(saved.outcome, TSessionOutcome::Done);
        ASSERT_TRUE(saved.merge);
        EXPECT_EQ(saved.merge->recordsRemoved, 1u);
        EXPECT_FALSE(saved.merge->HasConflicts());
        EXPECT_EQ(LoginOnDisk("Bank"), "-");
        EXPECT_EQ(LoginOnDisk("Shop"), "cy2");
    }
}

// A file our keys cannot read, or a merge that cannot be made, leaves the
// other writer's file as it is; ours goes beside it, and the first message
// says why.
TEST_F(SessionMerge, WhatCannotBeMergedIsSavedAsAConflictCopy) {
    const std::string aside = dir.File("work (conflict 2026-12-10 14-30-06).kvdb");
    struct Case {
        const char* story;
        std::function<void()> theirWrite;
        std::string why;
    };
    const Case cases[] = {
        {"another writer changed the main password",
         [&] {
             TKeyvaleSession other;
             ASSERT_TRUE(other.Open(file, kPassword).Succeeded());
             ASSERT_EQ(other.ChangePassword(kOtherPassword).outcome, TSessionOutcome::Done);
         },
         "your main password does not open it any more. Its main password has been changed, or "
         "the file is damaged."},
        {"the file is damaged",
         [&] {
             std::string text = "no frame around these lines\r\n\tx\r\n";
             TByteArray payload(text.begin(), text.end());
             const TKeyMaterial& keys = session.Keys();
             ASSERT_EQ(KvCryptPayload(payload, KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH),
                                      keys.A_GLOBAL_TH, keys.A_GLOBAL_SH1, keys.A_GLOBAL_SH2, true),
                       "");
             ASSERT_EQ(SaveBytesToFile(payload, file), "");
         },
         "it cannot be read and may be damaged. Error! Cannot read data from file [" + file +
             "]. " + kDamagedFileReason},
        {"the merge would break the node limit",
         [&] {
             AsAnotherWriter(file, [](TKeyvaleTree& t) {
                 for (int i = 0; i < 5000; ++i) {
                     AddFolder(t, kNoNode, "theirs " + std::to_string(i));
                 }
             });
         },
         "Cannot merge: "},
    };
    const std::string original = ReadTextFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.story);
        WriteTextFile(file, original);
        session.Close();
        ASSERT_TRUE(session.Open(file, kPassword).Succeeded());
        Edit([](TKeyvaleTree& t) {
            for (int i = 0; i < 5000; ++i) {
                AddFolder(t, kNoNode, "ours " + std::to_string(i));
            }
        });
        c.theirWrite();
        const std::string theirs = ReadTextFile(file);

        const TSessionResult saved = session.Save();
        ASSERT_EQ(saved.outcome, TSessionOutcome::SavedAside);
        ASSERT_EQ(saved.messages.size(), 3u);
        const std::string& why = saved.messages[0].text;
        EXPECT_TRUE(
            why.starts_with("Error! Your changes cannot be merged with the database file [" + file +
                            "], which another program has changed: "))
            << why;
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(saved.messages[1].text, "Database saved: " + aside);
        EXPECT_FALSE(saved.messages[0].alert) << "the copy's warning is the one alert";
        EXPECT_TRUE(saved.messages[2].alert);
        EXPECT_FALSE(saved.treeReplaced);
        EXPECT_EQ(ReadTextFile(file), theirs) << "the other writer's file, byte for byte";
        EXPECT_EQ(session.FileName(), aside);
        EXPECT_NE(NameStartingWith(session.Tree(), "ours 4999"), kNoNode);

        // The copy is the open file now, and what we wrote there is its base.
        AsAnotherWriter(aside, [](TKeyvaleTree& t) { Remove(t, "ours 0"); });
        Edit([](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
        const TSessionResult next = session.Save();
        EXPECT_EQ(next.outcome, TSessionOutcome::Done);
        ASSERT_TRUE(next.merge);
        EXPECT_FALSE(next.merge->HasConflicts());
        EXPECT_EQ(FindByName(session.Tree(), "ours 0"), kNoNode);
        fs::remove(aside);
    }
}

// A merged tree is our work too: if it cannot be written, it stays here as
// an unsaved change, and the file keeps the other writer's version.
TEST_F(SessionMerge, AFailedWriteAfterAMergeLosesNothing) {
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Bank", "ours"); });
    AsAnotherWriter(file, [](TKeyvaleTree& t) {
        SetLogin(t, "Bank", "theirs");
        SetLogin(t, "Gmail", "ann2");
    });
    const std::string theirs = ReadTextFile(file);

    session.SetSaveCheckpoint([] { return std::string(" [FileWriteError] No space left."); });
    const TSessionResult failed = session.Save();
    EXPECT_EQ(failed.outcome, TSessionOutcome::Failed);
    EXPECT_TRUE(failed.treeReplaced);
    EXPECT_TRUE(failed.merge && failed.merge->HasConflicts());
    EXPECT_TRUE(session.IsChanged());
    EXPECT_EQ(session.LastSave(), TLastSave::Failed);
    EXPECT_EQ(ReadTextFile(file), theirs);
    EXPECT_EQ(LoginOf(session.Tree(), "Bank"), "ours");
    EXPECT_EQ(LoginOf(session.Tree(), "Bank (their version "), "theirs");
    EXPECT_EQ(LoginOf(session.Tree(), "Gmail"), "ann2");

    // Meanwhile the other writer goes on. The next save merges only what
    // it did since: the conflict already kept beside is not kept twice.
    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
    session.SetSaveCheckpoint(nullptr);
    const TSessionResult saved = session.Save();
    ASSERT_EQ(saved.outcome, TSessionOutcome::Done);
    ASSERT_TRUE(saved.merge);
    EXPECT_EQ(saved.merge->recordsChanged, 1u);
    EXPECT_FALSE(saved.merge->HasConflicts());
    EXPECT_EQ(LoginOnDisk("Shop"), "cy2");
    EXPECT_EQ(LoginOnDisk("Bank"), "ours");
    EXPECT_EQ(LoginOnDisk("Bank (their version "), "theirs");
    const std::string outline = OnDisk();
    EXPECT_EQ(outline.find("(their version", outline.find("(their version") + 1), std::string::npos)
        << outline;

    // A save with nothing of ours to write merges too; if its write fails,
    // the merged tree is still an unsaved change, and leaving writes it.
    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann3"); });
    session.SetSaveCheckpoint([] { return std::string(" [FileWriteError] No space left."); });
    EXPECT_TRUE(session.Save().treeReplaced);
    EXPECT_TRUE(session.IsChanged());
    session.SetSaveCheckpoint(nullptr);
    EXPECT_EQ(session.SaveBeforeLeaving().outcome, TSessionOutcome::Done);
    EXPECT_EQ(LoginOnDisk("Gmail"), "ann3");
}

// Every way out of a database saves through the same merge: nothing of the
// other writer's is overwritten, and no copy is made.
TEST_F(SessionMerge, EveryWayOutMerges) {
    const std::string next = dir.File("next.kvdb");
    {
        TKeyvaleSession maker;
        ASSERT_TRUE(maker.Create(next, kPassword).Succeeded());
    }
    struct Case {
        const char* way;
        std::function<bool()> leave; // whether the save succeeded
    };
    const Case cases[] = {
        {"save", [&] { return session.Save().outcome == TSessionOutcome::Done; }},
        {"save before leaving",
         [&] { return session.SaveBeforeLeaving().outcome == TSessionOutcome::Done; }},
        {"quit", [&] { return session.RequestQuit().quit; }},
        {"switch to another database",
         [&] {
             const TSwitchResult switched = session.SwitchTo(next, kPassword, TPasswordMode::Open);
             return switched.savedFirst.outcome == TSessionOutcome::Done &&
                    session.FileName() == next;
         }},
        {"change of main password",
         [&] {
             return session.SwitchTo("", kOtherPassword, TPasswordMode::ChangePassword)
                        .done.outcome == TSessionOutcome::Done;
         }},
    };
    const std::string original = ReadTextFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        WriteTextFile(file, original);
        session.Close();
        ASSERT_TRUE(session.Open(file, kPassword).Succeeded());
        Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
        AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });

        EXPECT_TRUE(c.leave());
        const bool rekeyed = std::string(c.way) == "change of main password";
        TKeyvaleSession reader;
        ASSERT_TRUE(reader.Open(file, rekeyed ? kOtherPassword : kPassword).Succeeded());
        EXPECT_EQ(LoginOf(reader.Tree(), "Gmail"), "ann2");
        EXPECT_EQ(LoginOf(reader.Tree(), "Bank"), "bob2");
        EXPECT_TRUE(ListConflictCopies(file).empty());
    }
}

// A change of main password that finds the file changed reads it with the
// old keys, merges, and writes the result under the new ones; if that write
// fails, the old keys stay and so does the merged tree, unsaved.
TEST_F(SessionMerge, AChangeOfMainPasswordMergesFirst) {
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });
    const std::string theirs = ReadTextFile(file);

    session.SetSaveCheckpoint([] { return std::string(" [FileWriteError] No space left."); });
    const TSessionResult failed = session.ChangePassword(kOtherPassword);
    EXPECT_EQ(failed.outcome, TSessionOutcome::Failed);
    EXPECT_EQ(failed.messages.back().text, kPasswordKeptText);
    EXPECT_TRUE(failed.treeReplaced);
    EXPECT_TRUE(session.IsChanged());
    EXPECT_EQ(ReadTextFile(file), theirs);
    EXPECT_EQ(LoginOf(session.Tree(), "Bank"), "bob2");

    session.SetSaveCheckpoint(nullptr);
    ASSERT_EQ(session.Save().outcome, TSessionOutcome::Done) << "under the old keys";
    EXPECT_EQ(LoginOnDisk("Gmail"), "ann2");
    EXPECT_EQ(LoginOnDisk("Bank"), "bob2");

    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
    const TSessionResult changed = session.ChangePassword(kOtherPassword);
    ASSERT_EQ(changed.outcome, TSessionOutcome::Done);
    EXPECT_TRUE(changed.treeReplaced);
    EXPECT_EQ(OnDisk(kPassword), "cannot open");
    TKeyvaleSession reader;
    ASSERT_TRUE(reader.Open(file, kOtherPassword).Succeeded());
    EXPECT_EQ(LoginOf(reader.Tree(), "Shop"), "cy2");
    EXPECT_EQ(LoginOf(reader.Tree(), "Gmail"), "ann2");
}

// ---- a change on disk taken in ------------------------------------------------------

TEST_F(SessionMerge, AChangeOnDiskIsTakenInOnlyWithNothingUnsaved) {
    // As we know it: nothing to do.
    TSessionResult same = session.TakeInFileChange();
    EXPECT_EQ(same.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(same.treeReplaced);

    // Written again by another program, with the same content.
    AsAnotherWriter(file, [](TKeyvaleTree&) {});
    same = session.TakeInFileChange();
    EXPECT_EQ(same.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(same.treeReplaced);
    EXPECT_TRUE(same.messages.empty());

    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });
    const TSessionResult taken = session.TakeInFileChange();
    EXPECT_EQ(taken.outcome, TSessionOutcome::Done);
    EXPECT_TRUE(taken.treeReplaced);
    EXPECT_EQ(taken.messages.size(), 1u);
    EXPECT_FALSE(session.IsChanged());
    EXPECT_EQ(LoginOf(session.Tree(), "Bank"), "bob2");
    EXPECT_EQ(Outline(session.Tree()), OnDisk());
    // Our own later save goes over it in place: the change is known.
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
    const TSessionResult saved = session.Save();
    EXPECT_EQ(saved.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(saved.merge.has_value());

    // Unsaved work here: nothing is done until the save merges.
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
    AsAnotherWriter(file, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob3"); });
    const std::string unsaved = Outline(session.Tree());
    const TSessionResult waits = session.TakeInFileChange();
    EXPECT_EQ(waits.outcome, TSessionOutcome::Done);
    EXPECT_FALSE(waits.treeReplaced);
    EXPECT_EQ(Outline(session.Tree()), unsaved);
    EXPECT_EQ(LoginOf(session.Tree(), "Gmail"), "ann2");
    ASSERT_TRUE(session.Save().merge.has_value());
    EXPECT_EQ(LoginOnDisk("Bank"), "bob3");
    EXPECT_EQ(LoginOnDisk("Gmail"), "ann2");
}

// A writer between its read and its write holds the lock: the change is
// read once that writer is done, never halfway.
TEST_F(SessionMerge, AChangeIsTakenInOnlyOnceTheWriterIsDone) {
    const std::string next = dir.File("next.kvdb");
    fs::copy_file(file, next);
    AsAnotherWriter(next, [](TKeyvaleTree& t) { SetLogin(t, "Bank", "bob2"); });

    auto writer = std::make_unique<TDatabaseWriteLock>(file);
    ASSERT_TRUE(writer->Held());
    std::atomic<bool> finished = false;
    TSessionResult taken;
    std::thread watcher([&] {
        taken = session.TakeInFileChange();
        finished = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(finished) << "looked at the file while another writer held its lock";
    fs::rename(next, file);
    writer.reset();
    watcher.join();
    EXPECT_TRUE(taken.treeReplaced);
    EXPECT_EQ(LoginOf(session.Tree(), "Bank"), "bob2");
}

// A change our keys cannot read is said, and nothing here changes: the
// next save goes beside it.
TEST_F(SessionMerge, AnUnreadableChangeOnDiskIsNotTakenIn) {
    AsAnotherWriter(file, [](TKeyvaleTree& t) { Remove(t, "Bank"); });
    {
        TKeyvaleSession other;
        ASSERT_TRUE(other.Open(file, kPassword).Succeeded());
        ASSERT_EQ(other.ChangePassword(kOtherPassword).outcome, TSessionOutcome::Done);
    }
    const std::string before = Outline(session.Tree());
    const TSessionResult result = session.TakeInFileChange();
    EXPECT_EQ(result.outcome, TSessionOutcome::Failed);
    EXPECT_FALSE(result.treeReplaced);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_NE(result.messages[0].text.find("your main password does not open it"),
              std::string::npos);
    EXPECT_EQ(Outline(session.Tree()), before);
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
    EXPECT_EQ(session.Save().outcome, TSessionOutcome::SavedAside);
}

// ---- merging another file on request ------------------------------------------------

TEST_F(SessionMerge, AnotherFileIsPlannedThenApplied) {
    // A copy of the file as it was opened, changed by one writer (the
    // copy) and by us (the open file) since.
    const std::string base = dir.File("base.kvdb");
    const std::string copy = dir.File("work (conflict 2026-12-10 14-30-06).kvdb");
    fs::copy_file(file, base);
    fs::copy_file(file, copy);
    AsAnotherWriter(copy, [](TKeyvaleTree& t) {
        Remove(t, "Shop");
        SetLogin(t, "Bank", "bob2");
    });
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
    const std::string ours = Outline(session.Tree());

    struct Case {
        const char* story;
        std::string base;
        // Without a base, Shop is only ours (kept), and Bank's logins
        // differ with no telling who changed it (both kept).
        std::size_t removed;
        const char* bank;
        const char* bankBeside;
    };
    const Case cases[] = {{"three-way", base, 1, "bob2", "-"}, {"two-way", "", 0, "bob", "bob2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.story);
        TMergePlan plan;
        const TSessionResult planned = session.PlanMerge(copy, "", c.base, plan);
        ASSERT_EQ(planned.outcome, TSessionOutcome::Done);
        EXPECT_EQ(plan.other, copy);
        ASSERT_TRUE(plan.merge.merged);
        EXPECT_EQ(plan.merge.report.recordsRemoved, c.removed);
        EXPECT_EQ(LoginOf(plan.tree, "Bank"), c.bank);
        EXPECT_EQ(LoginOf(plan.tree, "Bank (their version "), c.bankBeside);
        EXPECT_EQ(Outline(session.Tree()), ours) << "planning touches nothing";
        EXPECT_EQ(planned.messages.size(), 1u);
    }

    TMergePlan plan;
    ASSERT_EQ(session.PlanMerge(copy, "", base, plan).outcome, TSessionOutcome::Done);
    const std::string merged = Outline(plan.tree);
    const TSessionResult applied = session.ApplyMerge(plan);
    ASSERT_EQ(applied.outcome, TSessionOutcome::Done);
    EXPECT_TRUE(applied.treeReplaced);
    ASSERT_TRUE(applied.merge);
    EXPECT_EQ(applied.merge->recordsChanged, 1u);
    EXPECT_EQ(applied.messages,
              (std::vector<TSessionMessage>{
                  {TSessionTopic::Database,
                   "[" + copy +
                       "] has been merged into your database: 0 records added, 1 changed, 1 "
                       "removed.",
                   false}}));
    EXPECT_EQ(Outline(session.Tree()), merged);
    EXPECT_TRUE(session.IsChanged());
    EXPECT_TRUE(plan.tree.IsEmpty() && plan.other.empty() && !plan.merge.merged);
    ASSERT_EQ(session.Save().outcome, TSessionOutcome::Done);
    EXPECT_EQ(LoginOnDisk("Bank"), "bob2");
    EXPECT_EQ(LoginOnDisk("Gmail"), "ann2");
    EXPECT_EQ(LoginOnDisk("Shop"), "-");
}

// A file under another main password opens with its own; a wrong one, or
// none, says which file would not open. A refused merge changes nothing.
TEST_F(SessionMerge, AnotherFilesPasswordAndRefusal) {
    const std::string foreign = dir.File("foreign.kvdb");
    {
        TKeyvaleSession maker;
        ASSERT_TRUE(maker.Create(foreign, kOtherPassword).Succeeded());
        AddRecord(maker.Tree(), kNoNode, "Forum", {"dee", "x", "", "", ""});
        maker.MarkChanged();
        ASSERT_TRUE(maker.Save().Succeeded());
    }
    for (const std::string& password : {std::string(), std::string("wrong password")}) {
        TMergePlan plan;
        const TSessionResult refused = session.PlanMerge(foreign, password, "", plan);
        EXPECT_EQ(refused.outcome, TSessionOutcome::WrongPassword) << password;
        ASSERT_EQ(refused.messages.size(), 1u);
        EXPECT_NE(refused.messages[0].text.find("[" + foreign + "]"), std::string::npos);
        EXPECT_FALSE(plan.merge.merged);
    }
    TMergePlan plan;
    ASSERT_EQ(session.PlanMerge(foreign, kOtherPassword, "", plan).outcome, TSessionOutcome::Done);
    EXPECT_EQ(plan.merge.report.recordsAdded, 1u);
    EXPECT_EQ(LoginOf(plan.tree, "Forum"), "dee");

    // A plan made before the tree changed would drop that change.
    Edit([](TKeyvaleTree& t) { SetLogin(t, "Gmail", "ann2"); });
    const std::string edited = Outline(session.Tree());
    const TSessionResult stale = session.ApplyMerge(plan);
    EXPECT_EQ(stale.outcome, TSessionOutcome::Failed);
    EXPECT_FALSE(stale.treeReplaced);
    EXPECT_EQ(Outline(session.Tree()), edited);

    // Over the node limit: the reason is said, and nothing is planned.
    {
        TKeyvaleSession writer;
        ASSERT_TRUE(writer.Open(foreign, kOtherPassword).Succeeded());
        for (int i = 0; i < 9995; ++i) {
            AddFolder(writer.Tree(), kNoNode, "f" + std::to_string(i));
        }
        writer.MarkChanged();
        ASSERT_TRUE(writer.Save().Succeeded());
    }
    const TSessionResult tooBig = session.PlanMerge(foreign, kOtherPassword, "", plan);
    EXPECT_EQ(tooBig.outcome, TSessionOutcome::Failed);
    ASSERT_EQ(tooBig.messages.size(), 1u);
    EXPECT_TRUE(tooBig.messages[0].text.starts_with("Error! Cannot merge: "))
        << tooBig.messages[0].text;
    EXPECT_FALSE(plan.merge.refusal.empty());
    EXPECT_TRUE(plan.tree.IsEmpty());
    EXPECT_EQ(session.ApplyMerge(plan).outcome, TSessionOutcome::Failed);
    EXPECT_EQ(Outline(session.Tree()), edited);
}

} // namespace
