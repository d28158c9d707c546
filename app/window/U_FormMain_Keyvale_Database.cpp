// TFormMain: the state without an open database, the list of database files
// and the masking toggles shared by the password fields.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"
#include "U_Secret_Text.h"

#include <QDir>
#include <QFileSystemWatcher>

#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Picture.h"
#include "U_Secret_Clipboard.h"

namespace {

const char* const kNoDatabaseText =
    "\n\n     Dear user !   \n\n     You have not any database opened or created. You cannot "
    "begin work with your data until you open existing database or create a new one.\n";

// Changes in the folder come in bursts; the list waits this long after the last.
constexpr int kFilesChangedSettleMs = 150;

} // namespace

void TFormMain::P_DEACTIVATE_Current_Database() {
    // The keys are wiped; tree, file and its identity forgotten.
    o_Session.Close();
    P_Clear_Secret_Fields();
    P_Show_No_Database();
}

void TFormMain::P_Clear_Secret_Fields() {
    // setText, unlike clear(), also empties the undo history, which would
    // otherwise give the text back with Ctrl+Z.
    o_Page_Main_Password->ClearSecrets();
    o_Page_Settings->ClearSecrets();
    P_MP_Show(false);
    P_Password_Show(false);
}

// No database is open: nothing on screen is left of the one that was, and
// the pages say that none is open.
void TFormMain::P_Show_No_Database() {
    P_Forget_Shown_Database();
    o_Page_Main_Password->ShowDatabaseOpen(false);
    P_Database_TAB_ENABLE(false);
    o_Page_Main_Password->ClearLog();
    o_Page_Main_Password->ClearDatabaseLabels();
    // The search text, the log, and the fields with their undo history and a
    // pending edit; once more at the end, since the pages' state changes
    // above may have run the selection event.
    o_Page_Database->ShowNoDatabase(QString::fromLatin1(kNoDatabaseText));
    P_Watch_Database_File();
    P_Find_Conflict_Copies(false);
}

// A database was opened: the pages show its tree, with nothing left of the
// one before, and the logs start afresh.
void TFormMain::P_Show_Opened_Database() {
    P_Forget_Shown_Database();
    o_Page_Main_Password->ShowDatabaseOpen(true);
    o_Page_Main_Password->ClearLog();
    o_Page_Database->StartAfresh();
    P_Watch_Database_File();
}

// Everything on screen that belonged to the database shown until now, with
// every pending edit; shows the tree the session holds now.
void TFormMain::P_Forget_Shown_Database() {
    // Whatever closed the database has closed its dialogs already; this
    // holds for every way there.
    P_Close_Database_Dialogs();
    P_Tree_View_Reset();
    P_Database_File_List_Box_Refresh();
    o_Page_Main_Password->HideHint();
    // No secret of the database stays on the clipboard.
    if (o_Clipboard != nullptr) {
        o_Clipboard->ClearIfOurs();
    }
}

void TFormMain::P_Database_TAB_ENABLE(bool b_Enable) {
    o_Page_Database->ShowDatabase(b_Enable);
}

void TFormMain::P_Database_File_List_Box_Refresh() {
    const QDir folder(s_GLOBAL_Current_Directory);
    o_Page_Main_Password->ListFiles(
        s_GLOBAL_Current_Directory,
        folder.entryList({QStringLiteral("*.kvdb")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void TFormMain::P_MP_Show(bool b_MP_Show) {
    o_Page_Main_Password->ShowPassword(b_MP_Show);
}

void TFormMain::P_Password_Show(bool boolean_Password_Show) {
    o_Page_Database->ShowPassword(boolean_Password_Show);
}

void TFormMain::P_Watch_Current_Directory() {
    // A file copied into the folder, or removed from it, shows in the list at
    // once. Changes come in bursts (a save writes a temporary file and renames
    // it), so the list is refreshed once they have settled.
    o_Timer_Files_Changed.setObjectName(QStringLiteral("o_Timer_Files_Changed"));
    o_Timer_Files_Changed.setSingleShot(true);
    o_Timer_Files_Changed.setInterval(kFilesChangedSettleMs);
    connect(&o_Timer_Files_Changed, &QTimer::timeout, this, [this] {
        P_Database_File_List_Box_Refresh();
        P_Find_Conflict_Copies(false); // a sync tool may have put one there
    });
    auto* watcher = new QFileSystemWatcher(this);
    watcher->setObjectName(QStringLiteral("o_Directory_Watcher"));
    watcher->addPath(s_GLOBAL_Current_Directory);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { o_Timer_Files_Changed.start(); });
}
