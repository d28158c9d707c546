// The name and field rules keyvale-cli, import and the window share.
#include "U_Keyvale_TreeView_Data_Rules.h"

#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
    const char* what;
    std::string text;
    const char* problem; // empty: acceptable
};

TEST(Rules, NameProblemTellsWhyANameCannotBeStored) {
    const TextCase cases[] = {
        {"plain", "Bank", ""},
        {"inner blanks and trailing blank", "My bank ", ""},
        {"non-Latin and outside the BMP", "Банк \xF0\x9F\x94\x91", ""},
        {"exactly 200 characters", std::string(200, 'x'), ""},
        {"empty", "", "its name is empty"},
        {"leading space", " Bank", "its name begins with a space or TAB"},
        {"leading TAB", "\tBank", "its name begins with a space or TAB"},
        {"line feed", "a\nb", "its name holds a line break"},
        {"carriage return", "a\rb", "its name holds a line break"},
        {"NUL", std::string("a\0b", 3), "its name holds a line break"},
        {"ESC (terminal title)", "\x1b]0;pwned\x07", "its name holds a control character"},
        {"inner TAB", "a\tb", "its name holds a control character"},
        {"DEL", "a\x7f", "its name holds a control character"},
        {"C1 CSI as UTF-8",
         "a\xC2\x9B"
         "2J",
         "its name holds a control character"},
        {"201 characters", std::string(201, 'x'), "its name has more than 200 characters"},
        {"100 characters outside the BMP count 200",
         [] {
             std::string s;
             for (int i = 0; i < 101; ++i) {
                 s += "\xF0\x9F\x94\x91";
             }
             return s;
         }(),
         "its name has more than 200 characters"},
        {"not UTF-8 (Windows-1252 e acute)", "Caf\xE9", "its name is not valid UTF-8"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(NameProblem(c.text), c.problem) << c.what;
    }
}

TEST(Rules, FieldProblemKeepsLimitsLinesAndControls) {
    const TRecordFieldRule& login = *FindRecordFieldRule("login");
    const TRecordFieldRule& password = *FindRecordFieldRule("password");
    const TRecordFieldRule& note = *FindRecordFieldRule("note");
    struct FieldCase {
        const char* what;
        const TRecordFieldRule& rule;
        std::string value;
        const char* problem;
    };
    const FieldCase cases[] = {
        {"login at its limit", login, std::string(255, 'a'), ""},
        {"login over its limit", login, std::string(256, 'a'), "has more than 255 characters"},
        {"password at its limit", password, std::string(1024, 'p'), ""},
        {"password over its limit", password, std::string(1025, 'p'),
         "has more than 1024 characters"},
        {"note at its limit", note, std::string(8000, 'n'), ""},
        {"note over its limit", note, std::string(8001, 'n'), "has more than 8000 characters"},
        {"line break in the login", login, "a\nb", "holds a line break"},
        {"carriage return in the password", password, "pass\r", "holds a line break"},
        {"lines and TAB in the note", note, "line 1\r\n\tline 2", ""},
        {"ESC in the note", note, "look\x1b[2J", "holds a control character"},
        {"BEL in the password", password, "p\x07", "holds a control character"},
        {"C1 in the login", login, "a\xC2\x85", "holds a control character"},
        {"not UTF-8 in the login", login, "ab\xFF", "is not valid UTF-8"},
        {"not UTF-8 in the note", note, "Caf\xE9", "is not valid UTF-8"},
    };
    for (const FieldCase& c : cases) {
        EXPECT_EQ(FieldProblem(c.rule, c.value), c.problem) << c.what;
    }
}

TEST(Rules, TheFieldTableNamesEveryFieldOnceInPanelOrder) {
    EXPECT_EQ(RecordFieldNames(), "login, password, email, url and note");
    TRecordFields fields;
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        fields.*rule.member += rule.name;
        EXPECT_EQ(FindRecordFieldRule(rule.name), &rule);
    }
    EXPECT_EQ(fields, (TRecordFields{"login", "password", "email", "url", "note"}));
    EXPECT_EQ(FindRecordFieldRule("Login"), nullptr);
    EXPECT_EQ(FindRecordFieldRule("name"), nullptr);
}

// Each program names a field as the table does: the window's captions,
// keyvale-cli's options and fields, the import's --map and the JSON export.
} // namespace
