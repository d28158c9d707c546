// Choosing and editing on the Database page with real keys and clicks, checked
// in the file after the save: whichever way the selection moves, every record
// keeps exactly its own fields; an edit rewrites only the field typed into;
// the trash warning deletes what it named; a rename left open in its editor
// is saved; folder work starts the automatic save; closing the database
// empties the fields for good; the URL label opens only web and mail
// addresses.
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <vector>

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "database_page_fixture.h"

namespace {

const char* const kPassword = "selection and editing";

const TKeyMaterial& TestKeys() {
    static const TKeyMaterial keys = [] {
        TKeyMaterial derived;
        KvDeriveKeyMaterial(kPassword, derived);
        return derived;
    }();
    return keys;
}

// A record's fields with the kinds of text an imported database may hold and
// the widgets do not hand back as they got them: blanks at the ends, a tab,
// a no-break space, a line separator, CR LF and a lone CR.
TRecordFields StoredFields(const std::string& name) {
    return {name + "\u00a0login", " " + name + " pass\tword ", " " + name + "@example.org",
            "  https://" + name + ".example  ",
            name + " first\r\nsecond\u00a0half\u2028third\rfourth"};
}

// Every record of a tree by its path ("Cards/Visa").
using TRecords = std::map<std::string, TRecordFields>;

// The test database: Alpha, Bank, Cards (a folder holding Visa and Imported,
// whose login is longer than the field takes), Gmail, Shop.
TRecords TestRecords() {
    TRecords records;
    for (const char* path : {"Alpha", "Bank", "Cards/Visa", "Cards/Imported", "Gmail", "Shop"}) {
        const std::string name = std::string(path).substr(std::string(path).find('/') + 1);
        records[path] = StoredFields(name);
    }
    records["Cards/Imported"].login = std::string(300, 'i');
    return records;
}

std::string PathOf(const TKeyvaleTree& tree, TNodeHandle node) {
    std::string path = tree.Text(node);
    for (TNodeHandle up = tree.Parent(node); up != kNoNode; up = tree.Parent(up)) {
        path = tree.Text(up) + "/" + path;
    }
    return path;
}

// One line per record, the path and the five fields with every character
// outside printable ASCII spelled out, sorted: a difference shows at once.
QString Describe(const TRecords& records) {
    const auto escaped = [](const std::string& text) {
        QString out;
        for (const QChar c : QString::fromStdString(text)) {
            out += c.unicode() >= 0x20 && c.unicode() < 0x7f
                       ? QString(c)
                       : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        }
        return out;
    };
    QStringList lines;
    for (const auto& [path, f] : records) {
        lines << QString::fromStdString(path) + " = " +
                     QStringList{escaped(f.login), escaped(f.password), escaped(f.email),
                                 escaped(f.url), escaped(f.note)}
                         .join(" | ");
    }
    lines.sort();
    return lines.join('\n');
}

// The Database page on a real file, opened through the password panel.
struct TDatabaseFile : TOpenDatabase {
    QString path = folders.workingFolder.filePath("records.kvdb");

    TDatabaseFile() {
        TKeyvaleTree tree;
        for (const auto& [recordPath, fields] : TestRecords()) {
            TNodeHandle parent = kNoNode;
            std::string rest = recordPath;
            for (std::size_t slash; (slash = rest.find('/')) != std::string::npos;) {
                const std::string folder = rest.substr(0, slash);
                TNodeHandle found = kNoNode;
                for (int i = 0; i < tree.ChildCount(parent); ++i) {
                    if (tree.Text(tree.Child(parent, i)) == folder) {
                        found = tree.Child(parent, i);
                    }
                }
                parent = found != kNoNode ? found : tree.AddChild(parent, folder, kIconEmpty);
                rest = rest.substr(slash + 1);
            }
            const TNodeHandle record = tree.AddChild(parent, rest, kIconEmpty);
            tree.AddChild(record, RecordDataEncode(fields), kIconEmpty);
        }
        QVERIFY(SaveDatabaseFile(path.toStdString(), tree, TestKeys()).saved);

        page_Main_Password_Content(*window)->SetFileNameQuietly(QString());
        F_Database_File_Name(*window)->setText(path);
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Open);
        if (!b_M(*window)->isEnabled()) {
            QVERIFY(QMetaObject::invokeMethod(o_Timer_Enter_Button(*window), "timeout"));
        }
        F_MP1(*window)->setText(kPassword);
        QTest::mouseClick(b_M(*window), Qt::LeftButton);
        QCOMPARE(window->DatabaseFile(), path);
        F_Message(*window)->clear();
    }

