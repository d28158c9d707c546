// The main window: its state right after start-up, the list of database
// files and the start hint, page switching, the close sequence, and the names
// and tab order that tests and screen readers rely on.
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWheelEvent>

#include "U_Picture.h"
#include "keyvale_app_test.h"

namespace {

void TouchFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList ItemTexts(const QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        texts << tree->topLevelItem(i)->text(0);
    }
    return texts;
}

} // namespace

class TestFormMain : public QObject {
    Q_OBJECT

  private slots:
    void startUpState() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();

        QCOMPARE(window.windowTitle(), QString("Keyvale (version 2.3)"));
        QCOMPARE(window.frameGeometry().size(), QSize(1300, 920));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QCOMPARE(o_Page_Control(window)->currentWidget(), page_Main_Password(window));

        QStringList captions;
        for (int i = 0; i < o_Page_Control(window)->count(); ++i) {
            captions << o_Page_Control(window)->tabText(i);
            QVERIFY(!o_Page_Control(window)->tabIcon(i).isNull());
        }
        QCOMPARE(captions, QStringList({"Main password", "Database", "Settings", "About program",
                                        "E x i t"}));

        // The welcome text, centred, marked by the tag.
        QCOMPARE(F_Message_2(window)->toPlainText(),
                 QString("\n\n\n Welcome to \"Keyvale\" program !\n\n"
                         "Choose your database (file with << kvdb >> extension)  \n"
                         "    and enter a main password to open it, or create a new database."));
        QCOMPARE(F_Message_2(window)->document()->defaultTextOption().alignment(),
                 Qt::AlignHCenter);
        QVERIFY(page_Main_Password_Content(window)->WelcomeShown());

        // No database: the Database page shows only its log, with the notice.
        QVERIFY(window.DatabaseFile().isEmpty());
        QVERIFY(o_Panel_Big(window)->isHidden());
        QVERIFY(F_Message(window)->toPlainText().contains(
            "You have not any database opened or created."));
        QCOMPARE(page_Database_Content(window)->PendingEditNode(), kNoNode);
        QVERIFY(!o_TV_Main(window)->isEnabled());
        QVERIFY(!F_Login(window)->isEnabled());

        // Typed secrets start masked.
        QCOMPARE(F_Hash_Argument(window)->echoMode(), QLineEdit::Password);
        QCOMPARE(F_MP1(window)->echoMode(), QLineEdit::Password);
        QCOMPARE(F_Password(window)->echoMode(), QLineEdit::Password);

