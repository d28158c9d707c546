// Shared pieces of the window tests: a private runtime folder and the
// offscreen platform for every test program, a sound player that records
// instead of playing, and a window built on throw-away folders.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"
#include "U_Idle_Time.h"
#include "window_widgets.h"

class TRecordingSoundPlayer : public TSoundPlayer {
  public:
    void Play(const QString& resourceUrl) override { played.append(resourceUrl); }
    QStringList played;
};

// The desktop's idle time as the test sets it.
class TFakeIdleTime : public TIdleTimeProvider {
  public:
    std::uint32_t IdleMilliseconds() override { return idle; }
    std::uint32_t idle = 0;
};

// The disk the windows of a test program save to: while this text is set,
// every save fails with it at its last step, as on a full disk; the file on
// disk stays as it was.
inline std::string& DiskFault() {
    static std::string fault;
    return fault;
}

// A window whose settings file, working folder, clock, sounds and disk belong
// to the test. The settings file is "<folder>/Keyvale.ini" of a fresh folder.
struct TTestWindowFolders {
    TTestWindowFolders() { DiskFault().clear(); }

    QTemporaryDir programFolder;
    QTemporaryDir workingFolder;
    std::shared_ptr<TRecordingSoundPlayer> sounds = std::make_shared<TRecordingSoundPlayer>();
    QTime now = QTime(11, 50, 12);
    QLocale locale = QLocale(QLocale::German, QLocale::Germany);

    QString IniPath() const { return QDir(programFolder.path()).filePath("Keyvale.ini"); }

    TFormMain::TServices Services() {
        TFormMain::TServices services;
        services.iniPath = IniPath().toStdString();
        services.workingDirectory = workingFolder.path();
        services.soundPlayer = sounds;
        services.clock = [this] { return now; };
        services.locale = locale;
        services.saveCheckpoint = [] { return DiskFault(); };
        return services;
    }

    QString IniText() const {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void WriteIni(const QByteArray& text) const {
        QFile file(IniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
};

// The offscreen platform's screen: a desktop monitor of 1920 by 1080, which
// holds the window at its full size (the platform's own default is smaller).
inline QByteArray OffscreenPlatformFor(const QTemporaryDir& runtime) {
    const QString config = runtime.filePath("screens.json");
    QFile file(config);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920,
                                    "height": 1080, "logicalDpi": 96}]})");
    }
    return "offscreen:configfile=" + config.toUtf8();
}

// Each test program gets its own runtime folder (Qt and the lock file use
// it) and the offscreen platform, whatever the calling shell has set.
#define KEYVALE_APP_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char** argv) {                                                              \
        QTemporaryDir runtime;                                                                     \
        QFile::setPermissions(runtime.path(),                                                      \
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);             \
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());                                       \
        qputenv("QT_QPA_PLATFORM", OffscreenPlatformFor(runtime));                                 \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
