// Two writers of one database: a save that finds the file changed merges
// the other writer's work with ours, a change on disk is taken in while
// nothing here is unsaved, and another file is merged on request. Nothing
// either side wrote may be lost, and the conflict copy is left for the
// files our keys cannot read.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Session.h"
#include "temp_dir.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

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
        EXPECT_FALSE(saved.treeReplaced);
        EXPECT_EQ(ReadTextFile(file), theirs) << "the other writer's file, byte for byte";
        EXPECT_EQ(session.FileName(), aside);
        EXPECT_NE(NameStartingWith(session.Tree(), "ours 4999"), kNoNode);

        // The copy is the open file now, and what we wrote there is its base.
        AsAnotherWriter(aside, [](TKeyvaleTree& t) { Remove(t, "Bank"); });
        Edit([](TKeyvaleTree& t) { SetLogin(t, "Shop", "cy2"); });
        const TSessionResult next = session.Save();
        EXPECT_EQ(next.outcome, TSessionOutcome::Done);
        ASSERT_TRUE(next.merge);
        EXPECT_FALSE(next.merge->HasConflicts());
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
}

} // namespace
