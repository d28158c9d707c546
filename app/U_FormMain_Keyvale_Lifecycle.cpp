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

#include <utility>

#include "U_Idle_Time.h"
#include "U_KV_RAT_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"

namespace {

constexpr int kCreateProbeBytes = 5000;
constexpr int kChangePauseMs = 500;

const char* const kPasswordChangedText = "Main password of your database has been changed.";

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

    const std::string MP = F_MP1->text().toStdString();
    const int mode = Tag(o_MP) & 0xFF;

    if (F_MP1->text().length() < Minimum_Password_Length) {
        P_Print_Message_2(QStringLiteral("Error! Your password is too short. Password must be at "
                                         "least %1 characters long.")
                              .arg(Minimum_Password_Length),
                          true);
        PlaySoundResource(QStringLiteral("S_W_2"));
        L_Short_Password->setVisible(true);
        L_Wrong_Password->setVisible(false);
        return;
    }
    if ((mode == 1 || mode == 3) && F_MP1->text() != F_MP2->text()) {
        P_Print_Message_2(
            QStringLiteral("Error! Your password does not match password verification field."),
            true);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return;
    }
    if (mode == 1 || mode == 2) {
        P_Process_MP(F_Database_File_Name->text(), MP, mode);
    } else if (mode == 3) {
        P_Process_MP(s_GLOBAL_Database_File, MP, 3);
    }
}

