// The rules a name or a record field must keep before it is stored, in one
// place for the window, keyvale-cli, import and export.
//
// The window changes a name silently where it can (line breaks become spaces,
// leading blanks go); a script or an import is told instead, so these checks
// say why a text cannot be stored as it is.
#pragma once

#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Text.h" // HoldsControlCharacter, used with these rules

#include <cstddef>
#include <string>

// A record's five fields, in the order of the record panel and of the
// record encoding.
enum class TRecordField { Login, Password, Email, Url, Note };

// One of a record's five fields: the name keyvale-cli, the import's column
// map and the JSON layout use, the caption the window shows, where it lives,
// how many characters the window's field takes (16-bit code units) and
// whether a line break is allowed in it. Every program takes a field's name
// from here.
struct TRecordFieldRule {
    TRecordField field;
    const char* name;
    const char* caption;
    std::string TRecordFields::*member;
    std::size_t limit;
    bool singleLine;
};

// In the order of TRecordField.
inline constexpr TRecordFieldRule kRecordFieldRules[] = {
    {TRecordField::Login, "login", "Login", &TRecordFields::login, kMaximumLoginLength, true},
    {TRecordField::Password, "password", "Password", &TRecordFields::password,
     kMaximumPasswordLength, true},
    {TRecordField::Email, "email", "E-Mail", &TRecordFields::email, kMaximumEmailLength, true},
    {TRecordField::Url, "url", "URL", &TRecordFields::url, kMaximumUrlLength, true},
    {TRecordField::Note, "note", "Note", &TRecordFields::note, kMaximumNoteLength, false},
};

// The rule of the field.
constexpr const TRecordFieldRule& RecordFieldRule(TRecordField field) {
    return kRecordFieldRules[static_cast<std::size_t>(field)];
}

// The rule of the field with this name, or nullptr.
const TRecordFieldRule* FindRecordFieldRule(const std::string& name);

// "login, password, email, url and note", for messages.
std::string RecordFieldNames();

// The name a node gets when a folder is created or renamed in place. Line
// breaks and NUL become spaces and leading blanks and TABs are dropped, since
// the database file reads them as line ends and as nesting; the rest is cut to
// 200 characters, and what ends up empty becomes "< >". Trailing blanks stay.
std::string NormalizeNodeName(const std::string& name);

// Why a node name cannot be stored as it is: empty, a leading blank, a line
// break, a control character (a terminal would obey it when the name is
// printed), more than 200 characters, or not valid UTF-8. Empty when it can.
// The text reads after "its name ...", e.g. "its name holds a line break".
std::string NameProblem(const std::string& name);

// Why the field cannot hold the value: more characters than the window's
// field takes, a line break in a single-line field (it would let a printed
// record show forged lines), another control character (the note keeps TAB
// and line breaks), or bytes that are not UTF-8. Empty when it can. The text
// reads after the field's name, e.g. "has more than 255 characters".
std::string FieldProblem(const TRecordFieldRule& field, const std::string& value);
