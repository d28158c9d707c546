// Small text rules that reading other programs' exports needs: the host of a
// URL, whether a login is an e-mail address, folder paths, and the labelled
// lines that carry a source's extra fields into the note.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The host of a URL in lower case, without scheme, user, port and path:
// "https://Ann@Mail.Example.org:8443/x" gives "mail.example.org". A text
// without scheme is read as starting with its host; empty when there is none.
std::string UrlHost(const std::string& url);

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

// "Label: value" for the end of a note; each further line of the value is
// indented by two spaces, so the lines still read as one field.
std::string LabelledLine(const std::string& label, const std::string& value);

// The note with the labelled lines after it, separated by an empty line.
std::string NoteWithLines(const std::string& note, const std::vector<std::string>& lines);

// Milliseconds since 1970-01-01 UTC as "2024-05-01 12:00:00 UTC"; the text
// unchanged when it is no such number.
std::string MillisecondsAsUtcText(const std::string& milliseconds);

// The text with every control character written as "\u001b", so that a
// name shown in a message cannot command the terminal that prints it.
std::string WithControlsEscaped(const std::string& text);