void TFormMain::P_Process_MP(const QString& s_Database_File_Name, const std::string& s_MP,
                             int i_Mode) {
    const QString path = s_Database_File_Name;
    const std::string path8 = path.toStdString();

    // Key derivation refuses only passwords whose UTF-8 form is too long.
    auto deriveInto = [this](const std::string& password, TKeyMaterial& keys) {
        const std::string error = KvDeriveKeyMaterial(password, keys);
        if (!error.empty()) {
            P_Print_Message_2(FromLocal8(error), true);
            PlaySoundResource(QStringLiteral("S_W_2"));
        }
        return error.empty();
    };

    // Before another database takes its place, the open one is written; if
    // that fails it stays open and nothing else happens.
    auto saveCurrentFirst = [this] {
        if (s_GLOBAL_Database_File.isEmpty() ||
            P_Process_Save_Database_EVENT(s_GLOBAL_Database_File)) {
            return true;
        }
        P_Print_Message_2(QStringLiteral("Error! Your current database could not be saved, so it "
                                         "stays open. Nothing else has been done."),
                          true);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return false;
    };

    if (i_Mode == 1) {
        P_MP_Panel_Show(false);
        TByteArray probe;
        RatFillBytes(probe, 3, kCreateProbeBytes);
        const std::string error = SaveBytesToFile(probe, path8);
        if (!error.empty()) {
            const QString message =
                QStringLiteral("Error! Cannot create a database file. ") + FromLocal8(error);
            P_Print_Message(message, false);
            P_Print_Message_2(message, true);
            DeleteFileQuietly(path8);
            return;
        }
        if (!saveCurrentFirst()) {
            DeleteFileQuietly(path8);
            return;
        }
        TKeyMaterial keys;
        if (!deriveInto(s_MP, keys)) {
            DeleteFileQuietly(path8);
            return;
        }
        P_DEACTIVATE_Current_Database();
        DeleteFileQuietly(path8);

        F_Message->clear();
        o_Page_Control->setCurrentWidget(page_Database);
        P_Database_TAB_ENABLE(true);
        P_Print_Message(QStringLiteral("[") + path +
                            QStringLiteral("]. Your new database is empty. You may begin your work "
                                           "with your secret data: create and manipulate your "
                                           "folders and records."),
                        true);
        o_Tree_Data.Clear();
        P_Tree_View_Reset();
        std::swap(o_Keys, keys);
        keys.Wipe();
        P_Process_Save_Database_EVENT(path);

        PlaySoundResource(QStringLiteral("S_DB_Opened"));
        ShowDatabaseLabels(path);
        s_GLOBAL_Database_File = path;
        return;
    }

    if (i_Mode == 2) {
        if (!saveCurrentFirst()) {
            return;
        }
        P_DEACTIVATE_Current_Database();
        P_Load_Database_File(path, s_MP);
        return;
    }

    if (i_Mode == 3) {
        // The new keys replace the old ones only once the file holds the
        // database under them; otherwise memory and file keep the old ones.
        TKeyMaterial newKeys;
        if (!deriveInto(s_MP, newKeys)) {
            return;
        }
        std::swap(o_Keys, newKeys);
        if (!P_Process_Save_Database_EVENT(s_GLOBAL_Database_File)) {
            std::swap(o_Keys, newKeys);
            newKeys.Wipe();
            PlaySoundResource(QStringLiteral("S_W_2"));
            P_Print_Message_2(QStringLiteral("Error! Main password has not been changed: the "
                                             "database could not be saved. It stays open under "
                                             "its old main password."),
                              true);
            P_MP_Panel_Show(false);
            return;
        }
        newKeys.Wipe();
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

bool TFormMain::P_Process_Save_Database_EVENT(const QString& s_Database_File_Name) {
    b_Save_Database->setEnabled(false);
    o_Timer_SAVE_BUTTON.start();
    o_Timer_SAVE_Database.stop();
    P_Save_Folder_Data_to_Data_Folder_Pending();
    return P_Save_Database_File(s_Database_File_Name);
}

bool TFormMain::P_Save_Database_File(const QString& s_Database_File_Name) {
    if (s_Database_File_Name.isEmpty()) {
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
    const TDatabaseSaveResult result =
        SaveDatabaseFile(s_Database_File_Name.toStdString(), o_Tree_Data, o_Keys);
    P_Print_Message(FromLocal8(result.message.text), result.message.alert);
    b_GLOBAL_Save_Database_in_progress_EVENT = false;
    return result.saved;
}

bool TFormMain::P_Load_Database_File(const QString& s_Database_File_Name, const std::string& s_MP) {
    const std::string path8 = s_Database_File_Name.toStdString();
    // Derives the keys (retrying a password typed for a database made on
    // Windows); no key material outlives a failed attempt.
    const TDatabaseLoadResult result =
        LoadDatabaseFileWithPassword(path8, s_MP, o_Keys, o_Tree_Data);
    const QString message = FromLocal8(result.message);

    if (result.status == TDatabaseLoadStatus::WrongPassword) {
        L_Wrong_Password->setVisible(true);
        P_Print_Message_2(message, true);
        F_MP1->setFocus();
        PlaySoundResource(QStringLiteral("S_W_1"));
        return false;
    }
    if (result.status == TDatabaseLoadStatus::Failed) {
        P_Tree_View_Reset(); // a damaged file leaves the tree empty
        P_Print_Message(message, false);
        P_Print_Message_2(message, true);
        return false;
    }

    P_Tree_View_Reset();
    F_Message->clear();
    P_Print_Message(message, false);
    P_Print_Message_2(message, false);
    if (result.databaseEmpty) {
        P_Print_Message(QString::fromLatin1(kDatabaseEmptyMessage), true);
    }
    if (result.convertedFromWindows1252) {
        P_Print_Message(QString::fromLatin1(kConvertedMessage), false);
    }
    if (!CanReplaceFile(path8)) {
        // Said now, not at the first save after the user's work.
        P_Print_Message(QStringLiteral("Warning! You may not write to the database file [") +
                            s_Database_File_Name +
                            QStringLiteral("]. You can read it, but your changes cannot be "
                                           "saved there."),
                        true);
    }
    P_Database_TAB_ENABLE(true);
    o_Page_Control->setCurrentWidget(page_Database);
    s_GLOBAL_Database_File = s_Database_File_Name;
    PlaySoundResource(QStringLiteral("S_DB_Opened"));
    // The copy of the file as it was opened; its failure is not shown.
    MakeBackupCopy(s_GLOBAL_Current_Directory.toStdString(), path8);
    P_MP_Panel_Show(false);
    ShowDatabaseLabels(s_Database_File_Name);
    return true;
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
