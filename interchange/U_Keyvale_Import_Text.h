// Small text rules that reading other programs' exports needs: a record's
// name from its URL, whether a login is an e-mail address, folder paths, and
// the labelled lines that carry a source's extra fields into the note.
#pragma once

#include "U_Keyvale_TreeView_Data_Text.h"     // WithControlsEscaped for messages
#include "U_Keyvale_TreeView_Data_Url_Host.h" // UrlHost

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// The name a record takes from its URL when the source gives none: the host
// of a URL ("https://Mail.Example.org/x" gives "mail.example.org"), or, for a
// text without scheme that is no host ("home router"), that text up to its
// first "/", "?" or "#", as it was written. Empty when there is none.
std::string NameFromUrl(const std::string& url);

// Whether the text looks like one e-mail address: something, one "@", a host
// with a dot, and no blank.
bool LooksLikeEmailAddress(const std::string& text);

// Folder paths: names with "/" between them, where "\/" and "\\" stand for
// those characters inside a name. One rule for import, export and
// keyvale-cli, so that a path one of them writes the others read back.
//
// A name as it stands in a path: each "/" and "\" escaped.
std::string EscapeFolderName(const std::string& name);
// The names joined by "/", each escaped.
std::string JoinFolderPath(const std::vector<std::string>& names);
// The folder names of a path that another program wrote, read forgivingly:
// blanks around each name are dropped and empty names left out, so
// "Mail//Work/" gives "Mail", "Work". (keyvale-cli reads the paths a user
// types strictly instead, refusing what could mean two things.)
std::vector<std::string> SplitFolderPath(const std::string& path);

// A Bitwarden folder or collection name as Bitwarden nests it: it knows no
// escapes, and "/" nests a name below another only where a folder of that
// name (`known`, the full names of the source's folders) exists, so
// "Work/Mail" is "Mail" inside "Work" when "Work" is a folder, and otherwise
// one folder "Work/Mail". Blanks around each name and empty names go, as in
// SplitFolderPath.
std::vector<std::string> SplitBitwardenPath(const std::string& name,
                                            const std::set<std::string>& known);

// "Label: value" for the end of a note; each further line of the value is
// indented by two spaces, so the lines still read as one field.
std::string LabelledLine(const std::string& label, const std::string& value);

// A line the import adds at the end of a note, for what a record has no
// field for. The source's own note and these lines travel apart, so that a
// note the field cannot hold whole keeps the source's text and leaves out
// added lines (minor ones first), naming them.
struct TNoteLine {
    std::string label; // names the line in messages: "TOTP", "Created"
    std::string text;  // as it stands in the note: "TOTP: JBSWY3DP"
    // About the entry rather than part of it (a time, a mark such as
    // "Favorite"): the first to be left out.
    bool minor = false;
};

// Appends a line; a full vector grows by a copy that wipes the texts it
// leaves (a short text stays in the old element after a move).
void AddNoteLine(std::vector<TNoteLine>& lines, TNoteLine&& line);

// "Label: value" as a TNoteLine (see LabelledLine).
TNoteLine NoteLine(const std::string& label, const std::string& value, bool minor = false);

// "Label:" and below it the value's lines as they are, for a text that is
// copied out whole (a private key between its BEGIN and END lines).
TNoteLine NoteBlock(const std::string& label, const std::string& value);

// Milliseconds since 1970-01-01 UTC as "2024-05-01 12:00:00 UTC"; the text
// unchanged when it is no such number.
std::string MillisecondsAsUtcText(const std::string& milliseconds);

// An ISO 8601 time in UTC ("2024-05-01T12:00:00.123Z") as
// "2024-05-01 12:00:00 UTC"; the text unchanged when it is no such time.
std::string IsoTimeAsUtcText(const std::string& time);
