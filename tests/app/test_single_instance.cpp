// One running copy: a second start is refused with the notice while the first
// copy lives, and a copy that died without cleaning up blocks nothing.
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "U_Keyvale_Entry.h"
#include "U_Single_Instance.h"
#include "keyvale_app_test.h"

class TestSingleInstance : public QObject {
    Q_OBJECT

  private slots:
    void secondStartIsRefusedUntilTheFirstCopyDies() {
        QTemporaryDir folder;
        const QString lock = QDir(folder.path()).filePath("keyvale.lock");

        // The first copy: another process that takes the lock and keeps running.
        QProcess first;
        first.start(QCoreApplication::applicationFilePath(), {"hold-lock", lock});
        QVERIFY(first.waitForReadyRead(10000));
        QCOMPARE(first.readAllStandardOutput().trimmed(), QByteArray("held"));

        QStringList notices;
        const int result = RunKeyvale([&](const QString& text) { notices << text; }, lock);
        QCOMPARE(result, 0);
        QCOMPARE(notices, QStringList({" This program has been already executed. "}));
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return qobject_cast<TFormMain*>(w); }));
        QCOMPARE(first.state(), QProcess::Running); // the first copy is left alone

        // The first copy crashes: its lock goes with it, the lock file stays.
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(QFile::exists(lock));
        QVERIFY(!IsAnotherInstanceRunning(lock));
        // ...and now this process is the running copy
        QProcess third;
        third.start(QCoreApplication::applicationFilePath(), {"hold-lock", lock});
        QVERIFY(third.waitForFinished(10000));
        QCOMPARE(third.readAllStandardOutput().trimmed(), QByteArray("refused"));
    }

    void unusableLockFolderDoesNotStopTheProgram() {
        QVERIFY(!IsAnotherInstanceRunning("/nonexistent-folder/keyvale.lock"));
    }
};

// Started with "hold-lock <path>" the test program plays the first copy.
int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "hold-lock") {
        QCoreApplication core(argc, argv);
        if (IsAnotherInstanceRunning(QString::fromLocal8Bit(argv[2]))) {
            std::printf("refused\n");
            return 0;
        }
        std::printf("held\n");
        std::fflush(stdout);
        QThread::sleep(60);
        return 0;
    }
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_single_instance.moc"
