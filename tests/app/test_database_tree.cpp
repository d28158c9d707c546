// The Database page with a database open: building the folder tree through
// the name field, renaming in place, finding, drag and drop, the moves, the
// trash can, and the record panel up to the file and back.
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include "U_Desktop_Alert.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"
#include "database_page_fixture.h"

namespace {

// Up and Down move a node this long after their sound, with room to spare.
constexpr int kMovePauseMs = 100;

// Receives the addresses the window hands to the desktop.
class TUrlRecorder : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { opened << url; }

  public:
    QList<QUrl> opened;
};

} // namespace

class TestDatabaseTree : public QObject {
    Q_OBJECT

  private slots:
    void addingFolders() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        QVERIFY(o_TV_Main(w)->isHeaderHidden());
        QVERIFY(!o_TV_Main(w)->rootIsDecorated());
        QCOMPARE(o_TV_Main(w)->indentation(), 35);
        QCOMPARE(o_TV_Main(w)->iconSize(), QSize(32, 32));

        // Nothing selected: the folder goes to the root and stays selected.
        db.Add("Work", true);
        QCOMPARE(db.Outline(), QString("Work(1)"));
        QVERIFY(db.LogEndsWith("A new folder has been created."));
        QTRY_VERIFY(F_Folder_Name(w)->text().isEmpty()); // wiped
        QVERIFY(F_Folder_Name(w)->hasFocus());
        QCOMPARE(db.Selected(), QString("Work"));
        QVERIFY(db.Played("S_B_MP_3"));

        // Under the selected folder, which stays selected and opens.
        db.Add("Bank");
        db.Add("Mail");
        QCOMPARE(db.Outline(), QString("Work(0)[Bank(1) Mail(1)]"));
        QCOMPARE(db.Selected(), QString("Work"));
        QVERIFY(o_TV_Main(w)->isExpanded(db.Find("Work")));
        QVERIFY(!F_Login(w)->isEnabled()); // a folder with content

        // Under a record: a sibling of the record, which becomes selected,
        // and no message.
        db.Choose("Bank");
        QVERIFY(F_Login(w)->isEnabled());
        QTest::keyClicks(F_Login(w), "me");
        db.Choose("Work"); // moving on makes Bank a record
        QCOMPARE(db.model().Tree().Icon(db.Node("Bank")), kIconRecord);
        db.Choose("Bank");
        const QString logBefore = F_Message(w)->toPlainText();
        db.Add("Shop");
        QCOMPARE(db.Outline(), QString("Work(0)[Bank(2) Mail(1) Shop(1)]"));
        QCOMPARE(db.Selected(), QString("Shop"));
        QCOMPARE(F_Message(w)->toPlainText(), logBefore);

