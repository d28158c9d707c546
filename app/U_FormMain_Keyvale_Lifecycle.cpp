// TFormMain: what follows a confirmed main password (creating, opening and
// re-keying a database) and saving it, by button, automatically and before
// another database takes its place.
#include "U_FormMain_Keyvale.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>

#include "U_Idle_Time.h"
#include "U_Secret_Text.h"

namespace {

constexpr int kChangePauseMs = 500;

QString FromLocal8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormMain::PauseProcessingMessages(int milliseconds) {
    ProcessMessages();
    QThread::msleep(static_cast<unsigned long>(milliseconds));
    ProcessMessages();
}

void TFormMain::P_Process_MP_EVENT() {
    L_Short_Password->setVisible(false);
    L_Wrong_Password->setVisible(false);
    F_MP1->setFocus();
    b_M->setEnabled(false);
    F_MP1->setReadOnly(true);
    F_MP2->setReadOnly(true);
    o_Timer_Enter_Button.start();

    const int mode = Tag(o_MP) & 0xFF;

    // The password leaves the panel here: its fields are emptied (their undo
    // history too) and the 8-bit copies are wiped once they have served.
    std::string MP = SecretUtf8(F_MP1->text());
    std::string repeat = SecretUtf8(F_MP2->text());
    const bool repeated = mode == 1 || mode == 3;
    const std::string problem = TKeyvaleSession::PasswordProblem(MP, repeated ? &repeat : nullptr);
    KvSecureWipe(repeat);
    if (!problem.empty()) {
        const bool tooShort = TKeyvaleSession::PasswordTooShort(MP);
        KvSecureWipe(MP);
        P_Print_Message_2(QString::fromStdString(problem), true);
        PlaySoundResource(QStringLiteral("S_W_2"));
        L_Short_Password->setVisible(tooShort);
        return;
    }
    ClearSecretField(F_MP1);
    ClearSecretField(F_MP2);
    if (mode == 1 || mode == 2) {
        P_Process_MP(F_Database_File_Name->text(), MP, mode);
    } else if (mode == 3) {
        P_Process_MP(s_GLOBAL_Database_File, MP, 3);
    }
    KvSecureWipe(MP);
}

void TFormMain::P_Process_MP(const QString& s_Database_File_Name, const std::string& s_MP,
                             int i_Mode) {
    const QString path = s_Database_File_Name;
    const std::string path8 = path.toStdString();

    // A password the keys cannot be derived from is refused before anything
    // is saved, closed or created; the panel stays for a better one.
    if (const std::string refusal = TKeyvaleSession::PasswordRefusal(s_MP); !refusal.empty()) {
        P_Print_Message_2(FromLocal8(refusal), true);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return;
    }

    if (i_Mode == 1) {
        P_MP_Panel_Show(false);
        if (!P_Save_Current_Database_First()) {
            return;
        }
        const TSessionResult result = o_Session.Create(path8, s_MP);
        if (result.outcome == TSessionOutcome::Exists) {
            // Someone put a file at the name while the panel was open: it is
            // left alone, and the panel offers to open it instead.
            P_Print_Session_Messages(result);
            PlaySoundResource(QStringLiteral("S_W_2"));
            SetTag(F_Database_File_Name, 1);
            F_Database_File_Name->setText(path);
            SetTag(F_Database_File_Name, 0);
            ShowDatabaseLabels(path);
            P_Open_Database_STEP_1(path);
            return;
        }
        if (!result.Succeeded()) {
            P_Print_Session_Messages(result); // the open database, if any, stays open
            return;
        }
        P_Show_No_Database();
        F_Message->clear();
        o_Page_Control->setCurrentWidget(page_Database);
        P_Database_TAB_ENABLE(true);
        P_Print_Session_Messages(result);
        P_Print_Pending_Conflict_Warning();
        PlaySoundResource(QStringLiteral("S_DB_Opened"));
        P_Sync_Database_File();
        ShowDatabaseLabels(s_GLOBAL_Database_File);
        return;
    }

    if (i_Mode == 2) {
        if (!P_Save_Current_Database_First()) {
            return;
        }
        P_Load_Database_File(path, s_MP);
        return;
    }

    if (i_Mode == 3) {
        // Keys derived aside replace the old ones only once the file holds
        // the database under them; otherwise memory and file keep the old ones.
        P_Save_Folder_Data_to_Data_Folder_Pending();
        const TSessionResult result = o_Session.ChangePassword(s_MP);
        P_Sync_Database_File();
        P_Print_Session_Messages(result);
        if (result.outcome == TSessionOutcome::Refused) {
            PlaySoundResource(QStringLiteral("S_W_2"));
            return;
        }
        if (!result.Succeeded()) {
            PlaySoundResource(QStringLiteral("S_W_2"));
            P_MP_Panel_Show(false);
            return;
        }
        PlaySoundResource(QStringLiteral("S_MP_Change"));
        P_Print_Message_2(QString::fromLatin1(kPasswordChangedText), true);
        P_MP_Panel_Show(false);
        PauseProcessingMessages(kChangePauseMs);
        o_Page_Control->setCurrentWidget(page_Database);
        PauseProcessingMessages(kChangePauseMs);
        PlaySoundResource(QStringLiteral("S_DB_Opened"));
        P_Print_Message(QString::fromLatin1(kPasswordChangedText), false);
    }
}

bool TFormMain::P_Save_Current_Database_First() {
    if (!o_Session.IsOpen() || P_Save_Before_Leaving()) {
        return true;
    }
    P_Print_Message_2(QString::fromLatin1(kCurrentKeptOpenText), true);
    PlaySoundResource(QStringLiteral("S_W_2"));
    return false;
}

bool TFormMain::P_Process_Save_Database_EVENT(const QString& s_Database_File_Name) {
    b_Save_Database->setEnabled(false);
    o_Timer_SAVE_BUTTON.start();
    o_Timer_SAVE_Database.stop();
    P_Save_Folder_Data_to_Data_Folder_Pending();
    return P_Save_Database_File(s_Database_File_Name);
}

bool TFormMain::P_Save_Database_File(const QString& s_Database_File_Name) {
    if (s_Database_File_Name.isEmpty() || !o_Session.IsOpen()) {
        P_Print_Message(
            QStringLiteral(
                "Error! Cannot save database because the name of the database file is empty!"),
            true);
        return false;
    }
    if (b_GLOBAL_Save_Database_in_progress_EVENT) {
        return false;
    }
    b_GLOBAL_Save_Database_in_progress_EVENT = true;
    const TSessionResult result = o_Session.Save();
    P_Sync_Database_File();
    P_Print_Session_Messages(result);
    b_GLOBAL_Save_Database_in_progress_EVENT = false;
    return result.Succeeded();
}

bool TFormMain::P_Save_Before_Leaving() {
    if (b_GLOBAL_Save_Database_in_progress_EVENT) {
        return false;
    }
    o_Timer_SAVE_Database.stop();
    // An edit still open in a field or in the tree is a change to save.
    P_Save_Folder_Data_to_Data_Folder_Pending();
    b_GLOBAL_Save_Database_in_progress_EVENT = true;
    const TSessionResult result = o_Session.SaveBeforeLeaving();
    P_Sync_Database_File();
    P_Print_Session_Messages(result);
    b_GLOBAL_Save_Database_in_progress_EVENT = false;
    return result.Succeeded();
}

bool TFormMain::P_Load_Database_File(const QString& s_Database_File_Name, const std::string& s_MP) {
    const TSessionResult result = o_Session.Open(s_Database_File_Name.toStdString(), s_MP);
    if (result.outcome == TSessionOutcome::WrongPassword) {
        L_Wrong_Password->setVisible(true);
        P_Print_Session_Messages(result);
        F_MP1->setFocus();
        PlaySoundResource(QStringLiteral("S_W_1"));
        return false;
    }
    if (!result.Succeeded()) {
        // The database that was open, if any, stays open as it was.
        P_Print_Session_Messages(result);
        return false;
    }
    P_Show_No_Database();
    F_Message->clear();
    P_Print_Session_Messages(result);
    P_Print_Pending_Conflict_Warning();
    P_Database_TAB_ENABLE(true);
    o_Page_Control->setCurrentWidget(page_Database);
    PlaySoundResource(QStringLiteral("S_DB_Opened"));
    P_MP_Panel_Show(false);
    ShowDatabaseLabels(s_GLOBAL_Database_File);
    return true;
}

void TFormMain::P_Print_Session_Messages(const TSessionResult& result) {
    if (result.outcome == TSessionOutcome::SavedAside) {
        // The alerted line says where the work went.
        for (const TSessionMessage& message : result.messages) {
            if (message.alert) {
                conflictWarning_ = FromLocal8(message.text);
                break;
            }
        }
    }
    for (const TSessionMessage& message : result.messages) {
        if (message.log == TSessionLog::Database) {
            P_Print_Message(FromLocal8(message.text), message.alert);
        } else {
            P_Print_Message_2(FromLocal8(message.text), message.alert);
        }
    }
}

void TFormMain::P_Print_Pending_Conflict_Warning() {
    if (conflictWarning_.isEmpty()) {
        return;
    }
    P_Print_Message(conflictWarning_, false); // alerted already when it happened
    conflictWarning_.clear();
}

void TFormMain::P_Sync_Database_File() {
    const QString file = FromLocal8(o_Session.FileName());
    if (file == s_GLOBAL_Database_File) {
        return;
    }
    const bool moved = !s_GLOBAL_Database_File.isEmpty() && !file.isEmpty();
    s_GLOBAL_Database_File = file;
    if (moved) {
        // Saved beside a file another program changed: the copy is the open
        // file now, and every place that names the open file says so.
        SetTag(F_Database_File_Name, 1);
        F_Database_File_Name->setText(file);
        SetTag(F_Database_File_Name, 0);
        if (!L_Database_File->text().isEmpty()) {
            ShowDatabaseLabels(file);
        }
    }
}

void TFormMain::b_Save_DatabaseClick() {
    P_Print_Message(QStringLiteral("Trying to save database ..."), false);
    PlaySoundResource(QStringLiteral("S_DB_Save"));
    if (!b_GLOBAL_Save_Database_in_progress_EVENT) {
        P_Process_Save_Database_EVENT(s_GLOBAL_Database_File);
    }
    F_Folder_Name->setFocus();
    b_Save_Database->setEnabled(false);
    o_Timer_SAVE_BUTTON.start();
}

void TFormMain::o_Timer_SAVE_DatabaseTimer() {
    if (services_.idleTime->IdleMilliseconds() >= Idle_Before_Auto_Save_Ms) {
        P_Process_Save_Database_EVENT(s_GLOBAL_Database_File);
        o_Timer_SAVE_Database.stop();
    }
}

void TFormMain::i_Change_Main_PasswordClick() {
    PlaySoundResource(QStringLiteral("S_MP_Change"));
    if (!s_GLOBAL_Database_File.isEmpty()) {
        SetTag(o_MP, 3);
        P_MP_Panel_Show(true);
    }
}
