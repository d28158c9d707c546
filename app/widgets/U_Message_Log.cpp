#include "U_Message_Log.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// Appends one line as a new paragraph and answers the position where it begins.
int AppendLine(QTextEdit* log, const QString& line) {
    QTextCursor cursor(log->document());
    cursor.movePosition(QTextCursor::End);
    if (!log->document()->isEmpty()) {
        cursor.insertBlock();
    }
    const int start = cursor.position();
    cursor.insertText(line);
    return start;
}

} // namespace

std::pair<int, int> AppendLogMessage(QTextEdit* log, const QString& line) {
    const int start = AppendLine(log, line);
    const int end = log->document()->characterCount() - 1;
    AppendLine(log, QStringLiteral(" "));
    return {start, end};
}
