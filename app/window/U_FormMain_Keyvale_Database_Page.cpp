// TFormMain: the window's side of the Database page. The page's messages go
// to its log, its sounds to the player, its copies to the secret clipboard
// and its edits to the countdown of the automatic save. The tree, the trash
// can and the record panel are the page's own, with their entry points.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"
#include "U_Name_Only_Icon_Provider.h"

#include <QApplication>
#include <QFileDialog>
#include <QShortcut>
#include <QTabWidget>

namespace {

// A menu with its submenus open: each is a popup of its own.
constexpr int kMostNestedPopups = 8;

} // namespace

QWidget* TFormMain::CreatePageDatabase() {
    o_Page_Database = new TPageDatabase(o_Session.Tree(), services_.iniPath);
    connect(o_Page_Database, &TPageDatabase::messageRaised, this, &TFormMain::P_Print_Message);
    connect(o_Page_Database, &TPageDatabase::soundRequested, this, &TFormMain::PlaySoundResource);
    connect(o_Page_Database, &TPageDatabase::databaseEdited, this,
            &TFormMain::P_Start_Auto_Save_Countdown);
    connect(o_Page_Database, &TPageDatabase::saveClicked, this, &TFormMain::b_Save_DatabaseClick);
    connect(o_Page_Database, &TPageDatabase::secretCopyRequested, this, &TFormMain::P_Copy_Secret);
    connect(o_Page_Database, &TPageDatabase::pasteCut, this, &TFormMain::P_Report_Cut_Paste);
    connect(o_Page_Database, &TPageDatabase::importRequested, this, &TFormMain::menu_ImportClick);
    connect(o_Page_Database, &TPageDatabase::mergeCopiesRequested, this,
            &TFormMain::P_Merge_Copies);
    connect(o_Page_Database, &TPageDatabase::pageWanted, this, [this] {
        o_Page_Control->setCurrentWidget(page_Database);
        activateWindow();
    });

    // The window holds the key, so that it works wherever the focus is on
    // the page; only the Database page answers it.
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setObjectName(QStringLiteral("o_Shortcut_Save"));
    connect(save, &QShortcut::activated, this, &TFormMain::P_Save_Key);
    return o_Page_Database;
}

void TFormMain::P_Start_Auto_Save_Countdown() {
    // Only work that really changed the database gets here (a refused move
    // or folder does not): it counts for the quit rule and the automatic save.
    o_Session.MarkChanged();
    if (!o_Timer_SAVE_Database.isActive()) {
        o_Timer_SAVE_Database.start();
    }
}

void TFormMain::P_Save_Folder_Data_to_Data_Folder_Pending() {
    // A name still open in the tree's editor is part of what is saved. The
    // save that follows takes it along, so it starts no countdown of its own.
    const bool counting = o_Timer_SAVE_Database.isActive();
    if (o_Page_Database->CommitOpenName() && !counting) {
        o_Timer_SAVE_Database.stop();
    }
    o_Page_Database->StorePendingEdit();
}

void TFormMain::P_Save_Key() {
    if (o_Page_Control->currentWidget() != page_Database) {
        return;
    }
    if (o_Page_Database->SaveEnabled()) {
        b_Save_DatabaseClick();
        return;
    }
    if (!o_Session.IsOpen()) {
        return;
    }
    // Save rests for a while after each save; the key says so instead of
    // doing nothing.
    P_Print_Message(QStringLiteral("The database was saved a moment ago. Save can be used again "
                                   "in %1 s.")
                        .arg(o_Page_Database->SaveRestSeconds()),
                    false);
}

void TFormMain::menu_ImportClick() {
    if (!o_Session.IsOpen() || o_Import_File_Dialog) {
        return;
    }
    // Opened, not run: no event loop waits inside this call, and the lock or
    // another database closes the dialog before it changes anything.
    auto* dialog =
        new QFileDialog(this, QStringLiteral("Import passwords"), s_GLOBAL_Current_Directory);
    dialog->setObjectName(QStringLiteral("o_Import_File_Dialog"));
    // The export is plain text: the dialog must not read any of it.
    dialog->setIconProvider(NameOnlyIconProvider());
    dialog->setNameFilters(
        {QStringLiteral("Exports of browsers and password programs (*.csv *.json)"),
         QStringLiteral("All files (*)")});
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    const QString database = DatabaseFile();
    connect(dialog, &QDialog::accepted, this, [this, dialog, database] {
        if (dialog->selectedFiles().isEmpty()) {
            return;
        }
        const QString file = dialog->selectedFiles().constFirst();
        if (!o_Session.IsOpen() || DatabaseFile() != database) {
            P_Print_Message_2(QStringLiteral("Nothing was imported from %1: the database it was "
                                             "chosen for is no longer open.")
                                  .arg(file),
                              false);
            return;
        }
        o_Page_Database->ImportFrom(file);
    });
    o_Import_File_Dialog = dialog;
    dialog->open();
}

QStringList TFormMain::P_Close_Database_Dialogs() {
    // Typing went to one of them: it goes to the window once they are gone.
    const QWidget* active = QApplication::activeWindow();
    const bool typingElsewhere =
        QApplication::activePopupWidget() != nullptr || (active != nullptr && active != this);
    // A menu chosen from afterwards would paste into, or copy from, the
    // fields of a database that is gone.
    for (int open = 0; open < kMostNestedPopups && QApplication::activePopupWidget(); ++open) {
        QApplication::activePopupWidget()->close();
    }
    if (o_Import_File_Dialog) {
        o_Import_File_Dialog->disconnect(this);
        o_Import_File_Dialog->reject();
        o_Import_File_Dialog = nullptr;
    }
    P_Close_File_Choice();
    QStringList dropped = o_Page_Database->CloseDatabaseDialogs();
    if (const QString merge = P_Merge_Copies_Close(); !merge.isEmpty()) {
        dropped << merge;
    }
    if (typingElsewhere) {
        activateWindow();
    }
    return dropped;
}

void TFormMain::P_Tree_View_Reset() {
    o_Page_Database->ResetTree();
}
