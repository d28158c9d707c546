// TFormMain: what follows a confirmed main password (creating, opening and
// re-keying a database) and saving it, by button, automatically and before
// another database takes its place.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QTabWidget>
#include <QTimer>

#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_Idle_Time.h"
#include "U_Merge_Preview_Dialog.h"
#include "U_Tree_Places.h"

namespace {

constexpr int kChangePauseMs = 500;
// The automatic save waits until the desktop has been idle this long.
constexpr std::uint32_t kIdleBeforeAutoSaveMs = 120000;

QString FromLocal8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// The page checks the typed passwords and hands them over through
// passwordConfirmed, which leads to P_Process_MP; the fields take no input
// until the page's Enter timer opens them again.
void TFormMain::P_Process_MP_EVENT() {
    o_Page_Main_Password->ConfirmPassword();
}

void TFormMain::P_Process_MP(const QString& s_Database_File_Name, const std::string& s_MP,
                             TPasswordMode mode) {
    if (mode == TPasswordMode::ChangePassword) {
        // The re-key is a save, under keys derived from the new password.
        P_Show_Change_Password_Result(P_Save_Database(TSaveOccasion::NewPassword, s_MP).saved);
        return;
    }
    // The database open now is saved (if it changed) before another takes
    // its place; a password the keys cannot come from is refused before that.
    if (o_Session.IsOpen() && TKeyvaleSession::PasswordRefusal(s_MP).empty()) {
        // The health report, open beside the window, is of the old database.
        P_Close_Database_Dialogs();
        const TSaveOutcome saved = P_Save_Database(TSaveOccasion::Switching);
        if (!saved.goOn) {
            P_Show_Switch_Result(mode, s_Database_File_Name, saved.keptOpen);
            return;
        }
    }
    // With the open database saved, the session's switch saves nothing more.
    const TSwitchResult result = o_Session.SwitchTo(s_Database_File_Name.toStdString(), s_MP, mode);
    P_Print_Session_Messages(result.savedFirst);
    P_Follow_Saved_Aside(result.savedFirst);
    P_Show_Switch_Result(mode, s_Database_File_Name, result.done);
}

void TFormMain::P_Show_Switch_Result(TPasswordMode mode, const QString& path,
                                     const TSessionResult& result) {
    if (mode == TPasswordMode::Create) {
        P_Show_Create_Result(path, result);
    } else {
        P_Show_Open_Result(result);
    }
}

void TFormMain::P_Show_Create_Result(const QString& path, const TSessionResult& result) {
    if (result.outcome == TSessionOutcome::Refused) {
        // The panel stays for a better password.
        P_Print_Session_Messages(result);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return;
    }
    P_MP_Panel_Show(false);
    if (result.outcome == TSessionOutcome::KeptOpen) {
        P_Print_Session_Messages(result);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return;
    }
    if (result.outcome == TSessionOutcome::Exists) {
        // Someone put a file at the name while the panel was open: it is
        // left alone, and the panel offers to open it instead.
        P_Print_Session_Messages(result);
        PlaySoundResource(QStringLiteral("S_W_2"));
        o_Page_Main_Password->SetFileNameQuietly(path);
        o_Page_Main_Password->ShowDatabaseLabels(path);
        P_Open_Database_STEP_1(path);
        return;
    }
    if (!result.Succeeded()) {
        P_Print_Session_Messages(result); // the open database, if any, stays open
        return;
    }
    P_Show_Opened_Database();
    o_Page_Control->setCurrentWidget(page_Database);
    P_Database_TAB_ENABLE(true);
    P_Print_Session_Messages(result);
    P_Print_Pending_Conflict_Warning();
    P_Find_Conflict_Copies(true);
    PlaySoundResource(QStringLiteral("S_DB_Opened"));
    o_Page_Main_Password->ShowDatabaseLabels(DatabaseFile());
}

void TFormMain::P_Show_Open_Result(const TSessionResult& result) {
    if (result.outcome == TSessionOutcome::WrongPassword) {
        o_Page_Main_Password->ShowWrongPassword();
        P_Print_Session_Messages(result);
        PlaySoundResource(QStringLiteral("S_W_1"));
        return;
    }
    if (result.outcome == TSessionOutcome::Refused || result.outcome == TSessionOutcome::KeptOpen) {
        P_Print_Session_Messages(result);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return;
    }
    if (!result.Succeeded()) {
        // The database that was open, if any, stays open as it was.
        P_Print_Session_Messages(result);
        return;
    }
    P_Show_Opened_Database();
    P_Print_Session_Messages(result);
    P_Print_Pending_Conflict_Warning();
    P_Find_Conflict_Copies(true);
    P_Database_TAB_ENABLE(true);
    o_Page_Control->setCurrentWidget(page_Database);
    PlaySoundResource(QStringLiteral("S_DB_Opened"));
    P_MP_Panel_Show(false);
    o_Page_Main_Password->ShowDatabaseLabels(DatabaseFile());
}

void TFormMain::P_Show_Change_Password_Result(const TSessionResult& result) {
    // Keys derived aside replace the old ones only once the file holds the
    // database under them; otherwise memory and file keep the old ones. The
    // save has shown its messages.
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
    // A moment for the message on this page, then the database page and,
    // a moment later, the same news there.
    QTimer::singleShot(kChangePauseMs, this, [this] {
        o_Page_Control->setCurrentWidget(page_Database);
        QTimer::singleShot(kChangePauseMs, this, [this] {
            PlaySoundResource(QStringLiteral("S_DB_Opened"));
            P_Print_Message(QString::fromLatin1(kPasswordChangedText), false);
        });
    });
}

TFormMain::TSaveOutcome TFormMain::P_Save_Database(TSaveOccasion occasion,
                                                   const std::string& newPassword) {
    o_Timer_SAVE_Database.stop();
    if (occasion == TSaveOccasion::Asked) {
        o_Page_Database->RestSave();
    }
    // An edit still open in a field or in the tree is part of what is saved.
    if (o_Session.IsOpen()) {
        P_Save_Folder_Data_to_Data_Folder_Pending();
    }
    // A save may merge another writer's file into the tree, replacing it:
    // nothing may read the tree meanwhile (an import's plan is made on a
    // thread of its own), and the view finds its place again by name.
    if (occasion != TSaveOccasion::Asked &&
        (o_Page_Database->ImportUnderWay() || o_Merge_Preview)) {
        for (const QString& line : P_Close_Database_Dialogs()) {
            P_Print_Message(line, false);
        }
    }
    const TViewPlaces places = o_Page_Database->RememberPlaces();
    TSaveOutcome outcome;
    switch (occasion) {
    case TSaveOccasion::Asked:
        // With no database open, the session says there is no file to save to.
        outcome.saved = o_Session.Save();
        outcome.goOn = outcome.saved.Succeeded();
        break;
    case TSaveOccasion::Leaving:
    case TSaveOccasion::WindowLost:
        outcome.saved = o_Session.SaveBeforeLeaving();
        outcome.goOn = outcome.saved.Succeeded();
        break;
    case TSaveOccasion::Switching: {
        const TSwitchResult saved = o_Session.SaveBeforeSwitching();
        outcome.saved = saved.savedFirst;
        outcome.keptOpen = saved.done;
        outcome.goOn = saved.done.outcome != TSessionOutcome::KeptOpen;
        break;
    }
    case TSaveOccasion::NewPassword:
        outcome.saved =
            o_Session.SwitchTo(o_Session.FileName(), newPassword, TPasswordMode::ChangePassword)
                .done;
        outcome.goOn = outcome.saved.Succeeded();
        if (!outcome.goOn && o_Session.IsChanged()) {
            o_Timer_SAVE_Database.start(); // the work is still to be saved, under the old keys
        }
        break;
    case TSaveOccasion::Quitting: {
        const TQuitDecision decision = o_Session.RequestQuit();
        outcome.saved = decision.save;
        outcome.goOn = decision.quit;
        break;
    }
    }
    if (occasion == TSaveOccasion::WindowLost) {
        for (const TSessionMessage& message : outcome.saved.messages) {
            qWarning("%s", message.text.c_str()); // no window is left to show it in
        }
        return outcome;
    }
    P_Follow_Replaced_Tree(outcome.saved, places);
    P_Follow_Saved_Aside(outcome.saved);
    P_Print_Session_Messages(outcome.saved);
    return outcome;
}

bool TFormMain::P_Process_Save_Database_EVENT() {
    return P_Save_Database(TSaveOccasion::Asked).saved.Succeeded();
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
        const QString text = FromLocal8(message.text);
        switch (message.topic) {
        case TSessionTopic::Database:
            P_Print_Message(text, message.alert);
            break;
        case TSessionTopic::Password:
            P_Print_Message_2(text, message.alert);
            break;
        case TSessionTopic::File:
            // Both pages say what became of the file; the alert goes with the
            // panel's log, where the user is looking.
            P_Print_Message(text, false);
            P_Print_Message_2(text, message.alert);
            break;
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

void TFormMain::P_Follow_Saved_Aside(const TSessionResult& result) {
    if (result.outcome != TSessionOutcome::SavedAside) {
        return;
    }
    // Saved beside a file another program changed: the copy is the open file
    // now, and every place that names the open file says so.
    o_Page_Main_Password->SetFileNameQuietly(DatabaseFile());
    if (o_Page_Main_Password->DatabaseLabelsShown()) {
        o_Page_Main_Password->ShowDatabaseLabels(DatabaseFile());
    }
    P_Watch_Database_File();
}

void TFormMain::b_Save_DatabaseClick() {
    P_Print_Message(QStringLiteral("Trying to save database ..."), false);
    PlaySoundResource(QStringLiteral("S_DB_Save"));
    P_Process_Save_Database_EVENT();
    o_Page_Database->FocusFolderName();
    o_Page_Database->RestSave(); // the rest counts from the save's end
}

void TFormMain::o_Timer_SAVE_DatabaseTimer() {
    // A preview open over the tree has a plan for the tree as it is; a save
    // that merged would replace the tree under it. The save waits for it.
    if (o_Page_Database->ImportUnderWay() || o_Merge_Preview) {
        return;
    }
    if (services_.idleTime->IdleMilliseconds() >= kIdleBeforeAutoSaveMs) {
        P_Process_Save_Database_EVENT();
    }
}

void TFormMain::i_Change_Main_PasswordClick() {
    PlaySoundResource(QStringLiteral("S_MP_Change"));
    if (o_Session.IsOpen()) {
        o_MP_Mode = TPasswordMode::ChangePassword;
        P_MP_Panel_Show(true);
    }
}
