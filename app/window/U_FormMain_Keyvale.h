// The program's one window: the page control with its five pages, the
// message logs, the desktop alert, the sounds, the timers, the settings file
// and the session of the open database. Each page is a class of its own that
// owns its widgets; the window wires the pages to the session and shows what
// comes of each step. Every user action runs to completion on the
// user-interface thread.
#pragma once

#include <QLocale>
#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QTime>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Session.h"
#include "U_Keyvale_TreeView_Data_Tree.h"
#include "U_Sound_Player.h"

class QFileDialog;
class QFileSystemWatcher;
class QMessageBox;
class QMimeData;
class QTabWidget;
class QWindow;
class TDesktopAlert;
class TIdleTimeProvider;
class TPageDatabase;
class TPageSettings;
class TMergePreviewDialog;
class TSecretClipboard;
class TViewPlaces;
struct TLogTimeFormat;

class TFormMain : public QMainWindow {
    Q_OBJECT
  public:
    // Everything the window takes from its surroundings. The program uses the
    // defaults; tests pass their own settings file, folder, clock and player.
    struct TServices {
        std::string iniPath;                       // the settings file
        QString workingDirectory;                  // where database files are listed
        std::shared_ptr<TSoundPlayer> soundPlayer; // plays the clips
        std::function<QTime()> clock;              // time of day for the logs
        QLocale locale;                            // time stamp format
        // How long the desktop has been idle, for the automatic save; the
        // window makes the desktop's own when this is empty.
        std::shared_ptr<TIdleTimeProvider> idleTime;
        // The disk's word on each save, between writing the new bytes and
        // giving them the file's name: a text fails the save there, as a
        // full disk does. Empty (the program's): the disk's own answer.
        std::function<std::string()> saveCheckpoint;
    };
    static TServices DefaultServices();

    explicit TFormMain(TServices services = DefaultServices());
    ~TFormMain() override;

    // ---- start-up, pages, close
    void P_Program_Start();
    void o_Page_ControlChange();
    // The exit procedure: saves the open database (when asked) through the
    // session's quit rule and writes the settings. False when the program
    // must not quit because the save failed (see TKeyvaleSession::RequestQuit).
    bool P_Main_Exit(bool b_Save_Database);
    // Leaving without the Exit tab (a signal, the end of the desktop
    // session): the same as closing the window. True when it closed.
    bool P_Leave_Requested();
    // The display took the window away: save as at exit and end the program,
    // whatever the save's outcome, since nothing can be shown any more (the
    // save's messages go to the standard error stream).
    void P_Window_Lost();
    // The window's size and place for the screen it is on (U_FormMain_Keyvale_Screen.cpp).
    void P_Fit_Window_To_Screen();
    void P_Fit_Welcome_Text();

    // ---- message logs and sounds
    void P_Print_Message(const QString& s_Message, bool boolean_Desktop_Alert);
    void P_Print_Message_2(const QString& s_Message, bool boolean_Desktop_Alert);
    // A message of the Settings page: on the page's own line, where the user
    // is, and in the Database page's log with the others.
    void P_Print_Message_Settings(const QString& s_Message, bool boolean_Desktop_Alert);
    // A message about something done in `source`: shown on the source's page.
    void P_Print_Message_For(const QWidget* source, const QString& s_Message,
                             bool boolean_Desktop_Alert);
    void PlaySoundResource(const QString& name);

    // ---- database state (the no-database state for now)
    void P_DEACTIVATE_Current_Database();
    void P_Database_TAB_ENABLE(bool b_Enable);
    void P_Database_File_List_Box_Refresh();
    // Refreshes the file list whenever files appear in or leave the folder.
    void P_Watch_Current_Directory();
    void P_MP_Show(bool b_MP_Show);
    void P_Password_Show(bool boolean_Password_Show);

    // ---- database lifecycle: file choice, main password, save and load
    void o_TV_FilesClick();
    void i_Open_FileClick();
    void F_Database_File_NameChange();
    // False when the file is refused before its password is asked; the
    // page's labels then show the open database again (or none).
    bool P_Open_Database_STEP_1(const QString& db_File_Name);
    // A file handed to the program (on its command line, or by a second
    // start): the window comes to the front, saves the open database as
    // before another is opened (a failed save keeps it open and stops here)
    // and asks for the file's password, as a click on it in the file list
    // would. A missing or unreadable file gets the file list's messages.
    void P_Open_Given_File(const QString& path);
    // A second start without a file: the window comes to the front.
    void P_Bring_To_Front();
    void P_Create_Database_STEP_1(const QString& db_File_Name);
    void P_MP_Panel_Show(bool b_Show);
    void b_MClick();
    void b_Cancel_MClick();
    void P_Process_MP_EVENT();
    void P_Process_MP(const QString& s_Database_File_Name, const std::string& s_MP,
                      TPasswordMode mode);
    // The open database's file; empty when none is open.
    QString DatabaseFile() const { return QString::fromStdString(o_Session.FileName()); }
    // A save on the user's word (the Save button, Ctrl+S) or the automatic
    // save's, of the open database; with none open it only reports that
    // there is no file. True when the file was written.
    bool P_Process_Save_Database_EVENT();
    void b_Save_DatabaseClick();
    void o_Timer_SAVE_DatabaseTimer();
    void i_Change_Main_PasswordClick();

