// The window as a daily tool: what it puts on the clipboard and how it takes
// it off again, copying a record's login and password without unmasking it,
// the clipboard and locking settings, and the lock after desktop idle.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include "U_Idle_Time.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Picture.h"
#include "U_Secret_Clipboard.h"
#include "U_Tree_Model.h"
#include "keyvale_app_test.h"
#include "windows_1252_database.h"

#include <unistd.h>

namespace {

const QString kPassword = QStringLiteral("main password 1");

// A window on throw-away folders with one database "daily.kvdb" open, holding
// the record "Bank" (login "ann", password "s3cret!").
struct TDailyFixture {
    TTestWindowFolders folders;
    std::shared_ptr<TFakeIdleTime> idle = std::make_shared<TFakeIdleTime>();
    std::unique_ptr<TFormMain> window;
    QString path = folders.workingFolder.filePath("daily.kvdb");

    TDailyFixture() {
        TFormMain::TServices services = folders.Services();
        services.idleTime = idle;
        window = std::make_unique<TFormMain>(services);
        window->show();
    }
    TFormMain& w() { return *window; }

    void Choose(const QString& file) {
        page_Main_Password_Content(w())->SetFileNameQuietly(QString());
        F_Database_File_Name(w())->setText(file);
    }
    void EnterPassword(const QString& password, const QString& repeat) {
        if (!b_M(w())->isEnabled()) {
            QVERIFY(QMetaObject::invokeMethod(o_Timer_Enter_Button(w()), "timeout"));
        }
        F_MP1(w())->setText(password);
        F_MP2(w())->setText(repeat);
        QTest::mouseClick(b_M(w()), Qt::LeftButton);
    }

    void CreateWithRecord() {
        Choose(path);
        EnterPassword(kPassword, kPassword);
        QCOMPARE(w().DatabaseFile(), path);
        F_Folder_Name(w())->setText("Bank");
        QTest::keyClick(F_Folder_Name(w()), Qt::Key_Return);
        ChooseNode("Bank");
        QTest::keyClicks(F_Login(w()), "ann");
        QTest::keyClicks(F_Password(w()), "s3cret!");
    }

    void ChooseNode(const QString& name) {
        TKeyvaleTreeModel& model = *o_TV_Main_Model(w());
        for (int row = 0; row < model.rowCount({}); ++row) {
            const QModelIndex index = model.index(row, 0, {});
            if (index.data().toString() == name) {
                const QRect rect = o_TV_Main(w())->visualRect(index);
                QTest::mouseClick(o_TV_Main(w())->viewport(), Qt::LeftButton, {}, rect.center());
                return;
            }
        }
        QFAIL(qPrintable("no node " + name));
    }

    QString DatabaseLog() const { return F_Message(w())->toPlainText(); }
    QString TakeDatabaseLog() {
        const QString log = DatabaseLog();
        F_Message(w())->clear();
        return log;
    }
    TFormMain& w() const { return *window; }
};

bool MarkedSecret(const QMimeData* data) {
    return data != nullptr && data->data(TSecretClipboard::PasswordManagerHintType) == "secret";
}

QClipboard* Clipboard() {
    return QApplication::clipboard();
}

// Opens the field's context menu as a right click does and chooses the entry
// with that text by the keyboard, as a user would.
void TriggerContextEntry(QLineEdit* field, const QString& entry) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, field->rect().center(),
                            field->mapToGlobal(field->rect().center()));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    for (QAction* action : menu->actions()) {
        if (action->text() == entry) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    menu->close();
    QFAIL(qPrintable("no entry " + entry));
}

} // namespace

class TestDailyUse : public QObject {
    Q_OBJECT

  private slots:
    void init() { Clipboard()->clear(); }

    void passwordCopiesStayMaskedCarryTheHintAndAreCleared() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        F_Clipboard_Clear_Seconds(w)->setValue(1);
        fixture.TakeDatabaseLog();

