// The message logs: the time stamp in the user's locale, the two lines of
// each message, the welcome text's replacement, the highlighted last line and
// the desktop alert.
#include <QTextEdit>

#include "U_Desktop_Alert.h"
#include "U_Log_Time_Format.h"
#include "keyvale_app_test.h"

class TestMessageLog : public QObject {
    Q_OBJECT

    static TDesktopAlert* Alert() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* alert = qobject_cast<TDesktopAlert*>(top)) {
                return alert;
            }
        }
        return nullptr;
    }

  private slots:
    void timeStampFollowsLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("expected");
        QTest::newRow("24h, leading zero") << "de_DE" << QTime(9, 5, 7) << "09:05:07";
        QTest::newRow("12h, designator after") << "en_US" << QTime(21, 5, 7) << "9:05:07 PM";
        QTest::newRow("12h, midnight hour") << "en_US" << QTime(0, 10, 0) << "12:10:00 AM";
        QTest::newRow("12h, noon hour") << "en_US" << QTime(12, 0, 1) << "12:00:01 PM";
        QTest::newRow("12h, designator first")
            << "ko_KR" << QTime(21, 5, 7) << QString::fromUtf8("오후 9:05:07");
        QTest::newRow("24h, no leading zero") << "ja_JP" << QTime(9, 5, 7) << "9:05:07";
    }
    void timeStampFollowsLocale() {
        QFETCH(QString, locale);
        QFETCH(QTime, time);
        QFETCH(QString, expected);
        QCOMPARE(FormatLogTime(LogTimeFormatFromLocale(QLocale(locale)), time), expected);
    }

    void firstMessageReplacesWelcomeText() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        QVERIFY(page_Main_Password_Content(window)->WelcomeShown());

        window.P_Print_Message_2("A first message.", false);
        QCOMPARE(F_Message_2(window)->toPlainText(), QString("[11:50:12] --- A first message.\n "));
        QVERIFY(!page_Main_Password_Content(window)->WelcomeShown());
        QCOMPARE(F_Message_2(window)->document()->defaultTextOption().alignment(), Qt::AlignLeft);

        folders.now = QTime(11, 50, 13);
        window.P_Print_Message_2("A second one.", false);
        QCOMPARE(F_Message_2(window)->toPlainText(),
                 QString("[11:50:12] --- A first message.\n \n[11:50:13] --- A second one.\n "));
        // the line just added is the highlighted one
        QCOMPARE(F_Message_2(window)->textCursor().selectedText(),
                 QString("[11:50:13] --- A second one."));
    }

    void messageWithLineBreaksIsKeptAndSelectedWhole() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.P_Print_Message_2("first\nsecond", false);
        QCOMPARE(F_Message_2(window)->toPlainText(), QString("[11:50:12] --- first\nsecond\n "));
        QCOMPARE(F_Message_2(window)->textCursor().selectedText(),
                 QString("[11:50:12] --- first") + QChar::ParagraphSeparator + "second");
    }

    void logAddsTwoLinesPerMessage() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        F_Message(window)->clear();
        window.P_Print_Message("A new folder has been created.", false);
        window.P_Print_Message("<< x >>  data changed.", false);
        QCOMPARE(F_Message(window)->toPlainText().split('\n'),
                 QStringList({"[11:50:12] --- A new folder has been created.", " ",
                              "[11:50:12] --- << x >>  data changed.", " "}));
    }

    void desktopAlertCarriesTheStampAndClosesOnPageChange() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        window.P_Print_Message("Routine.", false);
        TDesktopAlert* alert = Alert();
        QVERIFY(alert);
        QVERIFY(!alert->isVisible());

        window.P_Print_Message_2("Error! Something the user must see.", true);
        QVERIFY(alert->isVisible());
        QCOMPARE(alert->HeaderText(), QString("[11:50:12]"));
        QCOMPARE(alert->MessageText(), QString("\nError! Something the user must see."));
        QCOMPARE(alert->size(), F_Message_2(window)->size());
        QCOMPARE(alert->pos(), window.frameGeometry().topLeft() + QPoint(6, 78));

        o_Page_Control(window)->setCurrentWidget(page_Settings(window));
        QVERIFY(!alert->isVisible());
    }

    void desktopAlertGoesByItself() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.P_Print_Message("Deleted.", true);
        TDesktopAlert* alert = Alert();
        QVERIFY(alert && alert->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!alert->isVisible(), 6000);
    }
};

KEYVALE_APP_TEST_MAIN(TestMessageLog)
#include "test_message_log.moc"