    // ---- hash calculator (the Settings page's)
    void P_Fill_Hash_Length_List();
    void P_Hash_Argument_Show(bool boolean_Show);

    // ---- appearance
    void P_Skins_Setup();
    void P_Apply_Skin(int index);
    void o_List_Skin_2Click();

    // ---- settings file
    void P_Load_Settings_from_ini_File();
    void P_Save_Settings_to_ini_File();

    // ---- clipboard and idle lock (U_FormMain_Keyvale_Clipboard.cpp, _Lock.cpp)
    // Puts a text on the clipboard marked secret and logs when it goes again.
    void P_Copy_Secret(const QString& text);
    // The same for a copy made on another page, whose message shows there.
    void P_Copy_Secret_From(const QWidget* source, const QString& text);
    // One log line for a paste cut to the field's limit, in the log of the
    // field's page.
    void P_Report_Cut_Paste(const QWidget* field, int kept, int pasted);
    void o_Timer_Idle_LockTimer();
    // Saves, closes and asks for the main password of the same file again.
    // False (with a message) when the save failed: nothing is locked then.
    bool P_Lock_Database();

    // ---- the Database page's side of the window (U_FormMain_Keyvale_Database_Page.cpp)
    // Shows the session's tree afresh in the folder tree after it was
    // replaced wholesale (load, close).
    void P_Tree_View_Reset();
    // Before every save: an edit still open in a field or in the tree's
    // name editor goes into the tree.
    void P_Save_Folder_Data_to_Data_Folder_Pending();
    // The file dialog of an import (the page shows the preview and adds the records).
    void menu_ImportClick();
    // Before the open database is locked, closed or replaced: every dialog
    // and popup that belongs to it closes (the import's file dialog and
    // preview, the health report, the generator's options, a context menu,
    // the Main password page's choice of another file), so that no answer
    // given there reaches another database or none, and typing goes to the
    // window again. Returns a log line for each thing dropped.
    QStringList P_Close_Database_Dialogs();
    // Ctrl+S: saves as the Save button does, or says why it cannot yet.
    void P_Save_Key();
    // Tree and record edits start the countdown to the automatic save.
    void P_Start_Auto_Save_Countdown();

    // ---- another writer's changes (U_FormMain_Keyvale_File_Watch.cpp, _Merge_Copies.cpp)
    // Follows the open database's file (and its folder, since writers
    // replace the file by renaming another over it); with none open,
    // nothing is followed.
    void P_Watch_Database_File();
    // The file changed on disk and the change has settled: with nothing
    // unsaved in the window it is read again, and the tree shown follows it.
    // With an unsaved edit nothing is done: the next save merges.
    void o_Timer_Database_ChangedTimer();
    // The conflict copies beside the open database: named in the log (when
    // `log`) and counted for "Merge copies...".
    void P_Find_Conflict_Copies(bool log);
    // "Merge copies...": each copy in turn is previewed, then merged or left.
    void P_Merge_Copies();

  protected:
    void closeEvent(QCloseEvent* event) override; // FormClose
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void CreatePages();
    // The Database page, wired to the log, the sounds, the clipboard and saving.
    QWidget* CreatePageDatabase();
    QString LogHeader();
    void ShowDesktopAlert(const QString& header, const QString& message);
    void AnimatePageChange(QWidget* page);
    QMargins FrameMargins() const;
    void P_Watch_Screen();
    QWidget* ScrollingPage(QWidget* content, const char* name, const QString& accessibleName);
    void AnimateThemeChange();
    void ConnectDatabaseLifecycle();
    void P_Clipboard_Setup();
    // The window's side of the session: where its messages show, with which
    // sound, and what the pages show after each outcome.
    void P_Print_Session_Messages(const TSessionResult& result);
    void P_Follow_Saved_Aside(const TSessionResult& result);
    void P_Show_Create_Result(const QString& path, const TSessionResult& result);
    void P_Show_Open_Result(const TSessionResult& result);
    void P_Show_Change_Password_Result(const TSessionResult& result);
    // The file dialog's choice, and the question before a new file is made.
    void P_Choose_File(const QString& chosen);
    // The Main password page's file dialog or its question, asked while the
    // open database (or none) was open, closes unanswered.
    void P_Close_File_Choice();
    void P_Show_Switch_Result(TPasswordMode mode, const QString& path,
                              const TSessionResult& result);

