// The Main password page: its message log and welcome text, the list of
// database files, the open/create pictures with the start hint, and the
// panel that slides in to take a main password. The page keeps its widgets
// to itself; it tells the window what the user did through the signals
// below, and the window, which holds the session, tells it what to show.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <string>

#include "U_Keyvale_Session.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPropertyAnimation;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class TPicture;

class TPageMainPassword : public QWidget {
    Q_OBJECT
  public:
    // The panel's hidden position lies this far below its shown one; it
    // moves in steps of this many pixels.
    static constexpr int SlideDistance = 550;
    static constexpr int SlideStep = 35;

    explicit TPageMainPassword(QWidget* parent = nullptr);

    // ---- the message log
    // The welcome text, centred, until the next line replaces it.
    void ShowWelcome();
    bool WelcomeShown() const { return welcomeShown_; }
    // One line, left-justified and highlighted; the first one after the
    // welcome text (or after ClearLog) starts the log afresh.
    void AppendToLog(const QString& line);
    void ClearLog();
    QSize LogSize() const;
    void SetLogHeight(int height);
    // Where the page scrolls, the log takes the visible width and wraps there
    // instead of running past it with its lines cut.
    void FitWelcomeText();

    // ---- the database files and the chosen one
    // The database files of `folder` (names only, in the order to show).
    void ListFiles(const QString& folder, const QStringList& files);
    bool HasFilesToChoose() const;
    void SetFileListWidth(int width);
    // The file the list click or the file dialog chose; fileChosen follows.
    void ChooseFile(const QString& path);
    // The selected entry of the file list chosen, as a click does.
    void ChooseSelectedFile();
    // Sets the chosen file's name without announcing it.
    void SetFileNameQuietly(const QString& path);
    QString FileName() const;
    // The folder and name of the chosen file under the log.
    void ShowDatabaseLabels(const QString& path);
    void ClearDatabaseLabels();
    bool DatabaseLabelsShown() const;
    // While a database is open the change-password picture takes the create
    // picture's place.
    void ShowDatabaseOpen(bool open);
    // The start hint: the hint timer ticks every 2 s from start-up; on its
    // second tick with no database file to choose, the arrow rises towards
    // the picture that opens a file (P_Hint_1). With files to choose, never.
    void o_Timer_HintTimer();
    void P_Hint_1();
    void HideHint();

    // ---- the password panel
    // Slides the panel in for `mode` on the file at `path`.
    void ShowPanel(TPasswordMode mode, const QString& path);
    // Empties the password fields and slides the panel out.
    void ClosePanel();
    void ShowWrongPassword();
    // The typed passwords: checked, and handed over by passwordConfirmed or
    // refused by passwordRefused. The fields take no input until the Enter
    // timer runs out (or ReopenEntry), so that a held Enter does not repeat it.
    void ConfirmPassword();
    bool EntryOpen() const;
    void ReopenEntry();
    void o_Timer_Enter_ButtonTimer();
    // The characters of the password fields shown or masked, and the eye.
    void ShowPassword(bool shown);
    bool PasswordShown() const { return passwordShown_; }
    // The password fields emptied, with their undo history, and masked.
    void ClearSecrets();

  signals:
    void fileListClicked();
    void openFileRequested();
    void changePasswordRequested();
    // The chosen file's name changed other than quietly.
    void fileChosen(const QString& path);
    // Enter pressed, in a field or on the button.
    void confirmRequested();
    void panelCancelled();
    void passwordViewToggled(bool shown);
    // The password leaves the page only through this call; the buffer is
    // wiped when it returns.
    void passwordConfirmed(TPasswordMode mode, const QString& file, const std::string& password);
    void passwordRefused(const QString& problem);
    // A paste into a password field was cut to its limit.
    void pasteCut(const QWidget* field, int kept, int pasted);

  private:
    QWidget* CreateLog();
    QLayout* CreateFileRow();
    QLayout* CreateFileList();
    QLayout* CreatePictures();
    void CreateHint();
    QFrame* CreatePanel();
    QLayout* CreatePanelTitle();
    void CreatePanelFields(class QGridLayout* grid);
    QLayout* CreatePanelButtons();
    void ConnectPage();
    void HidePasswordNotices();
    void SlideIn();
    void SlideOut();

    bool welcomeShown_ = false;
    bool settingFileNameQuietly_ = false;
    bool passwordShown_ = false;
    TPasswordMode panelMode_ = TPasswordMode::Open;
    QString panelFile_;
    QString listedFolder_;
    QString welcomeTemplate_;
    QObject* welcomeFit_ = nullptr;
    QPropertyAnimation* panelSlide_ = nullptr;
    QPointer<QPropertyAnimation> hintRise_;

    QTextEdit* F_Message_2 = nullptr;
    QTextEdit* F_Message_Start = nullptr;
    QLabel* L_Database_Files = nullptr;
    QTreeWidget* o_TV_Files = nullptr;
    QLabel* L_Database_Path = nullptr;
    QLabel* L_Database_File = nullptr;
    QLineEdit* F_Database_File_Name = nullptr;
    TPicture* i_Open_File = nullptr;
    TPicture* i_Main_Password_1 = nullptr;
    TPicture* i_Change_Main_Password = nullptr;
    QPushButton* b_Create_Database = nullptr;
    TPicture* i_Hint_1 = nullptr;
    QFrame* o_MP = nullptr;
    TPicture* i_MP_Action = nullptr;
    QLabel* L_MP_Action = nullptr;
    QLabel* L_MP3 = nullptr;
    QLabel* L_Database_Path_2 = nullptr;
    QLabel* L_Database_File_2 = nullptr;
    QLabel* L_MP1 = nullptr;
    QLineEdit* F_MP1 = nullptr;
    QLabel* L_MP2 = nullptr;
    QLineEdit* F_MP2 = nullptr;
    TPicture* i_MP_View = nullptr;
    QFrame* o_Shape_MP1 = nullptr;
    QLabel* L_Wrong_Password = nullptr;
    QLabel* L_Short_Password = nullptr;
    QPushButton* b_M = nullptr;
    QPushButton* b_Cancel_M = nullptr;

    QTimer o_Timer_Hint{this};
    int hintTicks_ = 0;
    QTimer o_Timer_Enter_Button{this};
};
