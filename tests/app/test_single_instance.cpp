// One running copy, and what later starts ask of it: a second start hands
// its request (to the front, or "open this file") to the running window and
// ends at once; the old notice is left for a running copy that does not
// answer. Also the program's own arguments: a file to open, --help, --version.
#include <QElapsedTimer>
#include <QLabel>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "U_Keyvale_Entry.h"
#include "U_Single_Instance.h"
#include "lifecycle_fixture.h"

namespace {

const QString kPassword = "correct horse battery";

// Runs the real keyvale program, as the desktop or a terminal starts it, and
// lets this process's event loop serve the running copy meanwhile.
struct TProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 milliseconds = 0;
};

TProgramRun RunProgram(const QStringList& arguments, const QProcessEnvironment& environment,
                       const QString& workingDirectory = QDir::currentPath()) {
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workingDirectory);
    QElapsedTimer clock;
    clock.start();
    program.start(KEYVALE_PROGRAM, arguments);
    if (!program.waitForStarted(10000)) {
        return {};
    }
    while (program.state() != QProcess::NotRunning && clock.elapsed() < 15000) {
        QTest::qWait(10);
    }
    if (program.state() != QProcess::NotRunning || program.exitStatus() != QProcess::NormalExit) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    return {program.exitCode(), program.readAllStandardOutput(), program.readAllStandardError(),
            clock.elapsed()};
}

QProcessEnvironment OffscreenEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

void MakeDatabase(const QString& path) {
    TKeyvaleSession session;
    QVERIFY(session.Create(path.toStdString(), kPassword.toStdString()).Succeeded());
    session.Close();
}

