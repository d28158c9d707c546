#include "U_Keyvale_TreeView_Data_Text.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(TreeModel, ItemModelQueriesFollowEveryChange) {
    TKeyvaleTree tree;
    TNodeHandle a = AddFolder(tree, kNoNode, "A");
    TNodeHandle b = AddFolder(tree, kNoNode, "B");
    TNodeHandle a1 = AddFolder(tree, a, "A1");
    TNodeHandle a2 = AddFolder(tree, a, "A2");
    TNodeHandle a0 = tree.Insert(a, 0, "A0", kIconEmpty);

    EXPECT_EQ(tree.NodeCount(), 5u);
    EXPECT_EQ(tree.ChildCount(kNoNode), 2);
    EXPECT_EQ(tree.Child(a, 0), a0);
    EXPECT_EQ(tree.Row(a1), 1);
    EXPECT_EQ(tree.Row(a2), 2);
    EXPECT_EQ(tree.Parent(a2), a);
    EXPECT_EQ(tree.Parent(a), kNoNode);
    EXPECT_EQ(tree.Level(a2), 1);
    EXPECT_EQ(tree.NextSibling(a0), a1);
    EXPECT_EQ(tree.PreviousSibling(a0), kNoNode);
    EXPECT_EQ(tree.Child(a, 3), kNoNode);

    ASSERT_TRUE(tree.Move(a0, b, -1));
    EXPECT_EQ(tree.Row(a1), 0) << "rows of the old siblings close up";
    EXPECT_EQ(tree.Row(a2), 1);
    EXPECT_EQ(tree.Parent(a0), b);
    EXPECT_EQ(tree.Level(a0), 1);

    ASSERT_TRUE(tree.Move(a2, a, 0));
    EXPECT_EQ(Outline(tree), "A [0]\n  A2 [1]\n  A1 [1]\nB [1]\n  A0 [1]\n")
        << "the bare model leaves icons to the rules";

    tree.Delete(a);
    EXPECT_EQ(tree.NodeCount(), 2u) << "the subtree goes with its node";
    EXPECT_FALSE(tree.Contains(a1));
    EXPECT_EQ(tree.Row(b), 0);
    EXPECT_EQ(tree.Text(a1), "") << "a stale handle answers neutrally";
    EXPECT_EQ(tree.Parent(a1), kNoNode);
}

TEST(TreeModel, HandlesAreStableAndNeverReused) {
    TKeyvaleTree tree;
    TNodeHandle first = AddFolder(tree, kNoNode, "first");
    TNodeHandle second = AddFolder(tree, kNoNode, "second");
    tree.Delete(first);
    TNodeHandle third = AddFolder(tree, kNoNode, "third");
    EXPECT_NE(third, first) << "a pending edit kept for a deleted node must not hit a new one";
    EXPECT_NE(third, kNoNode);
    ASSERT_TRUE(tree.Move(second, kNoNode, -1));
    EXPECT_EQ(tree.Text(second), "second");
}

TEST(TreeModel, RefusesToMoveANodeIntoItsOwnSubtree) {
    TKeyvaleTree tree;
    TNodeHandle top = AddFolder(tree, kNoNode, "top");
    TNodeHandle child = AddFolder(tree, top, "child");
    TNodeHandle grandchild = AddFolder(tree, child, "grandchild");
    EXPECT_FALSE(tree.Move(top, grandchild, -1));
    EXPECT_FALSE(tree.Move(top, top, -1));
    EXPECT_FALSE(tree.Move(top, 12345, -1)) << "missing target";
    EXPECT_EQ(Outline(tree), "top [0]\n  child [0]\n    grandchild [1]\n");
}

TEST(TreeModel, PreOrderVisitsEveryNodeOnce) {
    TKeyvaleTree tree;
    TNodeHandle a = AddFolder(tree, kNoNode, "a");
    TNodeHandle b = AddFolder(tree, a, "b");
    AddFolder(tree, b, "c");
    AddFolder(tree, a, "d");
    AddFolder(tree, kNoNode, "e");
    std::string order;
    for (TNodeHandle n = tree.First(); n != kNoNode; n = tree.NextInPreOrder(n)) {
        order += tree.Text(n);
    }
    EXPECT_EQ(order, "abcde");
}

TEST(TreeModel, TextLengthCountsSixteenBitUnits) {
    TKeyvaleTree tree;
    // "é" is 2 UTF-8 bytes and 1 unit; U+1F600 is 4 bytes and 2 units.
    TNodeHandle node = tree.AddChild(kNoNode, "\xC3\xA9\xF0\x9F\x98\x80", kIconEmpty);
    EXPECT_EQ(tree.TextLength(node), 3u);
    // A name of 150 Cyrillic letters is 300 bytes but stays a user node.
    std::string cyrillic;
    for (int i = 0; i < 150; ++i) {
        cyrillic += "\xD0\x96";
    }
    tree.SetText(node, cyrillic);
    EXPECT_EQ(tree.TextLength(node), 150u);
    EXPECT_TRUE(IsUserNode(tree, node));
}

TEST(TextHelpers, ConversionsAgreeOnInvalidInput) {
    const std::string cases[] = {
        "plain",
        "\xC3\xA9t\xC3\xA9", // é t é
        "\xF0\x9F\x98\x80",  // outside the BMP
        "bad\xFFtail",       // invalid byte
        "\xC3",              // truncated sequence
        "\xED\xA0\x80",      // encoded surrogate
        "\xC0\xAF",          // overlong form
    };
    for (const std::string& text : cases) {
        std::u16string wide = Utf8ToUtf16(text);
        EXPECT_EQ(Utf16Length(text), wide.size()) << text;
        EXPECT_EQ(Utf16ToUtf8(wide), SanitizeUtf8(text)) << text;
    }
    EXPECT_EQ(SanitizeUtf8("bad\xFFtail"), "bad?tail");
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800z"), "a?z") << "a lone surrogate becomes '?'";
}

TEST(TextHelpers, LeftNeverSplitsASurrogatePair) {
    std::string smiley = "\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8Left("ab" + smiley, 3), "ab");
    EXPECT_EQ(Utf8Left("ab" + smiley, 4), "ab" + smiley);
    EXPECT_EQ(Utf8Left("\xC3\xA9\xC3\xA9", 1), "\xC3\xA9");
}

TEST(TextHelpers, TrimRemovesBlanksAndControlsAtTheEndsOnly) {
    EXPECT_EQ(TrimBlanksAndControls(" \t\r\n a b \x01\x1F "), "a b");
    EXPECT_EQ(TrimBlanksAndControls("   "), "");
    EXPECT_EQ(TrimBlanksAndControls("\xC3\xA9 "), "\xC3\xA9");
}

} // namespace
