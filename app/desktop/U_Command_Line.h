// What the keyvale command was asked on its command line: help, its version,
// or to start (with one database file or none). The toolkit itself is given
// no argument, so no option of Qt's can change the program's behaviour.
#pragma once

#include <QString>
#include <QStringList>

struct TCommandLine {
    enum class TAction { Start, Help, Version, Error };
    TAction action = TAction::Start;
    QString filePath; // absolute, for Start; empty when none was given
    QString error;    // for Error: what was wrong, one line
};

// arguments excludes the program's name; relative file names are taken from
// workingDirectory.
TCommandLine ParseKeyvaleCommandLine(const QStringList& arguments, const QString& workingDirectory);

QString KeyvaleHelpText();
QString KeyvaleVersionText();
