// The words a second start and the running copy exchange on the hand-off
// socket: one request per connection, a line of ASCII, then the answer.
//   "RAISE\n"                come to the front
//   "OPEN-ENCODED <path>\n"  come to the front and open the file at <path>
// The path's bytes are percent-encoded, so that no byte of a file name (a
// line end, a space, a percent sign) can end the request or change it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <climits>
#include <optional>

#include <sys/types.h>

inline constexpr QByteArrayView kHandOffAnswer = "OK\n";

// A path of PATH_MAX bytes, each encoded in three characters, after the
// longer verb: no request is longer than this line (without its end).
inline constexpr qsizetype kLongestHandOffRequest = 13 + 3 * PATH_MAX;

// The line to send, with its end; filePath empty asks only for the window.
QByteArray EncodeHandOffRequest(const QString& filePath);

// The file a request line (without its end) asks for: an empty string for
// the window alone, nothing for a line that is no request (an unknown verb,
// a relative or empty path, a NUL byte, text that is not percent-encoded).
std::optional<QString> ParseHandOffRequest(QByteArrayView line);

// The user id of the process at the other end of a connected local socket;
// nothing when the system does not say.
std::optional<uid_t> PeerUserId(int descriptor);
