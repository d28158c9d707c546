// The record panel by keyboard and the ways a secret leaves it: every copy
// route goes through the secret clipboard; Tab walks out of the note to the
// buttons; Delete, Ctrl+S; and the log lines of a cut name and a refused drop.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Secret_Clipboard.h"
#include "U_Tree_Model.h"
#include "lifecycle_fixture.h"

namespace {

const QString kPassword = QStringLiteral("keys password");

// A window with "keys.kvdb" open: the record "Bank" (login "ann", password
// "s3cret!") saved, and chosen.
struct TKeysFixture {
    TLifecycleFixture life;
    std::unique_ptr<TFormMain> window = life.NewWindow();
    QString path = life.Path("keys.kvdb");

    TKeysFixture() {
        TFormMain& w = *window;
        QApplication::setActiveWindow(&w);
        CreateDatabase(w, path, kPassword);
        AddFolder(w, "Bank");
        Choose("Bank");
        QTest::keyClicks(F_Login(w), "ann");
        QTest::keyClicks(F_Password(w), "s3cret!");
        QVERIFY(w.P_Process_Save_Database_EVENT());
        Fire(*o_Timer_SAVE_BUTTON(w));
    }
    TFormMain& w() { return *window; }

    QModelIndex Find(const QString& name, const QModelIndex& parent = {}) {
        TKeyvaleTreeModel& model = *o_TV_Main_Model(w());
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            if (index.data().toString() == name) {
                return index;
            }
            if (QModelIndex inside = Find(name, index); inside.isValid()) {
                return inside;
            }
        }
        return {};
    }
    void Choose(const QString& name) {
        const QModelIndex index = Find(name);
        QVERIFY2(index.isValid(), qPrintable(name));
        if (o_TV_Main(w())->currentIndex() == index) {
            // A click on the chosen row would begin renaming it.
            page_Database_Content(w())->P_Process_User_Select_Node_EVENT();
            return;
        }
        o_TV_Main(w())->scrollTo(index);
        QTest::mouseClick(o_TV_Main(w())->viewport(), Qt::LeftButton, {},
                          o_TV_Main(w())->visualRect(index).center());
    }
    TRecordFields OnDisk(const QString& name) {
        TKeyvaleSession reader;
        TRecordFields fields;
        if (reader.Open(path.toStdString(), kPassword.toStdString()).Succeeded()) {
            const TKeyvaleTree& tree = reader.Tree();
            for (TNodeHandle n = tree.First(); n != kNoNode; n = tree.NextInPreOrder(n)) {
                if (tree.Text(n) == name.toStdString()) {
                    ReadFolderDataFromDataFolder(tree, n, fields);
                }
            }
        }
        return fields;
    }
};

// Opens the field's context menu as a right click does and chooses the entry
// with that object name.
void TriggerMenuEntry(QWidget* field, const QString& objectName) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, field->rect().center(),
                            field->mapToGlobal(field->rect().center()));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    for (QAction* action : menu->actions()) {
        if (action->objectName() == objectName && action->isEnabled()) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    menu->close();
    QFAIL(qPrintable("no enabled entry " + objectName));
}

bool MarkedSecret() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data != nullptr && data->data(TSecretClipboard::PasswordManagerHintType) ==
                                  TSecretClipboard::PasswordManagerHintValue;
}

} // namespace

class TestKeyboardAndCopies : public QObject {
    Q_OBJECT

  private slots:
    // Each way of copying from Login, Password (masked and shown) and a hash
    // box puts the secret on the clipboard marked secret and timed; Cut in a
    // shown field also takes the selection out of the record.
    void everyCopyRouteGoesThroughTheSecretClipboard() {
        TKeysFixture f;
        TFormMain& w = f.w();
        QTest::keyClicks(F_Hash_Argument(w), "calculator secret");
        const QString hash = F_KV_Hash_62(w)->toPlainText();
        QVERIFY(!hash.isEmpty());

        const auto keys = [](QKeySequence::StandardKey which) {
            return [which](QWidget* field) {
                const QKeySequence sequence(which);
                QTest::keySequence(field, sequence);
            };
        };
        const auto menu = [](const char* entry) {
            return [entry](QWidget* field) { TriggerMenuEntry(field, entry); };
        };
        struct Case {
            const char* route;
            QWidget* field;
            bool shown; // the password unmasked first
            std::function<void(QWidget*)> act;
            QString expected;
            QString leftInField; // Login or Password after the act
        };
        const Case cases[] = {
            {"Ctrl+C in Login", F_Login(w), false, keys(QKeySequence::Copy), "ann", "ann"},
            {"menu Copy in Login", F_Login(w), false, menu("edit-copy"), "ann", "ann"},
            {"Ctrl+C in masked Password", F_Password(w), false, keys(QKeySequence::Copy), "s3cret!",
             "s3cret!"},
            {"menu Copy in masked Password", F_Password(w), false, menu("edit-copy"), "s3cret!",
             "s3cret!"},
            {"Ctrl+C in shown Password", F_Password(w), true, keys(QKeySequence::Copy), "s3cret!",
             "s3cret!"},
            {"menu Copy in shown Password", F_Password(w), true, menu("edit-copy"), "s3cret!",
             "s3cret!"},
            {"Ctrl+X in shown Password", F_Password(w), true, keys(QKeySequence::Cut), "s3cret!",
             ""},
            {"menu Cut in Login", F_Login(w), false, menu("edit-cut"), "ann", ""},
            {"Ctrl+C in a hash box", F_KV_Hash_62(w), false, keys(QKeySequence::Copy), hash, {}},
        };
        for (const Case& c : cases) {
            f.Choose("Bank");
            w.P_Password_Show(c.shown);
            QApplication::clipboard()->clear();
            c.field->setFocus();
            if (auto* line = qobject_cast<QLineEdit*>(c.field)) {
                line->selectAll();
            }
            c.act(c.field);
            QVERIFY2(QApplication::clipboard()->text() == c.expected, c.route);
            QVERIFY2(MarkedSecret(), c.route);
            QVERIFY2(o_Clipboard(w)->HoldsOurs(), c.route);
            if (auto* line = qobject_cast<QLineEdit*>(c.field)) {
                QVERIFY2(line->text() == c.leftInField, c.route);
                line->setText(c.expected); // as it was, for the next case
            }
        }
    }

