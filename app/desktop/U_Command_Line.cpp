#include "U_Command_Line.h"

#include <QDir>
#include <QFile>

#include <climits>

#ifndef KEYVALE_VERSION
#define KEYVALE_VERSION "unknown"
#endif

TCommandLine ParseKeyvaleCommandLine(const QStringList& arguments,
                                     const QString& workingDirectory) {
    TCommandLine result;
    QStringList files;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded &&
                   (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            return {TCommandLine::TAction::Help, {}, {}};
        } else if (!optionsEnded && argument == QLatin1String("--version")) {
            return {TCommandLine::TAction::Version, {}, {}};
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) &&
                   argument != QLatin1String("-")) {
            return {TCommandLine::TAction::Error,
                    {},
                    QStringLiteral("unknown option '%1'").arg(argument)};
        } else {
            files << argument;
        }
    }
    if (files.size() > 1) {
        return {TCommandLine::TAction::Error,
                {},
                QStringLiteral("only one database file can be opened at a time")};
    }
    if (files.size() == 1) {
        if (files.constFirst().isEmpty()) {
            return {TCommandLine::TAction::Error, {}, QStringLiteral("the file name is empty")};
        }
        result.filePath =
            QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(files.constFirst()));
        // No system call takes a longer path, nor does the running copy.
        if (QFile::encodeName(result.filePath).size() >= PATH_MAX) {
            return {TCommandLine::TAction::Error, {}, QStringLiteral("the file name is too long")};
        }
    }
    return result;
}

QString KeyvaleHelpText() {
    return QStringLiteral(
        "Usage: keyvale [FILE]\n"
        "Keep logins, passwords and notes in enciphered database files (*.kvdb).\n"
        "\n"
        "With FILE, the window starts on the Main password page and asks for that\n"
        "database's main password. When Keyvale already runs, its window comes to\n"
        "the front instead, saves the open database and asks for FILE's password.\n"
        "\n"
        "Options:\n"
        "  -h, --help     show this help and exit\n"
        "      --version  show the version and exit\n"
        "\n"
        "keyvale-cli(1) reads and changes the same databases from a terminal.\n");
}

QString KeyvaleVersionText() {
    return QStringLiteral("keyvale " KEYVALE_VERSION "\n");
}