        // The working folder ends in exactly one separator.
        const auto* watcher = window.findChild<QFileSystemWatcher*>("o_Directory_Watcher");
        QVERIFY(watcher);
        QCOMPARE(watcher->directories(), QStringList{folders.workingFolder.path() + "/"});
        QVERIFY(folders.sounds->played.isEmpty());
    }

    // Each timer belongs to the part it works for, found there by its name.
    void timersBelongToTheirPages() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        struct TOwned {
            QWidget* owner;
            const char* timer;
            int interval;
        };
        for (const TOwned& owned :
             {TOwned{page_Main_Password_Content(window), "o_Timer_Hint", 2000},
              TOwned{page_Main_Password_Content(window), "o_Timer_Enter_Button", 1500},
              TOwned{page_Database_Content(window), "o_Timer_SAVE_BUTTON", 10000},
              TOwned{&window, "o_Timer_SAVE_Database", 60000},
              TOwned{&window, "o_Timer_Idle_Lock", 5000}}) {
            const auto* timer =
                owned.owner->findChild<QTimer*>(owned.timer, Qt::FindDirectChildrenOnly);
            QVERIFY2(timer, owned.timer);
            QCOMPARE(timer->interval(), owned.interval);
        }
    }

    void fileListShowsDatabaseFilesOfTheWorkingFolder() {
        TTestWindowFolders folders;
        const QDir work(folders.workingFolder.path());
        TouchFile(work.filePath("b.kvdb"));
        TouchFile(work.filePath("A.KVDB"));
        TouchFile(work.filePath("notes.txt"));
        TFormMain window(folders.Services());

        QVERIFY(o_TV_Files(window)->isEnabled());
        QCOMPARE(ItemTexts(o_TV_Files(window)), QStringList({"A.KVDB", "b.kvdb"}));

        // With files to choose from the hint never plays.
        page_Main_Password_Content(window)->o_Timer_HintTimer();
        QVERIFY(!o_Timer_Hint(window)->isActive());
        page_Main_Password_Content(window)->o_Timer_HintTimer();
        QVERIFY(!i_Hint_1(window)->isVisible());
    }

    void hintPlaysOnceWhenTheFolderHasNoDatabase() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!o_TV_Files(window)->isEnabled());
        QCOMPARE(ItemTexts(o_TV_Files(window)),
                 QStringList({"No files found in current directory"}));
        QVERIFY(o_Timer_Hint(window)->isActive());
        QCOMPARE(o_Timer_Hint(window)->interval(), 2000);

        page_Main_Password_Content(window)->o_Timer_HintTimer();
        QVERIFY(o_Timer_Hint(window)->isActive()); // the first tick only counts

        // The arrow must be seen moving: record its positions as it rises.
        QList<int> tops;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            if (i_Hint_1(window)->isVisible()) {
                tops << i_Hint_1(window)->y();
            }
        });
        watcher.start(0);
        page_Main_Password_Content(window)->o_Timer_HintTimer();
        QVERIFY(!o_Timer_Hint(window)->isActive());
        QVERIFY(i_Hint_1(window)->isVisible()); // rising, while the window goes on
        QTRY_VERIFY(!i_Hint_1(window)->isVisible());
        watcher.stop();
        QVERIFY2(tops.size() > 5, "the arrow did not move");
        QVERIFY(tops.first() > tops.last());
        // it stops two arrow heights below the picture it points at
        const int imageTop = i_Open_File(window)->mapTo(page_Main_Password(window), QPoint()).y();
        QVERIFY(tops.last() >= imageTop + 2 * i_Hint_1(window)->height() - 2);
    }

    void pageChangePlaysItsSoundAndMasksTheCalculator() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();

        o_Page_Control(window)->setCurrentWidget(page_Settings(window));
        i_Hash_Argument(window)->Click();
        QCOMPARE(F_Hash_Argument(window)->echoMode(), QLineEdit::Normal);

        o_Page_Control(window)->setCurrentWidget(page_Database(window));
        QCOMPARE(F_Hash_Argument(window)->echoMode(), QLineEdit::Password);
        QCOMPARE(o_Page_Control(window)->currentWidget()->objectName(), QString("page_Database"));
        QCOMPARE(o_Panel_Top(window)->height(), F_Message_2(window)->height());
        QCOMPARE(folders.sounds->played,
                 QStringList({"qrc:/sounds/S_Tab_Change_1.wav", "qrc:/sounds/S_Tab_Change_1.wav"}));

        // Without an open database the create picture shows, not the change one.
        o_Page_Control(window)->setCurrentWidget(page_Main_Password(window));
        QVERIFY(i_Main_Password_1(window)->isVisible());
        QVERIFY(!i_Change_Main_Password(window)->isVisible());
    }

    void exitPageClosesTheWindowAndWritesTheSettings() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        F_Hash_Length(window)->setEditText("64");

        o_Page_Control(window)->setCurrentWidget(page_Exit(window));
        QVERIFY(!window.isVisible());
        QVERIFY(folders.IniText().contains("HL=64"));
        // the save at exit reports that no database is open
        QVERIFY(F_Message(window)->toPlainText().contains(
            "Error! Cannot save database because the name of the database file is empty!"));
        QVERIFY(!b_Save_Database(window)->isEnabled());
    }

    // The password panel slides in without holding the window: it is there
    // at once, arrives at its place, and a panel hidden in mid-slide (or a
    // window closed then) leaves nothing out of place for the next time.
    void passwordPanelSlidesWithoutHoldingTheWindow() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* panel = window.findChild<QFrame*>("o_MP");
        QVERIFY(panel);

        window.P_MP_Panel_Show(true);
        QVERIFY(panel->isVisible());
        const QPoint place = panel->pos() - QPoint(0, TPageMainPassword::SlideDistance);
        QTRY_COMPARE(panel->pos(), place);

        window.P_MP_Panel_Show(true);
        QVERIFY(panel->pos() != place);
        window.P_MP_Panel_Show(false);
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->pos(), place);
        QVERIFY2(window.findChild<QLabel*>("o_MP_Leaving"), "its picture slides out");
        QTRY_VERIFY(!window.findChild<QLabel*>("o_MP_Leaving"));

        window.P_MP_Panel_Show(true);
        QTRY_COMPARE(panel->pos(), place);
        window.P_MP_Panel_Show(true);
        window.close();
        QVERIFY(!window.isVisible());
    }

    void everyNamedControlIsReadable() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        const char* const names[] = {"o_Page_Control",
                                     "page_Main_Password",
                                     "page_Database",
                                     "page_Settings",
                                     "page_About_Program",
                                     "page_Exit",
                                     "F_Message_2",
                                     "F_Message",
                                     "o_TV_Files",
                                     "i_Open_File",
                                     "i_Main_Password_1",
                                     "i_Change_Main_Password",
                                     "o_MP",
                                     "F_MP1",
                                     "F_MP2",
                                     "b_M",
                                     "b_Cancel_M",
                                     "o_Panel_Top",
                                     "o_Panel_Big",
                                     "o_Panel_TV",
                                     "o_Panel_Folder_Name",
                                     "F_Folder_Name",
                                     "i_Folder_Create",
                                     "i_Folder_Find",
                                     "o_TV_Main",
                                     "b_Node_Up",
                                     "b_Node_Down",
                                     "o_Panel_Right",
                                     "F_Login",
                                     "F_Password",
                                     "F_EMail",
                                     "F_URL",
                                     "F_Note",
                                     "b_Password_Show",
                                     "b_Save_Database",
                                     "i_Trash_Can",
                                     "o_Panel_Warning",
                                     "o_List_Skin_2",
                                     "F_Hash_Argument",
                                     "i_Hash_Argument",
                                     "F_Hash_Length",
                                     "F_KV_Hash_62",
                                     "F_KV_Hash_64",
                                     "F_KV_Hash_90",
                                     "sScrollBox_Manual",
                                     "image_Manual"};
        for (const char* name : names) {
            auto* control = window.findChild<QWidget*>(name);
            QVERIFY2(control, name);
            QVERIFY2(!control->accessibleName().isEmpty(), name);
        }
        // every control a user can reach with the keyboard has a readable name
        for (QWidget* control : window.findChildren<QWidget*>()) {
            if (control->focusPolicy() & Qt::TabFocus && !control->objectName().isEmpty()) {
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
            }
        }
    }

    void tabOrderFollowsTheLayout_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("settings") << "page_Settings"
                                  << QStringList{"o_List_Skin_2",       "F_Clipboard_Clear_Seconds",
                                                 "qt_spinbox_lineedit", "F_Lock_After_Idle",
                                                 "F_Hash_Argument",     "i_Hash_Argument",
                                                 "F_Hash_Length",       "F_KV_Hash_62",
                                                 "F_KV_Hash_64",        "F_KV_Hash_90"};
        QTest::newRow("main password")
            << "page_Main_Password"
            << QStringList{"F_Message_2", "o_TV_Files", "i_Open_File", "i_Main_Password_1", "F_MP1",
                           "F_MP2",       "b_M",        "b_Cancel_M",  "i_MP_View"};
        QTest::newRow("database") << "page_Database"
                                  << QStringList{"F_Message",
                                                 "F_Folder_Name",
                                                 "i_Folder_Create",
                                                 "i_Folder_Find",
                                                 "o_TV_Main",
                                                 "b_Node_Up",
                                                 "b_Node_Down",
                                                 "b_Password_Health",
                                                 "F_Login",
                                                 "F_Password",
                                                 "b_Generate_Password",
                                                 "b_Password_Generator_Options",
                                                 "F_EMail",
                                                 "F_URL",
                                                 "F_Note",
                                                 "b_Password_Show",
                                                 "i_Trash_Can",
                                                 "b_Save_Database"};
    }
    void tabOrderFollowsTheLayout() {
        QFETCH(QString, page);
        QFETCH(QStringList, order);
        TTestWindowFolders folders;
        TouchFile(QDir(folders.workingFolder.path()).filePath("a.kvdb"));
        TFormMain window(folders.Services());
        // Show every part of the page, as an open database and a chosen file do.
        window.P_Database_TAB_ENABLE(true);
        page_Database_Content(window)->ActivateRecordFields(true);
        o_MP(window)->setVisible(true);
        auto* pageWidget = window.findChild<QWidget*>(page);
        window.show();
        o_Page_Control(window)->setCurrentWidget(pageWidget);
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QStringList visited;
        QWidget* first = window.findChild<QWidget*>(order.first());
        QWidget* control = first;
        do {
            if (control->isVisible() && control->isEnabled() &&
                (control->focusPolicy() & Qt::TabFocus) && pageWidget->isAncestorOf(control) &&
                !control->objectName().isEmpty()) {
                visited << control->objectName();
            }
            control = control->nextInFocusChain();
        } while (control != first);
        QCOMPARE(visited, order);
    }

    void treeImageListIsFolderEmptyRecord() {
        const QList<QIcon> icons = KeyvaleTreeImageList();
        QCOMPARE(icons.size(), 3);
        const QImage folder = icons[0].pixmap(32, 32).toImage();
        const QImage empty = icons[1].pixmap(32, 32).toImage();
        const QImage record = icons[2].pixmap(32, 32).toImage();
        QVERIFY(!folder.isNull() && folder != empty && empty != record && folder != record);
        QCOMPARE(KeyvalePicture("tree_folder", QSize(32, 32)).toImage(), folder);
    }

    void manualIsRealTextAndScrollsInSteps() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        o_Page_Control(window)->setCurrentWidget(page_About_Program(window));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString manual = window.findChild<QLabel*>("image_Manual")->text();
        for (const char* topic :
             {"Creating a new database", "Opening a database", "Saving",
              "Changing the main password", "KV hash calculator", "Keyvale_Backup"}) {
            QVERIFY2(manual.contains(topic), topic);
        }
        auto* manualBox = window.findChild<QScrollArea*>("sScrollBox_Manual");
        QScrollBar* bar = manualBox->verticalScrollBar();
        QCOMPARE(bar->singleStep(), 150);
        QVERIFY(bar->maximum() > 600); // the manual is much taller than the page

        QWidget* viewport = manualBox->viewport();
        const QPoint centre = viewport->rect().center();
        QWheelEvent notchDown(centre, viewport->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &notchDown);
        QCOMPARE(bar->value(), 150);
        QApplication::sendEvent(viewport, &notchDown);
        QCOMPARE(bar->value(), 300);
    }
};

KEYVALE_APP_TEST_MAIN(TestFormMain)
#include "test_form_main.moc"
