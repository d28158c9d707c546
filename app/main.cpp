// Keyvale: a password manager. The program reads its own few arguments; the
// toolkit is started with the program name only.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <functional>

#include "U_Command_Line.h"
#include "U_KV_Secure_Memory_01.h"
#include "U_Keyvale_Entry.h"

namespace {

// Exit status of a command line the program does not understand, as grep
// and other tools use it.
constexpr int kUsageError = 2;

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

} // namespace

int main(int argc, char* argv[]) {
    // No core files and no ptrace by other users' processes: the process
    // will hold key material and deciphered records. A refusal is no reason
    // not to run.
    KvProtectProcess();

    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QFile::decodeName(argv[i]);
    }
    const TCommandLine commandLine = ParseKeyvaleCommandLine(arguments, QDir::currentPath());
    switch (commandLine.action) {
    case TCommandLine::TAction::Help:
        Print(stdout, KeyvaleHelpText());
        return 0;
    case TCommandLine::TAction::Version:
        Print(stdout, KeyvaleVersionText());
        return 0;
    case TCommandLine::TAction::Error:
        Print(stderr,
              QStringLiteral("keyvale: %1\nTry 'keyvale --help'.\n").arg(commandLine.error));
        return kUsageError;
    case TCommandLine::TAction::Start:
        break;
    }

    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication application(toolkitArgc, argv);
    TKeyvaleStart start;
    start.filePath = commandLine.filePath;
    return RunKeyvale(
        [](const QString& text, const std::function<void()>& closed) {
            auto* notice =
                new QMessageBox(QMessageBox::Information, QString(), text, QMessageBox::Ok);
            notice->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(notice, &QDialog::finished, notice, closed);
            notice->show();
        },
        start);
}
