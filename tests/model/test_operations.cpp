#include "U_Keyvale_TreeView_Data_Operations.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Texts(const std::vector<TTreeMessage>& messages) {
    std::vector<std::string> texts;
    for (const TTreeMessage& m : messages) {
        texts.push_back(m.text);
    }
    return texts;
}

// Mail
//   example.org (record)
//   Old
// Bank (record)
class SmallTree : public ::testing::Test {
  protected:
    void SetUp() override {
        mail = AddFolder(tree, kNoNode, "Mail");
        example = AddRecord(tree, mail, "example.org");
        old = AddFolder(tree, mail, "Old");
        bank = AddRecord(tree, kNoNode, "Bank");
    }
    TKeyvaleTree tree;
    TNodeHandle mail = kNoNode, example = kNoNode, old = kNoNode, bank = kNoNode;
};

TEST(NodeNames, NormalizedSoTheFileKeepsTheTreeShape) {
    const std::pair<std::string, std::string> cases[] = {
        {"Mail", "Mail"},
        {"  \t Mail ", "Mail "},
        {"   ", "< >"},
        {"\t", "< >"},
        {"line\r\nbreak", "line  break"},
        {std::string(250, 'x'), std::string(200, 'x')},
        {std::string(199, 'x') + "\xF0\x9F\x98\x80", std::string(199, 'x')},
        {"bad\xFF", "bad?"},
    };
    for (const auto& [typed, stored] : cases) {
        EXPECT_EQ(NormalizeNodeName(typed), stored) << typed;
    }
}

TEST_F(SmallTree, CreateUnderFolderRootAndBesideRecord) {
    TFolderCreateResult inFolder = FolderCreate(tree, old, "New");
    ASSERT_TRUE(inFolder.created);
    EXPECT_EQ(inFolder.parent, old);
    EXPECT_EQ(inFolder.selectAfter, old);
    EXPECT_EQ(Texts(inFolder.messages), std::vector<std::string>{"A new folder has been created."});
    EXPECT_EQ(tree.Icon(old), kIconFolder);
    EXPECT_EQ(tree.Icon(inFolder.newNode), kIconEmpty);

    TFolderCreateResult atRoot = FolderCreate(tree, kNoNode, "Top");
    EXPECT_EQ(atRoot.parent, kNoNode);
    EXPECT_EQ(atRoot.selectAfter, atRoot.newNode);
    EXPECT_EQ(tree.Row(atRoot.newNode), 2);

    TFolderCreateResult besideRecord = FolderCreate(tree, example, "Sibling");
    EXPECT_EQ(besideRecord.parent, mail);
    EXPECT_EQ(besideRecord.selectAfter, besideRecord.newNode) << "the new node stays selected";
    EXPECT_TRUE(besideRecord.messages.empty()) << "no message beside a record";

    TFolderCreateResult besideRootRecord = FolderCreate(tree, bank, "Root sibling");
    EXPECT_EQ(besideRootRecord.parent, kNoNode);

    EXPECT_EQ(Outline(tree), "Mail [0]\n"
                             "  example.org [2]\n    #data [1]\n"
                             "  Old [0]\n    New [1]\n"
                             "  Sibling [1]\n"
                             "Bank [2]\n  #data [1]\n"
                             "Top [1]\n"
                             "Root sibling [1]\n");
}

TEST_F(SmallTree, CreateRefusals) {
    std::string before = Outline(tree);
    TFolderCreateResult empty = FolderCreate(tree, old, "");
    EXPECT_FALSE(empty.created);
    EXPECT_EQ(empty.messages, (std::vector<TTreeMessage>{
                                  {"Folder name is empty! It is not allowed to add a new folder "
                                   "with empty name!",
                                   false}}));

    for (const char* pasted : {"\x1b]0;pwned\x07", "a\tb",
                               "a\xC2\x9B"
                               "2J"}) {
        TFolderCreateResult control = FolderCreate(tree, old, pasted);
        EXPECT_FALSE(control.created) << "control characters are refused";
        ASSERT_EQ(control.messages.size(), 1u);
        EXPECT_NE(control.messages[0].text.find("control character"), std::string::npos);
    }
    EXPECT_EQ(Outline(tree), before);

    TFolderCreateResult blanks = FolderCreate(tree, old, "  ");
    EXPECT_TRUE(blanks.created) << "a name of blanks is accepted";
    EXPECT_EQ(tree.Text(blanks.newNode), "< >");
    tree.Delete(blanks.newNode);
    tree.SetIcon(old, kIconEmpty);
    EXPECT_EQ(Outline(tree), before);

    while (tree.NodeCount() < kMaximumNodeCount) {
        tree.AddChild(kNoNode, "filler", kIconEmpty);
    }
    TFolderCreateResult full = FolderCreate(tree, kNoNode, "one more");
    EXPECT_FALSE(full.created);
    ASSERT_EQ(full.messages.size(), 1u);
    EXPECT_TRUE(full.messages[0].alert);
    EXPECT_EQ(full.messages[0].text,
              "Your database has too many folders. Cannot add one more "
              "folder. Delete unnecessary folders and try to add a new one.");
}

