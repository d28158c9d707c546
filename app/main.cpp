// Keyvale: a password manager. The program reads no command line: the
// toolkit is started with the program name only.
#include <QApplication>
#include <QMessageBox>

#include "U_KV_Secure_Memory_01.h"
#include "U_Keyvale_Entry.h"
#include "U_Single_Instance.h"

int main(int argc, char* argv[]) {
    // No core files and no ptrace by other users' processes: the process
    // will hold key material and deciphered records. A refusal is no reason
    // not to run.
    KvProtectProcess();
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication application(toolkitArgc, argv);
    return RunKeyvale(
        [](const QString& text) {
            QMessageBox notice(QMessageBox::Information, QString(), text, QMessageBox::Ok);
            notice.exec();
        },
        KeyvaleLockFilePath());
}
