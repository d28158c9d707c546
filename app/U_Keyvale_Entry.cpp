#include "U_Keyvale_Entry.h"

#include <QApplication>
#include <QSessionManager>

#include "U_Picture.h"
#include "U_Quit_Signals.h"
#include "U_Single_Instance.h"
#include "U_Window_Lost.h"

void ConnectLeaveRequests(TFormMain& window, TQuitSignals& quitSignals) {
    QObject::connect(&quitSignals, &TQuitSignals::quitRequested, &window,
                     [&window] { window.P_Leave_Requested(); });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager& manager) {
                         if (!window.P_Leave_Requested() && manager.allowsInteraction()) {
                             manager.cancel();
                         }
                     });
}

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
    TQuitSignals quitSignals;
    ConnectLeaveRequests(window, quitSignals);
    TWindowLostFilter windowLost(window);
    QCoreApplication::instance()->installNativeEventFilter(&windowLost);
    window.show();
    const int code = QApplication::exec();
    QCoreApplication::instance()->removeNativeEventFilter(&windowLost);
    return code;
}
