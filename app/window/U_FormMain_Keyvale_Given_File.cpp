// TFormMain: a database file handed to the program from outside, by its
// command line or by a second start, and the window coming to the front.
#include "U_FormMain_Keyvale.h"

#include <QTabWidget>

#include "U_FormMain_Keyvale_Page_Main_Password.h"

void TFormMain::P_Bring_To_Front() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TFormMain::P_Open_Given_File(const QString& path) {
    // A dialog left open over the open database would take the password
    // typed for this file and answer for the old database: it goes first.
    const QStringList dropped = P_Close_Database_Dialogs();
    P_Bring_To_Front();
    // The open database is saved first, as when the user picks another file;
    // a failed save keeps it open and says so on the Main password page.
    o_Page_Control->setCurrentWidget(page_Main_Password);
    for (const QString& line : dropped) {
        P_Print_Message_2(line, false);
    }
    const TSaveOutcome saved = P_Save_Database(TSaveOccasion::Switching);
    if (!saved.goOn) {
        P_Print_Session_Messages(saved.keptOpen);
        PlaySoundResource(QStringLiteral("S_W_2"));
        return;
    }
    // The name is taken as given: the user named this very file, so no
    // extension is added and a missing file is reported, not created.
    const QString before = o_Page_Main_Password->FileName();
    const bool labelsBefore = o_Page_Main_Password->DatabaseLabelsShown();
    o_Page_Main_Password->SetFileNameQuietly(path);
    o_Page_Main_Password->ShowDatabaseLabels(path);
    if (!P_Open_Database_STEP_1(path)) {
        // Refused: the page goes back to the file it was on (the open one,
        // or the locked one whose password is asked), with the log saying why.
        o_Page_Main_Password->SetFileNameQuietly(before);
        if (labelsBefore && !before.isEmpty()) {
            o_Page_Main_Password->ShowDatabaseLabels(o_Session.IsOpen() ? DatabaseFile() : before);
        }
    }
}
