#include "U_Keyvale_Entry.h"

#include <QApplication>

#include "U_Picture.h"
#include "U_Single_Instance.h"

int RunKeyvale(const TNoticeFunction& showNotice, const QString& lockFilePath,
               TFormMain::TServices services) {
    if (IsAnotherInstanceRunning(lockFilePath)) {
        showNotice(QString::fromLatin1(KeyvaleAlreadyRunningText));
        return 0;
    }
    QApplication::setApplicationName(QStringLiteral("Keyvale"));
    QGuiApplication::setDesktopFileName(QStringLiteral("keyvale"));
    QApplication::setWindowIcon(KeyvaleIcon(QStringLiteral("keyvale")));
    TFormMain window(std::move(services));
    window.show();
    return QApplication::exec();
}