TEST(FolderCreateDepth, LevelFifteenIsTheDeepest) {
    TKeyvaleTree tree;
    TNodeHandle level14 = AddChain(tree, 14);
    TFolderCreateResult ok = FolderCreate(tree, level14, "on 15");
    ASSERT_TRUE(ok.created);
    EXPECT_EQ(tree.Level(ok.newNode), 15);
    TFolderCreateResult refused = FolderCreate(tree, ok.newNode, "on 16");
    EXPECT_FALSE(refused.created);
    EXPECT_EQ(refused.messages,
              (std::vector<TTreeMessage>{{"Cannot add a folder. Nesting level too deep.", true}}));
    EXPECT_EQ(tree.Icon(ok.newNode), kIconEmpty) << "a refused parent keeps its icon";
}

TEST(FindFolder, WalksMatchesInTreeOrderAndWraps) {
    TKeyvaleTree tree;
    TNodeHandle first = AddFolder(tree, kNoNode, "xAbx");
    TNodeHandle inner = AddFolder(tree, first, "nothing");
    TNodeHandle lab = AddRecord(tree, inner, "LAB", {"ab ab ab", "", "", "", ""});
    AddFolder(tree, kNoNode, "other");

    TFindResult one = FindFolder(tree, kNoNode, "ab");
    EXPECT_EQ(one.found, lab) << "without a selection the search starts after the first node";
    EXPECT_EQ(Texts(one.messages), (std::vector<std::string>{"ab ... searching ... ", "LAB"}));
    TFindResult two = FindFolder(tree, one.found, "ab");
    EXPECT_EQ(two.found, first) << "wraps around to the start";
    TFindResult three = FindFolder(tree, two.found, "ab");
    EXPECT_EQ(three.found, lab) << "data nodes are never matched";
    EXPECT_TRUE(three.runSelectionEvent);
}

TEST(FindFolder, CaseRulesAndMessages) {
    TKeyvaleTree tree;
    TNodeHandle only = AddFolder(tree, kNoNode, "\xC3\xA9t\xC3\xA9");
    AddFolder(tree, kNoNode, "Summer");

    EXPECT_EQ(FindFolder(tree, only, "\xC3\xA9t").found, only)
        << "the only match, selected, is found in the second pass";
    EXPECT_EQ(FindFolder(tree, only, "\xC3\x89T").found, kNoNode)
        << "letters outside a-z compare exactly";
    EXPECT_NE(FindFolder(tree, only, "sUMm").found, kNoNode);

    TFindResult missing = FindFolder(tree, only, "zz");
    EXPECT_EQ(missing.found, kNoNode);
    EXPECT_EQ(missing.selectAfter, only);
    EXPECT_EQ(Texts(missing.messages),
              (std::vector<std::string>{"zz ... searching ... ", "No folders found (zz)"}));

    TFindResult blank = FindFolder(tree, only, "  ");
    EXPECT_EQ(Texts(blank.messages),
              (std::vector<std::string>{"No name of folder (record) is specified."}));
    EXPECT_FALSE(blank.runSelectionEvent);

    TKeyvaleTree empty;
    TFindResult none = FindFolder(empty, kNoNode, "a");
    EXPECT_FALSE(none.searched);
    EXPECT_TRUE(none.messages.empty());
}

TEST_F(SmallTree, DragAcceptanceRules) {
    TNodeHandle inner = AddFolder(tree, old, "Inner");
    struct Case {
        const char* what;
        TNodeHandle dragged, target;
        std::string problem; // empty: accepted
    };
    const std::string intoItself = "a folder cannot go into itself or its own subtree.";
    const Case cases[] = {
        {"onto itself", old, old, intoItself},
        {"onto its own child", old, inner, intoItself},
        {"onto its parent", old, mail, "it is there already."},
        {"onto a record", old, bank, "It is not allowed to add object to a record!"},
        {"without a target", old, kNoNode, "there is no such node."},
        {"without a dragged node", kNoNode, mail, "there is no such node."},
        {"a folder onto another root", inner, mail, ""},
        {"a record into a folder", bank, old, ""},
        {"deep inside its own subtree", mail, inner, intoItself},
        {"a record onto an empty node", bank, inner, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CanDropNode(tree, c.dragged, c.target), c.problem.empty()) << c.what;
        EXPECT_EQ(DropProblem(tree, c.dragged, c.target), c.problem) << c.what;
    }
}

TEST(DragAcceptance, NoUserNodeBelowLevelFifteen) {
    TKeyvaleTree tree;
    TNodeHandle level13 = AddChain(tree, 13);
    TNodeHandle moving = AddFolder(tree, kNoNode, "moving");
    AddFolder(tree, moving, "child");
    EXPECT_TRUE(CanDropNode(tree, moving, tree.Parent(level13))) << "child would end on level 14";
    EXPECT_TRUE(CanDropNode(tree, moving, level13)) << "child would end on level 15";
    TNodeHandle level14 = AddFolder(tree, level13, "L14");
    EXPECT_FALSE(CanDropNode(tree, moving, level14)) << "child would end on level 16";
    EXPECT_EQ(DropProblem(tree, moving, level14), "Cannot add a folder. Nesting level too deep.");
}

