#include "U_Keyvale_Entry.h"

#include <QApplication>
#include <QSessionManager>

#include <cstdio>

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

void ConnectHandOff(TFormMain& window, TInstanceServer& server) {
    // Queued: the request is taken after the socket's own handling is over,
    // and a save or a sliding panel cannot run inside it.
    QObject::connect(
        &server, &TInstanceServer::activationRequested, &window,
        [&window](const QString& filePath) {
            if (filePath.isEmpty()) {
                window.P_Bring_To_Front();
            } else {
                window.P_Open_Given_File(filePath);
            }
        },
        Qt::QueuedConnection);
}

namespace {

// The program's event loop, for the window or for a second start's hand-off.
int RunEventLoop() {
    return QApplication::exec();
}

// A second start: its request goes to the running copy; the notice only
// when nobody took it. The program ends with either.
int HandOffToRunningCopy(const TNoticeFunction& showNotice, const TKeyvaleStart& start) {
    THandOffClient handOff;
    QObject::connect(&handOff, &THandOffClient::finished, &handOff, [&showNotice](bool taken) {
        if (taken) {
            QCoreApplication::exit(0);
            return;
        }
        showNotice(QString::fromLatin1(KeyvaleAlreadyRunningText),
                   [] { QCoreApplication::exit(0); });
    });
    handOff.Start(start.socketPath, start.filePath);
    return RunEventLoop();
}

} // namespace

int RunKeyvale(const TNoticeFunction& showNotice, const TKeyvaleStart& start,
               TFormMain::TServices services) {
    if (start.lockFilePath.isEmpty()) {
        std::fputs(kNoHandOffText, stderr);
    } else if (IsAnotherInstanceRunning(start.lockFilePath)) {
        return HandOffToRunningCopy(showNotice, start);
    }
    QApplication::setApplicationName(QStringLiteral("Keyvale"));
    QGuiApplication::setDesktopFileName(QStringLiteral("keyvale"));
    QApplication::setWindowIcon(KeyvaleIcon(QStringLiteral("keyvale")));
    TFormMain window(std::move(services));
    TQuitSignals quitSignals;
    ConnectLeaveRequests(window, quitSignals);
    TWindowLostFilter windowLost(window, [&window] { window.P_Window_Lost(); });
    QCoreApplication::instance()->installNativeEventFilter(&windowLost);
    // Without the socket later starts get the notice, as before; the window
    // itself does not depend on it.
    TInstanceServer server;
    if (!start.lockFilePath.isEmpty()) {
        server.Listen(start.socketPath);
    }
    ConnectHandOff(window, server);
    window.show();
    if (!start.filePath.isEmpty()) {
        window.P_Open_Given_File(start.filePath);
    }
    const int code = RunEventLoop();
    QCoreApplication::instance()->removeNativeEventFilter(&windowLost);
    return code;
}
