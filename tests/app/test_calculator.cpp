// The KV hash calculator on the Settings page: the length field's rule, the
// results following the argument, the copy to the clipboard and the masking.
#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>

#include <functional>
#include <string>

#include "U_KV_Hash_Standard_01.h"
#include "U_Picture.h"
#include "keyvale_app_test.h"

namespace {

struct THashForms {
    QString h62, h64, h90;
};

THashForms ExpectedForms(const QString& argument, int length) {
    std::string h62, h64, h90;
    KvHashText(argument.toUtf8().toStdString(), static_cast<std::uint16_t>(length), h62, h64, h90);
    return {QString::fromStdString(h62), QString::fromStdString(h64), QString::fromStdString(h90)};
}

} // namespace

class TestCalculator : public QObject {
    Q_OBJECT

    TTestWindowFolders* folders_ = nullptr;
    TFormMain* window_ = nullptr;

  private slots:
    void init() {
        folders_ = new TTestWindowFolders;
        window_ = new TFormMain(folders_->Services());
        window_->show();
        o_Page_Control(*window_)->setCurrentWidget(page_Settings(*window_));
    }
    void cleanup() {
        delete window_;
        delete folders_;
    }

    void lengthListHoldsTenToAThousand() {
        QCOMPARE(F_Hash_Length(*window_)->count(), 991);
        QCOMPARE(F_Hash_Length(*window_)->itemText(0), QString("10"));
        QCOMPARE(F_Hash_Length(*window_)->itemText(990), QString("1000"));
        QCOMPARE(F_Hash_Length(*window_)->currentText(), QString("30"));
        QCOMPARE(F_Hash_Length(*window_)->lineEdit()->maxLength(), 4);
        QCOMPARE(F_Hash_Argument(*window_)->maxLength(), 1024);
    }