        // Ctrl+C in the masked field copies the whole password, unmasked
        // nowhere.
        F_Password(w)->setFocus();
        QTest::keyClick(F_Password(w), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard()->text(), QString("s3cret!"));
        QVERIFY(MarkedSecret(Clipboard()->mimeData()));
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);
        const QString log = fixture.TakeDatabaseLog();
        QVERIFY2(log.contains("Password copied to clipboard.") &&
                     log.contains("The clipboard will be cleared in 1 seconds, at 11:50:13."),
                 qPrintable(log));
        QTRY_VERIFY_WITH_TIMEOUT(Clipboard()->text().isEmpty(), 3000);

        // The context menus of both fields offer both copies.
        TriggerContextEntry(F_Login(w), "Copy password");
        QCOMPARE(Clipboard()->text(), QString("s3cret!"));
        TriggerContextEntry(F_Password(w), "Copy login");
        QCOMPARE(Clipboard()->text(), QString("ann"));
        QVERIFY(MarkedSecret(Clipboard()->mimeData()));
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Password);

        // What the user copied since from elsewhere stays.
        Clipboard()->setText("copied elsewhere");
        QTest::qWait(1500);
        QCOMPARE(Clipboard()->text(), QString("copied elsewhere"));
    }

    void clipboardIsClearedAtCloseAndQuitOnlyWhenStillOurs() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        F_Clipboard_Clear_Seconds(w)->setValue(0); // never by time
        fixture.TakeDatabaseLog();
        QTest::keyClick(F_Password(w), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard()->text(), QString("s3cret!"));
        QVERIFY(!fixture.DatabaseLog().contains("will be cleared"));

        // Another database replaces this one: the password goes with it, and
        // a search term typed for this one does not become a folder there.
        QTest::keyClicks(F_Folder_Name(w), "Ban");
        fixture.Choose(fixture.folders.workingFolder.filePath("other.kvdb"));
        fixture.EnterPassword(kPassword, kPassword);
        QCOMPARE(w.DatabaseFile(), fixture.folders.workingFolder.filePath("other.kvdb"));
        QVERIFY(Clipboard()->text().isEmpty());
        QVERIFY(F_Folder_Name(w)->text().isEmpty());

        // The calculator's forms are secrets too.
        o_Page_Control(w)->setCurrentWidget(page_Settings(w));
        QTest::keyClicks(F_Hash_Argument(w), "phrase");
        QTest::mouseClick(F_KV_Hash_90(w)->viewport(), Qt::LeftButton);
        QCOMPARE(Clipboard()->text(), F_KV_Hash_90(w)->toPlainText());
        QVERIFY(MarkedSecret(Clipboard()->mimeData()));
        w.close();
        QVERIFY(Clipboard()->text().isEmpty());

        Clipboard()->setText("mine");
        TDailyFixture second;
        QTest::keyClicks(F_Hash_Argument(second.w()), "x");
        second.w().close();
        QCOMPARE(Clipboard()->text(), QString("mine")); // nothing of ours to clear
    }

    void passwordPanelKeyboardPathsHaveNoTraps() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        fixture.Choose(fixture.path); // a new file: create mode, retype shown
        QVERIFY(F_MP1(w)->hasFocus());

        // Tab goes from the password to its repetition, then the buttons,
        // and the eye comes last.
        QTest::keyClicks(F_MP1(w), "first");
        QTest::keyClick(F_MP1(w), Qt::Key_Tab);
        QVERIFY(F_MP2(w)->hasFocus());
        QTest::keyClicks(F_MP2(w), "other");
        // Enter submits; the mismatch message leaves the focus where it was.
        QTest::keyClick(F_MP2(w), Qt::Key_Return);
        QVERIFY(F_Message_2(w)->toPlainText().contains("does not match"));
        QVERIFY(!page_Main_Password_Content(w)->PasswordShown()); // never the eye
        QCOMPARE(F_MP1(w)->echoMode(), QLineEdit::Password);
        QVERIFY(QApplication::focusWidget() == F_MP1(w));

        // A click on the eye shows the characters and keeps the focus.
        QTest::mouseClick(i_MP_View(w), Qt::LeftButton);
        QCOMPARE(F_MP1(w)->echoMode(), QLineEdit::Normal);
        QVERIFY(F_MP1(w)->hasFocus());
        QTest::mouseClick(i_MP_View(w), Qt::LeftButton);
        QCOMPARE(F_MP1(w)->echoMode(), QLineEdit::Password);

        // Reached with the keyboard, the eye shows a focus mark.
        const QImage unfocused = i_MP_View(w)->grab().toImage();
        i_MP_View(w)->setFocus(Qt::TabFocusReason);
        QVERIFY(i_MP_View(w)->hasFocus());
        const QImage focused = i_MP_View(w)->grab().toImage();
        QVERIFY(unfocused != focused);
        const QColor mark = w.palette().color(QPalette::WindowText);
        QCOMPARE(focused.pixelColor(focused.width() / 2, 1), mark);
    }

    void fileListFollowsTheFolder() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        const QDir folder(folders.workingFolder.path());
        QCOMPARE(o_TV_Files(window)->topLevelItem(0)->text(0),
                 QString("No files found in current directory"));

        QFile copied(folder.filePath("copied in.kvdb"));
        QVERIFY(copied.open(QIODevice::WriteOnly));
        copied.write(QByteArray(3000, 'x'));
        copied.close();
        QTRY_COMPARE(o_TV_Files(window)->topLevelItem(0)->text(0), QString("copied in.kvdb"));
        QVERIFY(o_TV_Files(window)->isEnabled());

        QVERIFY(QFile::rename(folder.filePath("copied in.kvdb"), folder.filePath("a.kvdb")));
        QTRY_COMPARE(o_TV_Files(window)->topLevelItem(0)->text(0), QString("a.kvdb"));
        QVERIFY(QFile::remove(folder.filePath("a.kvdb")));
        QTRY_VERIFY(!o_TV_Files(window)->isEnabled());
    }

    void readOnlyDatabaseIsNamedAtOpen() {
        if (geteuid() == 0) {
            QSKIP("root may write every file; the storage test covers the check as nobody");
        }
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        fixture.Choose(fixture.folders.workingFolder.filePath("other.kvdb"));
        fixture.EnterPassword(kPassword, kPassword);
        QVERIFY(QFile::setPermissions(fixture.path, QFile::ReadOwner));
        fixture.Choose(fixture.path);
        fixture.EnterPassword(kPassword, "");
        QCOMPARE(w.DatabaseFile(), fixture.path);
        QVERIFY(fixture.DatabaseLog().contains("Warning! You may not write to the database file"));
    }

    void pasteCutToTheLimitIsSaid() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        fixture.TakeDatabaseLog();
        const auto lastLine = [&] { return fixture.DatabaseLog().trimmed().section('\n', -1); };

        // Keys: the login keeps 255 of 300, "ann" selected away first.
        Clipboard()->setText(QString(300, 'l'));
        F_Login(w)->selectAll();
        QTest::keyClick(F_Login(w), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(F_Login(w)->text().size(), 255);
        QTRY_VERIFY(lastLine().endsWith(
            "The pasted text is longer than the field allows: 255 of its 300 characters were "
            "kept."));

        // A paste that fits says nothing.
        fixture.TakeDatabaseLog();
        Clipboard()->setText("a@b.c");
        QTest::keyClick(F_EMail(w), Qt::Key_V, Qt::ControlModifier);
        QTest::qWait(20);
        QVERIFY(fixture.DatabaseLog().isEmpty());

        // The context menu's Paste, after text that is already there.
        Clipboard()->setText(QString(1100, 'u'));
        F_URL(w)->setText("https://");
        TriggerContextEntry(F_URL(w), QStringLiteral("&Paste\tCtrl+V"));
        QCOMPARE(F_URL(w)->text().size(), 1024);
        QVERIFY(lastLine().endsWith("1016 of its 1100 characters were kept."));

        // The note: 10000 characters keep 8000.
        Clipboard()->setText(QString(10000, 'n'));
        QTest::keyClick(F_Note(w), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(F_Note(w)->toPlainText().size(), 8000);
        QVERIFY(lastLine().endsWith(
            "The note is limited to 8000 characters: 8000 of its 10000 characters were kept."));

        // A main password cut short is said where it is typed.
        fixture.Choose(fixture.folders.workingFolder.filePath("second.kvdb"));
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Enter_Button(w), "timeout"));
        Clipboard()->setText(QString(1030, 'p'));
        QTest::keyClick(F_MP1(w), Qt::Key_V, Qt::ControlModifier);
        QTRY_VERIFY(
            F_Message_2(w)->toPlainText().contains("1024 of its 1030 characters were kept"));
    }

    void urlLabelLooksTheSameAfterEveryHover() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        const QFont resting = L_URL(w)->font();
        for (int round = 0; round < 3; ++round) {
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(L_URL(w), &enter);
            QVERIFY(L_URL(w)->font().bold());
            QVERIFY(L_URL(w)->font().underline());
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(L_URL(w), &leave);
            QCOMPARE(L_URL(w)->font().bold(), resting.bold());
            QVERIFY(!L_URL(w)->font().underline());
        }
        // A theme chosen later still reaches the label.
        w.P_Apply_Skin(3);
        QCOMPARE(L_URL(w)->font().bold(), resting.bold());
    }

    void pictureCaptionNamesTheChangeWhileADatabaseIsOpen() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        auto* caption = w.findChild<QLabel*>("L_Main_Password_Picture");
        QCOMPARE(caption->text(), QString("Main password"));
        fixture.CreateWithRecord();
        o_Page_Control(w)->setCurrentWidget(page_Main_Password(w));
        QVERIFY(i_Change_Main_Password(w)->isVisible());
        QCOMPARE(caption->text(), QString("Change main password"));
        w.P_DEACTIVATE_Current_Database();
        QCOMPARE(caption->text(), QString("Main password"));
    }

    void nestedFoldersShowNoExpandButton() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        // Top > Middle > Inner, and the childless Empty beside Middle.
        o_TV_Main(w)->SelectNode(kNoNode);
        for (const char* name : {"Top", "Middle", "Inner"}) {
            F_Folder_Name(w)->setText(name);
            QTest::keyClick(F_Folder_Name(w), Qt::Key_Return);
            if (QString(name) != "Inner") {
                TKeyvaleTreeModel& model = *o_TV_Main_Model(w);
                const QModelIndexList found = model.match(model.index(0, 0), Qt::DisplayRole, name,
                                                          1, Qt::MatchExactly | Qt::MatchRecursive);
                QVERIFY(!found.isEmpty());
                o_TV_Main(w)->setCurrentIndex(found.first());
            }
        }
        TKeyvaleTreeModel& model = *o_TV_Main_Model(w);
        const QModelIndex top =
            model.match(model.index(0, 0), Qt::DisplayRole, "Top", 1, Qt::MatchExactly).first();
        o_TV_Main(w)->setCurrentIndex(top);
        F_Folder_Name(w)->setText("Empty");
        QTest::keyClick(F_Folder_Name(w), Qt::Key_Return);
        const auto find = [&](const QString& name) {
            return model
                .match(model.index(0, 0), Qt::DisplayRole, name, 1,
                       Qt::MatchExactly | Qt::MatchRecursive)
                .first();
        };
        o_TV_Main(w)->collapse(find("Middle"));
        o_TV_Main(w)->expand(top);
        o_TV_Main(w)->clearSelection();
        o_TV_Main(w)->setCurrentIndex({});
        const QImage view = o_TV_Main(w)->viewport()->grab().toImage();
        // The indentation left of a folder with content looks as that of a
        // childless node on the same level: no arrow in either.
        const QRect withContent = o_TV_Main(w)->visualRect(find("Middle"));
        const QRect childless = o_TV_Main(w)->visualRect(find("Empty"));
        QVERIFY(withContent.left() >= o_TV_Main(w)->indentation());
        const QRect branch(withContent.left() - o_TV_Main(w)->indentation(), 0,
                           o_TV_Main(w)->indentation(), withContent.height());
        QCOMPARE(view.copy(branch.translated(0, withContent.top())),
                 view.copy(branch.translated(0, childless.top())));
    }

    void databaseWrittenOnWindowsOpensAndIsSavedAsUtf8() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        const QString path = fixture.folders.workingFolder.filePath("windows.kvdb");
        TKeyMaterial windowsKeys;
        QVERIFY(KvDeriveKeyMaterial(windows_1252::kPassword1252, windowsKeys).empty());
        QCOMPARE(
            QString::fromStdString(windows_1252::WriteDatabase(path.toStdString(), windowsKeys)),
            QString());

        fixture.Choose(path);
        fixture.EnterPassword(QString::fromUtf8(windows_1252::kPasswordUtf8), "");
        QCOMPARE(w.DatabaseFile(), path);
        QVERIFY(fixture.DatabaseLog().contains(kConvertedMessage));
        QVERIFY(o_TV_Main_Model(w)
                    ->match(o_TV_Main_Model(w)->index(0, 0), Qt::DisplayRole,
                            QString::fromUtf8("Caf\xC3\xA9s"))
                    .size() == 1);

        // Saved with the button: UTF-8 now, still under the keys it opened with.
        QTest::mouseClick(b_Save_Database(w), Qt::LeftButton);
        TKeyvaleTree reloaded;
        const TDatabaseLoadResult result =
            LoadDatabaseFile(path.toStdString(), windowsKeys, reloaded);
        QCOMPARE(int(result.status), int(TDatabaseLoadStatus::Loaded));
        QVERIFY(!result.convertedFromWindows1252);
    }

    void settingsAreKeptBetweenRuns() {
        TTestWindowFolders folders;
        {
            TFormMain window(folders.Services());
            QCOMPARE(F_Clipboard_Clear_Seconds(window)->value(), 10);
            QCOMPARE(F_Lock_After_Idle(window)->currentData().toInt(), 0);
            QCOMPARE(F_Lock_After_Idle(window)->count(), 6);
            window.show();
            o_Page_Control(window)->setCurrentWidget(page_Settings(window));
            F_Clipboard_Clear_Seconds(window)->setFocus();
            QTest::keyClick(F_Clipboard_Clear_Seconds(window), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(F_Clipboard_Clear_Seconds(window), "45");
            F_Lock_After_Idle(window)->setFocus();
            QTest::keyClick(F_Lock_After_Idle(window), Qt::Key_Down); // 1 minute
            QTest::keyClick(F_Lock_After_Idle(window), Qt::Key_Down); // 2 minutes
            QCOMPARE(o_Clipboard(window)->ClearDelaySeconds(), 45);
            window.close();
        }
        QVERIFY(folders.IniText().contains("ClipboardClearSeconds=45"));
        QVERIFY(folders.IniText().contains("LockAfterIdleMinutes=2"));
        TFormMain again(folders.Services());
        QCOMPARE(F_Clipboard_Clear_Seconds(again)->value(), 45);
        QCOMPARE(o_Clipboard(again)->ClearDelaySeconds(), 45);
        QCOMPARE(F_Lock_After_Idle(again)->currentData().toInt(), 2);
    }

    void idleLockSavesClosesAndAsksForThePasswordOfTheSameFile() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        F_Lock_After_Idle(w)->setCurrentIndex(F_Lock_After_Idle(w)->findData(5));
        F_Folder_Name(w)->setText("a search term");

        fixture.idle->idle = 5 * 60000 - 1;
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Idle_Lock(w), "timeout"));
        QCOMPARE(w.DatabaseFile(), fixture.path);

        fixture.idle->idle = 5 * 60000;
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Idle_Lock(w), "timeout"));
        QVERIFY(w.DatabaseFile().isEmpty());
        QVERIFY(!o_TV_Main(w)->isEnabled()); // the keys went with the database
        QCOMPARE(o_Page_Control(w)->currentWidget(), page_Main_Password(w));
        QVERIFY(o_MP(w)->isVisible());
        QCOMPARE(PasswordPanelShows(w),
                 TPasswordMode::Open); // open mode: only the password is asked
        QCOMPARE(L_Database_File_2(w)->text(), QString("daily.kvdb"));
        QVERIFY(F_Message_2(w)->toPlainText().contains("locked after 5 minutes of desktop idle"));
        QVERIFY(F_Folder_Name(w)->text().isEmpty());

        // The typed record was saved on the way.
        fixture.idle->idle = 0;
        fixture.EnterPassword(kPassword, "");
        QCOMPARE(w.DatabaseFile(), fixture.path);
        fixture.ChooseNode("Bank");
        QCOMPARE(F_Password(w)->text(), QString("s3cret!"));
    }

    void idleLockDoesNothingWhenTheSaveFails() {
        TDailyFixture fixture;
        TFormMain& w = fixture.w();
        fixture.CreateWithRecord();
        F_Lock_After_Idle(w)->setCurrentIndex(F_Lock_After_Idle(w)->findData(1));
        // The folder is taken away: no save can succeed, not even beside.
        const QString folder = fixture.folders.workingFolder.path();
        QVERIFY(QDir().rename(folder, folder + "-away"));
        fixture.TakeDatabaseLog();

        fixture.idle->idle = 60000;
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Idle_Lock(w), "timeout"));
        QCOMPARE(w.DatabaseFile(), fixture.path);
        QCOMPARE(F_Password(w)->text(), QString("s3cret!"));
        QVERIFY(fixture.DatabaseLog().contains("has not been locked"));

        // Not tried again while the desktop stays idle; tried again after.
        fixture.TakeDatabaseLog();
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Idle_Lock(w), "timeout"));
        QVERIFY(fixture.DatabaseLog().isEmpty());
        QVERIFY(QDir().rename(folder + "-away", folder));
        fixture.idle->idle = 0;
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Idle_Lock(w), "timeout"));
        fixture.idle->idle = 60000;
        QVERIFY(QMetaObject::invokeMethod(o_Timer_Idle_Lock(w), "timeout"));
        QVERIFY(w.DatabaseFile().isEmpty());
    }
};

KEYVALE_APP_TEST_MAIN(TestDailyUse)
#include "test_daily_use.moc"
