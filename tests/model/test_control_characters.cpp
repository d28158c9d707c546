// What a control character is, and how a text holding them is shown: one
// rule for the name checks, the separator of passphrases (its test is the
// generator's), the import's
// messages and everything keyvale-cli prints.
#include <gtest/gtest.h>

#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Text.h"

namespace {

TEST(ControlCharacters, C0DelAndC1AreControlsAndAreShownEscaped) {
    struct Case {
        const char* what;
        std::string text;
        bool control;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", "Mail/x", false, "Mail/x"},
        {"ESC starting a sequence", "a\x1b]0;x\x07", true, "a\\x1b]0;x\\x07"},
        {"NUL", std::string("a\0b", 3), true, "a\\x00b"},
        {"TAB and LF", "a\tb\n", true, "a\\x09b\\x0a"},
        {"DEL", "a\x7f", true, "a\\x7f"},
        {"C1 CSI, which terminals obey like ESC [",
         "a\xc2\x9b"
         "2J",
         true, "a\\xc2\\x9b2J"},
        {"C1 NEL", "\xc2\x85", true, "\\xc2\\x85"},
        {"U+00A0 is no control", "a\xc2\xa0z", false, "a\xc2\xa0z"},
        {"U+00E9 is no control", "caf\xc3\xa9", false, "caf\xc3\xa9"},
        {"a lone 0x9B is no UTF-8 character", "a\x9b", false, "a\x9b"},
        {"U+009B cut after its first byte", "a\xc2", false, "a\xc2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HoldsControlCharacter(c.text), c.control) << c.what;
        EXPECT_EQ(WithControlsEscaped(c.text), c.shown) << c.what;
    }
}

TEST(ControlCharacters, TheOnesKeptPassAsTheyAre) {
    EXPECT_FALSE(HoldsControlCharacter("line 1\r\n\tline 2", "\t\r\n"));
    EXPECT_TRUE(HoldsControlCharacter("line 1\n\x1b", "\t\r\n"));
    EXPECT_TRUE(HoldsControlCharacter("line 1\n\xc2\x9b", "\t\r\n")) << "C1 is never kept";
    EXPECT_EQ(WithControlsEscaped("a\n\x1b"
                                  "b\n",
                                  "\n"),
              "a\n\\x1bb\n");

    const TRecordFieldRule& note = RecordFieldRule(TRecordField::Note);
    const TRecordFieldRule& login = RecordFieldRule(TRecordField::Login);
    EXPECT_EQ(FieldProblem(note, "a\tb\nc"), "");
    EXPECT_NE(FieldProblem(note, "a\xc2\x9b"
                                 "2J"),
              "");
    EXPECT_NE(FieldProblem(login, "a\tb"), "");
    EXPECT_NE(NameProblem("a\xc2\x85"
                          "b"),
              "");
}

} // namespace