    // The records the file holds now, read with storage's own code.
    TRecords ReadBack() const {
        TKeyvaleTree tree;
        TRecords records;
        if (LoadDatabaseFile(path.toStdString(), TestKeys(), tree).status ==
            TDatabaseLoadStatus::Loaded) {
            for (TNodeHandle n = tree.First(); n != kNoNode; n = tree.NextInPreOrder(n)) {
                TRecordFields fields;
                if (IsUserNode(tree, n) && ReadFolderDataFromDataFolder(tree, n, fields)) {
                    records[PathOf(tree, n)] = fields;
                }
            }
        }
        return records;
    }
};

// One way of moving from the record `start` to another node: the rows of
// the table below.
struct TWay {
    const char* name;
    QString start;
    std::string shown; // path of the node chosen afterwards; empty: none
    std::function<void(TDatabaseFile&)> move;
    std::function<void(TRecords&)> reshape; // what the move did to the tree
};

const std::vector<TWay>& WaysOfMovingOn() {
    static const std::vector<TWay> ways = {
        {"mouse click", "Bank", "Gmail", [](TDatabaseFile& db) { db.Choose("Gmail"); }, {}},
        {"arrow down",
         "Alpha",
         "Bank",
         [](TDatabaseFile& db) { QTest::keyClick(o_TV_Main(db.w()), Qt::Key_Down); },
         {}},
        {"arrow up onto a folder",
         "Gmail",
         "Cards",
         [](TDatabaseFile& db) { QTest::keyClick(o_TV_Main(db.w()), Qt::Key_Up); },
         {}},
        {"home",
         "Shop",
         "Alpha",
         [](TDatabaseFile& db) { QTest::keyClick(o_TV_Main(db.w()), Qt::Key_Home); },
         {}},
        {"end",
         "Alpha",
         "Shop",
         [](TDatabaseFile& db) { QTest::keyClick(o_TV_Main(db.w()), Qt::Key_End); },
         {}},
        {"page down",
         "Bank",
         "Shop",
         [](TDatabaseFile& db) { QTest::keyClick(o_TV_Main(db.w()), Qt::Key_PageDown); },
         {}},
        {"page up",
         "Shop",
         "Alpha",
         [](TDatabaseFile& db) { QTest::keyClick(o_TV_Main(db.w()), Qt::Key_PageUp); },
         {}},
        {"type-ahead",
         "Bank",
         "Gmail",
         [](TDatabaseFile& db) { QTest::keyClicks(o_TV_Main(db.w()), "G"); },
         {}},
        {"find",
         "Bank",
         "Shop",
         [](TDatabaseFile& db) {
             F_Folder_Name(db.w())->setText("sho");
             QTest::mouseClick(i_Folder_Find(db.w()), Qt::LeftButton);
         },
         {}},
        {"drag and drop", "Bank", "Cards/Shop",
         [](TDatabaseFile& db) {
             // The press chooses the dragged node; the drop puts it in Cards.
             const QPoint row = o_TV_Main(db.w())->visualRect(db.Find("Shop")).center();
             QTest::mousePress(o_TV_Main(db.w())->viewport(), Qt::LeftButton, {}, row);
             page_Database_Content(db.w())->o_TV_MainDragDrop(db.Node("Cards"));
             QTest::mouseRelease(o_TV_Main(db.w())->viewport(), Qt::LeftButton, {}, row);
         },
         [](TRecords& records) { records["Cards/Shop"] = records.extract("Shop").mapped(); }},
        {"move up",
         "Gmail",
         "Gmail",
         [](TDatabaseFile& db) { QTest::mouseClick(b_Node_Up(db.w()), Qt::LeftButton); },
         {}},
        {"move down",
         "Alpha",
         "Alpha",
         [](TDatabaseFile& db) { QTest::mouseClick(b_Node_Down(db.w()), Qt::LeftButton); },
         {}},
        {"move to root", "Visa", "Visa",
         [](TDatabaseFile& db) { menu_Move_Node_to_Root(db.w())->trigger(); },
         [](TRecords& records) { records["Visa"] = records.extract("Cards/Visa").mapped(); }},
        {"delete", "Gmail", "Shop",
         [](TDatabaseFile& db) {
             page_Database_Content(db.w())->i_Trash_CanDragDrop();
             QTest::mouseClick(b_Delete_Folder(db.w()), Qt::LeftButton);
         },
         [](TRecords& records) { records.erase("Gmail"); }},
        {"click on empty space",
         "Bank",
         "",
         [](TDatabaseFile& db) {
             QWidget* rows = o_TV_Main(db.w())->viewport();
             QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(60, rows->height() - 5));
         },
         {}},
    };
    return ways;
}

