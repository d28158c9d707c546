// An X server of the test's own (Xvfb), for what the offscreen platform
// does not have, such as the primary selection.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "keyvale_app_test.h"

// Started before the application connects; no display when Xvfb is missing.
class TPrivateXServer {
  public:
    TPrivateXServer() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        int fds[2];
        if (program.isEmpty() || pipe(fds) != 0) {
            return;
        }
        const QByteArray path = program.toLocal8Bit();
        const std::string fd = std::to_string(fds[1]);
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            execl(path.constData(), "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                  "0", "1920x1080x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number and a line end once it
        // accepts clients, possibly in two writes: closing the pipe before
        // the line end has come would kill it.
        QByteArray number;
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (c == '\n' && !number.isEmpty()) {
            display_ = ":" + number;
        }
    }
    ~TPrivateXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    QByteArray Display() const { return display_; }

  private:
    pid_t pid_ = -1;
    QByteArray display_;
};

// The main() of a window test that needs a real X server: its own runtime
// folder, its own Xvfb when there is one, otherwise the offscreen platform.
// A test object with a `haveServer` member learns which of the two it runs on.
template <typename TestClass> int RunOnPrivateXServer(int argc, char** argv) {
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    TPrivateXServer server;
    if (server.Display().isEmpty()) {
        qputenv("QT_QPA_PLATFORM", OffscreenPlatformFor(runtime));
    } else {
        qputenv("DISPLAY", server.Display());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication application(argc, argv);
    qInfo("platform: %s", qPrintable(QGuiApplication::platformName()));
    TestClass test;
    if constexpr (requires { test.haveServer; }) {
        test.haveServer = !server.Display().isEmpty();
    }
    return QTest::qExec(&test, argc, argv);
}
