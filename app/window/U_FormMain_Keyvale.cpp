// TFormMain: construction, the start-up sequence, page switching, the close
// sequence and the start hint.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QCloseEvent>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QSignalBlocker>
#include <QTabWidget>

#include "U_Desktop_Alert.h"
#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_Idle_Time.h"
#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Log_Time_Format.h"
#include "U_Page_Layout.h"
#include "U_Picture.h"
#include "U_Secret_Clipboard.h"

namespace {

constexpr int kPageFadeMs = 300;
// The automatic save looks this often whether the desktop has been idle long enough.
constexpr int kAutoSaveTickMs = 60000;

} // namespace

TFormMain::TServices TFormMain::DefaultServices() {
    TServices services;
    services.iniPath = IniFilePath();
    services.workingDirectory = QDir::currentPath();
    services.soundPlayer = std::make_shared<TSoundEffectPlayer>();
    services.clock = [] { return QTime::currentTime(); };
    services.locale = QLocale::system();
    return services;
}

TFormMain::TFormMain(TServices services)
    : services_(std::move(services)),
      timeFormat_(std::make_unique<TLogTimeFormat>(LogTimeFormatFromLocale(services_.locale))),
      JvDesktopAlert1(std::make_unique<TDesktopAlert>()) {
    InitKeyvaleResources();
    if (!services_.idleTime) {
        services_.idleTime = MakeDesktopIdleTime();
    }
    o_Session.SetSaveCheckpoint(services_.saveCheckpoint);
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Keyvale (version " KEYVALE_VERSION ")"));
    setWindowIcon(KeyvaleIcon(QStringLiteral("keyvale")));
    setAccessibleName(QStringLiteral("Keyvale"));

    CreatePages();

    o_Timer_SAVE_Database.setObjectName(QStringLiteral("o_Timer_SAVE_Database"));
    o_Timer_SAVE_Database.setInterval(kAutoSaveTickMs);
    o_Timer_Idle_Lock.setObjectName(QStringLiteral("o_Timer_Idle_Lock"));
    o_Timer_Idle_Lock.setInterval(5000);
    connect(&o_Timer_Idle_Lock, &QTimer::timeout, this, &TFormMain::o_Timer_Idle_LockTimer);

    connect(o_Page_Control, &QTabWidget::currentChanged, this, &TFormMain::o_Page_ControlChange);
    ConnectDatabaseLifecycle();
    P_Clipboard_Setup();

    P_Program_Start(); // FormCreate
    P_Watch_Current_Directory();
    o_Timer_Idle_Lock.start();
}

TFormMain::~TFormMain() {
    // Nothing the controls signal on the way out (a page removed, a list
    // cleared) may reach the window's handlers.
    for (QObject* control : findChildren<QObject*>()) {
        disconnect(control, nullptr, this, nullptr);
    }
    // The pages show and edit the session's tree, and their own handlers may
    // still run while their widgets go (a selection cleared, a focus moved):
    // they go first, while the session is still there.
    delete o_Page_Control;
    P_Merge_Copies_Close(); // a merge's plan not taken is wiped
}

void TFormMain::P_Program_Start() {
    // 1. The window has one size for its screen and keeps it.
    P_Fit_Window_To_Screen();

    // 2. The working directory, with exactly one trailing separator.
    s_GLOBAL_Current_Directory = services_.workingDirectory + QLatin1Char('/');
    s_GLOBAL_Current_Directory.replace(QStringLiteral("//"), QStringLiteral("/"));
    o_Session.SetBackupFolder(s_GLOBAL_Current_Directory.toStdString());

    // 3. Freeze the parts of the layout that must not move.
    o_Page_Database->FreezeLayout();

    // 4. Appearance, entry 39 until the settings say otherwise.
    P_Skins_Setup();

    // 7. Start on the Main password page.
    o_Page_Control->blockSignals(true);
    o_Page_Control->setCurrentWidget(page_Main_Password);
    o_Page_Control->blockSignals(false);
    lastPage_ = page_Main_Password;

    // 9. No database open; characters hidden.
    P_MP_Show(false);
    P_Hash_Argument_Show(false);
    P_DEACTIVATE_Current_Database();

    // 10. The welcome text, centred, until the first message replaces it.
    o_Page_Main_Password->ShowWelcome();

    // 11. The logs' height was set with the window's size, and they keep it.

    // 12. The calculator's length list.
    P_Fill_Hash_Length_List();

    // 13. The open/create pictures share one place: no database is open.
    o_Page_Main_Password->ShowDatabaseOpen(false);

    // 14. The user's choices of the last run.
    P_Load_Settings_from_ini_File();
}