        // An empty name is refused, with the sound all the same; blanks are a name.
        db.folders.sounds->played.clear();
        db.Add("");
        QVERIFY(db.LogEndsWith(
            "Folder name is empty! It is not allowed to add a new folder with empty name!"));
        QVERIFY(db.Played("S_B_MP_3"));
        QCOMPARE(db.model().Tree().NodeCount(), std::size_t(5)); // Bank's data node counts
    }

    void limitsOfAdding() {
        {
            TOpenDatabase db;
            TFormMain& w = db.w();
            db.Chain(15);
            db.Choose("L15");
            db.Add("deeper");
            QVERIFY(db.LogEndsWith("Cannot add a folder. Nesting level too deep."));
            QVERIFY(db.Alerted("Cannot add a folder. Nesting level too deep."));
            QVERIFY(!db.Find("deeper").isValid());
            db.Choose("L14");
            db.Add("deepest allowed");
            QCOMPARE(db.model().Tree().Level(db.Node("deepest allowed")), 15);
        }
        {
            TOpenDatabase db;
            TFormMain& w = db.w();
            db.Load([](TKeyvaleTree& tree) {
                for (int i = 0; i < 10000; ++i) {
                    tree.AddChild(kNoNode, QString("n%1").arg(i).toStdString(), 1);
                }
            });
            const QString full = "Your database has too many folders. Cannot add one more folder. "
                                 "Delete unnecessary folders and try to add a new one.";
            db.Add("one more");
            QVERIFY(db.LogEndsWith(full));
            QVERIFY(db.Alerted(full));
            QCOMPARE(db.model().Tree().NodeCount(), std::size_t(10000));
            db.Choose("n9999");
            db.page().i_Trash_CanDragDrop();
            QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
            QVERIFY(!db.Find("n9999").isValid());
            db.Add("one more");
            QCOMPARE(db.model().Tree().NodeCount(), std::size_t(10000));
            QVERIFY(db.Find("one more").isValid());
        }
    }

    void renameInPlace_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("plain") << "Travel"
                               << "Travel";
        QTest::newRow("empty") << ""
                               << "< >";
        QTest::newRow("too long") << QString(250, 'x') << QString(200, 'x');
        QTest::newRow("trailing blanks stay") << "Travel  "
                                              << "Travel  ";
        QTest::newRow("non-ASCII")
            << QString::fromUtf8("Reisen \u00fc\u20ac") << QString::fromUtf8("Reisen \u00fc\u20ac");
        // keyvale-cli would print these to a terminal, which would obey them.
        QTest::newRow("pasted terminal escape refused") << QString("\x1b]0;pwned\x07") << "Old";
        QTest::newRow("C1 control refused") << QString::fromUtf16(u"a\u009b2J") << "Old";
    }
    void renameInPlace() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("Old");
        const TNodeHandle node = db.Node("Old");
        o_TV_Main(w)->edit(db.Find("Old"));
        auto* editor = o_TV_Main(w)->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return); // the view commits on its next turn
        QTRY_COMPARE(QString::fromStdString(db.model().Tree().Text(node)), kept);
        QCOMPARE(db.model().IndexOf(node).data().toString(), kept);
    }

    void findingWalksTheMatchesAndWraps() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("xAbx");
        db.Add("inner ab");
        db.Choose("xAbx");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("LAB");
        db.Add("a\u00e4b");
        o_TV_Main(w)->SelectNode(kNoNode);

        const auto find = [&](const QString& text) {
            F_Folder_Name(w)->setText(text);
            i_Folder_Find(w)->Click();
            return db.Selected();
        };
        // Nothing selected: the search starts after the first node.
        QCOMPARE(find("ab"), QString("inner ab"));
        QVERIFY(F_Message(w)->toPlainText().contains(" --- ab ... searching ... "));
        QVERIFY(db.LogEndsWith("inner ab"));
        QCOMPARE(find("ab"), QString("LAB"));
        QCOMPARE(find("ab"), QString("xAbx")); // wrapped around
        QVERIFY(db.Played("S_B_MP_4"));

        // The only match is the selected node: found in the second pass.
        QCOMPARE(find("XABX"), QString("xAbx"));
        QCOMPARE(find("XABX"), QString("xAbx"));
        // Letters outside a to z compare exactly.
        QCOMPARE(find("\u00c4"), QString("xAbx"));
        QVERIFY(db.LogEndsWith("No folders found (\u00c4)"));
        QCOMPARE(find("\u00e4"), QString("a\u00e4b"));
        find("   ");
        QVERIFY(db.LogEndsWith("No name of folder (record) is specified."));

        // A record's hidden data never matches.
        db.Choose("LAB");
        QTest::keyClicks(F_Login(w), "zzz");
        db.Choose("xAbx");
        find("Zz");
        QVERIFY(db.LogEndsWith("No folders found (Zz)"));
    }

    void dragAndDrop() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("A");
        db.Add("A1");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("B");
        db.Add("R");
        db.Choose("R");
        QTest::keyClicks(F_URL(w), "example.org");
        db.Choose("A1");
        QCOMPARE(db.Outline(), QString("A(0)[A1(1)] B(0)[R(2)]"));

        // What the view asks while A is dragged.
        db.Choose("A");
        struct TCase {
            const char* target;
            bool accepted;
        };
        for (TCase c :
             {TCase{"A", false}, TCase{"A1", false}, TCase{"R", false}, TCase{"B", true}}) {
            QVERIFY2(db.page().o_TV_MainDragOver(db.Node(c.target)) == c.accepted, c.target);
        }
        QVERIFY(!db.page().o_TV_MainDragOver(kNoNode));
        db.Choose("A1");
        QVERIFY(!db.page().o_TV_MainDragOver(db.Node("A"))); // its own parent
        QVERIFY(db.page().o_TV_MainDragOver(db.Node("B")));

        // The only child leaves: A turns empty, the moved node stays selected.
        db.page().o_TV_MainDragDrop(db.Node("B"));
        QCOMPARE(db.Outline(), QString("A(1) B(0)[R(2) A1(1)]"));
        QCOMPARE(db.Selected(), QString("A1"));

        // Onto a record: refused with a message.
        db.page().o_TV_MainDragDrop(db.Node("R"));
        QVERIFY(db.LogEndsWith("It is not allowed to add object to a record!"));
        QCOMPARE(db.Outline(), QString("A(1) B(0)[R(2) A1(1)]"));

        // Depth: a folder with one level below it may go under level 13, not 14.
        db.Chain(14);
        db.Choose("B");
        QVERIFY(db.page().o_TV_MainDragOver(db.Node("L13")));
        QVERIFY(!db.page().o_TV_MainDragOver(db.Node("L14")));
        db.page().o_TV_MainDragDrop(db.Node("L14"));
        QCOMPARE(db.model().Tree().Parent(db.Node("B")), kNoNode);
        db.page().o_TV_MainDragDrop(db.Node("L13"));
        QCOMPARE(db.model().Tree().Level(db.Node("A1")), 15);
        QVERIFY(o_TV_Main(w)->isExpanded(db.Find("L13"))); // the moved node is shown
    }

    // The pause between the sound and the move is no sleep: the click
    // returns at once with the sound played, the window goes on, and the
    // node moves afterwards. Another node chosen meanwhile drops the move.
    void upAndDownPauseWithoutStoppingTheWindow() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("a");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("b");
        db.Choose("b");
        db.folders.sounds->played.clear();
        QTest::mouseClick(b_Node_Up(w), Qt::LeftButton);
        QVERIFY(db.Played("S_Tab_Change_1"));
        QCOMPARE(db.Outline(), QString("a(1) b(1)")); // not yet
        QTRY_COMPARE(db.Outline(), QString("b(1) a(1)"));
        QCOMPARE(db.Selected(), QString("b"));

        QTest::mouseClick(b_Node_Down(w), Qt::LeftButton);
        db.Choose("a");
        QTest::qWait(2 * kMovePauseMs);
        QCOMPARE(db.Outline(), QString("b(1) a(1)"));
    }

    void moveToRootUpAndDown() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("F");
        db.Add("a");
        db.Add("b");
        db.Add("c");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("G");
        QCOMPARE(db.Outline(), QString("F(0)[a(1) b(1) c(1)] G(1)"));
        // Up and Down: the sound, then the move after a short pause.
        const auto click = [](QPushButton* button) {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::qWait(kMovePauseMs);
        };

        // Open folders stay open whatever moves around them.
        QVERIFY(o_TV_Main(w)->isExpanded(db.Find("F")));
        db.Choose("G");
        click(b_Node_Up(w));
        QCOMPARE(db.Outline(), QString("G(1) F(0)[a(1) b(1) c(1)]"));
        QVERIFY(o_TV_Main(w)->isExpanded(db.Find("F")));
        QVERIFY(!o_TV_Main(w)->isExpanded(db.Find("G")));
        click(b_Node_Down(w));
        QVERIFY(o_TV_Main(w)->isExpanded(db.Find("F")));

        db.Choose("b");
        click(b_Node_Down(w));
        QCOMPARE(db.Outline(), QString("F(0)[a(1) c(1) b(1)] G(1)"));
        click(b_Node_Down(w)); // the last sibling stays
        QCOMPARE(db.Outline(), QString("F(0)[a(1) c(1) b(1)] G(1)"));
        click(b_Node_Up(w));
        QCOMPARE(db.Outline(), QString("F(0)[a(1) b(1) c(1)] G(1)"));
        QCOMPARE(db.Selected(), QString("b"));
        QVERIFY(db.Played("S_Tab_Change_1"));

        // Up on a folder's first child: to the top of the root level.
        db.Choose("a");
        click(b_Node_Up(w));
        QCOMPARE(db.Outline(), QString("a(1) F(0)[b(1) c(1)] G(1)"));
        click(b_Node_Up(w)); // the first node of the tree stays
        QCOMPARE(db.Outline(), QString("a(1) F(0)[b(1) c(1)] G(1)"));

        // The context menu's move; the old parent's icon follows.
        db.Choose("b");
        menu_Move_Node_to_Root(w)->trigger();
        QVERIFY(db.LogEndsWith("Replaced to root: b"));
        QVERIFY(db.Played("S_Folder_Replaced_To_Root"));
        db.Choose("c");
        menu_Move_Node_to_Root(w)->trigger();
        QCOMPARE(db.Outline(), QString("a(1) F(1) G(1) b(1) c(1)"));
        db.folders.sounds->played.clear();
        const QString log = F_Message(w)->toPlainText();
        menu_Move_Node_to_Root(w)->trigger(); // a root node stays, silently
        QCOMPARE(F_Message(w)->toPlainText(), log);
        QVERIFY(!db.Played("S_Folder_Replaced_To_Root"));
        QCOMPARE(db.Outline(), QString("a(1) F(1) G(1) b(1) c(1)"));
    }

    void trashCan() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        const QString longName = QString(120, 'n');
        db.Add("Folder");
        db.Add("Sub");
        db.Add("Sub2");
        db.Choose("Sub");
        db.Add("Deep");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add(longName);
        db.Add("Bank");
        db.Choose("Bank");
        QTest::keyClicks(F_Password(w), "secret");
        db.Choose(longName);

        auto mime = std::make_unique<QMimeData>();
        mime->setData(kTreeNodeMimeType, "1");
        QVERIFY(db.page().i_Trash_CanDragOver(mime.get()));
        mime = std::make_unique<QMimeData>();
        mime->setText("Folder");
        QVERIFY(!db.page().i_Trash_CanDragOver(mime.get()));

        struct TCase {
            QString node;
            QString question;
            QStringList preview;
        };
        const TCase cases[] = {
            {"Folder",
             "All sub-folders of this folder also will be deleted! Deleted folder cannot be "
             "restored.\nYou want this folder to be deleted ?",
             {"Folder", "Sub"}},
            {"Bank",
             "Deleted record cannot be restored.\nYou want this record to be deleted ?",
             {"Bank"}},
            {"Sub2",
             "Deleted folder cannot be restored.\nYou want this folder to be deleted ?",
             {"Sub2"}},
        };
        for (const TCase& c : cases) {
            db.Choose(c.node);
            db.folders.sounds->played.clear();
            db.page().i_Trash_CanDragDrop();
            QVERIFY(!o_Panel_Warning(w)->isHidden());
            QVERIFY(!i_Trash_Can(w)->isEnabled());
            QCOMPARE(o_Panel_Warning(w)->width(), F_Note(w)->width() + 10);
            QCOMPARE(L_Warning(w)->text(), c.question);
            QStringList preview;
            for (QTreeWidgetItemIterator it(o_TV_Small(w)); *it; ++it) {
                preview << (*it)->text(0);
            }
            QCOMPARE(preview, c.preview);
            QCOMPARE(o_TV_Small(w)->currentItem(), o_TV_Small(w)->topLevelItem(0));
            QVERIFY(db.Played("S_Trash_Can_1"));
            QCOMPARE(L_Warning_Caption(w)->text(), QString("W a r n i n g  !"));

            // Cancel: nothing deleted, the trash can is back.
            const QPoint place = o_Panel_Warning(w)->pos();
            QTest::mouseClick(b_Dont_Delete_Folder(w), Qt::LeftButton);
            QVERIFY(o_Panel_Warning(w)->isHidden());
            QCOMPARE(o_Panel_Warning(w)->pos(), place);
            // A picture of it slides out instead, without holding the
            // window up, and is gone once out.
            QVERIFY(w.findChild<QLabel*>("o_Panel_Warning_Leaving") != nullptr);
            QTRY_VERIFY(w.findChild<QLabel*>("o_Panel_Warning_Leaving") == nullptr);
            QVERIFY(i_Trash_Can(w)->isEnabled());
            QCOMPARE(L_Warning(w)->text(), QString(" "));
            QVERIFY(!F_URL(w)->isHidden());
            QVERIFY(db.Played("S_B_Cancel_3"));
            QVERIFY(db.Find(c.node).isValid());
        }

        // Choosing another node while the warning is open backs out.
        db.Choose("Folder");
        db.page().i_Trash_CanDragDrop();
        db.Choose("Bank");
        QVERIFY(o_Panel_Warning(w)->isHidden());
        QVERIFY(i_Trash_Can(w)->isEnabled());
        QVERIFY(db.Find("Folder").isValid());
        QCOMPARE(F_Password(w)->text(), QString("secret"));

        // Delete a record; the log line names it.
        db.page().i_Trash_CanDragDrop();
        QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
        QVERIFY(!db.Find("Bank").isValid());
        QVERIFY(db.LogEndsWith("Record has been deleted: Bank"));
        QVERIFY(db.Alerted("Record has been deleted: Bank"));
        QVERIFY(db.Played("S_Delete"));
        QVERIFY(o_Panel_Warning(w)->isHidden());

        // A long name is cut to 100 characters in the log.
        db.Choose(longName);
        db.page().i_Trash_CanDragDrop();
        QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
        QVERIFY(db.LogEndsWith("Folder has been deleted: " + QString(100, 'n')));

        // The only child goes: its folder turns empty; the whole subtree goes.
        db.Choose("Sub");
        db.page().i_Trash_CanDragDrop();
        QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
        QCOMPARE(db.Outline(), QString("Folder(0)[Sub2(1)]"));
        db.Choose("Sub2");
        db.page().i_Trash_CanDragDrop();
        QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
        QCOMPARE(db.Outline(), QString("Folder(1)"));
        QCOMPARE(db.Selected(), QString("Folder"));
        QCOMPARE(db.model().Tree().NodeCount(), std::size_t(1));
    }

    void recordPanelEditsReachTheFileAndBack() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("Bank \u00e4");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("Mail");
        db.Add("Inbox");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("Empty");

        // The field limits.
        QCOMPARE(F_Login(w)->maxLength(), 255);
        QCOMPARE(F_Password(w)->maxLength(), 1024);
        QCOMPARE(F_EMail(w)->maxLength(), 255);
        QCOMPARE(F_URL(w)->maxLength(), 1024);

        const QStringList bank = {"  j\u00f6rg  ", " p\u00e4ss w\u20ac ", "jorg@example.org",
                                  "https://bank.example", "line one\n\u65e5\u672c\nline three"};
        db.Choose("Bank \u00e4");
        db.TypeRecord(bank[0], bank[1], bank[2], bank[3], bank[4].split('\n'));
        QCOMPARE(db.page().PendingEditNode(), db.Node("Bank \u00e4"));
        QVERIFY(o_Timer_SAVE_Database(w)->isActive());
        db.Choose("Inbox");
        QVERIFY(db.LogEndsWith("<< Bank \u00e4 >>  data changed."));
        QCOMPARE(db.page().PendingEditNode(), kNoNode);
        QCOMPARE(db.model().Tree().Icon(db.Node("Bank \u00e4")), kIconRecord);
        QCOMPARE(db.Fields(), QStringList({"", "", "", "", ""}));

        // The mouse entering the tree panel writes at once and masks.
        db.TypeRecord("in", "box", "", "", {});
        w.P_Password_Show(true);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(o_Panel_TV(w), &enter);
        QVERIFY(db.LogEndsWith("<< Inbox >>  data changed."));
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);

        // Clearing every field: the record becomes empty again.
        db.Choose("Bank \u00e4");
        const QStringList stored = {"j\u00f6rg", " p\u00e4ss w\u20ac ", "jorg@example.org",
                                    "https://bank.example", bank[4]};
        QCOMPARE(db.Fields(), stored);
        db.Choose("Empty");
        db.TypeRecord(" ", "", "", "", {" ", ""});
        db.Choose("Mail");
        QVERIFY(db.LogEndsWith("<< Empty >>  data cleared."));
        QCOMPARE(db.model().Tree().Icon(db.Node("Empty")), kIconEmpty);
        QVERIFY(!F_Login(w)->isEnabled()); // Mail holds Inbox

        // A pending edit is written before a save.
        db.Choose("Inbox");
        QTest::keyClicks(F_EMail(w), "in@example.org");
        w.P_Save_Folder_Data_to_Data_Folder_Pending();
        const QString before = db.Outline();

        TKeyMaterial keys;
        QVERIFY(KvDeriveKeyMaterial("correct horse battery", keys).empty());
        const std::string file =
            QDir(db.folders.workingFolder.path()).filePath("t.kvdb").toStdString();
        QVERIFY(SaveDatabaseFile(file, db.model().Tree(), keys).saved);
        TKeyvaleTree read;
        QCOMPARE(LoadDatabaseFile(file, keys, read).status, TDatabaseLoadStatus::Loaded);
        w.P_DEACTIVATE_Current_Database();
        QCOMPARE(db.Outline(), QString());
        db.Open(QString::fromStdString(file), "correct horse battery");
        QCOMPARE(db.Outline(), before);
        QCOMPARE(read.NodeCount(), db.model().Tree().NodeCount());
        db.Choose("Bank \u00e4");
        QCOMPARE(db.Fields(), stored);
        db.Choose("Inbox");
        QCOMPARE(db.Fields(), QStringList({"in", "box", "in@example.org", "", ""}));
    }

    void arrowKeysChooseNodes() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("A");
        o_TV_Main(w)->SelectNode(kNoNode);
        db.Add("B");
        db.Choose("A");
        F_Login(w)->insert("a");
        db.Choose("B");
        F_Login(w)->insert("b");
        QTest::keyClick(o_TV_Main(w), Qt::Key_Up);
        QCOMPARE(db.Selected(), QString("A"));
        QVERIFY(db.LogEndsWith("<< B >>  data changed."));
        QCOMPARE(F_Login(w)->text(), QString("a"));
        QTest::keyClick(o_TV_Main(w), Qt::Key_End);
        QCOMPARE(F_Login(w)->text(), QString("b"));
    }

    void noteLimitAndMask() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        db.Add("R");
        db.Choose("R");
        F_Note(w)->setPlainText(QString(9000, 'x'));
        QCOMPARE(F_Note(w)->toPlainText().size(), 8000);
        QCOMPARE(db.page().PendingEditNode(), db.Node("R"));

        // Button and label toggle one state.
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);
        QTest::mouseClick(b_Password_Show(w), Qt::LeftButton);
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Normal);
        QCOMPARE(b_Password_Show(w)->text(), QString(" Hide password"));
        QVERIFY(db.page().PasswordShown());
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(F_Folder_Name(w)->hasFocus());
        QTest::mouseClick(L_Password(w), Qt::LeftButton);
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);
        QCOMPARE(b_Password_Show(w)->text(), QString(" Show password"));
        QVERIFY(!db.page().PasswordShown());
        QCOMPARE(L_Password(w)->toolTip(), QString("   Click here to show your password   "));
        QTest::mouseClick(L_Password(w), Qt::LeftButton);
        QTest::mouseClick(b_Password_Show(w), Qt::LeftButton);
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);
    }

    void loginAndUrlLabels() {
        TOpenDatabase db;
        TFormMain& w = db.w();
        TUrlRecorder recorder;
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(scheme, &recorder, "open");
        }
        db.Add("bank.example");
        db.Choose("bank.example");

        QTest::mouseClick(L_Login(w), Qt::LeftButton);
        QCOMPARE(F_Login(w)->text(), QString("bank.example"));
        F_Login(w)->setText("me");
        QTest::mouseClick(L_Login(w), Qt::LeftButton);
        QCOMPARE(F_Login(w)->text(), QString("me"));

        // An empty URL takes the name, which is copied and opened.
        QTest::mouseClick(L_URL(w), Qt::LeftButton);
        QCOMPARE(F_URL(w)->text(), QString("bank.example"));
        QCOMPARE(QApplication::clipboard()->text(), QString("bank.example"));
        QVERIFY(
            F_Message(w)->toPlainText().contains(" --- Text copied to clipboard: \nbank.example"));
        QVERIFY(db.LogEndsWith("The clipboard will be cleared in 10 seconds, at 11:50:22."));
        QCOMPARE(recorder.opened, QList<QUrl>({QUrl("http://bank.example")}));
        QVERIFY(!F_URL(w)->hasSelectedText());

        // The clipboard gets the field as typed; one character is not opened.
        F_URL(w)->setText(" https://x.example/a b ");
        QTest::mouseClick(L_URL(w), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), QString(" https://x.example/a b "));
        QCOMPARE(recorder.opened.size(), 2);
        F_URL(w)->setText("x");
        QTest::mouseClick(L_URL(w), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), QString("x"));
        QCOMPARE(recorder.opened.size(), 2);

        // Hover styles only while the fields are enabled.
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(L_URL(w), &enter);
        QVERIFY(L_URL(w)->font().underline());
        QVERIFY(L_URL(w)->font().bold());
        QCoreApplication::sendEvent(L_URL(w), &leave);
        QVERIFY(!L_URL(w)->font().underline());
        QCoreApplication::sendEvent(L_Password(w), &enter);
        QVERIFY(L_Password(w)->font().underline());
        QCoreApplication::sendEvent(L_Password(w), &leave);

        db.Add("inner");
        db.Choose("bank.example"); // now a folder with content
        QVERIFY(!F_URL(w)->isEnabled());
        QVERIFY(!L_URL(w)->isEnabled());
        QCoreApplication::sendEvent(L_URL(w), &enter);
        QVERIFY(!L_URL(w)->font().underline());
        QTest::mouseClick(L_URL(w), Qt::LeftButton);
        QCOMPARE(recorder.opened.size(), 2);
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
};

KEYVALE_APP_TEST_MAIN(TestDatabaseTree)
#include "test_database_tree.moc"