    // Tab from Login walks every field once, leaves the note and reaches
    // Show password, the trash can and Save; nothing is changed or logged as
    // changed. Ctrl+Tab types a tab into the note, which is saved.
    void tabWalksOutOfTheNoteToTheButtons() {
        TKeysFixture f;
        TFormMain& w = f.w();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        f.Choose("Bank");
        F_Message(w)->clear();
        F_Login(w)->setFocus();
        QWidgetList reached;
        for (int press = 0; press < 10; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget();
        }
        const int note = reached.indexOf(F_Note(w));
        QVERIFY(note >= 0);
        QVERIFY(reached.value(note + 1) != F_Note(w));
        for (QWidget* control : std::initializer_list<QWidget*>{b_Password_Show(w), i_Trash_Can(w),
                                                                b_Save_Database(w)}) {
            QVERIFY2(reached.contains(control), qPrintable(control->objectName()));
        }
        QVERIFY(F_Note(w)->toPlainText().isEmpty());
        f.Choose("Bank");
        QVERIFY(!o_Timer_SAVE_Database(w)->isActive()); // no change to save
        QVERIFY(!F_Message(w)->toPlainText().contains("data changed"));

        F_Note(w)->setFocus();
        QTest::keyClicks(F_Note(w), "a");
        QTest::keyClick(F_Note(w), Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClicks(F_Note(w), "b");
        QCOMPARE(F_Note(w)->toPlainText(), QString("a\tb"));
        QApplication::setActiveWindow(&w); // the desktop alerts may have taken it
        QTest::keyClick(F_Note(w), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.OnDisk("Bank").note, std::string("a\tb"));

        // Right after the save, Ctrl+S says why it waits instead of nothing.
        QTest::keyClick(F_Note(w), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(LastLine(F_Message(w))
                    .startsWith("The database was saved a moment ago. Save can "
                                "be used again in "));
    }

    // Delete on a tree node and on the trash can open the warning a drop on
    // the trash can opens; "Delete" deletes, and the file holds it.
    void deleteKeyOpensTheDeletionWarning() {
        for (const bool onTrashCan : {false, true}) {
            TKeysFixture f;
            TFormMain& w = f.w();
            AddFolder(w, "Old");
            f.Choose("Old");
            const std::string warning = DeletionWarningText(
                o_TV_Main_Model(w)->Tree(), page_Database_Content(w)->F_Selected_Node());
            QWidget* target = onTrashCan ? static_cast<QWidget*>(i_Trash_Can(w)) : o_TV_Main(w);
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Delete);
            QVERIFY(o_Panel_Warning(w)->isVisible());
            QCOMPARE(L_Warning(w)->text().toStdString(), warning);
            QCOMPARE(QApplication::focusWidget(), b_Dont_Delete_Folder(w));
            QTest::mouseClick(b_Delete_Folder(w), Qt::LeftButton);
            QVERIFY(w.P_Process_Save_Database_EVENT());
            QCOMPARE(NamesOnDisk(f.path, kPassword), std::string("Bank;"));
        }
    }

    // A paste cut to the name's limit, and a drop refused, each say so once.
    void cutNamesAndRefusedDropsAreLogged() {
        TKeysFixture f;
        TFormMain& w = f.w();
        f.Choose("Bank");
        o_TV_Main(w)->setFocus();
        QTest::keyClick(o_TV_Main(w), Qt::Key_F2);
        auto* editor = o_TV_Main(w)->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        QApplication::clipboard()->setText(QString(205010, QChar(u'x')));
        editor->selectAll();
        QTest::keySequence(editor, QKeySequence::Paste);
        QCOMPARE(editor->text().size(), 200);
        QTest::qWait(0); // the user's next key comes later
        QTest::keyClick(editor, Qt::Key_Return);
        const QString cut = "The pasted text is longer than the field allows: 200 of its 205010 "
                            "characters were kept.";
        QCOMPARE(F_Message(w)->toPlainText().count(cut), 1);

        // "Outer" holds "Inner": a folder onto its own child is refused.
        AddFolder(w, "Outer");
        f.Choose("Outer");
        AddFolder(w, "Inner");
        f.Choose("Outer");
        page_Database_Content(w)->o_TV_MainDragDrop(o_TV_Main_Model(w)->NodeOf(f.Find("Inner")));
        QCOMPARE(LastLine(F_Message(w)),
                 QString("[Outer] has not been moved: a folder cannot go into itself or its own "
                         "subtree."));
    }
};

KEYVALE_APP_TEST_MAIN(TestKeyboardAndCopies)
#include "test_keyboard_and_copies.moc"