// Receives the addresses the window hands to the desktop.
class TUrlRecorder : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { opened << url; }

  public:
    QList<QUrl> opened;
};

} // namespace

class TestSelectionAndEditing : public QObject {
    Q_OBJECT

  private slots:
    void everyWayOfMovingOnKeepsEachRecordsFields_data() {
        QTest::addColumn<int>("way");
        for (std::size_t i = 0; i < WaysOfMovingOn().size(); ++i) {
            QTest::newRow(WaysOfMovingOn()[i].name) << static_cast<int>(i);
        }
    }
    void everyWayOfMovingOnKeepsEachRecordsFields() {
        QFETCH(int, way);
        const TWay& w = WaysOfMovingOn()[static_cast<std::size_t>(way)];
        TDatabaseFile db;
        TFormMain& window = db.w();
        TRecords expected = TestRecords();
        const std::string start = PathOf(o_TV_Main_Model(window)->Tree(), db.Node(w.start));

        // An edit of the record shown first, not yet written anywhere.
        db.Choose(w.start);
        QTest::keyClicks(F_Password(window), "1");
        expected[start].password += "1";

        w.move(db);
        if (w.reshape) {
            w.reshape(expected);
        }

        // The panel shows the node now chosen, and only its own fields.
        const TNodeHandle chosen = page_Database_Content(window)->F_Selected_Node();
        QCOMPARE(chosen == kNoNode ? std::string()
                                   : PathOf(o_TV_Main_Model(window)->Tree(), chosen),
                 w.shown);
        const bool record = expected.count(w.shown) > 0;
        for (QWidget* field :
             std::initializer_list<QWidget*>{F_Login(window), F_Password(window), F_EMail(window),
                                             F_URL(window), F_Note(window)}) {
            QCOMPARE(field->isEnabled(), record);
        }
        const TRecordFields shown = record ? expected[w.shown] : TRecordFields{};
        QCOMPARE(F_Login(window)->text(), QString::fromStdString(shown.login));
        QCOMPARE(F_Password(window)->text(), QString::fromStdString(shown.password));
        if (w.shown.empty()) {
            QCOMPARE(F_Note(window)->toPlainText(), QString());
        }

        // An edit there (a disabled field takes no keys), then the close box
        // saves.
        QTest::keyClicks(F_Login(window), "!");
        if (record) {
            expected[w.shown].login += "!";
        }
        window.close();
        QCOMPARE(Describe(db.ReadBack()), Describe(expected));
    }

    void anEditRewritesOnlyTheFieldTypedInto() {
        TDatabaseFile db;
        TFormMain& w = db.w();
        TRecords expected = TestRecords();
        struct TEdit {
            QString node;
            QWidget* field;
            std::string TRecordFields::*stored;
            std::string kept; // the stored field after "+" was typed at its end
        };
        const TEdit edits[] = {
            {"Alpha", F_Login(w), &TRecordFields::login, "Alpha\u00a0login+"},
            {"Bank", F_Password(w), &TRecordFields::password, " Bank pass\tword +"},
            {"Gmail", F_EMail(w), &TRecordFields::email, "Gmail@example.org+"},
            {"Shop", F_URL(w), &TRecordFields::url, "https://Shop.example  +"},
            // A typed note keeps its no-break space and line separator; its
            // line ends become the widget's one kind.
            {"Visa", F_Note(w), &TRecordFields::note,
             "Visa first\nsecond\u00a0half\u2028third\nfourth+"},
            // Untouched, the login keeps all of its 300 characters.
            {"Imported", F_Password(w), &TRecordFields::password, " Imported pass\tword +"},
        };
        for (const TEdit& edit : edits) {
            db.Choose(edit.node);
            if (edit.field == F_Note(w)) {
                QTest::keyClick(edit.field, Qt::Key_End, Qt::ControlModifier);
            }
            QTest::keyClicks(edit.field, "+");
            expected[PathOf(o_TV_Main_Model(w)->Tree(), db.Node(edit.node))].*edit.stored =
                edit.kept;
        }
        db.Choose("Alpha"); // moving on writes the last one
        w.close();
        QCOMPARE(Describe(db.ReadBack()), Describe(expected));
    }

