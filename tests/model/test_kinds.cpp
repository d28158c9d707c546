#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(NodeKinds, IconNumbersFollowTheFirstChild) {
    TKeyvaleTree tree;
    TNodeHandle empty = AddFolder(tree, kNoNode, "empty");
    TNodeHandle folder = AddFolder(tree, kNoNode, "folder");
    TNodeHandle longName = AddFolder(tree, folder, std::string(200, 'n'));
    TNodeHandle record = AddRecord(tree, kNoNode, "record");

    EXPECT_EQ(F_Get_Icon_Number(tree, empty), kIconEmpty);
    EXPECT_EQ(F_Get_Icon_Number(tree, folder), kIconFolder)
        << "a 200-character name is a user node";
    EXPECT_EQ(F_Get_Icon_Number(tree, record), kIconRecord);
    EXPECT_EQ(F_Get_Icon_Number(tree, longName), kIconEmpty);

    EXPECT_FALSE(F_Node_is_File(tree, kNoNode));
    EXPECT_FALSE(F_Node_is_File(tree, empty));
    EXPECT_FALSE(F_Node_is_File(tree, folder));
    EXPECT_TRUE(F_Node_is_File(tree, record));
    tree.SetIcon(record, kIconEmpty);
    EXPECT_TRUE(F_Node_is_File(tree, record)) << "a data node marks a record whatever its icon";

    EXPECT_TRUE(MayExpand(tree, folder));
    EXPECT_FALSE(MayExpand(tree, record)) << "data nodes are never shown";
}

TEST(NodeKinds, ArrangeIconsRestoresEveryIcon) {
    TKeyvaleTree tree;
    TNodeHandle a = AddFolder(tree, kNoNode, "a");
    AddRecord(tree, a, "r");
    AddFolder(tree, a, "e");
    std::string expected = Outline(tree);
    for (TNodeHandle n = tree.First(); n != kNoNode; n = tree.NextInPreOrder(n)) {
        tree.SetIcon(n, 7);
    }
    P_Arrange_Icons_for_TreeView(tree);
    EXPECT_EQ(Outline(tree), expected);
}

TEST(NodeKinds, MaximumLevelOfChildrenCountsUserLevelsOnly) {
    TKeyvaleTree tree;
    TNodeHandle leaf = AddFolder(tree, kNoNode, "leaf");
    TNodeHandle record = AddRecord(tree, kNoNode, "record");
    TNodeHandle top = AddFolder(tree, kNoNode, "top");
    TNodeHandle one = AddFolder(tree, top, "one");
    AddRecord(tree, top, "r");
    EXPECT_EQ(F_Get_Maximum_Level_of_Children(tree, leaf), 0);
    EXPECT_EQ(F_Get_Maximum_Level_of_Children(tree, record), 0) << "the data node adds no level";
    EXPECT_EQ(F_Get_Maximum_Level_of_Children(tree, top), 1);
    TNodeHandle two = AddFolder(tree, one, "two");
    EXPECT_EQ(F_Get_Maximum_Level_of_Children(tree, top), 2);
    AddRecord(tree, two, "deep record");
    EXPECT_EQ(F_Get_Maximum_Level_of_Children(tree, top), 3);
    EXPECT_EQ(F_Get_Maximum_Level_of_Children(tree, two), 1) << "relative to the node's own level";
}

} // namespace
