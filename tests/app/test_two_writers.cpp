// The window and keyvale-cli writing one database file at once: a save that
// finds the file changed merges it with what was typed in the window, the
// window follows the file when nothing is unsaved, and the conflict copies
// beside the file are merged from the Database page. The tool is the real
// program; clicks and keys come through a private X server (xdotool) where
// the window system carries them.
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>

#include "U_Import_Preview_Dialog.h"
#include "U_Merge_Preview_Dialog.h"
#include "U_Tree_Model.h"
#include "U_Tree_Places.h"
#include "lifecycle_fixture.h"
#include "private_x_server.h"
#include "window_widgets.h"

namespace {

const QByteArray kPassword = "secret1";

struct TCliRun {
    int exitCode = -1;
    QString out, err;
};

// The built keyvale-cli with the lines of `input` on standard input.
TCliRun RunCli(const QStringList& args, const QByteArray& input) {
    QProcess process;
    process.start(KEYVALE_CLI, args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// keyvale-cli with the main password; the test stops when it fails.
#define CLI(...)                                                                                   \
    do {                                                                                           \
        const QStringList args{__VA_ARGS__};                                                       \
        const TCliRun run = RunCli(args, kPassword + "\n" + kPassword + "\n");                     \
        QVERIFY2(run.exitCode == 0, qPrintable(args.join(' ') + ": " + run.err));                  \
    } while (false)

// A field of a record in the file, as keyvale-cli shows it ("Login").
QString FieldOnDisk(const QString& path, const QString& record, const QString& field) {
    const TCliRun shown = RunCli({"show", path, record}, kPassword + "\n");
    for (const QString& line : shown.out.split('\n')) {
        if (line.startsWith(field + ":")) {
            return line.mid(field.size() + 1).trimmed();
        }
    }
    return QStringLiteral("<no %1 in %2: %3>").arg(field, record, shown.err.trimmed());
}

// One xdotool command line, run while the window's event loop turns.
bool RunXdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForStarted(5000)) {
        return false;
    }
    QDeadlineTimer deadline(20000);
    while (xdotool.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    QTest::qWait(150); // the last events reach the window
    return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

// A click of the X server's mouse in the middle of the widget.
bool Click(QWidget* widget) {
    if (!QTest::qWaitForWindowExposed(widget->window())) {
        return false;
    }
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    return RunXdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep",
                       "0.1", "click", "1"});
}

// The node at the path of names ("Work/Sub/site") in the tree shown.
TNodeHandle NodeAt(TFormMain& window, const QString& path) {
    const TKeyvaleTree& tree = ShownTree(window);
    TNodeHandle node = kNoNode;
    for (const QString& name : path.split('/')) {
        TNodeHandle child = tree.FirstChild(node);
        while (child != kNoNode && QString::fromStdString(tree.Text(child)) != name) {
            child = tree.NextSibling(child);
        }
        if (child == kNoNode) {
            return kNoNode;
        }
        node = child;
    }
    return node;
}

QString PathOf(TFormMain& window, TNodeHandle node) {
    const TKeyvaleTree& tree = ShownTree(window);
    QStringList names;
    for (; node != kNoNode; node = tree.Parent(node)) {
        names.prepend(QString::fromStdString(tree.Text(node)));
    }
    return names.join('/');
}

// The names of the root nodes (or a folder's children) shown.
QStringList NamesUnder(TFormMain& window, const QString& folder = {}) {
    const TKeyvaleTree& tree = ShownTree(window);
    QStringList names;
    for (TNodeHandle child = tree.FirstChild(folder.isEmpty() ? kNoNode : NodeAt(window, folder));
         child != kNoNode; child = tree.NextSibling(child)) {
        names << QString::fromStdString(tree.Text(child));
    }
    return names;
}

// The folders open in the view, by path.
QStringList Expanded(TFormMain& window) {
    const TKeyvaleTree& tree = ShownTree(window);
    QStringList paths;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (o_TV_Main(window)->isExpanded(o_TV_Main_Model(window)->IndexOf(node))) {
            paths << PathOf(window, node);
        }
    }
    return paths;
}

int Count(const QString& text, const QString& part) {
    return int(text.count(part));
}

