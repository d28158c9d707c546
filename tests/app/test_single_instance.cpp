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
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "U_Hand_Off_Request.h"

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

// A second start's hand-off, waited for as the program's event loop waits.
bool HandOff(const QString& socketPath, const QString& filePath,
             int timeoutMs = KeyvaleHandOffTimeoutMs) {
    THandOffClient client;
    std::optional<bool> taken;
    QObject::connect(&client, &THandOffClient::finished, [&](bool answer) { taken = answer; });
    client.Start(socketPath, filePath, timeoutMs);
    // The client ends by itself at its deadline.
    while (!taken) {
        QTest::qWait(5);
    }
    return *taken;
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

// A user id that is not this process's (nobody), for the cases that need
// another user; only root can hand a file or folder to another user.
constexpr uid_t kOtherUser = 65534;

#define SkipUnlessRoot()                                                                           \
    do {                                                                                           \
        if (::geteuid() != 0) {                                                                    \
            QSKIP("needs root to make files of another user");                                     \
        }                                                                                          \
    } while (false)

int OpenDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

// A client that connects and sends nothing; -1 when the system refuses.
int ConnectRaw(const QString& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
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
        // Longer than any path the system or the running copy takes.
        QTest::newRow("too long a name") << QStringList{QString(PATH_MAX, 'a')} << 2 << ""
                                         << "the file name is too long";
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
        QTest::newRow("a folder") << "folder.kvdb" << false
                                  << "Cannot open database file: %1 is a folder, not a file.";
        // The name rule keeps database names valid on Windows; a file named
        // against it is told why, and what to do.
        QTest::newRow("a name with a quotation mark")
            << "say \"hi\".kvdb" << false
            << "A database name may not hold the character \" (nor any of \" * / : < > ? \\ |), "
               "so that it stays valid on Windows too. Rename the file to open it.";
        // Exports have no main password: named, with the way to import them.
        QTest::newRow("a Bitwarden export") << "vault.json" << false
                                            << "This file is a Bitwarden export (JSON), not a "
                                               "Keyvale database: it has no main password. To add "
                                               "its entries to a database, open the database and "
                                               "choose \"Import passwords...\"";
        QTest::newRow("a Chrome export, shorter than any database")
            << "Chrome Passwords.csv" << false << "This file is a Chrome export (CSV), not a";
    }
    void givenFileIsChosenAtStart() {
        QFETCH(QString, name);
        QFETCH(bool, asksPassword);
        QFETCH(QString, message);
        TLifecycleFixture fixture;
        const QString path = fixture.Path(name);
        if (name.startsWith("given") || name.startsWith("say")) {
            MakeDatabase(path);
        } else if (name.startsWith("folder")) {
            QVERIFY(QDir(fixture.folders.workingFolder.path()).mkdir(name));
        } else if (name == "vault.json") {
            // As large as a database can be small: the size says nothing.
            QByteArray vault = "{\"encrypted\": false, \"folders\": [], \"items\": [";
            for (int i = 0; vault.size() < 4000; ++i) {
                vault += QByteArray(i ? "," : "") + "{\"type\": 1, \"name\": \"site " +
                         QByteArray::number(i) +
                         "\", \"login\": {\"username\": \"ann\", \"password\": \"pw\"}}";
            }
            WriteFile(path, vault + "]}");
        } else if (name.endsWith(".csv")) {
            WriteFile(path, "name,url,username,password,note\nMail,https://mail.example,ann,pw,\n");
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
                QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Open);
                QCOMPARE(L_Database_File_2(*window)->text(), name);
                QCOMPARE(F_Database_File_Name(*window)->text(), path);
            } else {
                // No database is open: the refused file is not shown as one.
                QCOMPARE(L_Database_File_2(*window)->text(), QString());
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
        const int code = RunKeyvale(
            [](const QString&, const std::function<void()>&) { QFAIL("no notice expected"); },
            start, fixture.folders.Services());
        QCOMPARE(code, 0);
        QVERIFY(checked);
    }

    // A second start: the real program, while this process is the running
    // copy with a database open and changed.
    void secondStartHandsOffToTheRunningWindow_data() {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<bool>("fileMissing");
        QTest::newRow("without a file") << false << false << false;
        QTest::newRow("with a file") << true << false << false;
        QTest::newRow("with a file, the save fails") << true << true << false;
        QTest::newRow("with a missing file") << true << false << true;
    }
    void secondStartHandsOffToTheRunningWindow() {
        QFETCH(bool, withFile);
        QFETCH(bool, saveFails);
        QFETCH(bool, fileMissing);
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
            BlockSaves();
        }
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());

        // Relative to the second start's own folder, as a terminal gives it.
        const QString given = fileMissing ? "missing.kvdb" : "second.kvdb";
        const TProgramRun run =
            RunProgram(withFile ? QStringList{given} : QStringList{}, OffscreenEnvironment(),
                       fixture.folders.workingFolder.path());
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
            // The change is still there to be saved, once the disk takes it.
            UnblockSaves();
            window->close();
            QCOMPARE(NamesOnDisk(first, kPassword), std::string("Bank;"));
            return;
        }
        if (fileMissing) {
            // Refused: the page still names the database that stays open.
            QTRY_VERIFY(F_Message_2(*window)->toPlainText().contains("File not found: " +
                                                                     fixture.Path("missing.kvdb")));
            QVERIFY(!o_MP(*window)->isVisible());
            QCOMPARE(window->DatabaseFile(), first);
            QCOMPARE(L_Database_File_2(*window)->text(), QString("first.kvdb"));
            QCOMPARE(F_Database_File_Name(*window)->text(), first);
            return;
        }
        QTRY_VERIFY(o_MP(*window)->isVisible());
        QCOMPARE(NamesOnDisk(first, kPassword), std::string("Bank;"));
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Open);
        QCOMPARE(L_Database_File_2(*window)->text(), QString("second.kvdb"));
        EnterPassword(*window, kPassword, {});
        QCOMPARE(window->DatabaseFile(), second);
    }

    // The runtime folder decides whether there is a lock and a hand-off at
    // all: only a folder of the user's alone is used, never a shared one.
    void runtimeFolderMustBeTheUsersAlone_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("used");
        QTest::newRow("unset") << "unset" << false;
        QTest::newRow("a relative name") << "relative" << false;
        QTest::newRow("open to others (0755)") << "0755" << false;
        QTest::newRow("a link to a private folder") << "link" << false;
        QTest::newRow("another user's") << "foreign" << false;
        QTest::newRow("the user's, 0700") << "private" << true;
    }
    void runtimeFolderMustBeTheUsersAlone() {
        QFETCH(QString, shape);
        QFETCH(bool, used);
        QTemporaryDir scratch;
        const QString folder = scratch.filePath("run");
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(QFile::encodeName(folder), 0700) == 0);
        QByteArray value = QFile::encodeName(folder);
        if (shape == "relative") {
            value = "run";
        } else if (shape == "0755") {
            QVERIFY(::chmod(QFile::encodeName(folder), 0755) == 0);
        } else if (shape == "link") {
            QVERIFY(QFile::link(folder, scratch.filePath("link")));
            value = QFile::encodeName(scratch.filePath("link"));
        } else if (shape == "foreign") {
            SkipUnlessRoot();
            QVERIFY(::chown(QFile::encodeName(folder), kOtherUser, kOtherUser) == 0);
        }
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", saved); });
        if (shape == "unset") {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", value);
        }
        const TKeyvaleStart start;
        QCOMPARE(start.lockFilePath.isEmpty(), !used);
        QCOMPARE(start.socketPath.isEmpty(), !used);
        if (used) {
            QCOMPARE(start.lockFilePath, folder + "/keyvale.lock");
            QCOMPARE(start.socketPath, folder + "/keyvale/handoff");
        }
    }

    // Without a private folder the start neither asks the running copy nor
    // waits for it: it opens a window of its own, and leaves nothing in the
    // shared temporary folder for another user to take over.
    void withoutAPrivateFolderEachStartRunsItsOwnWindow() {
        const QString sharedLock = QDir::temp().filePath("keyvale.lock");
        const QString sharedFolder = QDir::temp().filePath("keyvale");
        const bool lockWasThere = QFileInfo::exists(sharedLock);
        const bool folderWasThere = QFileInfo::exists(sharedFolder);
        TLifecycleFixture fixture;
        // This process holds the lock of its private runtime folder: the
        // running copy, as far as a start that looked there could tell.
        QVERIFY(IsAnotherInstanceRunning(KeyvaleLockFilePath()));
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const TKeyvaleStart start;
        qputenv("XDG_RUNTIME_DIR", saved);
        bool shown = false;
        std::function<void()> inspect = [&] {
            if (QThread::currentThread()->loopLevel() == 0) {
                QTimer::singleShot(10, inspect);
                return;
            }
            TFormMain* window = RunningWindow();
            shown = window && window->isVisible();
            if (window) {
                window->close();
            }
        };
        QTimer::singleShot(0, inspect);
        const int code = RunKeyvale(
            [](const QString&, const std::function<void()>&) { QFAIL("no notice expected"); },
            start, fixture.folders.Services());
        QCOMPARE(code, 0);
        QVERIFY(shown);
        QCOMPARE(QFileInfo::exists(sharedLock), lockWasThere);
        QCOMPARE(QFileInfo::exists(sharedFolder), folderWasThere);
    }

    // The lock is the user's own file, reached without following a link;
    // anything else is not taken as a running copy, and a link is not
    // followed to make a file where it points.
    void lockIsNeitherFollowedNorBorrowed_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("running");
        QTest::newRow("the user's own, held by another copy") << "own" << true;
        QTest::newRow("a link to a lock another holds") << "link" << false;
        QTest::newRow("a link to nothing yet") << "dangling" << false;
        QTest::newRow("another user's file, held") << "foreign" << false;
        QTest::newRow("in a folder open to others, held") << "0755" << false;
    }
    void lockIsNeitherFollowedNorBorrowed() {
        QFETCH(QString, shape);
        QFETCH(bool, running);
        if (shape == "foreign") {
            SkipUnlessRoot();
        }
        QTemporaryDir folder;
        const QString lock = folder.filePath("keyvale.lock");
        const QString elsewhere = folder.filePath("chosen-by-someone-else");
        QProcess holder;
        auto stopHolder = qScopeGuard([&] {
            holder.kill();
            holder.waitForFinished();
        });
        if (shape != "dangling") {
            holder.start(QCoreApplication::applicationFilePath(),
                         {"hold-lock", shape == "link" ? elsewhere : lock});
            QVERIFY(holder.waitForReadyRead(10000));
            QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));
        }
        if (shape == "link" || shape == "dangling") {
            QVERIFY(QFile::link(elsewhere, lock));
        } else if (shape == "foreign") {
            QVERIFY(::chown(QFile::encodeName(lock), kOtherUser, kOtherUser) == 0);
        } else if (shape == "0755") {
            QVERIFY(::chmod(QFile::encodeName(folder.path()), 0755) == 0);
        }
        QCOMPARE(IsAnotherInstanceRunning(lock), running);
        if (shape == "dangling") {
            QVERIFY(!QFileInfo::exists(elsewhere));
        }
    }

    // A second start sends its file only to the user's own running copy:
    // the socket's folder private and the listening process the same user.
    void secondStartSendsNothingToAStranger_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("sent");
        QTest::newRow("the user's own copy") << "own" << true;
        QTest::newRow("the folder open to others") << "0755" << false;
        QTest::newRow("the folder another user's") << "foreign folder" << false;
        QTest::newRow("a listener running as another user") << "foreign listener" << false;
    }
    void secondStartSendsNothingToAStranger() {
        QFETCH(QString, shape);
        QFETCH(bool, sent);
        if (shape.startsWith("foreign")) {
            SkipUnlessRoot();
        }
        QTemporaryDir runtime;
        const QString socketPath = runtime.filePath("keyvale/handoff");
        const QString folder = runtime.filePath("keyvale");
        TInstanceServer server;
        QStringList requests;
        connect(&server, &TInstanceServer::activationRequested,
                [&](const QString& path) { requests << path; });
        QProcess stranger;
        auto stopStranger = qScopeGuard([&] {
            stranger.kill();
            stranger.waitForFinished();
        });
        if (shape == "foreign listener") {
            QVERIFY(QDir().mkdir(folder));
            QVERIFY(::chmod(QFile::encodeName(folder), 0700) == 0);
            stranger.start(QCoreApplication::applicationFilePath(),
                           {"foreign-listener", socketPath});
            QVERIFY(stranger.waitForReadyRead(10000));
            QCOMPARE(stranger.readLine().trimmed(), QByteArray("listening"));
        } else {
            QVERIFY(server.Listen(socketPath));
        }
        if (shape == "0755") {
            QVERIFY(::chmod(QFile::encodeName(folder), 0755) == 0);
        } else if (shape == "foreign folder") {
            QVERIFY(::chown(QFile::encodeName(folder), kOtherUser, kOtherUser) == 0);
        }
        QCOMPARE(HandOff(socketPath, "/home/someone/private.kvdb", 1000), sent);
        QTest::qWait(50);
        QCOMPARE(requests, sent ? QStringList{"/home/someone/private.kvdb"} : QStringList{});
        if (shape == "foreign listener") {
            stranger.closeWriteChannel();
            QVERIFY(stranger.waitForFinished(10000));
            QCOMPARE(stranger.readAll(), QByteArray()); // no request reached it
        }
    }

    // What the running copy does with what arrives on its socket: one
    // request per connection, answered and reported exactly, or dropped
    // without an answer or an action.
    void handOffRequests_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("reported");
        const QByteArray longest =
            "OPEN-ENCODED /" + QByteArray(PATH_MAX - 2, ' ').toPercentEncoding() + "\n";
        QTest::newRow("to the front") << QByteArray("RAISE\n") << true << "";
        QTest::newRow("a file") << QByteArray("OPEN-ENCODED /home/a/b%20c.kvdb\n") << true
                                << "/home/a/b c.kvdb";
        QTest::newRow("a line end inside the name")
            << EncodeHandOffRequest("/tmp/x\nOPEN-ENCODED /etc/y.kvdb") << true
            << "/tmp/x\nOPEN-ENCODED /etc/y.kvdb";
        QTest::newRow("percent signs and letters beyond ASCII")
            << EncodeHandOffRequest("/tmp/100%25 säkert.kvdb") << true << "/tmp/100%25 säkert.kvdb";
        QTest::newRow("the longest path, every byte encoded")
            << longest << true << "/" + QString(PATH_MAX - 2, ' ');
        QTest::newRow("the old plain form") << QByteArray("OPEN /tmp/a.kvdb\n") << false << "";
        QTest::newRow("a raw space") << QByteArray("OPEN-ENCODED /tmp/a b\n") << false << "";
        QTest::newRow("a stray percent") << QByteArray("OPEN-ENCODED /tmp/a%2\n") << false << "";
        QTest::newRow("a relative path") << QByteArray("OPEN-ENCODED a.kvdb\n") << false << "";
        QTest::newRow("no path") << QByteArray("OPEN-ENCODED \n") << false << "";
        QTest::newRow("a NUL") << QByteArray("OPEN-ENCODED /tmp/a%00b\n") << false << "";
        QTest::newRow("an unknown verb") << QByteArray("DELETE /x\n") << false << "";
        QTest::newRow("20,000 bytes ending in a line end")
            << "OPEN-ENCODED /" + QByteArray(20000, 'a') + "\n"
            << false << "";
        QTest::newRow("70,000 bytes without a line end") << QByteArray(70000, 'a') << false << "";
        QTest::newRow("a request left unfinished") << QByteArray("RAISE") << false << "";
    }
    void handOffRequests() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, answered);
        QFETCH(QString, reported);
        QTemporaryDir runtime;
        const QString socketPath = runtime.filePath("keyvale/handoff");
        TInstanceServer server;
        QVERIFY(server.Listen(socketPath));
        QCOMPARE(QFileInfo(runtime.filePath("keyvale")).permissions() & 0x0077, 0);
        QStringList requests;
        connect(&server, &TInstanceServer::activationRequested,
                [&](const QString& path) { requests << path; });

        QLocalSocket socket;
        socket.connectToServer(socketPath);
        QVERIFY(socket.waitForConnected(1000));
        QElapsedTimer clock;
        clock.start();
        socket.write(bytes);
        QByteArray answer;
        while (socket.state() != QLocalSocket::UnconnectedState && clock.elapsed() < 5000) {
            QTest::qWait(10);
            answer += socket.readAll();
        }
        answer += socket.readAll();
        QCOMPARE(socket.state(), QLocalSocket::UnconnectedState); // the server closed it
        QCOMPARE(answer, answered ? QByteArray("OK\n") : QByteArray());
        QCOMPARE(requests, answered ? QStringList{reported} : QStringList{});
        if (bytes == "RAISE") {
            // Dropped once its time is up, not before, and not much later.
            QVERIFY2(clock.elapsed() >= TInstanceServer::kRequestTimeoutMs - 100 &&
                         clock.elapsed() < TInstanceServer::kRequestTimeoutMs + 1000,
                     qPrintable(QString::number(clock.elapsed())));
        }
    }

    // The second start's own words: any absolute name arrives as given.
    void handedPathsArriveExactly() {
        QTemporaryDir runtime;
        const QString socketPath = runtime.filePath("keyvale/handoff");
        TInstanceServer server;
        QVERIFY(server.Listen(socketPath));
        QStringList requests;
        connect(&server, &TInstanceServer::activationRequested,
                [&](const QString& path) { requests << path; });
        const QStringList paths = {"/tmp/say \"hi\".kvdb", "/tmp/two\nlines.kvdb",
                                   "/tmp/%41 and %.kvdb", "/tmp/ordnerß/日本.kvdb", ""};
        for (const QString& path : paths) {
            QVERIFY(HandOff(socketPath, path));
        }
        QTest::qWait(20);
        QCOMPARE(requests, paths);
    }

    // Connections that send nothing cost the running copy a few descriptors
    // at most, are closed after their time, and leave the socket serving.
    void idleConnectionsAreBoundedAndDropped() {
        QTemporaryDir runtime;
        const QString socketPath = runtime.filePath("keyvale/handoff");
        TInstanceServer server;
        QVERIFY(server.Listen(socketPath));
        const int before = OpenDescriptors();
        constexpr int kIdle = 200;
        std::vector<int> idle;
        for (int i = 0; i < kIdle; ++i) {
            const int fd = ConnectRaw(socketPath);
            if (fd >= 0) {
                idle.push_back(fd);
            }
            QCoreApplication::processEvents();
        }
        auto closeIdle = qScopeGuard([&] {
            for (int fd : idle) {
                ::close(fd);
            }
        });
        QVERIFY(idle.size() > 100);
        QTest::qWait(100);
        const int serverSide = OpenDescriptors() - before - int(idle.size());
        QVERIFY2(serverSide <= TInstanceServer::kMostOpenConnections + 2,
                 qPrintable(QString::number(serverSide)));
        // After their time every idle connection has been closed by the server.
        QTest::qWait(TInstanceServer::kRequestTimeoutMs + 300);
        int stillOpen = 0;
        for (int fd : idle) {
            char byte = 0;
            stillOpen += ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN ? 1 : 0;
        }
        QCOMPARE(stillOpen, 0);
        QVERIFY(HandOff(socketPath, QString()));
    }

    // A failed accept (no descriptor left) pauses the server; it neither
    // ends nor removes its socket, and serves again once descriptors are back.
    void serverListensAgainAfterRunningOutOfDescriptors() {
        QTemporaryDir runtime;
        const QString socketPath = runtime.filePath("keyvale/handoff");
        TInstanceServer server;
        QVERIFY(server.Listen(socketPath));
        QProcess caller;
        caller.start(QCoreApplication::applicationFilePath(), {"connect-on-line", socketPath});
        QVERIFY(caller.waitForStarted(10000));
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        {
            // No descriptor left: the next one the server would take is beyond the limit.
            const int lowestFree = ::dup(0);
            ::close(lowestFree);
            rlimit none = saved;
            none.rlim_cur = rlim_t(lowestFree);
            QVERIFY(::setrlimit(RLIMIT_NOFILE, &none) == 0);
            auto restore = qScopeGuard([&] { ::setrlimit(RLIMIT_NOFILE, &saved); });
            caller.write("go\n");
            QVERIFY(caller.waitForReadyRead(10000));
            QCOMPARE(caller.readLine().trimmed(), QByteArray("connected"));
            QTest::qWait(200); // the server tries to accept, and fails
        }
        caller.closeWriteChannel();
        QVERIFY(caller.waitForFinished(10000));
        QVERIFY(QFileInfo::exists(socketPath));
        QVERIFY(HandOff(socketPath, QString()));
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
        const int result = RunKeyvale(
            [&](const QString& text, const std::function<void()>& closed) {
                notices << text;
                // Shown from the program's own event loop, none of its own.
                QCOMPARE(QThread::currentThread()->loopLevel(), 1);
                closed(); // the user closes it
            },
            start);
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

namespace {

// "foreign-listener <socket>": a listener that runs as another user. The
// socket is made as root in the test's private folder, then the process
// becomes nobody before it listens, so that the system reports nobody as
// the one at the other end. Every line it receives goes to its standard
// output, and each is answered as the running copy would; it ends when its
// standard input closes.
int ForeignListener(const char* socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath, sizeof address.sun_path - 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0 || ::listen(listener, 8) != 0) {
        return 1;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    while (true) {
        pollfd waits[2] = {{0, POLLIN, 0}, {listener, POLLIN, 0}};
        ::poll(waits, 2, -1);
        if (waits[0].revents != 0) {
            return 0;
        }
        const int client = ::accept(listener, nullptr, nullptr);
        char line[256] = {};
        const ssize_t got = ::read(client, line, sizeof line - 1);
        if (got > 0) {
            std::fwrite(line, 1, std::size_t(got), stdout);
            std::fflush(stdout);
        }
        ::send(client, "OK\n", 3, MSG_NOSIGNAL);
        ::close(client);
    }
}

// "connect-on-line <socket>": on a line from its standard input, makes ten
// connections that send nothing, says so, and keeps them until its input
// closes.
int ConnectOnLine(const char* socketPath) {
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) {
        return 1;
    }
    for (int i = 0; i < 10; ++i) {
        ConnectRaw(QFile::decodeName(socketPath));
    }
    std::printf("connected\n");
    std::fflush(stdout);
    while (std::fgets(line, sizeof line, stdin)) {
    }
    return 0;
}

} // namespace

// Started with "hold-lock <path>" the test program plays the first copy;
// the other modes above play strangers and callers of the running copy.
int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "foreign-listener") {
        return ForeignListener(argv[2]);
    }
    if (argc == 3 && QByteArray(argv[1]) == "connect-on-line") {
        return ConnectOnLine(argv[2]);
    }
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
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_single_instance.moc"
