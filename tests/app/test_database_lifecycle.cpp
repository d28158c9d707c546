// Databases through the window: choosing a file, the main-password panel,
// creating, opening and re-keying, the saves (button, automatic, before
// another database takes over, at exit) and closing with the wipe of the keys.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include <functional>

#include "U_Idle_Time.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Picture.h"
#include "lifecycle_fixture.h"

class TestDatabaseLifecycle : public QObject {
    Q_OBJECT

  private slots:
    void createCloseOpenAndChangePassword() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("secrets.kvdb");
        auto window = fixture.NewWindow();
        QCOMPARE(ListTexts(o_TV_Files(*window)),
                 QStringList{"No files found in current directory"});
        QVERIFY(!o_TV_Files(*window)->isEnabled());

        // A name without extension gets ".kvdb" and goes to creating.
        Choose(*window, fixture.Path("secrets"));
        QCOMPARE(F_Database_File_Name(*window)->text(), path);
        QCOMPARE(L_Database_Path(*window)->text(), fixture.folders.workingFolder.path() + "/");
        QCOMPARE(L_Database_File(*window)->text(), QString("secrets.kvdb"));
        QVERIFY(o_MP(*window)->isVisible());
        QCOMPARE(L_MP_Action(*window)->text(), QString("Creating a new database ..."));
        QCOMPARE(L_MP3(*window)->text(), QString("Directory and name of your new database file:"));
        QCOMPARE(L_Database_File_2(*window)->text(), QString("secrets.kvdb"));
        QVERIFY(F_MP2(*window)->isVisible());
        QVERIFY(!i_Open_File(*window)->isEnabled());
        QVERIFY(
            LastLine(F_Message_2(*window))
                .startsWith("You have to enter main password for protection of a new database."));
        QCOMPARE(fixture.TakeSounds(), QStringList{"S_B_MP_1"});

        // Too short, then not repeated correctly: nothing happens but the notices.
        EnterPassword(*window, "abcd", "abcd");
        QCOMPARE(LastLine(F_Message_2(*window)),
                 QString("Error! Your password is too short. Password must be at least 5 "
                         "characters long."));
        QVERIFY(L_Short_Password(*window)->isVisible());
        QVERIFY(!b_M(*window)->isEnabled());
        QVERIFY(F_MP1(*window)->isReadOnly() && F_MP2(*window)->isReadOnly());
        EnterPassword(*window, "abcde", "abcdX");
        QCOMPARE(LastLine(F_Message_2(*window)),
                 QString("Error! Your password does not match password verification field."));
        QVERIFY(!L_Short_Password(*window)->isVisible());
        QCOMPARE(fixture.TakeSounds(), QStringList({"S_B_MP_1", "S_W_2", "S_B_MP_1", "S_W_2"}));
        QVERIFY(!QFile::exists(path));

        // Enter in the repeat field creates the database.
        Fire(*o_Timer_Enter_Button(*window));
        F_MP1(*window)->setText("first password");
        F_MP2(*window)->setText("first password");
        QTest::keyClick(F_MP2(*window), Qt::Key_Return);
        QCOMPARE(window->DatabaseFile(), path);
        QVERIFY(QFile::exists(path));
        QVERIFY(o_MP(*window)->isHidden());
        QVERIFY(F_MP1(*window)->text().isEmpty());
        QCOMPARE(o_Page_Control(*window)->currentWidget(), page_Database(*window));
        QVERIFY(!o_Panel_Big(*window)->isHidden());
        QVERIFY(F_Message(*window)->toPlainText().contains(
            "[" + path + "]. Your new database is empty. You may begin your work"));
        QCOMPARE(LastLine(F_Message(*window)), "Database saved: " + path);
        QVERIFY(fixture.TakeSounds().endsWith("S_DB_Opened"));

        AddFolder(*window, "Bank");
        window->close(); // saves
        QVERIFY(!window->isVisible());
        window.reset();

