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
        window_->o_Page_Control->setCurrentWidget(window_->page_Settings);
    }
    void cleanup() {
        delete window_;
        delete folders_;
    }

    void lengthListHoldsTenToAThousand() {
        QCOMPARE(window_->F_Hash_Length->count(), 991);
        QCOMPARE(window_->F_Hash_Length->itemText(0), QString("10"));
        QCOMPARE(window_->F_Hash_Length->itemText(990), QString("1000"));
        QCOMPARE(window_->F_Hash_Length->currentText(), QString("30"));
        QCOMPARE(window_->F_Hash_Length->lineEdit()->maxLength(), 4);
        QCOMPARE(window_->F_Hash_Argument->maxLength(), 1024);
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
        window_->F_Hash_Length->setFocus();
        window_->F_Hash_Length->lineEdit()->selectAll();
        QTest::keyClicks(window_->F_Hash_Length, "40");
        QTest::keyClick(window_->F_Hash_Length, Qt::Key_Return);
        window_->F_Message->clear();
        window_->F_Hash_Argument->setText("correct horse battery staple");

        window_->F_Hash_Length->lineEdit()->selectAll();
        if (typed.isEmpty()) {
            QTest::keyClick(window_->F_Hash_Length, Qt::Key_Delete);
        } else {
            QTest::keyClicks(window_->F_Hash_Length, typed);
        }
        QCOMPARE(window_->F_Hash_Length->currentText(), typed); // nothing judged yet
        QTest::keyClick(window_->F_Hash_Length, Qt::Key_Return);
        QCOMPARE(window_->F_Hash_Length->currentText(), kept);
        const THashForms expected = ExpectedForms("correct horse battery staple", formLength);
        QCOMPARE(window_->F_KV_Hash_62->toPlainText(), expected.h62);
        QCOMPARE(window_->F_KV_Hash_64->toPlainText(), expected.h64);
        QCOMPARE(window_->F_KV_Hash_90->toPlainText(), expected.h90);
        QCOMPARE(window_->F_KV_Hash_90->toPlainText().size(), formLength);
        QCOMPARE(window_->F_Message->toPlainText().contains("The length stays 40."), kept != typed);
    }

    void lengthIsJudgedWhenTheFocusLeaves() {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        window_->F_Hash_Length->setFocus();
        window_->F_Hash_Length->lineEdit()->selectAll();
        QTest::keyClicks(window_->F_Hash_Length, "2000"); // four characters fit
        window_->F_Hash_Argument->setFocus();
        QCOMPARE(window_->F_Hash_Length->currentText(), QString("30"));
        QVERIFY(window_->F_Message->toPlainText().contains("from 10 to 1000"));
    }

    void resultsFollowEveryKeystroke() {
        QTest::keyClicks(window_->F_Hash_Argument, "pass phrase");
        const THashForms expected = ExpectedForms("pass phrase", 30);
        QCOMPARE(window_->F_KV_Hash_62->toPlainText(), expected.h62);
        QCOMPARE(window_->F_KV_Hash_64->toPlainText(), expected.h64);
        QCOMPARE(window_->F_KV_Hash_90->toPlainText(), expected.h90);
        QVERIFY(expected.h62 != expected.h64);

        QTest::keyClick(window_->F_Hash_Argument, Qt::Key_Backspace);
        QCOMPARE(window_->F_KV_Hash_62->toPlainText(), ExpectedForms("pass phras", 30).h62);
    }

    void argumentIsHashedAsUtf8Bytes() {
        window_->F_Hash_Argument->setText(QString::fromUtf8("Grüße"));
        QCOMPARE(window_->F_KV_Hash_90->toPlainText(),
                 ExpectedForms(QString::fromUtf8("Grüße"), 30).h90);
    }

    void argumentOfTheFullLengthIsHashedWhole() {
        const QString longest(1024, QChar('k'));
        window_->F_Hash_Argument->setText(longest + "overflow");
        QCOMPARE(window_->F_Hash_Argument->text(), longest);
        window_->F_Hash_Length->setEditText("1000");
        QCOMPARE(window_->F_KV_Hash_62->toPlainText(), ExpectedForms(longest, 1000).h62);
    }

    void emptyArgumentOrEmptyLengthEmptiesTheResults() {
        window_->F_Hash_Argument->setText("abc");
        QVERIFY(!window_->F_KV_Hash_62->toPlainText().isEmpty());
        window_->F_Hash_Length->setEditText("");
        QCOMPARE(window_->F_Hash_Length->currentText(), QString("")); // accepted as it is
        QVERIFY(window_->F_KV_Hash_62->toPlainText().isEmpty());
        QVERIFY(window_->F_KV_Hash_64->toPlainText().isEmpty());
        QVERIFY(window_->F_KV_Hash_90->toPlainText().isEmpty());

        window_->F_Hash_Length->setEditText("40");
        QCOMPARE(window_->F_KV_Hash_64->toPlainText().size(), 40);
        window_->F_Hash_Argument->clear();
        QVERIFY(window_->F_KV_Hash_62->toPlainText().isEmpty());
        QVERIFY(window_->F_KV_Hash_64->toPlainText().isEmpty());
        QVERIFY(window_->F_KV_Hash_90->toPlainText().isEmpty());
    }

    void clickCopiesAFilledResultOnly() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("untouched");
        QTest::mouseClick(window_->F_KV_Hash_62->viewport(), Qt::LeftButton);
        QCOMPARE(clipboard->text(), QString("untouched"));

        window_->F_Hash_Argument->setText("abc");
        for (QPlainTextEdit* box :
             {window_->F_KV_Hash_62, window_->F_KV_Hash_64, window_->F_KV_Hash_90}) {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
            QCOMPARE(clipboard->text(), box->toPlainText());
        }
        QVERIFY(folders_->sounds->played.size() == 1); // only the page change was heard
    }

    void argumentIsMaskedAgainOnAnotherPage() {
        QLineEdit* argument = window_->F_Hash_Argument;
        QCOMPARE(argument->echoMode(), QLineEdit::Password);
        QCOMPARE(
            argument->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, argument),
            int('*'));
        QCOMPARE(window_->i_Hash_Argument->toolTip(),
                 QString("   Click here to show your string   "));

        QTest::mouseClick(window_->i_Hash_Argument, Qt::LeftButton);
        QCOMPARE(argument->echoMode(), QLineEdit::Normal);
        QCOMPARE(TFormMain::Tag(window_->i_Hash_Argument), 1);
        QCOMPARE(window_->i_Hash_Argument->toolTip(),
                 QString("   Click here to hide your string   "));
        QCOMPARE(window_->i_Hash_Argument->PictureName(), QString("eye_open"));

        window_->o_Page_Control->setCurrentWidget(window_->page_About_Program);
        window_->o_Page_Control->setCurrentWidget(window_->page_Settings);
        QCOMPARE(argument->echoMode(), QLineEdit::Password);

        // A screen reader sees the toggle as a button and can press it.
        QAccessibleInterface* toggle =
            QAccessible::queryAccessibleInterface(window_->i_Hash_Argument);
        QVERIFY(toggle);
        QCOMPARE(toggle->role(), QAccessible::Button);
        QCOMPARE(toggle->text(QAccessible::Name), QString("Click here to show your string"));
        toggle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(argument->echoMode(), QLineEdit::Normal);
        toggle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(TFormMain::Tag(window_->i_Hash_Argument), 0);
        QCOMPARE(window_->i_Hash_Argument->PictureName(), QString("eye_closed"));
    }
};

KEYVALE_APP_TEST_MAIN(TestCalculator)
#include "test_calculator.moc"
