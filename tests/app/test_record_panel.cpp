// The record panel on its own, without a window or a page: what it shows,
// the edit typed into it and when it reaches the tree, and the mask. Keys
// and clicks go to its widgets as the user's would.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Record_Panel.h"
#include "keyvale_app_test.h"

namespace {

// A tree of two records and a folder, and a panel on it.
struct TPanelOnTree {
    TKeyvaleTree tree;
    TNodeHandle bank = AddRecord("Bank", {"j\u00f6rg", "old", "", "", "first line"});
    TNodeHandle mail = AddRecord("Mail", {"me", "mailpw", "me@example.org", "", ""});
    TNodeHandle folder = tree.AddChild(kNoNode, "Folder", kIconFolder);
    TNodeHandle inside = AddRecord("Inside", {"x", "y", "", "", ""}, folder);
    QTemporaryDir settings;
    TRecordPanel panel{tree, settings.filePath("Keyvale.ini").toStdString()};

    TPanelOnTree() { panel.show(); }

    TNodeHandle AddRecord(const char* name, TRecordFields fields, TNodeHandle parent = kNoNode) {
        const TNodeHandle node = tree.AddChild(parent, name, kIconEmpty);
        TNodeHandle pending = node; // (the store consumes it)
        SaveFolderDataToDataFolder(tree, pending, fields);
        return node;
    }
    TRecordFields Stored(TNodeHandle node) const {
        TRecordFields fields;
        ReadFolderDataFromDataFolder(tree, node, fields);
        return fields;
    }
    void TypeAtEnd(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClicks(field, text);
    }
};

} // namespace

class TestRecordPanel : public QObject {
    Q_OBJECT

  private slots:
    // What the user types belongs to the record it was typed into and
    // reaches the tree once, whatever is shown next; what the program puts
    // into the fields is no edit.
    void anEditReachesTheRecordItWasTypedInto() {
        TPanelOnTree t;
        QSignalSpy edited(&t.panel, &TRecordPanel::edited);
        QSignalSpy stored(&t.panel, &TRecordPanel::recordStored);
        t.panel.ShowRecord(t.bank);
        QCOMPARE(F_Login(t.panel)->text(), QString("j\u00f6rg"));
        QVERIFY(F_Password(t.panel)->isEnabled());
        QCOMPARE(edited.count(), 0);

        t.TypeAtEnd(F_Password(t.panel), "X");
        t.TypeAtEnd(F_Note(t.panel), "");
        QTest::keyClick(F_Note(t.panel), Qt::Key_Return);
        QTest::keyClicks(F_Note(t.panel), "second");
        QVERIFY(edited.count() > 0);
        QCOMPARE(t.panel.PendingEditNode(), t.bank);

        // Showing another record, without being told to store first.
        const int edits = edited.count();
        t.panel.ShowRecord(t.mail);
        QCOMPARE(stored.count(), 1);
        QCOMPARE(stored[0][0].value<TNodeHandle>(), t.bank);
        const TRecordFields bank = t.Stored(t.bank);
        QCOMPARE(bank.password, std::string("oldX"));
        QCOMPARE(bank.note, std::string("first line\nsecond"));
        QCOMPARE(bank.login, std::string("j\u00f6rg"));
        QCOMPARE(t.panel.PendingEditNode(), kNoNode);
        QCOMPARE(edited.count(), edits);
        // Ctrl+Z brings back nothing of the record left.
        F_Password(t.panel)->setFocus();
        QTest::keyClick(F_Password(t.panel), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F_Password(t.panel)->text(), QString("mailpw"));
        t.panel.StorePendingEdit();
        QCOMPARE(stored.count(), 1);

        // A folder's fields take no input.
        t.panel.ShowRecord(t.folder);
        QVERIFY(!F_Login(t.panel)->isEnabled());
        QVERIFY(F_Login(t.panel)->text().isEmpty());

        // Clear forgets an edit unstored (the database is going).
        t.panel.ShowRecord(t.mail);
        t.TypeAtEnd(F_EMail(t.panel), "m");
        t.panel.Clear();
        QCOMPARE(t.panel.PendingEditNode(), kNoNode);
        QCOMPARE(t.panel.ShownNode(), kNoNode);
        t.panel.StorePendingEdit();
        t.panel.ShowRecord(t.bank);
        QCOMPARE(t.Stored(t.mail).email, std::string("me@example.org"));
        QCOMPARE(stored.count(), 1);
    }

    // The eye and the "Password" caption toggle one mask; a masked password
    // is copied whole and stays masked; leaving the record masks it and
    // stores the edit.
    void theMaskHoldsUntilTheUserLifts() {
        TPanelOnTree t;
        QSignalSpy eye(&t.panel, &TRecordPanel::eyeClicked);
        QSignalSpy copied(&t.panel, &TRecordPanel::secretCopyRequested);
        QSignalSpy stored(&t.panel, &TRecordPanel::recordStored);
        t.panel.ShowRecord(t.bank);
        QLineEdit* password = F_Password(t.panel);
        QCOMPARE(password->echoMode(), QLineEdit::Password);

        QTest::mouseClick(b_Password_Show(t.panel), Qt::LeftButton);
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        QVERIFY(t.panel.PasswordShown());
        QCOMPARE(b_Password_Show(t.panel)->accessibleName(), QString("Hide password"));
        QCOMPARE(eye.count(), 1);
        QTest::mouseClick(L_Password(t.panel), Qt::LeftButton);
        QCOMPARE(password->echoMode(), QLineEdit::Password);

        password->setFocus();
        password->setSelection(0, 1);
        QTest::keyClick(password, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(copied.count(), 1);
        QCOMPARE(copied[0][0].toString(), QString("old"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);

        t.panel.ShowPassword(true);
        t.TypeAtEnd(password, "2");
        t.panel.Leave();
        QVERIFY(!t.panel.PasswordShown());
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(stored.count(), 1);
        QCOMPARE(QString::fromStdString(t.Stored(t.bank).password), QString("old2"));
    }
};

KEYVALE_APP_TEST_MAIN(TestRecordPanel)
#include "test_record_panel.moc"