        // The next run lists the file; a click on it goes to opening.
        window = fixture.NewWindow();
        QCOMPARE(ListTexts(o_TV_Files(*window)), QStringList{"secrets.kvdb"});
        QVERIFY(o_TV_Files(*window)->isEnabled());
        o_TV_Files(*window)->setCurrentItem(o_TV_Files(*window)->topLevelItem(0));
        window->o_TV_FilesClick();
        QCOMPARE(o_TV_Files(*window)->selectedItems().size(), 0);
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Open);
        QVERIFY(o_MP(*window)->isVisible());
        QVERIFY(!F_MP2(*window)->isVisible());
        QCOMPARE(L_MP_Action(*window)->text(), QString("Opening an existing database ..."));
        QVERIFY(F_Message_2(*window)->toPlainText().contains(
            "Trying to open database file \"secrets.kvdb\" ..."));
        QCOMPARE(LastLine(F_Message_2(*window)),
                 QString("This database is password protected. Please, enter the main password "
                         "of this database:"));

        // A wrong password: no database, no key material; the panel stays.
        fixture.TakeSounds();
        EnterPassword(*window, "wrong password", "");
        QVERIFY(L_Wrong_Password(*window)->isVisible());
        QCOMPARE(L_Wrong_Password(*window)->text(), QString(" Wrong password ! "));
        QCOMPARE(LastLine(F_Message_2(*window)), QString(KvWrongPasswordText));
        QCOMPARE(fixture.TakeSounds(), QStringList({"S_B_MP_1", "S_W_1"}));
        QVERIFY(window->DatabaseFile().isEmpty());
        QVERIFY(o_Panel_Big(*window)->isHidden());
        QVERIFY(!o_TV_Main(*window)->isEnabled());
        QVERIFY(o_MP(*window)->isVisible());

        // Typing hides the notice; the right password opens the database.
        const QByteArray onDisk = FileBytes(path);
        EnterPassword(*window, "first password", "");
        QCOMPARE(window->DatabaseFile(), path);
        QCOMPARE(o_TV_Main_Model(*window)->index(0, 0).data().toString(), QString("Bank"));
        QCOMPARE(o_TV_Main_Model(*window)->rowCount(), 1);
        QCOMPARE(o_Page_Control(*window)->currentWidget(), page_Database(*window));
        QVERIFY(o_MP(*window)->isHidden());
        QCOMPARE(L_Database_File(*window)->text(), QString("secrets.kvdb"));
        QCOMPARE(LastLine(F_Message_2(*window)),
                 "Database has been loaded from file [" + path + "].");
        // Shown as an open database at once, not as none until a page change.
        QVERIFY(i_Change_Main_Password(*window)->isVisibleTo(page_Main_Password(*window)));
        QVERIFY(!i_Main_Password_1(*window)->isVisibleTo(page_Main_Password(*window)));
        QVERIFY(!F_Message(*window)->toPlainText().contains("Dear user"));
        QVERIFY(fixture.TakeSounds().endsWith("S_DB_Opened"));
        // The backup holds the file as it was opened.
        const QString backup = fixture.Path("Keyvale_Backup/secrets.backup_kvdb");
        QCOMPARE(FileBytes(backup), onDisk);

        // Choosing the open database again is refused.
        o_Page_Control(*window)->setCurrentWidget(page_Main_Password(*window));
        QVERIFY(i_Change_Main_Password(*window)->isVisible());
        fixture.TakeSounds();
        Choose(*window, path);
        QCOMPARE(LastLine(F_Message_2(*window)),
                 QString("You have already opened this file. This is your current database. You "
                         "are working with this file now."));
        QCOMPARE(fixture.TakeSounds(), QStringList{"S_W_2"});
        QVERIFY(o_MP(*window)->isHidden());

        // Change the main password: the file is rewritten at once.
        window->i_Change_Main_PasswordClick();
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::ChangePassword);
        QCOMPARE(L_MP_Action(*window)->text(),
                 QString("Changing main password of the database ..."));
        QCOMPARE(L_Database_File_2(*window)->text(), QString("secrets.kvdb"));
        QVERIFY(F_MP2(*window)->isVisible());
        fixture.TakeSounds();
        EnterPassword(*window, "second password", "second password");
        // Said on this page first, then, a moment later, on the Database page.
        QTRY_COMPARE(o_Page_Control(*window)->currentWidget(), page_Database(*window));
        QTRY_COMPARE(LastLine(F_Message(*window)),
                     QString("Main password of your database has been changed."));
        QVERIFY(F_Message_2(*window)->toPlainText().contains(
            "Main password of your database has been changed."));
        const QStringList sounds = fixture.TakeSounds();
        QVERIFY(sounds.indexOf("S_MP_Change") < sounds.lastIndexOf("S_DB_Opened"));
        QVERIFY(FileBytes(path) != onDisk);
        QCOMPARE(window->DatabaseFile(), path);
        window->close();
        window.reset();

        // Only the new password opens it now.
        {
            TKeyMaterial oldKeys;
            QVERIFY(KvDeriveKeyMaterial("first password", oldKeys).empty());
            TKeyvaleTree tree;
            QCOMPARE(LoadDatabaseFile(path.toStdString(), oldKeys, tree).status,
                     TDatabaseLoadStatus::WrongPassword);
        }
        window = fixture.NewWindow();
        Choose(*window, path);
        EnterPassword(*window, "second password", "");
        QCOMPARE(window->DatabaseFile(), path);
        QCOMPARE(ShownTree(*window).NodeCount(), std::size_t(1));
    }

    // What the checks on a chosen name say before any password is asked.
    void chosenNamesAreChecked() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString folder = fixture.folders.workingFolder.path() + "/";
        {
            QFile shortFile(fixture.Path("short.kvdb"));
            QVERIFY(shortFile.open(QIODevice::WriteOnly));
            shortFile.write(QByteArray(999, 'x'));
            QFile reserved(fixture.Path("con.kvdb"));
            QVERIFY(reserved.open(QIODevice::WriteOnly));
            reserved.write(QByteArray(1000, 'x'));
        }
        struct Case {
            QString chosen;
            QString message; // the start of the last message
            // What the panel comes out to ask for; a refusal asks nothing,
            // and its message says whether it was opening or creating.
            std::optional<TPasswordMode> panel;
        };
        const Case cases[] = {
            {folder + "aux",
             "Error ! Cannot create new database file. Specified name of file is "
             "incorrect << aux.kvdb >>. You have to specify correct file name to "
             "create a new database.",
             std::nullopt},
            {folder + "con.kvdb",
             "Error ! Cannot open database file. Specified name of file is incorrect << " + folder +
                 "con.kvdb >>. You have to specify correct file name to open a database.",
             std::nullopt},
            // Shorter than any database: said before a password is asked.
            {folder + "short.kvdb",
             "Error! Cannot read data from this file. The file is too short to be a Keyvale "
             "database (999 bytes; the smallest has 2426).",
             std::nullopt},
            {folder + "letters.txt", "You have to enter main password for protection",
             TPasswordMode::Create},
        };
        for (const Case& c : cases) {
            Choose(*window, c.chosen);
            QVERIFY2(LastLine(F_Message_2(*window)).startsWith(c.message),
                     qPrintable(LastLine(F_Message_2(*window))));
            QCOMPARE(!o_MP(*window)->isHidden(), c.panel.has_value());
            QCOMPARE(PasswordPanelShows(*window), c.panel);
        }
        QCOMPARE(L_Database_File_2(*window)->text(), QString("letters.txt.kvdb"));
        QVERIFY(!QFile::exists(fixture.Path("letters.txt.kvdb"))); // the probe is gone

        // Cancel leaves the panel empty and the labels cleared.
        F_MP1(*window)->setText("typed");
        window->P_MP_Show(true);
        fixture.TakeSounds();
        QTest::mouseClick(b_Cancel_M(*window), Qt::LeftButton);
        QVERIFY(o_MP(*window)->isHidden());
        QVERIFY(F_MP1(*window)->text().isEmpty());
        QCOMPARE(F_MP1(*window)->echoMode(), QLineEdit::Password);
        QVERIFY(L_Database_File(*window)->text().isEmpty());
        QVERIFY(i_Open_File(*window)->isEnabled());
        QCOMPARE(fixture.TakeSounds(), QStringList{"S_B_Cancel_3"});
    }

    // A choice refused while the panel is open leaves the panel as it was:
    // the password typed next goes to the file and the mode the panel names,
    // not to the name that was refused.
    void aRefusedChoiceLeavesThePanelItsOwnFile() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        {
            QFile shortFile(fixture.Path("short.kvdb"));
            QVERIFY(shortFile.open(QIODevice::WriteOnly));
            shortFile.write(QByteArray(999, 'x'));
        }
        const QString path = fixture.Path("new.kvdb");
        Choose(*window, path);
        QCOMPARE(L_MP_Action(*window)->text(), QString("Creating a new database ..."));

        Choose(*window, fixture.Path("short.kvdb"));
        QVERIFY(LastLine(F_Message_2(*window)).startsWith("Error! Cannot read data"));
        QVERIFY(o_MP(*window)->isVisible());
        QCOMPARE(L_Database_File_2(*window)->text(), QString("new.kvdb"));

        EnterPassword(*window, "new password", "new password");
        QCOMPARE(window->DatabaseFile(), path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(FileBytes(fixture.Path("short.kvdb")), QByteArray(999, 'x'));
    }

    // The file dialog: its set-up, and a new name confirmed or refused. The
    // click returns at once; the dialog and its question answer later.
    void fileDialogChoosesOrCreates() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        for (const bool create : {false, true}) {
            QTest::qWait(0); // the last round's dialog and question are gone
            i_Open_File(*window)->Click();
            auto* dialog = window->findChild<QFileDialog*>("o_Open_File_Dialog");
            QVERIFY(dialog != nullptr && dialog->isVisible());
            QCOMPARE(dialog->nameFilters(), QStringList{"Keyvale Database (*.kvdb)"});
            QCOMPARE(dialog->defaultSuffix(), QString("kvdb"));
            QCOMPARE(QDir(dialog->directory().path()), QDir(fixture.folders.workingFolder.path()));
            i_Open_File(*window)->Click(); // a second click opens no second dialog
            QCOMPARE(window->findChildren<QFileDialog*>("o_Open_File_Dialog").size(), 1);
            // Typed into the dialog's name field, as a user would, then Open.
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText("letters.txt");
            QTest::mouseClick(
                dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open),
                Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            auto* box = window->findChild<QMessageBox*>("o_Create_File_Question");
            QVERIFY(box != nullptr && box->isVisible());
            QVERIFY(box->text().startsWith("letters.txt does not exist."));
            QVERIFY(o_MP(*window)->isHidden()); // nothing chosen before the answer
            QTest::mouseClick(box->button(create ? QMessageBox::Yes : QMessageBox::No),
                              Qt::LeftButton);
            QCOMPARE(!o_MP(*window)->isHidden(), create);
            QCOMPARE(F_Database_File_Name(*window)->text(),
                     create ? fixture.Path("letters.txt.kvdb") : QString());
        }
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Create);
        QVERIFY(!i_Open_File(*window)->isEnabled()); // no second dialog while the panel is out
    }

    void enterPasswordIsLockedForAMoment() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        Choose(*window, fixture.Path("a.kvdb"));
        EnterPassword(*window, "abc", "abc");
        QVERIFY(!b_M(*window)->isEnabled());
        // Enter during the lock does nothing.
        fixture.TakeSounds();
        QTest::keyClick(F_MP1(*window), Qt::Key_Return);
        QVERIFY(fixture.TakeSounds().isEmpty());
        QCOMPARE(o_Timer_Enter_Button(*window)->interval(), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(b_M(*window)->isEnabled(), 2500);
        QVERIFY(!F_MP1(*window)->isReadOnly());
        QVERIFY(!o_Timer_Enter_Button(*window)->isActive());
    }

    void savesByButtonAndAutomatically() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("work.kvdb");
        auto window = fixture.NewWindow();

        // With no database, a save only reports and still locks the button.
        window->P_Process_Save_Database_EVENT();
        QCOMPARE(LastLine(F_Message(*window)),
                 QString("Error! Cannot save database because the name of the database file is "
                         "empty!"));
        QVERIFY(!b_Save_Database(*window)->isEnabled());

        CreateDatabase(*window, path, "work password");
        Fire(*o_Timer_SAVE_BUTTON(*window));
        QVERIFY(b_Save_Database(*window)->isEnabled());

        // The button saves, then rests for 10 s.
        QByteArray before = FileBytes(path);
        fixture.TakeSounds();
        QTest::mouseClick(b_Save_Database(*window), Qt::LeftButton);
        QVERIFY(F_Message(*window)->toPlainText().contains("Trying to save database ..."));
        QCOMPARE(LastLine(F_Message(*window)), "Database saved: " + path);
        QCOMPARE(fixture.TakeSounds(), QStringList{"S_DB_Save"});
        QVERIFY(FileBytes(path) != before);
        QVERIFY(!b_Save_Database(*window)->isEnabled());
        QVERIFY(o_Timer_SAVE_BUTTON(*window)->isActive());
        QCOMPARE(o_Timer_SAVE_BUTTON(*window)->interval(), 10000);
        Fire(*o_Timer_SAVE_BUTTON(*window));
        QVERIFY(b_Save_Database(*window)->isEnabled());
        QVERIFY(!o_Timer_SAVE_BUTTON(*window)->isActive());

        // A pending record edit; the automatic save waits for a quiet desktop.
        AddFolder(*window, "Mail");
        const TNodeHandle node = o_TV_Main(*window)->SelectedNode();
        F_Login(*window)->setText("alice");
        QCOMPARE(page_Database_Content(*window)->PendingEditNode(), node);
        QTimer& autoSave = *o_Timer_SAVE_Database(*window);
        QVERIFY(autoSave.isActive());
        QCOMPARE(autoSave.interval(), 60000);
        before = FileBytes(path);
        fixture.idle->idle = 119999;
        Fire(autoSave);
        QCOMPARE(FileBytes(path), before);
        QVERIFY(autoSave.isActive());
        fixture.idle->idle = 120000;
        Fire(autoSave);
        QVERIFY(FileBytes(path) != before);
        QVERIFY(!autoSave.isActive());
        QCOMPARE(page_Database_Content(*window)->PendingEditNode(), kNoNode);
        TRecordFields fields;
        QVERIFY(ReadFolderDataFromDataFolder(ShownTree(*window), node, fields));
        QCOMPARE(fields.login, std::string("alice"));
        // The file holds the record under the database's keys.
        const TKeyvaleTree reloaded = TreeOnDisk(path, "work password");
        QCOMPARE(reloaded.NodeCount(), ShownTree(*window).NodeCount());
        QVERIFY(ReadFolderDataFromDataFolder(reloaded, reloaded.First(), fields));
        QCOMPARE(fields.login, std::string("alice"));
    }

    void closingWipesTheKeysAndListsTheFiles() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        CreateDatabase(*window, fixture.Path("b.kvdb"), "b password");
        AddFolder(*window, "Folder");
        window->P_DEACTIVATE_Current_Database();
        // The keys went with the database (the session's tests see them
        // wiped): nothing can be saved or shown of it any more.
        QVERIFY(!o_TV_Main(*window)->isEnabled());
        QVERIFY(!i_Folder_Create(*window)->isEnabled());
        QVERIFY(ShownTree(*window).IsEmpty());
        QCOMPARE(o_TV_Main_Model(*window)->rowCount(), 0);
        QVERIFY(window->DatabaseFile().isEmpty());
        QVERIFY(o_Panel_Big(*window)->isHidden());
        QCOMPARE(ListTexts(o_TV_Files(*window)), QStringList{"b.kvdb"});
        QVERIFY(F_Message(*window)->toPlainText().contains("     Dear user !   "));
    }

    // Opening another database saves the open one first; with a wrong
    // password the open one stays open, keys and all.
    void openingAnotherSavesTheCurrentFirst() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString first = fixture.Path("first.kvdb");
        CreateDatabase(*window, first, "first password");
        AddFolder(*window, "Added after creation");
        {
            QFile other(fixture.Path("other.kvdb"));
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write(QByteArray(3000, 'x'));
        }
        o_Page_Control(*window)->setCurrentWidget(page_Main_Password(*window));
        Choose(*window, fixture.Path("other.kvdb"));
        EnterPassword(*window, "some password", "");
        QVERIFY(L_Wrong_Password(*window)->isVisible());
        QCOMPARE(window->DatabaseFile(), first);
        QCOMPARE(ShownTree(*window).NodeCount(), std::size_t(1));
        QVERIFY(!o_Panel_Big(*window)->isHidden());

        // Saved under the first password's keys, which the window still
        // holds: a later save keeps the file readable with that password.
        const TKeyvaleTree saved = TreeOnDisk(first, "first password");
        QCOMPARE(saved.Text(saved.First()), std::string("Added after creation"));
        ClickTab(*window, page_Database(*window));
        AddFolder(*window, "Later");
        QVERIFY(window->P_Process_Save_Database_EVENT());
        QCOMPARE(TreeOnDisk(first, "first password").NodeCount(), std::size_t(2));
    }

    // A backup that cannot be made is said in the log; the database opens.
    void aBackupThatCannotBeMadeIsReported() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("kept.kvdb");
        CreateDatabase(*window, path, "first password");
        window->close();
        window.reset();
        {
            QFile blocker(fixture.Path("Keyvale_Backup"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            blocker.write("a file where the folder should be");
        }
        window = fixture.NewWindow();
        Choose(*window, path);
        EnterPassword(*window, "first password", "");
        QCOMPARE(window->DatabaseFile(), path);
        QVERIFY(F_Message(*window)->toPlainText().contains(
            "Error! Could not make backup of a database file. " + fixture.Path("Keyvale_Backup") +
            " is not a folder."));
    }

    // The probe of a new file fails in a folder without write permission:
    // nothing is created and the open database stays open.
    void readOnlyFolderKeepsTheOpenDatabase() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString open = fixture.Path("open.kvdb");
        CreateDatabase(*window, open, "open password");
        QTemporaryDir locked;
        QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
        {
            QFile probe(locked.filePath("probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.close();
                probe.remove();
                QFile::setPermissions(locked.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("this user may write into any folder");
            }
        }
        o_Page_Control(*window)->setCurrentWidget(page_Main_Password(*window));
        Choose(*window, locked.filePath("new"));
        QVERIFY(
            LastLine(F_Message_2(*window)).startsWith("Error ! Cannot create new database file. "));
        QVERIFY(o_MP(*window)->isHidden());

        // The folder becomes read-only while the panel is open.
        QFile::setPermissions(locked.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Choose(*window, locked.filePath("new"));
        QVERIFY(o_MP(*window)->isVisible());
        QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
        EnterPassword(*window, "new password", "new password");
        QVERIFY(
            LastLine(F_Message_2(*window)).startsWith("Error! Cannot create a database file. "));
        QCOMPARE(window->DatabaseFile(), open);
        QVERIFY(o_TV_Main(*window)->isEnabled());
        QVERIFY(!QFile::exists(locked.filePath("new.kvdb")));
        QFile::setPermissions(locked.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A database whose save fails is never closed: not for another database,
    // not for a new one, and not silently at exit.
    void failedSaveKeepsTheDatabaseOpen() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString current = fixture.Path("current.kvdb");
        CreateDatabase(*window, current, "current password");
        AddFolder(*window, "Unsaved");
        {
            QFile other(fixture.Path("other.kvdb"));
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write(QByteArray(3000, 'x'));
        }
        BlockSaves();

        struct Case {
            const char* chosen;
            const char* password;
            const char* repeat;
        };
        const Case cases[] = {{"other.kvdb", "other password", ""},
                              {"fresh.kvdb", "fresh password", "fresh password"}};
        for (const Case& c : cases) {
            o_Page_Control(*window)->setCurrentWidget(page_Main_Password(*window));
            Choose(*window, fixture.Path(c.chosen));
            QVERIFY(o_MP(*window)->isVisible());
            EnterPassword(*window, c.password, c.repeat);
            QCOMPARE(window->DatabaseFile(), current);
            QCOMPARE(ShownTree(*window).NodeCount(), std::size_t(1));
            QVERIFY(!o_Panel_Big(*window)->isHidden());
            QCOMPARE(LastLine(F_Message_2(*window)),
                     QString("Error! Your current database could not be saved, so it stays open. "
                             "Nothing else has been done."));
            QVERIFY(F_Message(*window)->toPlainText().contains(
                "Error! Cannot save your database to file [" + current + "]."));
        }
        QVERIFY(!QFile::exists(fixture.Path("fresh.kvdb")));

        // At exit: the first close is refused with the reason, the second quits.
        window->close();
        QVERIFY(window->isVisible());
        QCOMPARE(LastLine(F_Message(*window)),
                 QString("Error! Your database could not be saved, so the program has not been "
                         "closed. If you close it again, it quits without saving."));
        window->close();
        QVERIFY(!window->isVisible());
    }

    // A new main password counts only once the file holds it.
    void failedPasswordChangeKeepsTheOldPassword() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("keep.kvdb");
        CreateDatabase(*window, path, "old password");
        BlockSaves();

        o_Page_Control(*window)->setCurrentWidget(page_Main_Password(*window));
        window->i_Change_Main_PasswordClick();
        EnterPassword(*window, "new password", "new password");
        QCOMPARE(LastLine(F_Message_2(*window)),
                 QString("Error! Main password has not been changed: the database could not be "
                         "saved. It stays open under its old main password."));
        QVERIFY(!F_Message_2(*window)->toPlainText().contains("has been changed."));
        QCOMPARE(window->DatabaseFile(), path);

        // Once the file can be written again it is saved under the old keys.
        UnblockSaves();
        ClickTab(*window, page_Database(*window));
        AddFolder(*window, "After");
        QVERIFY(window->P_Process_Save_Database_EVENT());
        QCOMPARE(NamesOnDisk(path, "old password"), std::string("After;"));
        QCOMPARE(NamesOnDisk(path, "new password"), std::string("cannot open"));
    }

    // A password the keys cannot be made from (over 1000 bytes) is refused
    // before the open database is saved, closed or replaced; in create mode
    // the panel stays for a better one.
    void tooLongPasswordChangesNothing() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString current = fixture.Path("current.kvdb");
        const QString other = fixture.Path("other.kvdb");
        {
            TKeyvaleSession writer;
            QVERIFY(writer.Create(other.toStdString(), "other password").Succeeded());
        }
        CreateDatabase(*window, current, "current password");
        AddFolder(*window, "Unsaved");
        const QByteArray currentOnDisk = FileBytes(current);
        const QString tooLong(1001, 'x');

        struct Case {
            QString chosen;
            bool repeated;
        };
        const Case cases[] = {{other, false}, {fixture.Path("new.kvdb"), true}};
        for (const Case& c : cases) {
            o_Page_Control(*window)->setCurrentWidget(page_Main_Password(*window));
            Choose(*window, c.chosen);
            QVERIFY(o_MP(*window)->isVisible());
            Fire(*o_Timer_Enter_Button(*window));
            QTest::keyClicks(F_MP1(*window), tooLong);
            if (c.repeated) {
                QTest::keyClicks(F_MP2(*window), tooLong);
            }
            QTest::keyClick(F_MP1(*window), Qt::Key_Return);

            QCOMPARE(LastLine(F_Message_2(*window)), QString(KvPasswordTooLongText));
            QVERIFY(o_MP(*window)->isVisible());
            QCOMPARE(window->DatabaseFile(), current);
            QCOMPARE(ShownTree(*window).NodeCount(), std::size_t(1));
            QCOMPARE(FileBytes(current), currentOnDisk);
            QVERIFY(!QFile::exists(fixture.Path("new.kvdb")));
            QTest::mouseClick(b_Cancel_M(*window), Qt::LeftButton);
        }
        window->close();
        QCOMPARE(NamesOnDisk(current, "current password"), std::string("Unsaved;"));
    }

    // The password leaves the panel once it is taken: the fields are empty
    // and, with the characters shown, keep no undo history that would give
    // the password back.
    void passwordFieldsKeepNothing() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("p.kvdb");
        CreateDatabase(*window, path, "first password");
        window->close();
        window = fixture.NewWindow();
        for (const char* password : {"a wrong password", "first password"}) {
            Choose(*window, path);
            Fire(*o_Timer_Enter_Button(*window));
            if (F_MP1(*window)->echoMode() != QLineEdit::Normal) {
                i_MP_View(*window)->Click(); // show the characters
            }
            QTest::keyClicks(F_MP1(*window), password);
            QTest::keyClick(F_MP1(*window), Qt::Key_Return);
            Fire(*o_Timer_Enter_Button(*window));
            QVERIFY(F_MP1(*window)->text().isEmpty());
            F_MP1(*window)->undo();
            QVERIFY2(F_MP1(*window)->text().isEmpty(), password);
        }
        QCOMPARE(window->DatabaseFile(), path);
    }

    // A file that appeared at the chosen name while the panel was open is
    // not replaced; the panel turns to opening it.
    void createLeavesAFileThatAppearedMeanwhile() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("late.kvdb");
        Choose(*window, path);
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Create);
        {
            TKeyvaleSession writer;
            QVERIFY(writer.Create(path.toStdString(), "their password").Succeeded());
            AddFolderTo(writer, "Theirs");
        }
        const QByteArray theirs = FileBytes(path);

        EnterPassword(*window, "my password", "my password");
        QCOMPARE(FileBytes(path), theirs);
        QVERIFY(window->DatabaseFile().isEmpty());
        QVERIFY(F_Message_2(*window)->toPlainText().contains(
            "Error! Cannot create a database file. The file [" + path +
            "] exists already. It has not been changed; you may open it instead."));
        QVERIFY(o_MP(*window)->isVisible());
        QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Open);
        QVERIFY(!F_MP2(*window)->isVisible());

        EnterPassword(*window, "their password", "");
        QCOMPARE(window->DatabaseFile(), path);
        QCOMPARE(o_TV_Main_Model(*window)->rowCount(), 1);
    }

    // keyvale-cli (or any writer) changed the file while the window had it
    // open: the window's save goes beside it and says so.
    void anotherWritersFileIsNotOverwritten() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("work.kvdb");
        CreateDatabase(*window, path, "window password");
        AddFolder(*window, "Mine");
        {
            TKeyvaleSession tool;
            QVERIFY(tool.Open(path.toStdString(), "window password").Succeeded());
            QVERIFY(tool.ChangePassword("tool password").Succeeded());
        }
        const QByteArray theirs = FileBytes(path);

        Fire(*o_Timer_SAVE_BUTTON(*window));
        QTest::mouseClick(b_Save_Database(*window), Qt::LeftButton);
        const QString aside = window->DatabaseFile();
        QVERIFY2(QRegularExpression(QRegularExpression::escape(fixture.Path("work (conflict ")) +
                                    "\\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\)\\.kvdb")
                     .match(aside)
                     .hasMatch(),
                 qPrintable(aside));
        const QString warning = "Warning! The database file [" + path +
                                "] has been changed by another program since it was opened or "
                                "last saved here, so it has not been overwritten. Your database "
                                "has been saved as [" +
                                aside + "], which is now your open database.";
        QCOMPARE(LastLine(F_Message(*window)), warning);
        QVERIFY(Alerted(warning));
        QCOMPARE(FileBytes(path), theirs);

        // Later saves and the exit go to the copy.
        AddFolder(*window, "Later");
        window->close();
        QCOMPARE(FileBytes(path), theirs);
        QCOMPARE(NamesOnDisk(aside, "window password"), std::string("Mine;Later;"));
        QCOMPARE(NamesOnDisk(path, "tool password"), std::string(""));
    }

    // A refused exit arms "quit anyway" for the one close that follows it;
    // a good save in between withdraws it, and the window never stays on
    // the empty Exit page.
    void refusedExitQuitsOnlyRightAfter() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("quit.kvdb");
        CreateDatabase(*window, path, "quit password");
        AddFolder(*window, "Before"); // an unchanged database quits without a save
        const QString refusal =
            "Error! Your database could not be saved, so the program has not been closed. If you "
            "close it again, it quits without saving.";

        BlockSaves();
        ClickTab(*window, page_Exit(*window));
        QVERIFY(window->isVisible());
        QCOMPARE(o_Page_Control(*window)->currentWidget(), page_Database(*window));
        QCOMPARE(LastLine(F_Message(*window)), refusal);
        QVERIFY(Alerted(refusal));

        UnblockSaves();
        Fire(*o_Timer_SAVE_BUTTON(*window));
        QTest::mouseClick(b_Save_Database(*window), Qt::LeftButton);
        QCOMPARE(LastLine(F_Message(*window)), "Database saved: " + path);
        AddFolder(*window, "After the save");

        BlockSaves();
        window->close();
        QVERIFY2(window->isVisible(), "quit without saving what came after the good save");
        QCOMPARE(LastLine(F_Message(*window)), refusal);

        // The cause fixed, the user saves and leaves.
        UnblockSaves();
        Fire(*o_Timer_SAVE_BUTTON(*window));
        QTest::mouseClick(b_Save_Database(*window), Qt::LeftButton);
        AddFolder(*window, "Last");
        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(NamesOnDisk(path, "quit password"), std::string("Before;After the save;Last;"));
    }

    // Every way the window saves takes along an edit still open in the
    // record panel, and ends the automatic save's countdown: they all go
    // through the one save of the window. One database goes through them
    // all, the lock and the quit last.
    void everySaveTakesTheEditStillOpen() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("edit.kvdb");
        CreateDatabase(*window, path, "edit password");
        AddFolder(*window, "Bank");
        F_Lock_After_Idle(*window)->setCurrentIndex(F_Lock_After_Idle(*window)->findData(1));

        struct TWay {
            const char* name;
            std::function<void()> save;
        };
        const TWay ways[] = {
            {"Save button", [&] { QTest::mouseClick(b_Save_Database(*window), Qt::LeftButton); }},
            {"Ctrl+S",
             [&] {
                 QApplication::setActiveWindow(window.get());
                 QTest::keyClick(F_Login(*window), Qt::Key_S, Qt::ControlModifier);
             }},
            {"automatic save",
             [&] {
                 fixture.idle->idle = 120000;
                 window->o_Timer_SAVE_DatabaseTimer();
             }},
            {"another file given",
             [&] { window->P_Open_Given_File(fixture.Path("missing.kvdb")); }},
            {"idle lock",
             [&] {
                 fixture.idle->idle = 60000;
                 window->o_Timer_Idle_LockTimer();
                 QVERIFY(window->DatabaseFile().isEmpty());
                 fixture.idle->idle = 0;
                 EnterPassword(*window, "edit password", ""); // asked again at once
                 QCOMPARE(window->DatabaseFile(), path);
             }},
            {"quit",
             [&] {
                 window->close();
                 QVERIFY(!window->isVisible());
             }},
        };
        for (const TWay& way : ways) {
            ClickTab(*window, page_Database(*window));
            QVERIFY(o_TV_Main(*window)->SelectNode(
                o_TV_Main_Model(*window)->NodeOf(o_TV_Main_Model(*window)->index(0, 0))));
            page_Database_Content(*window)->P_Process_User_Select_Node_EVENT();
            F_Login(*window)->clear();
            QTest::keyClicks(F_Login(*window), way.name);
            QVERIFY2(page_Database_Content(*window)->PendingEditNode() != kNoNode, way.name);
            QVERIFY2(o_Timer_SAVE_Database(*window)->isActive(), way.name);
            Fire(*o_Timer_SAVE_BUTTON(*window)); // the last save's rest is over

            way.save();
            QVERIFY2(!o_Timer_SAVE_Database(*window)->isActive(), way.name);
            const TKeyvaleTree onDisk = TreeOnDisk(path, "edit password");
            TRecordFields fields;
            QVERIFY2(ReadFolderDataFromDataFolder(onDisk, onDisk.First(), fields), way.name);
            QCOMPARE(QString::fromStdString(fields.login), QString(way.name));
        }
    }

    // Folder work counts as a change for the automatic save, as record edits do.
    void folderChangesStartTheAutomaticSave() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString path = fixture.Path("auto.kvdb");
        CreateDatabase(*window, path, "auto password");
        QTimer& autoSave = *o_Timer_SAVE_Database(*window);
        QVERIFY(!autoSave.isActive());
        AddFolder(*window, "Added");
        QVERIFY(autoSave.isActive());

        autoSave.stop();
        const QModelIndex added = o_TV_Main_Model(*window)->index(0, 0);
        o_TV_Main(*window)->setCurrentIndex(added);
        o_TV_Main(*window)->edit(added);
        auto* editor = o_TV_Main(*window)->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "Renamed");
        QTest::keyClick(editor, Qt::Key_Return); // the view commits on its next turn
        QTRY_COMPARE(o_TV_Main_Model(*window)->index(0, 0).data().toString(), QString("Renamed"));
        QVERIFY(autoSave.isActive());

        fixture.idle->idle = 120000;
        Fire(autoSave);
        QCOMPARE(NamesOnDisk(path, "auto password"), std::string("Renamed;"));
    }
};

KEYVALE_APP_TEST_MAIN(TestDatabaseLifecycle)
#include "test_database_lifecycle.moc"