// The visible dialog of this type over the window (one going away may linger).
template <typename T> T* OpenDialog(TFormMain& window) {
    for (T* dialog : window.findChildren<T*>()) {
        if (dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// A database the tool made and the window opened:
//   Mail/example.org (login ann), Bank (login bob),
//   Work/Sub/site (login carl), Closed/inside (login dan).
struct TTwoWriters {
    TLifecycleFixture fixture;
    QString path = fixture.Path("shared.kvdb");
    std::unique_ptr<TFormMain> window;

    TTwoWriters() { Make(); }
    void Make() {
        CLI("create", path);
        CLI("mkdir", path, "Mail");
        CLI("add", path, "Mail/example.org", "--login", "ann");
        CLI("add", path, "Bank", "--login", "bob");
        CLI("mkdir", path, "Work");
        CLI("mkdir", path, "Work/Sub");
        CLI("add", path, "Work/Sub/site", "--login", "carl");
        CLI("mkdir", path, "Closed");
        CLI("add", path, "Closed/inside", "--login", "dan");
        window = fixture.NewWindow();
        QApplication::setActiveWindow(window.get());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        Choose(*window, path);
        EnterPassword(*window, QString::fromLatin1(kPassword), "");
        QCOMPARE(window->DatabaseFile(), path);
    }
    TFormMain& w() { return *window; }

    void Select(const QString& nodePath) {
        const TNodeHandle node = NodeAt(*window, nodePath);
        QVERIFY2(node != kNoNode, qPrintable(nodePath));
        QVERIFY(o_TV_Main(*window)->SelectNode(node));
        QCOMPARE(F_Login(*window)->isEnabled(), true);
    }
    // Typed into the selected record's login, as the user types: a pending
    // edit, not yet in the tree.
    void TypeLogin(const QString& login) {
        F_Login(*window)->selectAll();
        QTest::keyClicks(F_Login(*window), login);
        QVERIFY(page_Database_Content(*window)->PendingEditNode() != kNoNode);
    }
    QString Log() const { return F_Message(*window)->toPlainText(); }
    QStringList ConflictCopies() const {
        return QDir(fixture.folders.workingFolder.path()).entryList({"shared (conflict *"});
    }
};

} // namespace

class TestTwoWriters : public QObject {
    Q_OBJECT
  public:
    bool haveServer = false;

  private slots:
    void initTestCase() {
        if (!haveServer) {
            QSKIP("Xvfb is not installed: the clicks come through an X server "
                  "(apt-get install xvfb)");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            QSKIP("xdotool is not installed: it gives the X server's mouse and keys "
                  "(apt-get install xdotool)");
        }
    }

    // An edit typed in the window, another made by the tool meanwhile, then
    // a click on Save: the file holds both, and where both changed one field
    // the tool's value is in a sibling record beside the window's.
    void aSaveMergesWhatTheToolWroteMeanwhile() {
        const struct {
            const char* toolRecord; // the record the tool changes
            const char* bankLogin;  // Bank's login in the file afterwards
            const char* theirLogin; // the sibling's login ("" when none is made)
        } cases[] = {
            {"Mail/example.org", "dora", ""},
            {"Bank", "dora", "eve"},
        };
        for (const auto& c : cases) {
            TTwoWriters t;
            t.Select("Bank");
            t.TypeLogin("dora");
            CLI("edit", t.path, c.toolRecord, "--login", "eve");
            QVERIFY(Click(b_Save_Database(t.w())));

            QVERIFY(t.ConflictCopies().isEmpty());
            QCOMPARE(FieldOnDisk(t.path, "Bank", "Login"), QString("dora"));
            QCOMPARE(FieldOnDisk(t.path, "Mail/example.org", "Login"),
                     QString(QString(c.toolRecord) == "Bank" ? "ann" : "eve"));
            QCOMPARE(Count(t.Log(), "have been merged"), 1);
            // The window shows the merged tree, Bank still chosen.
            QCOMPARE(PathOf(t.w(), page_Database_Content(t.w())->F_Selected_Node()),
                     QString("Bank"));
            QCOMPARE(F_Login(t.w())->text(), QString(c.bankLogin));
            const QStringList roots = NamesUnder(t.w());
            const QStringList theirs = roots.filter("Bank (their version ");
            if (*c.theirLogin == '\0') {
                QVERIFY2(theirs.isEmpty(), qPrintable(roots.join(", ")));
                continue;
            }
            QCOMPARE(theirs.size(), 1);
            QCOMPARE(roots.indexOf(theirs.first()), roots.indexOf("Bank") + 1);
            QCOMPARE(FieldOnDisk(t.path, theirs.first(), "Login"), QString(c.theirLogin));
            QVERIFY(t.Log().contains("Kept side by side: \"Bank\""));
        }
    }

    // The merged tree comes back with the same folders open and the same
    // record chosen, found by their names though the tool added nodes before
    // them; a folder that was shut stays shut.
    void theMergedTreeKeepsTheSelectionAndTheOpenFolders() {
        TTwoWriters t;
        o_TV_Main(t.w())->expand(o_TV_Main_Model(t.w())->IndexOf(NodeAt(t.w(), "Mail")));
        t.Select("Work/Sub/site");
        t.TypeLogin("carla");
        const QStringList open = Expanded(t.w());
        QCOMPARE(open, QStringList({"Mail", "Work", "Work/Sub"}));
        CLI("add", t.path, "Work/Sub/aaa", "--login", "new");
        CLI("mkdir", t.path, "Work/Before");
        CLI("add", t.path, "Closed/more", "--login", "x");
        QVERIFY(t.w().P_Process_Save_Database_EVENT());

        QCOMPARE(NamesUnder(t.w(), "Work/Sub"), QStringList({"site", "aaa"}));
        QCOMPARE(Expanded(t.w()), open);
        QCOMPARE(PathOf(t.w(), page_Database_Content(t.w())->F_Selected_Node()),
                 QString("Work/Sub/site"));
        QCOMPARE(F_Login(t.w())->text(), QString("carla"));
        QCOMPARE(FieldOnDisk(t.path, "Work/Sub/site", "Login"), QString("carla"));
        QCOMPARE(FieldOnDisk(t.path, "Work/Sub/aaa", "Login"), QString("new"));
    }

    // Where names repeat, a node is found again by its place among the
    // siblings of its name: the second "Mail" stays open and its record
    // chosen though the new tree has another node before them, and the
    // first "Mail" stays shut. A chosen node that is gone gives way to the
    // nearest folder above it that is left.
    void theViewsPlacesTellSameNamedFoldersApart() {
        TKeyvaleTree tree;
        const auto build = [&tree](bool withB, bool withNewFirst) {
            tree.Clear();
            if (withNewFirst) {
                tree.AddChild(kNoNode, "New", kIconEmpty);
            }
            tree.AddChild(tree.AddChild(kNoNode, "Mail", kIconFolder), "a", kIconEmpty);
            const TNodeHandle second = tree.AddChild(kNoNode, "Mail", kIconFolder);
            tree.AddChild(second, withB ? "b" : "c", kIconEmpty);
        };
        build(true, false);
        TKeyvaleTreeView view;
        TKeyvaleTreeModel model(tree);
        view.setModel(&model);
        const TNodeHandle second = tree.Child(kNoNode, 1);
        QVERIFY(view.SelectNode(tree.FirstChild(second)));
        QVERIFY(view.isExpanded(model.IndexOf(second)));

        for (const bool withB : {true, false}) {
            const TViewPlaces places = TViewPlaces::Remember(view);
            model.Reset();
            build(withB, true);
            model.Reset();
            const TNodeHandle chosen = places.Restore(view);
            const TNodeHandle mail2 = tree.Child(kNoNode, 2);
            QCOMPARE(chosen, withB ? tree.FirstChild(mail2) : mail2);
            QCOMPARE(view.SelectedNode(), chosen);
            QVERIFY(view.isExpanded(model.IndexOf(mail2)));
            QVERIFY(!view.isExpanded(model.IndexOf(tree.Child(kNoNode, 1))));
        }
    }

    // With nothing unsaved, the tool's change shows in the window once the
    // file has settled, and goes on doing so after the tool has renamed a
    // new file over the watched one.
    void theWindowFollowsTheFile() {
        TTwoWriters t;
        t.Select("Bank");
        CLI("edit", t.path, "Bank", "--login", "eve");
        QTRY_COMPARE(F_Login(t.w())->text(), QString("eve"));
        QCOMPARE(PathOf(t.w(), page_Database_Content(t.w())->F_Selected_Node()), QString("Bank"));
        QVERIFY(t.Log().contains("has been changed by another program"));
        CLI("add", t.path, "Second", "--login", "x");
        QTRY_VERIFY(NamesUnder(t.w()).contains("Second"));
    }

    // With something typed and not yet saved (a record's field, a name in
    // the tree's editor) the change is not taken in, since the typing would
    // be lost with the tree it was made in; the save then merges the two.
    void aChangeWaitsForTheSaveWhileAnEditIsPending() {
        for (const bool inNameEditor : {false, true}) {
            TTwoWriters t;
            t.Select("Bank");
            QLineEdit* editor = nullptr;
            if (inNameEditor) {
                QTest::keyClick(o_TV_Main(t.w()), Qt::Key_F2);
                editor = o_TV_Main(t.w())->viewport()->findChild<QLineEdit*>();
                QVERIFY(editor != nullptr);
                editor->selectAll();
                QTest::keyClicks(editor, "Bank2");
            } else {
                t.TypeLogin("dora");
            }
            CLI("add", t.path, "Third", "--login", "y");
            QTRY_VERIFY(o_Timer_Database_Changed(t.w())->isActive());
            QTRY_VERIFY(!o_Timer_Database_Changed(t.w())->isActive());
            QVERIFY(!NamesUnder(t.w()).contains("Third"));
            if (inNameEditor) {
                QCOMPARE(editor->text(), QString("Bank2"));
            } else {
                QCOMPARE(F_Login(t.w())->text(), QString("dora"));
            }

            QVERIFY(t.w().P_Process_Save_Database_EVENT());
            QVERIFY(NamesUnder(t.w()).contains("Third"));
            const QString bank = inNameEditor ? "Bank2" : "Bank";
            QCOMPARE(FieldOnDisk(t.path, bank, "Login"), QString(inNameEditor ? "bob" : "dora"));
            QCOMPARE(FieldOnDisk(t.path, "Third", "Login"), QString("y"));
            QVERIFY(t.ConflictCopies().isEmpty());
        }
    }

    // An import's preview plans against the tree as it is (on a thread of
    // its own): while it is open, neither the automatic save nor the watcher
    // may put a merged or re-read tree in its place. Once it is answered the
    // save merges the tool's change, the import and what was typed.
    void anImportPreviewHoldsBackTheMergingSave() {
        TTwoWriters t;
        t.Select("Bank");
        t.TypeLogin("dora");
        const QString csv = t.fixture.Path("chrome.csv");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("name,url,username,password\r\nShop,https://shop.example,sam,pw-1\r\n");
        file.close();
        page_Database_Content(t.w())->ImportFrom(csv);
        TImportPreviewDialog* preview = nullptr;
        QTRY_VERIFY((preview = OpenDialog<TImportPreviewDialog>(t.w())) != nullptr);
        QTRY_VERIFY(preview->findChild<QPushButton*>("b_Import")->isEnabled());

        CLI("edit", t.path, "Mail/example.org", "--login", "eve");
        QTRY_VERIFY(o_Timer_Database_Changed(t.w())->isActive());
        t.fixture.idle->idle = 120000;
        Fire(*o_Timer_SAVE_Database(t.w()));
        Fire(*o_Timer_Database_Changed(t.w()));
        QCOMPARE(FieldOnDisk(t.path, "Bank", "Login"), QString("bob"));
        QVERIFY(preview->isVisible());
        QVERIFY(Click(preview->findChild<QPushButton*>("b_Import")));
        QTRY_VERIFY(OpenDialog<TImportPreviewDialog>(t.w()) == nullptr);
        QVERIFY(!NamesUnder(t.w()).filter("Imported from").isEmpty());

        Fire(*o_Timer_SAVE_Database(t.w()));
        QCOMPARE(FieldOnDisk(t.path, "Bank", "Login"), QString("dora"));
        QCOMPARE(FieldOnDisk(t.path, "Mail/example.org", "Login"), QString("eve"));
        QVERIFY(!NamesUnder(t.w()).filter("Imported from").isEmpty());
        QVERIFY(t.ConflictCopies().isEmpty());
    }

    // A file the open keys no longer read (its password changed by the
    // tool) is said once, however often it changes afterwards; the tree
    // stays as it was.
    void aFileTheKeysCannotReadIsSaidOnce() {
        TTwoWriters t;
        const TCliRun passwd = RunCli({"passwd", t.path}, kPassword + "\nother22\nother22\n");
        QVERIFY2(passwd.exitCode == 0, qPrintable(passwd.err));
        const QString said = "your main password does not open it any more";
        QTRY_COMPARE(Count(t.Log(), said), 1);
        QVERIFY(RunCli({"mkdir", t.path, "Later"}, "other22\n").exitCode == 0);
        QTRY_VERIFY(o_Timer_Database_Changed(t.w())->isActive());
        QTRY_VERIFY(!o_Timer_Database_Changed(t.w())->isActive());
        QCOMPARE(Count(t.Log(), said), 1);
        QVERIFY(!NamesUnder(t.w()).contains("Later"));
    }

    // The idle lock and the end of the program save what was typed; the
    // file changed meanwhile is merged, not set aside.
    void theLockAndTheQuitMergeTheChangedFile() {
        for (const bool quit : {false, true}) {
            TTwoWriters t;
            t.Select("Bank");
            t.TypeLogin("dora");
            CLI("edit", t.path, "Mail/example.org", "--login", "eve");
            if (quit) {
                QVERIFY(t.w().close());
            } else {
                F_Lock_After_Idle(t.w())->setCurrentIndex(F_Lock_After_Idle(t.w())->findData(1));
                t.fixture.idle->idle = 2 * 60000;
                Fire(*o_Timer_Idle_Lock(t.w()));
                QVERIFY(t.w().DatabaseFile().isEmpty()); // locked
            }
            QCOMPARE(FieldOnDisk(t.path, "Bank", "Login"), QString("dora"));
            QCOMPARE(FieldOnDisk(t.path, "Mail/example.org", "Login"), QString("eve"));
            QVERIFY(t.ConflictCopies().isEmpty());
        }
    }

    // Two copies beside the database: Keyvale's own conflict copy (same
    // password, a record added and Bank's login changed) and a sync tool's
    // under another password. The log names them; "Merge copies..."
    // previews each: Cancel and Skip change nothing, Merge brings the copy
    // in and saves, the copy is deleted only on Yes (No is the default),
    // and the other copy's own password opens it.
    void mergeCopiesPreviewsMergesAndAsksBeforeDeleting() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("shared.kvdb");
        const QString own = fixture.Path("shared (conflict 2026-12-01 10-00-00).kvdb");
        const QString synced = fixture.Path("shared.sync-conflict-20261201-100000-LAPTOP.kvdb");
        CLI("create", path);
        CLI("add", path, "Bank", "--login", "bob");
        QVERIFY(QFile::copy(path, own));
        CLI("add", own, "FromCopy", "--login", "copied");
        CLI("edit", own, "Bank", "--login", "bobby");
        QVERIFY(RunCli({"create", synced}, "laptop1\nlaptop1\n").exitCode == 0);
        QVERIFY(RunCli({"mkdir", synced, "FromLaptop"}, "laptop1\n").exitCode == 0);

        auto window = fixture.NewWindow();
        QApplication::setActiveWindow(window.get());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        Choose(*window, path);
        EnterPassword(*window, QString::fromLatin1(kPassword), "");
        TFormMain& w = *window;
        const QString log = F_Message(w)->toPlainText();
        QVERIFY2(log.contains("shared (conflict 2026-12-01 10-00-00).kvdb, "
                              "shared.sync-conflict-20261201-100000-LAPTOP.kvdb"),
                 qPrintable(log));
        QVERIFY(b_Merge_Copies(w)->isEnabled());
        const QByteArray before = FileBytes(path);

        // First round: the own copy's preview, cancelled; the other asks
        // for its password, skipped.
        QVERIFY(Click(b_Merge_Copies(w)));
        TMergePreviewDialog* preview = nullptr;
        QTRY_VERIFY((preview = OpenDialog<TMergePreviewDialog>(w)) != nullptr);
        const QString summary = preview->findChild<QLabel*>("L_Merge_Summary")->text();
        QVERIFY2(summary.contains("1 record added, 0 records changed, 0 records removed"),
                 qPrintable(summary));
        QVERIFY(summary.contains("1 conflict kept side by side"));
        const QString conflicts =
            preview->findChild<QPlainTextEdit*>("F_Merge_Conflicts")->toPlainText();
        QVERIFY2(
            conflicts.startsWith("Bank: login differs; the copy's record is kept beside it as"),
            qPrintable(conflicts));
        QVERIFY(Click(preview->findChild<QPushButton*>("b_Merge_Cancel")));
        QTRY_VERIFY((preview = OpenDialog<TMergePreviewDialog>(w)) != nullptr);
        QVERIFY(preview->AsksPassword());
        QVERIFY(Click(preview->findChild<QPushButton*>("b_Merge_Cancel"))); // Skip
        QTRY_VERIFY(OpenDialog<TMergePreviewDialog>(w) == nullptr);
        QCOMPARE(NamesUnder(w), QStringList({"Bank"}));
        QCOMPARE(FileBytes(path), before);
        QVERIFY(QFile::exists(own) && QFile::exists(synced));

        // Second round: Merge, Yes; then the other copy with its password.
        QVERIFY(Click(b_Merge_Copies(w)));
        QTRY_VERIFY((preview = OpenDialog<TMergePreviewDialog>(w)) != nullptr);
        QVERIFY(Click(preview->findChild<QPushButton*>("b_Merge")));
        QMessageBox* question = nullptr;
        QTRY_VERIFY((question = OpenDialog<QMessageBox>(w)) != nullptr);
        QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
        QVERIFY(question->text().contains("Delete the merged copy shared (conflict"));
        // Merged and saved before the question.
        QCOMPARE(FieldOnDisk(path, "FromCopy", "Login"), QString("copied"));
        QCOMPARE(FieldOnDisk(path, "Bank", "Login"), QString("bob"));
        QVERIFY(NamesUnder(w).contains("FromCopy"));
        QCOMPARE(NamesUnder(w).filter("Bank (their version ").size(), 1);
        QVERIFY(Click(question->button(QMessageBox::Yes)));
        QTRY_VERIFY(!QFile::exists(own));

        QTRY_VERIFY((preview = OpenDialog<TMergePreviewDialog>(w)) != nullptr);
        QVERIFY(preview->AsksPassword());
        QLineEdit* password = preview->findChild<QLineEdit*>("F_Merge_Password");
        QVERIFY(Click(password));
        QVERIFY(RunXdotool({"type", "--delay", "20", "laptop1"}));
        QVERIFY(Click(preview->findChild<QPushButton*>("b_Merge")));
        QTRY_VERIFY((preview = OpenDialog<TMergePreviewDialog>(w)) != nullptr);
        QVERIFY(!preview->AsksPassword());
        const QString laptop = preview->findChild<QLabel*>("L_Merge_Summary")->text();
        QVERIFY2(laptop ==
                     "From shared.sync-conflict-20261201-100000-LAPTOP.kvdb: folders only, no "
                     "records.",
                 qPrintable(laptop));
        QVERIFY(preview->findChild<QPushButton*>("b_Merge")->isEnabled());
        QVERIFY(Click(preview->findChild<QPushButton*>("b_Merge_Cancel")));
        QTRY_VERIFY(OpenDialog<TMergePreviewDialog>(w) == nullptr);
        QVERIFY(!NamesUnder(w).contains("FromLaptop"));
        QVERIFY(QFile::exists(synced));
        QVERIFY(b_Merge_Copies(w)->isEnabled());
    }
};

int main(int argc, char** argv) {
    return RunOnPrivateXServer<TestTwoWriters>(argc, argv);
}
#include "test_two_writers.moc"