    // Why the open database is saved; the session's rule differs for each.
    enum class TSaveOccasion {
        Asked,       // the Save button, Ctrl+S, the automatic save: whatever changed
        Leaving,     // the lock: only if it changed; a failure keeps it open
        Switching,   // another database takes its place: as Leaving
        NewPassword, // the re-key: saved under the new password's keys
        Quitting,    // the quit rule: a failed save refuses once
        WindowLost,  // as Leaving, with the messages on the standard error stream
    };
    struct TSaveOutcome {
        TSessionResult saved; // the save, shown already
        // Switching: KeptOpen, with its message, when the save failed.
        TSessionResult keptOpen;
        // What asked for the save (a lock, a switch, a quit) may go on.
        bool goOn = true;
    };
    // The window's one way to save: the automatic countdown stops (and after
    // a save asked for, the Save button rests), an edit still open in a field
    // or in the tree goes into the tree, the session saves by the rule of the
    // occasion, and the window shows what came of it.
    TSaveOutcome P_Save_Database(TSaveOccasion occasion, const std::string& newPassword = {});

    // What the pages show once a database is open: its tree, fresh logs
    // and fields, nothing left of the one before.
    void P_Show_Opened_Database();
    void P_Show_No_Database(); // the window's part of closing a database
    // Nothing on screen is left of the database shown until now.
    void P_Forget_Shown_Database();
    // Empties every field that holds a secret or a value made from one (the
    // main password fields, the calculator's text and hashes), with their
    // undo history, and sets every eye back to "hidden": lock and close.
    void P_Clear_Secret_Fields();
    // A warning that the last save went to a conflict copy outlives the
    // clearing of the logs until it has been shown again after the next open.
    void P_Print_Pending_Conflict_Warning();
    // After a session step whose result replaced the tree: the view shows
    // the new tree with the selection and the open folders of `places`.
    void P_Follow_Replaced_Tree(const TSessionResult& result, const TViewPlaces& places);
    // The merge of the copies, one at a time (U_FormMain_Keyvale_Merge_Copies.cpp).
    void P_Merge_Next_Copy();
    void P_Merge_Plan(const QString& copy, const std::string& password, bool retry);
    void P_Merge_Answered(const QString& copy, int answer);
    void P_Merge_Apply(const QString& copy);
    void P_Ask_Delete_Copy(const QString& copy);
    // The preview or the question of a merge of copies closes unanswered.
    // Returns a log line when a merge was begun.
    QString P_Merge_Copies_Close();

    TServices services_;
    std::unique_ptr<TLogTimeFormat> timeFormat_;
    std::unique_ptr<TDesktopAlert> JvDesktopAlert1;
    int activeSkin_ = -1;
    bool closing_ = false;
    QMargins frame_;                  // the frame the window's size was last fitted for
    QPointer<QWindow> watchedWindow_; // whose screen changes are followed
    QMetaObject::Connection screenArea_;
    // The last page shown other than "E x i t", to return to when leaving is refused.
    QWidget* lastPage_ = nullptr;
    // The idle lock's save failed; it is not tried again until the user is back.
    bool lockRefused_ = false;
    TPasswordMode o_MP_Mode = TPasswordMode::Open;
    // The page control and the pages it switches between, each in a
    // scrolling frame.
    QTabWidget* o_Page_Control = nullptr;
    QWidget* page_Main_Password = nullptr;
    QWidget* page_Database = nullptr;
    QWidget* page_Settings = nullptr;
    QWidget* page_Exit = nullptr;
    TPageMainPassword* o_Page_Main_Password = nullptr; // log, file list and password panel
    TPageDatabase* o_Page_Database = nullptr;          // folder tree, record panel and trash can
    TPageSettings* o_Page_Settings = nullptr; // themes, calculator, clipboard and lock choices
    // The import's file dialog while it is open.
    QPointer<QFileDialog> o_Import_File_Dialog;
    // The warning of a save that went to a conflict copy, until shown in a
    // fresh log (see P_Print_Pending_Conflict_Warning).
    QString conflictWarning_;
    // Another writer's changes: the watcher of the open database's file and
    // folder, and the last problem reading the file said in the log (said
    // once, not on every change of the file).
    QFileSystemWatcher* o_Database_Watcher = nullptr;
    QString fileProblemShown_;
    // The merge of copies under way: the copies still to preview, the
    // preview (or password question) open, the plan it shows, and the
    // question whether a merged copy goes.
    QStringList mergeQueue_;
    QPointer<TMergePreviewDialog> o_Merge_Preview;
    std::shared_ptr<TMergePlan> mergePlanned_;
    QPointer<QMessageBox> o_Merge_Delete_Question;

    // The folder whose database files are listed, with one trailing separator.
    QString s_GLOBAL_Current_Directory;
    // The open database: its file, keys and tree, and the rules of its life
    // (switching, create, open, re-key, save, close, quit).
    TKeyvaleSession o_Session;
    // The one clipboard for secrets
    TSecretClipboard* o_Clipboard = nullptr;

    // The window's timers are its children, each found by its name.
    QTimer o_Timer_SAVE_Database{this};
    QTimer o_Timer_Idle_Lock{this};        // checks the desktop's idle time for the lock
    QTimer o_Timer_Files_Changed{this};    // file changes in the folder settle
    QTimer o_Timer_Database_Changed{this}; // changes of the open database's file settle
    QTimer o_Timer_Theme_Settle{this};     // a new look settles before the next is applied
};
