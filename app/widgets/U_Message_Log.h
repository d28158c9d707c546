// The way both message logs take a message: its line as a new paragraph,
// then a line holding a single space between it and the next.
#pragma once

#include <QString>

#include <utility>

class QTextEdit;

// Appends the message and answers where its own text begins and ends in the
// log's document (a message with line breaks spans several paragraphs).
std::pair<int, int> AppendLogMessage(QTextEdit* log, const QString& line);