void TFormMain::o_Page_ControlChange() {
    QWidget* page = o_Page_Control->currentWidget();

    PlaySoundResource(QStringLiteral("S_Tab_Change_1"));
    JvDesktopAlert1->CloseAlert();

    if (page == page_Exit) {
        // The empty Exit page is never left on screen: the window goes, or,
        // when leaving is refused, stays on the page the user came from,
        // with the reason in its log and alert.
        if (lastPage_) {
            const QSignalBlocker quiet(o_Page_Control);
            o_Page_Control->setCurrentWidget(lastPage_);
        }
        close();
        return;
    }
    lastPage_ = page;
    if (page == page_Main_Password) {
        o_Page_Main_Password->ShowDatabaseOpen(o_Session.IsOpen());
    }
    if (page == page_Database) {
        o_Page_Database->RestoreTreeWidth();
    }
    if (page != page_Settings) {
        P_Hash_Argument_Show(false);
    }
    AnimatePageChange(page);
}

// The new page fades in over the old look instead of appearing abruptly.
void TFormMain::AnimatePageChange(QWidget* page) {
    auto* effect = new QGraphicsOpacityEffect(page);
    effect->setOpacity(0.0);
    page->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", page);
    fade->setDuration(kPageFadeMs);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    connect(fade, &QPropertyAnimation::finished, page,
            [page] { page->setGraphicsEffect(nullptr); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // FormClose. A second close request while the first runs changes nothing.
    if (closing_) {
        event->accept();
        return;
    }
    closing_ = true;
    o_Timer_SAVE_Database.stop();
    // Nothing begun in a dialog of the database is carried out after its save.
    P_Close_Database_Dialogs();
    const bool mayQuit = P_Main_Exit(true);
    if (!mayQuit) {
        // The window stays so that the data is not lost unseen; the user may
        // fix the cause and close again, or close again at once to quit
        // anyway. The page the user came from comes back, not the empty
        // "E x i t" page whose tab could not be pressed again.
        closing_ = false;
        o_Page_Database->HideTree(false);
        if (o_Page_Control->currentWidget() == page_Exit && lastPage_) {
            o_Page_Control->setCurrentWidget(lastPage_);
        }
        event->ignore();
        return;
    }
    JvDesktopAlert1->CloseAlert();
    o_Clipboard->ClearIfOurs(); // no secret outlives the program on the clipboard
    event->accept();
}

bool TFormMain::P_Main_Exit(bool b_Save_Database) {
    o_Timer_SAVE_Database.stop();
    bool mayQuit = true;
    if (b_Save_Database && !o_Session.IsOpen()) {
        P_Process_Save_Database_EVENT(); // nothing to lose; it only reports that there is no file
    } else if (b_Save_Database) {
        mayQuit = P_Save_Database(TSaveOccasion::Quitting).goOn;
    }
    if (mayQuit && o_Page_Control->currentWidget() == page_Database) {
        // No record stays on screen while the window goes.
        o_Page_Database->HideTree(true);
    }
    P_Save_Settings_to_ini_File();
    return mayQuit;
}

bool TFormMain::P_Leave_Requested() {
    if (!isVisible()) {
        return true; // closed already
    }
    return close();
}

void TFormMain::P_Window_Lost() {
    if (closing_) {
        return;
    }
    closing_ = true;
    P_Close_Database_Dialogs();
    if (o_Session.IsOpen()) {
        P_Save_Database(TSaveOccasion::WindowLost);
    }
    P_Save_Settings_to_ini_File();
    // The last window closing ends the program.
    JvDesktopAlert1->CloseAlert();
    close();
}
