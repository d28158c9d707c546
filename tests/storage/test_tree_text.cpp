#include "U_Keyvale_Database_File_Text.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace {

// Rebuilds a tree from a plaintext the way a load does, before special lines
// are removed.
std::string Rebuild(const std::string& text, TKeyvaleTree& tree) {
    return BuildTreeFromLines(SplitTreeText(text), tree);
}

std::string Special(char c = 'Q', std::size_t length = 211) {
    return std::string(length, c);
}

TEST(TreeText, PreOrderTabsAndCrLf) {
    TKeyvaleTree tree;
    TNodeHandle a = AddFolder(tree, kNoNode, "A");
    TNodeHandle b = AddFolder(tree, a, "B");
    TNodeHandle c = AddFolder(tree, b, "C");
    AddFolder(tree, c, "D");
    AddFolder(tree, a, "E");
    AddFolder(tree, kNoNode, "F");
    EXPECT_EQ(TreeToText(tree), "A\r\n\tB\r\n\t\tC\r\n\t\t\tD\r\n\tE\r\nF\r\n");
    EXPECT_EQ(TreeToText(TKeyvaleTree()), "");
}

TEST(TreeText, TextsThatWouldReshapeTheTreeAreWrittenSafely) {
    TKeyvaleTree tree;
    TNodeHandle a = tree.AddChild(kNoNode, "A", kIconEmpty);
    tree.AddChild(a, "\t sneaked in", kIconEmpty);
    tree.AddChild(a, "two\r\nlines", kIconEmpty);
    tree.AddChild(a, "", kIconEmpty);
    EXPECT_EQ(TreeToText(tree), "A\r\n\tsneaked in\r\n\ttwo  lines\r\n\t< >\r\n");
}

TEST(TreeText, DeepAndWideTreeRoundTrips) {
    TKeyvaleTree tree;
    TNodeHandle deepest = AddChain(tree, 15);
    AddRecord(tree, deepest, "deep record", {"l", "p", "e", "u", "n"});
    for (int i = 0; i < 300; ++i) {
        TNodeHandle wide = AddFolder(tree, kNoNode, "wide " + std::to_string(i));
        if (i % 3 == 0) {
            AddRecord(tree, wide, "r\xC3\xA9" + std::to_string(i));
        }
    }
    AddFolder(tree, kNoNode, std::string(200, 'z'));
    AddFolder(tree, kNoNode, "trailing blanks  ");

    std::string text = F_Keyvale_Special_Folder_Create(tree);
    TKeyvaleTree rebuilt;
    ASSERT_EQ(Rebuild(text, rebuilt), "");
    F_Keyvale_Special_Folder_Delete(rebuilt);
    P_Arrange_Icons_for_TreeView(rebuilt);
    EXPECT_EQ(Outline(rebuilt), Outline(tree));
    EXPECT_EQ(TreeToText(rebuilt), TreeToText(tree));
}

TEST(TreeText, SpecialFolderLinesFrameEverySave) {
    TKeyvaleTree tree;
    AddFolder(tree, kNoNode, "only");
    for (int i = 0; i < 50; ++i) {
        std::vector<TTreeTextLine> lines = SplitTreeText(F_Keyvale_Special_Folder_Create(tree));
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_TRUE(HasSpecialFolderFrame(lines));
        for (const TTreeTextLine* line : {&lines.front(), &lines.back()}) {
            EXPECT_GE(line->text.size(), 211u);
            EXPECT_LE(line->text.size(), 419u);
        }
        EXPECT_NE(lines.front().text, lines.back().text);
    }
}

TEST(TreeText, FrameCheck) {
    const std::string s = Special();
    struct Case {
        const char* what;
        std::string text;
        bool framed;
    };
    const Case cases[] = {
        {"an empty database", s + "\r\n" + s + "\r\n", true},
        {"longest lines", Special('a', 419) + "\r\nx\r\n" + Special('9', 419), true},
        {"nothing", "", false},
        {"one line", s + "\r\n", false},
        {"too short", Special('Q', 210) + "\r\n" + s + "\r\n", false},
        {"too long", s + "\r\n" + Special('Q', 420) + "\r\n", false},
        {"a blank is no alphabet character", s + "\r\n" + s.substr(1) + " \r\n", false},
        {"indented last line", s + "\r\n\t" + s + "\r\n", false},
        {"garbage", std::string("\x93\xFF\x01garbage\x7F", 12), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasSpecialFolderFrame(SplitTreeText(c.text)), c.framed) << c.what;
    }
}

TEST(TreeText, LineBreaksEncodingsAndNul) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string outline;
    };
    const Case cases[] = {
        {"CR LF, lone CR, lone LF", "a\r\n\tb\rc\nd", "a [1]\n  b [1]\nc [1]\nd [1]\n"},
        {"final break adds no line", "a\n", "a [1]\n"},
        {"spaces count as levels", "a\n b\n \tc", "a [1]\n  b [1]\n    c [1]\n"},
        {"NUL ends the text", std::string("a\nb\0c\n", 6), "a [1]\nb [1]\n"},
        {"UTF-8 mark skipped",
         "\xEF\xBB\xBF"
         "a\n\t\xC3\xA9",
         "a [1]\n  \xC3\xA9 [1]\n"},
        {"UTF-16 LE",
         std::string("\xFF\xFE"
                     "a\0\n\0\t\0\xE9\0",
                     10),
         "a [1]\n  \xC3\xA9 [1]\n"},
        {"UTF-16 BE", std::string("\xFE\xFF\0a\0\n\0\t\0\xE9", 10), "a [1]\n  \xC3\xA9 [1]\n"},
        {"invalid UTF-8 is read as Windows-1252", "a\xFF\n\t\x80",
         "a\xC3\xBF [1]\n  \xE2\x82\xAC [1]\n"},
        {"first line is a root whatever its level", "\t\ta\n\tb", "a [1]\n  b [1]\n"},
    };
    for (const Case& c : cases) {
        TKeyvaleTree tree;
        std::string error = Rebuild(c.bytes, tree);
        EXPECT_EQ(error, "") << c.what;
        EXPECT_EQ(Outline(tree), c.outline) << c.what;
    }
}

TEST(TreeText, TwoLevelsDeeperFailsNamingLevelAndText) {
    TKeyvaleTree tree;
    EXPECT_EQ(Rebuild("root\r\n\tchild\r\n\t\t\tgreat grandchild\r\n", tree),
              "Invalid level (3) for item \"great grandchild\"");
    TKeyvaleTree shallower;
    EXPECT_EQ(Rebuild("a\n\tb\n\t\tc\nd\n\te", shallower), "");
    EXPECT_EQ(Outline(shallower), "a [1]\n  b [1]\n    c [1]\nd [1]\n  e [1]\n");
}

TEST(TreeText, SpecialFolderDeleteRemovesOnlyLongRootNodes) {
    TKeyvaleTree tree;
    TNodeHandle special = tree.AddChild(kNoNode, Special(), kIconEmpty);
    tree.AddChild(special, "child of special", kIconEmpty);
    TNodeHandle user = AddFolder(tree, kNoNode, std::string(200, 'u'));
    AddRecord(tree, user, "record keeps its data node");
    tree.AddChild(kNoNode, std::string(210, 'x'), kIconEmpty);
    F_Keyvale_Special_Folder_Delete(tree);
    EXPECT_EQ(Outline(tree),
              std::string(200, 'u') + " [0]\n  record keeps its data node [2]\n    #data [1]\n");
}

} // namespace