TEST_F(SmallTree, DropMovesAndFixesIcons) {
    TMoveResult refused = DropNode(tree, old, bank);
    EXPECT_FALSE(refused.moved);
    EXPECT_EQ(Texts(refused.messages),
              std::vector<std::string>{"It is not allowed to add object to a record!"});
    EXPECT_FALSE(DropNode(tree, mail, old).moved) << "a refused drag stays refused on drop";

    TNodeHandle empty = AddFolder(tree, kNoNode, "Empty");
    ASSERT_TRUE(DropNode(tree, example, empty).moved);
    ASSERT_TRUE(DropNode(tree, old, empty).moved);
    EXPECT_EQ(Outline(tree), "Mail [1]\n"
                             "Bank [2]\n  #data [1]\n"
                             "Empty [0]\n  example.org [2]\n    #data [1]\n  Old [1]\n");
}

TEST_F(SmallTree, MoveToRootUpAndDown) {
    TMoveResult toRoot = MoveNodeToRoot(tree, example);
    ASSERT_TRUE(toRoot.moved);
    EXPECT_EQ(Texts(toRoot.messages), std::vector<std::string>{"Replaced to root: example.org"});
    EXPECT_FALSE(MoveNodeToRoot(tree, bank).moved) << "a root node stays";
    EXPECT_TRUE(MoveNodeToRoot(tree, bank).messages.empty());
    EXPECT_EQ(Outline(tree), "Mail [0]\n  Old [1]\nBank [2]\n  #data [1]\nexample.org [2]\n"
                             "  #data [1]\n");

    EXPECT_TRUE(MoveNodeUp(tree, old)) << "a first child goes to the top of the root level";
    EXPECT_EQ(Outline(tree), "Old [1]\nMail [1]\nBank [2]\n  #data [1]\nexample.org [2]\n"
                             "  #data [1]\n");
    EXPECT_FALSE(MoveNodeUp(tree, old)) << "the first node of the tree stays";
    EXPECT_TRUE(MoveNodeUp(tree, bank));
    EXPECT_TRUE(MoveNodeDown(tree, old));
    EXPECT_FALSE(MoveNodeDown(tree, example)) << "the last sibling stays";
    std::string order;
    for (int row = 0; row < tree.ChildCount(kNoNode); ++row) {
        order += tree.Text(tree.Child(kNoNode, row)) + ";";
    }
    EXPECT_EQ(order, "Bank;Old;Mail;example.org;");
}

TEST_F(SmallTree, DeleteTheSubtreeAndTellWhatWasDeleted) {
    TDeleteResult record = FolderDelete(tree, example);
    ASSERT_TRUE(record.deleted);
    EXPECT_EQ(record.message, (TTreeMessage{"Record has been deleted: example.org", true}));
    EXPECT_EQ(record.selectAfter, old) << "the next sibling";
    TDeleteResult folder = FolderDelete(tree, old);
    EXPECT_EQ(folder.message.text, "Folder has been deleted: Old");
    EXPECT_EQ(folder.selectAfter, mail) << "no sibling left: the parent";
    EXPECT_EQ(tree.Icon(mail), kIconEmpty) << "the emptied parent";
    EXPECT_EQ(tree.NodeCount(), 3u) << "data nodes go with their records";

    TNodeHandle longName = AddFolder(tree, kNoNode, std::string(150, 'n'));
    EXPECT_EQ(FolderDelete(tree, longName).message.text,
              "Folder has been deleted: " + std::string(100, 'n'));
    EXPECT_FALSE(FolderDelete(tree, kNoNode).deleted);
    EXPECT_EQ(FolderDelete(tree, bank).selectAfter, mail) << "the last one: the previous sibling";
}

TEST_F(SmallTree, DeletionWarningAndPreview) {
    EXPECT_EQ(DeletionWarningText(tree, mail),
              "All sub-folders of this folder also will be deleted! Deleted folder cannot be "
              "restored.\nYou want this folder to be deleted ?");
    EXPECT_EQ(DeletionWarningText(tree, bank),
              "Deleted record cannot be restored.\nYou want this record to be deleted ?");
    EXPECT_EQ(DeletionWarningText(tree, old),
              "Deleted folder cannot be restored.\nYou want this folder to be deleted ?");
    EXPECT_EQ(DeletionPreviewChild(tree, mail), example);
    EXPECT_EQ(DeletionPreviewChild(tree, bank), kNoNode);
    EXPECT_EQ(DeletionPreviewChild(tree, old), kNoNode);
}

TEST_F(SmallTree, RecordFieldsEditableOnlyForEmptyNodesAndRecords) {
    EXPECT_FALSE(RecordFieldsEditable(tree, mail));
    EXPECT_TRUE(RecordFieldsEditable(tree, old));
    EXPECT_TRUE(RecordFieldsEditable(tree, bank));
    EXPECT_FALSE(RecordFieldsEditable(tree, kNoNode));
}

} // namespace
