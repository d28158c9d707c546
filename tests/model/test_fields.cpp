#include "U_Keyvale_TreeView_Data_Fields.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace {

class RecordPanel : public ::testing::Test {
  protected:
    TKeyvaleTree tree;
    TNodeHandle node = AddFolder(tree, kNoNode, "Bank");
    TNodeHandle pending = node;

    TRecordStoreResult Store(const TRecordFields& input, TRecordFieldsTouched touched = {}) {
        return SaveFolderDataToDataFolder(tree, pending, input, touched);
    }
    TRecordFields Shown() {
        TRecordFields fields;
        ReadFolderDataFromDataFolder(tree, node, fields);
        return fields;
    }
};

TEST_F(RecordPanel, StoresTrimmedFieldsAndThePasswordAsTyped) {
    TRecordStoreResult result =
        Store({"  ann\t", "  pass word \t", " a@b.c\r\n", "\thttp://x ", "\r\n note \r\n\r\n"});
    EXPECT_EQ(result.outcome, TRecordStoreOutcome::DataChanged);
    EXPECT_EQ(result.message, "<< Bank >>  data changed.");
    EXPECT_EQ(pending, kNoNode) << "a pending edit is written at most once";
    EXPECT_EQ(tree.Icon(node), kIconRecord);
    ASSERT_EQ(tree.ChildCount(node), 1);
    EXPECT_EQ(Shown(), (TRecordFields{"ann", "  pass word \t", "a@b.c", "http://x", "note"}));

    pending = node;
    EXPECT_EQ(Store({"bob", "", "", "", ""}).outcome, TRecordStoreOutcome::DataChanged);
    EXPECT_EQ(tree.ChildCount(node), 1) << "the old data node is replaced, not kept";
    EXPECT_EQ(Shown().login, "bob");
}

TEST_F(RecordPanel, OnlyTouchedFieldsAreWritten) {
    const TRecordFields stored{std::string(300, 'l') + " ", "pw", " a@b.c ", "\thttp://x",
                               "one\r\ntwo\rthree\xC2\xA0"
                               "four\xE2\x80\xA8"
                               "five \n"};
    tree.SetIcon(node, kIconRecord);
    tree.AddChild(node, RecordDataEncode(stored), kIconEmpty);

    // The widgets would hand back changed texts for every field; only the
    // login was typed into.
    TRecordFieldsTouched touched = TRecordFieldsTouched::None();
    touched.login = true;
    EXPECT_EQ(Store({"  new  ", "WRONG", "WRONG", "WRONG", "WRONG"}, touched).outcome,
              TRecordStoreOutcome::DataChanged);
    TRecordFields expected = stored;
    expected.login = "new";
    EXPECT_EQ(Shown(), expected);

    // Clearing the one touched field of a record that holds others keeps it
    // a record; clearing the last content empties it.
    pending = node;
    touched = TRecordFieldsTouched::None();
    touched.note = true;
    EXPECT_EQ(Store({"", "", "", "", " \r\n"}, touched).outcome, TRecordStoreOutcome::DataChanged);
    expected.note.clear();
    EXPECT_EQ(Shown(), expected);
    pending = node;
    EXPECT_EQ(Store({"", "", "", "", ""}).outcome, TRecordStoreOutcome::DataCleared);

    // An empty node has nothing to keep: untouched fields stay empty.
    pending = node;
    touched = TRecordFieldsTouched::None();
    touched.url = true;
    Store({"WRONG", "", "", "x.example", ""}, touched);
    EXPECT_EQ(Shown(), (TRecordFields{"", "", "", "x.example", ""}));
}

TEST_F(RecordPanel, NoContentClearsTheRecord) {
    Store({"ann", "pw", "", "", ""});
    const TRecordFields blanks[] = {
        {"", "", "", "", ""},
        {" ", "   ", "\r\n", "\t", " \r\n \r\n "},
        {"", "    ", "", "", ""}, // a password of spaces is no content
    };
    for (const TRecordFields& input : blanks) {
        pending = node;
        TRecordStoreResult result = Store(input);
        EXPECT_EQ(result.outcome, TRecordStoreOutcome::DataCleared);
        EXPECT_EQ(result.message, "<< Bank >>  data cleared.");
        EXPECT_EQ(tree.Icon(node), kIconEmpty);
        EXPECT_EQ(tree.ChildCount(node), 0);
    }
    TRecordFields fields{"x", "y", "z", "u", "v"};
    EXPECT_FALSE(ReadFolderDataFromDataFolder(tree, node, fields));
    EXPECT_EQ(fields, TRecordFields{}) << "an empty node shows five empty fields";
}

TEST_F(RecordPanel, NothingHappensWithoutAPendingRecordNode) {
    pending = kNoNode;
    EXPECT_EQ(Store({"a", "", "", "", ""}).outcome, TRecordStoreOutcome::Nothing);

    TNodeHandle folder = AddFolder(tree, kNoNode, "Folder");
    AddFolder(tree, folder, "Child");
    for (TNodeHandle target : {folder, node}) {
        tree.SetIcon(node, target == node ? kIconFolder : kIconEmpty);
        pending = target;
        EXPECT_EQ(Store({"typed", "", "", "", ""}).outcome, TRecordStoreOutcome::Nothing);
        EXPECT_EQ(pending, kNoNode);
    }
    tree.SetIcon(folder, kIconEmpty);
    pending = folder;
    EXPECT_EQ(Store({"typed", "", "", "", ""}).outcome, TRecordStoreOutcome::Nothing)
        << "a folder holding subfolders never gets a data node, whatever its icon";
    EXPECT_EQ(tree.ChildCount(folder), 1);

    pending = node;
    tree.Delete(node);
    EXPECT_EQ(Store({"a", "", "", "", ""}).outcome, TRecordStoreOutcome::Nothing)
        << "a deleted node's pending edit is dropped";
    EXPECT_EQ(pending, kNoNode);
}

TEST_F(RecordPanel, UndecodableDataNodeShowsEmptyFieldsAndStays) {
    tree.SetIcon(node, kIconRecord);
    tree.AddChild(node, std::string(300, '!'), kIconEmpty);
    TRecordFields fields{"x", "", "", "", ""};
    EXPECT_TRUE(ReadFolderDataFromDataFolder(tree, node, fields));
    EXPECT_EQ(fields, TRecordFields{});
    EXPECT_EQ(tree.ChildCount(node), 1);
}

} // namespace