TFormMain* RunningWindow() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<TFormMain*>(top)) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

  private slots:
    // This process plays the running copy for the hand-off tests: it holds
    // the program's own lock in its private runtime folder.
    void initTestCase() { QVERIFY(!IsAnotherInstanceRunning(KeyvaleLockFilePath())); }

    void commandLineIsAnsweredWithoutAWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutStart");
        QTest::addColumn<QString>("stderrPart");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: keyvale [FILE]\n"
                              << "";
        QTest::newRow("short help after a file")
            << QStringList{"a.kvdb", "-h"} << 0 << "Usage: keyvale [FILE]\n"
            << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "keyvale 2.3\n"
                                 << "";
        QTest::newRow("unknown option") << QStringList{"--platform"} << 2 << ""
                                        << "keyvale: unknown option '--platform'";
        QTest::newRow("two files") << QStringList{"a.kvdb", "b.kvdb"} << 2 << ""
                                   << "only one database file";
        QTest::newRow("empty name") << QStringList{""} << 2 << ""
                                    << "the file name is empty";
    }
    void commandLineIsAnsweredWithoutAWindow() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutStart);
        QFETCH(QString, stderrPart);
        // No display at all: these answers must not need one.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        const TProgramRun run = RunProgram(arguments, environment);
        QCOMPARE(run.exitCode, exitCode);
        if (stdoutStart.isEmpty()) {
            QVERIFY(run.out.isEmpty());
        } else {
            QVERIFY2(QString(run.out).startsWith(stdoutStart), run.out.constData());
        }
        QVERIFY2(QString(run.err).contains(stderrPart), run.err.constData());
    }

    // keyvale FILE: the window starts asking for FILE's password, or says
    // why it cannot, and stays usable either way.
    void givenFileIsChosenAtStart_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("asksPassword");
        QTest::addColumn<QString>("message");
        QTest::newRow("a database")
            << "given.kvdb" << true << "Trying to open database file \"given.kvdb\" ...";
        QTest::newRow("another extension, taken as named")
            << "given.txt" << true << "Trying to open database file \"given.txt\" ...";
        QTest::newRow("missing") << "missing.kvdb" << false << "File not found: %1";
        QTest::newRow("a folder") << "folder.kvdb" << false << "File not found: %1";
    }
    void givenFileIsChosenAtStart() {
        QFETCH(QString, name);
        QFETCH(bool, asksPassword);
        QFETCH(QString, message);
        TLifecycleFixture fixture;
        const QString path = fixture.Path(name);
        if (name.startsWith("given")) {
            MakeDatabase(path);
        } else if (name.startsWith("folder")) {
            QVERIFY(QDir(fixture.folders.workingFolder.path()).mkdir(name));
        }
        MakeDatabase(fixture.Path("other.kvdb"));

        QTemporaryDir runtime;
        TKeyvaleStart start;
        start.lockFilePath = runtime.filePath("keyvale.lock");
        start.socketPath = runtime.filePath("keyvale/handoff");
        start.filePath = path;
        bool checked = false;
        std::function<void()> inspect = [&] {
            // The start's own work (the panel sliding in) runs before the
            // event loop; look only once the loop runs.
            if (QThread::currentThread()->loopLevel() == 0) {
                QTimer::singleShot(10, inspect);
                return;
            }
            TFormMain* window = RunningWindow();
            QVERIFY(window);
            auto closeWindow = qScopeGuard([window] { window->close(); });
            QCOMPARE(o_Page_Control(*window)->currentWidget(), page_Main_Password(*window));
            QVERIFY2(
                F_Message_2(*window)->toPlainText().contains(QString(message).replace("%1", path)),
                qPrintable(F_Message_2(*window)->toPlainText()));
            QCOMPARE(o_MP(*window)->isVisible(), asksPassword);
            if (asksPassword) {
                QCOMPARE(window->PasswordPanelMode(), TPasswordMode::Open);
                QCOMPARE(L_Database_File_2(*window)->text(), name);
                QCOMPARE(F_Database_File_Name(*window)->text(), path);
            } else {
                // Still usable: the file list leads to the password as usual.
                QTest::mouseClick(o_TV_Files(*window)->viewport(), Qt::LeftButton, {},
                                  o_TV_Files(*window)
                                      ->visualItemRect(o_TV_Files(*window)->topLevelItem(
                                          ListTexts(o_TV_Files(*window)).indexOf("other.kvdb")))
                                      .center());
                QTRY_VERIFY(o_MP(*window)->isVisible());
                QCOMPARE(L_Database_File_2(*window)->text(), QString("other.kvdb"));
            }
            checked = true;
        };
        QTimer::singleShot(0, inspect);
        const int code = RunKeyvale([](const QString&) { QFAIL("no notice expected"); }, start,
                                    fixture.folders.Services());
        QCOMPARE(code, 0);
        QVERIFY(checked);
    }

    // A second start: the real program, while this process is the running
    // copy with a database open and changed.
    void secondStartHandsOffToTheRunningWindow_data() {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<bool>("saveFails");
        QTest::newRow("without a file") << false << false;
        QTest::newRow("with a file") << true << false;
        QTest::newRow("with a file, the save fails") << true << true;
    }
    void secondStartHandsOffToTheRunningWindow() {
        QFETCH(bool, withFile);
        QFETCH(bool, saveFails);
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        TInstanceServer server;
        QVERIFY(server.Listen());
        ConnectHandOff(*window, server);

        const QString first = fixture.Path("first.kvdb");
        const QString second = fixture.Path("second.kvdb");
        MakeDatabase(second);
        CreateDatabase(*window, first, kPassword);
        AddFolder(*window, "Bank");
        if (saveFails) {
            BlockSaves(*window);
        }
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());

        // Relative to the second start's own folder, as a terminal gives it.
        const TProgramRun run =
            RunProgram(withFile ? QStringList{"second.kvdb"} : QStringList{},
                       OffscreenEnvironment(), fixture.folders.workingFolder.path());
        QCOMPARE(run.exitCode, 0);
        // It did not wait for the notice's time-out, and showed none.
        QVERIFY2(run.milliseconds < KeyvaleHandOffTimeoutMs,
                 qPrintable(QString::number(run.milliseconds)));

        QTRY_VERIFY(!window->isMinimized());
        QCOMPARE(window->DatabaseFile(), first); // open until the new password
        if (!withFile) {
            QVERIFY(!o_MP(*window)->isVisible());
            QCOMPARE(NamesOnDisk(first, kPassword), std::string()); // nothing saved meanwhile
            return;
        }
        QTRY_COMPARE(o_Page_Control(*window)->currentWidget(), page_Main_Password(*window));
        if (saveFails) {
            QTRY_VERIFY(F_Message_2(*window)->toPlainText().contains(kCurrentKeptOpenText));
            QVERIFY(!o_MP(*window)->isVisible());
            QCOMPARE(NamesOnDisk(first, kPassword), std::string());
            QVERIFY(window->o_Session.IsChanged());
            return;
        }
        QTRY_VERIFY(o_MP(*window)->isVisible());
        QCOMPARE(NamesOnDisk(first, kPassword), std::string("Bank;"));
        QCOMPARE(window->PasswordPanelMode(), TPasswordMode::Open);
        QCOMPARE(L_Database_File_2(*window)->text(), QString("second.kvdb"));
        EnterPassword(*window, kPassword, {});
        QCOMPARE(window->DatabaseFile(), second);
    }

    // Requests that are not ours are dropped without an answer or an action.
    void hostileRequestsAreDropped() {
        QTemporaryDir runtime;
        const QString socketPath = runtime.filePath("keyvale/handoff");
        TInstanceServer server;
        QVERIFY(server.Listen(socketPath));
        QCOMPARE(QFileInfo(runtime.filePath("keyvale")).permissions() & 0x0077, 0);
        QStringList requests;
        connect(&server, &TInstanceServer::activationRequested,
                [&](const QString& path) { requests << path; });
        for (const QByteArray& bytes : {QByteArray("OPEN relative.kvdb\n"), QByteArray("OPEN \n"),
                                        QByteArray("DELETE /x\n"), QByteArray(70000, 'a')}) {
            QLocalSocket socket;
            socket.connectToServer(socketPath);
            QVERIFY(socket.waitForConnected(1000));
            socket.write(bytes);
            QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
            QVERIFY(socket.readAll().isEmpty());
        }
        QVERIFY(requests.isEmpty());
    }

    // Nobody answers on the socket (an older version, or a copy busy for
    // good): the old notice, and the first copy is left alone.
    void secondStartIsRefusedUntilTheFirstCopyDies() {
        QTemporaryDir folder;
        TKeyvaleStart start;
        start.lockFilePath = QDir(folder.path()).filePath("keyvale.lock");
        start.socketPath = QDir(folder.path()).filePath("keyvale/handoff");
        const QString& lock = start.lockFilePath;

        // The first copy: another process that takes the lock and keeps running.
        QProcess first;
        first.start(QCoreApplication::applicationFilePath(), {"hold-lock", lock});
        QVERIFY(first.waitForReadyRead(10000));
        QCOMPARE(first.readAllStandardOutput().trimmed(), QByteArray("held"));

        QStringList notices;
        const int result = RunKeyvale([&](const QString& text) { notices << text; }, start);
        QCOMPARE(result, 0);
        QCOMPARE(notices, QStringList({" This program has been already executed. "}));
        QVERIFY(!RunningWindow());
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
