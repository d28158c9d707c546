// TFormMain: locking the open database after the desktop has been idle for
// the minutes chosen on the Settings page. Locking saves the database if it
// has changed, closes it with its keys wiped and every secret field emptied,
// and the Main password page asks for the password of the open file again.
#include "U_FormMain_Keyvale.h"

#include <QTabWidget>

#include <algorithm>

#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Idle_Time.h"

namespace {

constexpr int kMillisecondsPerMinute = 60000;
// How often the idle time is asked while the limit is further away.
constexpr std::uint32_t kIdleCheckMs = 5000;

} // namespace

void TFormMain::o_Timer_Idle_LockTimer() {
    o_Timer_Idle_Lock.start(int(kIdleCheckMs));
    const int minutes = o_Page_Settings->LockAfterIdleMinutes();
    if (minutes <= 0 || !o_Session.IsOpen()) {
        lockRefused_ = false;
        return;
    }
    const std::uint32_t idle = services_.idleTime->IdleMilliseconds();
    const auto limit = static_cast<std::uint32_t>(minutes) * kMillisecondsPerMinute;
    if (idle < limit) {
        lockRefused_ = false; // the user is back: a later idle spell may try again
        // The next look comes when the limit is reached, not up to a whole
        // check later; input meanwhile makes it look again then.
        o_Timer_Idle_Lock.start(int(std::min(kIdleCheckMs, limit - idle)));
        return;
    }
    if (!lockRefused_) {
        lockRefused_ = !P_Lock_Database();
    }
}

bool TFormMain::P_Lock_Database() {
    if (!o_Session.IsOpen() || o_Session.IsSaving()) {
        return false;
    }
    // What was left open over the database goes first: an answer given
    // there afterwards would find no database, or another one.
    const QStringList dropped = P_Close_Database_Dialogs();
    // An edit still open in a field or in the tree is a change to save.
    P_Save_Folder_Data_to_Data_Folder_Pending();
    const bool changed = o_Session.IsChanged();
    if (!P_Save_Database(TSaveOccasion::Leaving).goOn) {
        for (const QString& line : dropped) {
            P_Print_Message(line, false);
        }
        const QString message =
            QStringLiteral("Error! The database has not been locked because it could not be "
                           "saved. It stays open.");
        P_Print_Message(message, true);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return false;
    }
    // Read after the save: one that went to a conflict copy made the copy
    // the open file, and the work goes on there.
    const QString file = DatabaseFile();
    const QString warning = conflictWarning_;
    P_DEACTIVATE_Current_Database();
    o_Page_Control->setCurrentWidget(page_Main_Password);
    const QString idle = o_Page_Settings->LockAfterIdleSpan();
    P_Print_Message_2(
        changed ? QStringLiteral("Your database has been saved and locked after %1 of desktop "
                                 "idle. Enter its main password to open it again.")
                      .arg(idle)
                : QStringLiteral("Your database has been locked after %1 of desktop idle. Enter "
                                 "its main password to open it again.")
                      .arg(idle),
        false);
    if (!warning.isEmpty()) {
        P_Print_Message_2(warning, false);
    }
    for (const QString& line : dropped) {
        P_Print_Message_2(line, false);
    }
    // The same file chosen again, as a click in the file list would do.
    o_Page_Main_Password->SetFileNameQuietly(file);
    o_Page_Main_Password->ShowDatabaseLabels(file);
    P_Open_Database_STEP_1(file);
    return true;
}
