// keyvale-cli and the window on one database file: what the tool writes the
// window opens, down to a record's fields, and what the window saves the
// tool reads.
#include <QProcess>

#include "lifecycle_fixture.h"

namespace {

struct TCliRun {
    int exitCode = -1;
    QString out, err;
};

// Runs the built keyvale-cli with the lines of `input` on standard input.
TCliRun RunCli(const QStringList& args, const QByteArray& input) {
    QProcess process;
    process.start(KEYVALE_CLI, args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestCliInterplay : public QObject {
    Q_OBJECT

  private slots:
    void WindowOpensWhatTheToolWrote() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("shared.kvdb");
        for (const auto& [args, input] :
             {std::pair{QStringList{"create", path}, QByteArray("secret1\nsecret1\n")},
              {QStringList{"mkdir", path, "Mail"}, "secret1\n"},
              {QStringList{"add", path, "Mail/example.org", "--login", "ann", "--url",
                           "https://example.org"},
               "secret1\nrecord pass\n"},
              {QStringList{"mv", path, "Mail", "Mail\\/Web"}, "secret1\n"}}) {
            const TCliRun run = RunCli(args, input);
            QVERIFY2(run.exitCode == 0, qPrintable(args.join(' ') + ": " + run.err));
        }

        auto window = fixture.NewWindow();
        Choose(*window, path);
        EnterPassword(*window, "secret1", "");
        QCOMPARE(window->DatabaseFile(), path);
        const TKeyvaleTree& tree = o_TV_Main_Model(*window)->Tree();
        const TNodeHandle folder = tree.First();
        QCOMPARE(tree.Text(folder), std::string("Mail/Web"));
        const TNodeHandle record = tree.FirstChild(folder);
        QCOMPARE(tree.Text(record), std::string("example.org"));
        QVERIFY(o_TV_Main(*window)->SelectNode(record));
        page_Database_Content(*window)->P_Process_User_Select_Node_EVENT();
        QCOMPARE(F_Login(*window)->text(), QString("ann"));
        QCOMPARE(F_Password(*window)->text(), QString("record pass"));
        QCOMPARE(F_URL(*window)->text(), QString("https://example.org"));
    }

    void ToolReadsWhatTheWindowSaved() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("window.kvdb");
        auto window = fixture.NewWindow();
        CreateDatabase(*window, path, "secret1");
        AddFolder(*window, QString::fromUtf8("Jürgen's"));
        QVERIFY(window->P_Process_Save_Database_EVENT());

        const TCliRun listed = RunCli({"ls", path}, "secret1\n");
        QCOMPARE(listed.exitCode, 0);
        QCOMPARE(listed.out, QString::fromUtf8("empty\tJürgen's\n"));

        // A change by the tool while the window has the file open is not
        // undone by the window's next save: the two are merged.
        QCOMPARE(RunCli({"mkdir", path, "From the tool"}, "secret1\n").exitCode, 0);
        AddFolder(*window, "From the window");
        QVERIFY(window->P_Process_Save_Database_EVENT());
        const TCliRun after = RunCli({"ls", path}, "secret1\n");
        // The window's folder went into the folder chosen, Jürgen's.
        QCOMPARE(after.out, QString::fromUtf8("folder\tJürgen's\nempty\tFrom the tool\n"));
        const QStringList copies =
            QDir(fixture.folders.workingFolder.path()).entryList({"window (conflict *).kvdb"});
        QCOMPARE(copies.size(), 0);
    }
};

KEYVALE_APP_TEST_MAIN(TestCliInterplay)
#include "test_cli_interplay.moc"