    void trashWarningDeletesOnlyTheNodeItShows() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("Bank");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("Gmail");
        db.Add("Inbox");
        const QString tree = db.Outline();

        // Type-ahead chooses another node: the warning closes as after a click.
        db.Choose("Bank");
        page_Database_Content(w)->i_Trash_CanDragDrop();
        QVERIFY(!o_Panel_Warning(w)->isHidden());
        QTest::keyClicks(o_TV_Main(w), "G");
        QCOMPARE(db.Selected(), QString("Gmail"));
        QVERIFY(o_Panel_Warning(w)->isHidden());
        QVERIFY(i_Trash_Can(w)->isEnabled());
        QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton); // a late click deletes nothing
        QCOMPARE(db.Outline(), tree);

        // Should the selection ever move without telling, "Delete" still
        // deletes the node the warning shows.
        db.Choose("Bank");
        page_Database_Content(w)->i_Trash_CanDragDrop();
        {
            const QSignalBlocker quiet(o_TV_Main(w)->selectionModel());
            o_TV_Main(w)->selectionModel()->setCurrentIndex(db.Find("Gmail"),
                                                            QItemSelectionModel::ClearAndSelect);
        }
        QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
        QCOMPARE(db.Outline(), QString("Gmail(0)[Inbox(1)]"));
        QVERIFY(db.LogEndsWith("Folder has been deleted: Bank"));
    }

    void aRenameLeftOpenIsSaved_data() {
        QTest::addColumn<QString>("save");
        QTest::newRow("close box") << "close";
        QTest::newRow("automatic save") << "automatic";
        QTest::newRow("save button") << "button";
    }
    void aRenameLeftOpenIsSaved() {
        QFETCH(QString, save);
        TDatabaseFile db;
        TFormMain& w = db.w();
        QLineEdit* editor = db.OpenRenameEditor("Bank");
        QVERIFY(editor);
        QTest::keyClicks(editor, "Savings"); // the editor starts with all selected
        if (save == "close") {
            w.close();
        } else if (save == "automatic") {
            db.idle->idle = 120000; // two minutes: the automatic save's wait
            QVERIFY(QMetaObject::invokeMethod(o_Timer_SAVE_Database(w), "timeout"));
        } else {
            QVERIFY(b_Save_Database(w)->isEnabled());
            QTest::mouseClick(b_Save_Database(w), Qt::LeftButton);
        }
        TRecords expected = TestRecords();
        expected["Savings"] = expected.extract("Bank").mapped();
        QCOMPARE(Describe(db.ReadBack()), Describe(expected));
    }

    void folderWorkStartsTheAutomaticSave() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("Folder");
        db.Add("Inner");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("Loose");
        QTimer& countdown = *o_Timer_SAVE_Database(w);

        const auto rename = [&](const QString& node, const QString& typed) {
            QLineEdit* editor = db.OpenRenameEditor(node);
            QVERIFY(editor);
            if (!typed.isEmpty()) {
                QTest::keyClicks(editor, typed);
            }
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!o_TV_Main(w)->viewport()->findChild<QLineEdit*>());
        };
        // Up and Down move a node a short pause after their sound.
        const auto move = [](QPushButton* button) {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::qWait(100);
        };
        struct TCase {
            const char* name;
            std::function<void()> work;
            bool counts;
        };
        const TCase cases[] = {
            {"choosing a node", [&] { db.Choose("Folder"); }, false},
            // Refused work changes nothing and must not count as a change.
            {"up at the top", [&] { move(b_Node_Up(w)); }, false},
            {"down at the bottom",
             [&] {
                 db.Choose("Loose");
                 move(b_Node_Down(w));
                 db.Choose("Folder"); // where the next rows expect to start
             },
             false},
            {"add", [&] { db.Add("New", true); }, true},
            {"rename", [&] { rename("Loose", "Renamed"); }, true},
            {"rename to the same name", [&] { rename("Renamed", ""); }, false},
            {"drop",
             [&] {
                 db.Choose("Renamed");
                 page_Database_Content(w)->o_TV_MainDragDrop(db.Node("Folder"));
             },
             true},
            {"move to root", [&] { menu_Move_Node_to_Root(w)->trigger(); }, true},
            {"move up", [&] { move(b_Node_Up(w)); }, true},
            {"move down", [&] { move(b_Node_Down(w)); }, true},
            {"delete",
             [&] {
                 page_Database_Content(w)->i_Trash_CanDragDrop();
                 QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
             },
             true},
        };
        for (const TCase& c : cases) {
            countdown.stop();
            c.work();
            QVERIFY2(countdown.isActive() == c.counts, c.name);
        }
        QCOMPARE(db.Outline(), QString("Folder(0)[Inner(1) New(1)]"));
    }

    void closingTheDatabaseLeavesNothingToUndo() {
        TDatabaseFile db;
        TFormMain& w = db.w();
        db.Choose("Bank");
        for (QLineEdit* field : {F_Login(w), F_Password(w), F_EMail(w), F_URL(w)}) {
            QTest::keyClicks(field, "x");
            QVERIFY(field->isUndoAvailable());
        }
        QTest::keyClicks(F_Note(w), "x");

        w.P_DEACTIVATE_Current_Database();
        for (QLineEdit* field : {F_Login(w), F_Password(w), F_EMail(w), F_URL(w)}) {
            QVERIFY2(!field->isUndoAvailable() && !field->isRedoAvailable(),
                     qPrintable(field->objectName()));
            field->undo();
            QCOMPARE(field->text(), QString());
            QVERIFY(!field->isEnabled());
        }
        QVERIFY(!F_Note(w)->document()->isUndoAvailable());
        F_Note(w)->undo();
        QCOMPARE(F_Note(w)->toPlainText(), QString());
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);
        QCOMPARE(page_Database_Content(w)->PendingEditNode(), kNoNode);
    }

    void urlLabelOpensOnlyWebAndMailAddresses() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        TUrlRecorder recorder;
        // Every scheme below goes to the recorder, so that nothing reaches
        // the desktop whatever the window decides.
        const QStringList schemes = {"http", "https", "ftp", "mailto", "file", "javascript", "smb"};
        for (const QString& scheme : schemes) {
            QDesktopServices::setUrlHandler(scheme, &recorder, "open");
        }
        db.Add("Record");
        db.Choose("Record");
        struct TCase {
            QString typed;
            QString opened; // empty: not opened
        };
        const TCase cases[] = {
            {"https://bank.example/login", "https://bank.example/login"},
            {"HTTP://Bank.Example", "http://bank.example"},
            {"bank.example", "http://bank.example"},
            {"ftp://files.example/a", "ftp://files.example/a"},
            {"mailto:me@example.org", "mailto:me@example.org"},
            {"file:///etc/passwd", ""},
            {"/usr/share/applications/editor.desktop", ""},
            {"javascript:alert(1)", ""},
            {"smb://server/share", ""},
        };
        for (const TCase& c : cases) {
            recorder.opened.clear();
            F_URL(w)->setText(c.typed);
            QTest::mouseClick(L_URL(w), Qt::LeftButton);
            QCOMPARE(QApplication::clipboard()->text(), c.typed); // copied either way
            if (c.opened.isEmpty()) {
                QVERIFY2(recorder.opened.isEmpty(), qPrintable(c.typed));
                QVERIFY(db.LogEndsWith("The address has not been opened: only http, https, ftp "
                                       "and mailto addresses are opened."));
            } else {
                QCOMPARE(recorder.opened, QList<QUrl>{QUrl(c.opened)});
            }
        }
        for (const QString& scheme : schemes) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
};

KEYVALE_APP_TEST_MAIN(TestSelectionAndEditing)
#include "test_selection_and_editing.moc"