    void typedLengthIsTakenWhenComplete_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("formLength");
        QTest::newRow("below range") << "9"
                                     << "40" << 40;
        QTest::newRow("above range") << "1001"
                                     << "40" << 40;
        QTest::newRow("letters") << "x"
                                 << "40" << 40;
        QTest::newRow("trailing blank") << "50 "
                                        << "40" << 40;
        QTest::newRow("emptied") << ""
                                 << "40" << 40;
        QTest::newRow("leading zeros kept") << "0050"
                                            << "0050" << 50;
        QTest::newRow("lowest") << "10"
                                << "10" << 10;
        QTest::newRow("highest") << "1000"
                                 << "1000" << 1000;
        // No completion from the list: "100" is not 1000 on the way, and a
        // digit that begins other items stays what it is.
        QTest::newRow("hundred") << "100"
                                 << "100" << 100;
        QTest::newRow("five is not fifty") << "5"
                                           << "40" << 40;
        QTest::newRow("one is not ten") << "1"
                                        << "40" << 40;
    }
    void typedLengthIsTakenWhenComplete() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, formLength);
        // 40 was taken before; each case types over it and presses Enter.
        F_Hash_Length(*window_)->setFocus();
        F_Hash_Length(*window_)->lineEdit()->selectAll();
        QTest::keyClicks(F_Hash_Length(*window_), "40");
        QTest::keyClick(F_Hash_Length(*window_), Qt::Key_Return);
        F_Message(*window_)->clear();
        F_Hash_Argument(*window_)->setText("correct horse battery staple");

        F_Hash_Length(*window_)->lineEdit()->selectAll();
        if (typed.isEmpty()) {
            QTest::keyClick(F_Hash_Length(*window_), Qt::Key_Delete);
        } else {
            QTest::keyClicks(F_Hash_Length(*window_), typed);
        }
        QCOMPARE(F_Hash_Length(*window_)->currentText(), typed); // nothing judged yet
        QTest::keyClick(F_Hash_Length(*window_), Qt::Key_Return);
        QCOMPARE(F_Hash_Length(*window_)->currentText(), kept);
        const THashForms expected = ExpectedForms("correct horse battery staple", formLength);
        QCOMPARE(F_KV_Hash_62(*window_)->toPlainText(), expected.h62);
        QCOMPARE(F_KV_Hash_64(*window_)->toPlainText(), expected.h64);
        QCOMPARE(F_KV_Hash_90(*window_)->toPlainText(), expected.h90);
        QCOMPARE(F_KV_Hash_90(*window_)->toPlainText().size(), formLength);
        QCOMPARE(F_Message(*window_)->toPlainText().contains("The length stays 40."),
                 kept != typed);
    }

    void lengthIsJudgedWhenTheFocusLeaves() {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        F_Hash_Length(*window_)->setFocus();
        F_Hash_Length(*window_)->lineEdit()->selectAll();
        QTest::keyClicks(F_Hash_Length(*window_), "2000"); // four characters fit
        F_Hash_Argument(*window_)->setFocus();
        QCOMPARE(F_Hash_Length(*window_)->currentText(), QString("30"));
        QVERIFY(F_Message(*window_)->toPlainText().contains("from 10 to 1000"));
    }

    void resultsFollowEveryKeystroke() {
        QTest::keyClicks(F_Hash_Argument(*window_), "pass phrase");
        const THashForms expected = ExpectedForms("pass phrase", 30);
        QCOMPARE(F_KV_Hash_62(*window_)->toPlainText(), expected.h62);
        QCOMPARE(F_KV_Hash_64(*window_)->toPlainText(), expected.h64);
        QCOMPARE(F_KV_Hash_90(*window_)->toPlainText(), expected.h90);
        QVERIFY(expected.h62 != expected.h64);

        QTest::keyClick(F_Hash_Argument(*window_), Qt::Key_Backspace);
        QCOMPARE(F_KV_Hash_62(*window_)->toPlainText(), ExpectedForms("pass phras", 30).h62);
    }

    void argumentIsHashedAsUtf8Bytes() {
        F_Hash_Argument(*window_)->setText(QString::fromUtf8("Grüße"));
        QCOMPARE(F_KV_Hash_90(*window_)->toPlainText(),
                 ExpectedForms(QString::fromUtf8("Grüße"), 30).h90);
    }

    void argumentOfTheFullLengthIsHashedWhole() {
        const QString longest(1024, QChar('k'));
        F_Hash_Argument(*window_)->setText(longest + "overflow");
        QCOMPARE(F_Hash_Argument(*window_)->text(), longest);
        F_Hash_Length(*window_)->setEditText("1000");
        QCOMPARE(F_KV_Hash_62(*window_)->toPlainText(), ExpectedForms(longest, 1000).h62);
    }

    void emptyArgumentOrEmptyLengthEmptiesTheResults() {
        F_Hash_Argument(*window_)->setText("abc");
        QVERIFY(!F_KV_Hash_62(*window_)->toPlainText().isEmpty());
        F_Hash_Length(*window_)->setEditText("");
        QCOMPARE(F_Hash_Length(*window_)->currentText(), QString("")); // accepted as it is
        QVERIFY(F_KV_Hash_62(*window_)->toPlainText().isEmpty());
        QVERIFY(F_KV_Hash_64(*window_)->toPlainText().isEmpty());
        QVERIFY(F_KV_Hash_90(*window_)->toPlainText().isEmpty());

        F_Hash_Length(*window_)->setEditText("40");
        QCOMPARE(F_KV_Hash_64(*window_)->toPlainText().size(), 40);
        F_Hash_Argument(*window_)->clear();
        QVERIFY(F_KV_Hash_62(*window_)->toPlainText().isEmpty());
        QVERIFY(F_KV_Hash_64(*window_)->toPlainText().isEmpty());
        QVERIFY(F_KV_Hash_90(*window_)->toPlainText().isEmpty());
    }

    void clickCopiesAFilledResultOnly() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("untouched");
        QTest::mouseClick(F_KV_Hash_62(*window_)->viewport(), Qt::LeftButton);
        QCOMPARE(clipboard->text(), QString("untouched"));

        F_Hash_Argument(*window_)->setText("abc");
        for (QPlainTextEdit* box :
             {F_KV_Hash_62(*window_), F_KV_Hash_64(*window_), F_KV_Hash_90(*window_)}) {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
            QCOMPARE(clipboard->text(), box->toPlainText());
        }
        QVERIFY(folders_->sounds->played.size() == 1); // only the page change was heard
    }

    // Each answer of the page shows on the page, where the user is, and
    // stays in the Database page's log as well.
    void messagesShowOnThePage() {
        const struct {
            const char* action;
            std::function<void(TFormMain&)> act;
            QString message;
        } cases[] = {
            {"a refused length",
             [](TFormMain& w) {
                 F_Hash_Length(w)->lineEdit()->selectAll();
                 QTest::keyClicks(F_Hash_Length(w), "5");
                 QTest::keyClick(F_Hash_Length(w), Qt::Key_Return);
             },
             "Error! The hash length must be a whole number from 10 to 1000. The length stays "
             "30."},
            {"a copied hash",
             [](TFormMain& w) {
                 F_Hash_Argument(w)->setText("abc");
                 QTest::mouseClick(F_KV_Hash_64(w)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
             },
             "The clipboard will be cleared in 10 seconds, at 11:50:22."},
            {"a paste cut to the limit",
             [](TFormMain& w) {
                 QGuiApplication::clipboard()->setText(QString(2000, QChar('p')));
                 F_Hash_Argument(w)->clear();
                 QTest::keySequence(F_Hash_Argument(w), QKeySequence::Paste);
                 QTest::qWait(0); // the cut is reported once the paste is done
             },
             "The pasted text is longer than the field allows: 1024 of its 2000 characters were "
             "kept."},
        };
        QLabel* line = L_Settings_Message(*window_);
        QVERIFY(!line->isVisible()); // nothing said yet
        for (const auto& c : cases) {
            F_Message(*window_)->clear();
            c.act(*window_);
            QVERIFY2(line->isVisible() && !line->visibleRegion().isEmpty(), c.action);
            QCOMPARE(line->text(), "[" + QString("11:50:12") + "] " + c.message);
            QVERIFY2(F_Message(*window_)->toPlainText().contains(c.message), c.action);
        }
    }

    void argumentIsMaskedAgainOnAnotherPage() {
        QLineEdit* argument = F_Hash_Argument(*window_);
        QCOMPARE(argument->echoMode(), QLineEdit::Password);
        QCOMPARE(
            argument->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, argument),
            int('*'));
        QCOMPARE(i_Hash_Argument(*window_)->toolTip(),
                 QString("   Click here to show your string   "));

        QTest::mouseClick(i_Hash_Argument(*window_), Qt::LeftButton);
        QCOMPARE(argument->echoMode(), QLineEdit::Normal);
        QCOMPARE(i_Hash_Argument(*window_)->toolTip(),
                 QString("   Click here to hide your string   "));
        QCOMPARE(i_Hash_Argument(*window_)->PictureName(), QString("eye_open"));

        o_Page_Control(*window_)->setCurrentWidget(page_About_Program(*window_));
        o_Page_Control(*window_)->setCurrentWidget(page_Settings(*window_));
        QCOMPARE(argument->echoMode(), QLineEdit::Password);

        // A screen reader sees the toggle as a button and can press it.
        QAccessibleInterface* toggle =
            QAccessible::queryAccessibleInterface(i_Hash_Argument(*window_));
        QVERIFY(toggle);
        QCOMPARE(toggle->role(), QAccessible::Button);
        QCOMPARE(toggle->text(QAccessible::Name), QString("Click here to show your string"));
        toggle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(argument->echoMode(), QLineEdit::Normal);
        toggle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(i_Hash_Argument(*window_)->PictureName(), QString("eye_closed"));
    }
};

KEYVALE_APP_TEST_MAIN(TestCalculator)
#include "test_calculator.moc"
