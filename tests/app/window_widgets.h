// The window's widgets and timers, found by their object names as a user's
// tools find them (the window and each page keep them private). One that is
// missing fails the test program at once instead of crashing somewhere later.
#pragma once

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <optional>

#include "U_FormMain_Keyvale_Page_Database.h"
#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_Keyvale_Themes.h"
#include "U_Password_Generator_Button.h"
#include "U_Password_Health_View.h"
#include "U_Picture.h"
#include "U_Secret_Clipboard.h"
#include "U_Tree_Model.h"

template <typename T> T* FindWidget(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("The window has no %s named %s", T::staticMetaObject.className(), name);
    }
    return found;
}

#define KEYVALE_WIDGET(Type, name)                                                                 \
    inline Type* name(const QObject& window) {                                                     \
        return FindWidget<Type>(window, #name);                                                    \
    }

// The page control and its pages
KEYVALE_WIDGET(QTabWidget, o_Page_Control)
KEYVALE_WIDGET(QWidget, page_Main_Password)
KEYVALE_WIDGET(QWidget, page_Database)
KEYVALE_WIDGET(QWidget, page_Settings)
KEYVALE_WIDGET(QWidget, page_About_Program)
KEYVALE_WIDGET(QWidget, page_Exit)

// Settings page
KEYVALE_WIDGET(QLabel, L_Skins)
KEYVALE_WIDGET(QListWidget, o_List_Skin_1)
KEYVALE_WIDGET(QListWidget, o_List_Skin_2)
KEYVALE_WIDGET(QLabel, L_Clipboard_Clear)
KEYVALE_WIDGET(QSpinBox, F_Clipboard_Clear_Seconds)
KEYVALE_WIDGET(QLabel, L_Lock_After_Idle)
KEYVALE_WIDGET(QComboBox, F_Lock_After_Idle)
KEYVALE_WIDGET(QLabel, LFX_Hash_Calculator)
KEYVALE_WIDGET(TPicture, i_Hash_Calculator)
KEYVALE_WIDGET(QLineEdit, F_Hash_Argument)
KEYVALE_WIDGET(TPicture, i_Hash_Argument)
KEYVALE_WIDGET(QFrame, o_Shape_HA)
KEYVALE_WIDGET(QLabel, L_Hash_Length)
KEYVALE_WIDGET(QComboBox, F_Hash_Length)
KEYVALE_WIDGET(QLabel, L_KV_Hash_62)
KEYVALE_WIDGET(QPlainTextEdit, F_KV_Hash_62)
KEYVALE_WIDGET(QLabel, L_KV_Hash_64)
KEYVALE_WIDGET(QPlainTextEdit, F_KV_Hash_64)
KEYVALE_WIDGET(QLabel, L_KV_Hash_90)
KEYVALE_WIDGET(QPlainTextEdit, F_KV_Hash_90)
KEYVALE_WIDGET(QLabel, L_Settings_Message)

// Main password page
KEYVALE_WIDGET(TPageMainPassword, page_Main_Password_Content)
KEYVALE_WIDGET(QTextEdit, F_Message_2)
KEYVALE_WIDGET(QTextEdit, F_Message_Start)
KEYVALE_WIDGET(QLabel, L_Database_Files)
KEYVALE_WIDGET(QTreeWidget, o_TV_Files)
KEYVALE_WIDGET(QLabel, L_Database_Path)
KEYVALE_WIDGET(QLabel, L_Database_File)
KEYVALE_WIDGET(QLineEdit, F_Database_File_Name)
KEYVALE_WIDGET(TPicture, i_Open_File)
KEYVALE_WIDGET(TPicture, i_Main_Password_1)
KEYVALE_WIDGET(TPicture, i_Change_Main_Password)
KEYVALE_WIDGET(QPushButton, b_Create_Database)
KEYVALE_WIDGET(TPicture, i_Hint_1)
KEYVALE_WIDGET(QFrame, o_MP)
KEYVALE_WIDGET(TPicture, i_MP_Action)
KEYVALE_WIDGET(QLabel, L_MP_Action)
KEYVALE_WIDGET(QLabel, L_MP3)
KEYVALE_WIDGET(QLabel, L_Database_Path_2)
KEYVALE_WIDGET(QLabel, L_Database_File_2)
KEYVALE_WIDGET(QLabel, L_MP1)
KEYVALE_WIDGET(QLineEdit, F_MP1)
KEYVALE_WIDGET(QLabel, L_MP2)
KEYVALE_WIDGET(QLineEdit, F_MP2)
KEYVALE_WIDGET(TPicture, i_MP_View)
KEYVALE_WIDGET(QFrame, o_Shape_MP1)
KEYVALE_WIDGET(QLabel, L_Wrong_Password)
KEYVALE_WIDGET(QLabel, L_Short_Password)
KEYVALE_WIDGET(QPushButton, b_M)
KEYVALE_WIDGET(QPushButton, b_Cancel_M)

// Database page
KEYVALE_WIDGET(TPageDatabase, page_Database_Content)
KEYVALE_WIDGET(QFrame, o_Panel_Top)
KEYVALE_WIDGET(QTextEdit, F_Message)
KEYVALE_WIDGET(QWidget, o_Panel_Big)
KEYVALE_WIDGET(QFrame, o_Panel_TV)
KEYVALE_WIDGET(QWidget, o_Panel_Folder_Name)
KEYVALE_WIDGET(QLineEdit, F_Folder_Name)
KEYVALE_WIDGET(TPicture, i_Folder_Create)
KEYVALE_WIDGET(TPicture, i_Folder_Find)
KEYVALE_WIDGET(TKeyvaleTreeView, o_TV_Main)
KEYVALE_WIDGET(QMenu, o_Popup_Menu_TV_Main)
KEYVALE_WIDGET(QAction, menu_Move_Node_to_Root)
KEYVALE_WIDGET(QAction, menu_Cancel)
KEYVALE_WIDGET(QAction, menu_Import)
KEYVALE_WIDGET(QPushButton, b_Node_Up)
KEYVALE_WIDGET(QPushButton, b_Node_Down)
KEYVALE_WIDGET(QFrame, o_Panel_Right)
KEYVALE_WIDGET(QLabel, L_Login)
KEYVALE_WIDGET(QLineEdit, F_Login)
KEYVALE_WIDGET(QLabel, L_Password)
KEYVALE_WIDGET(QLineEdit, F_Password)
KEYVALE_WIDGET(QLabel, L_EMail)
KEYVALE_WIDGET(QLineEdit, F_EMail)
KEYVALE_WIDGET(QLabel, L_URL)
KEYVALE_WIDGET(QLineEdit, F_URL)
KEYVALE_WIDGET(QLabel, L_Note)
KEYVALE_WIDGET(QPlainTextEdit, F_Note)
KEYVALE_WIDGET(QPushButton, b_Password_Show)
KEYVALE_WIDGET(QPushButton, b_Save_Database)
KEYVALE_WIDGET(TPicture, i_Trash_Can)
KEYVALE_WIDGET(QFrame, o_Panel_Warning)
KEYVALE_WIDGET(QLabel, L_Warning_Caption)
KEYVALE_WIDGET(QLabel, L_Warning_2)
KEYVALE_WIDGET(QTreeWidget, o_TV_Small)
KEYVALE_WIDGET(QLabel, L_Warning)
KEYVALE_WIDGET(QPushButton, b_Delete_Folder)
KEYVALE_WIDGET(QPushButton, b_Dont_Delete_Folder)
KEYVALE_WIDGET(TPasswordGeneratorButton, o_Password_Generator)
KEYVALE_WIDGET(QPushButton, b_Password_Health)
KEYVALE_WIDGET(QPushButton, b_Merge_Copies)
KEYVALE_WIDGET(TPasswordHealthView, o_Password_Health)
// The folder tree's model, the one the tree view shows.
inline TKeyvaleTreeModel* o_TV_Main_Model(const QObject& window) {
    return static_cast<TKeyvaleTreeModel*>(o_TV_Main(window)->model());
}

// The one clipboard for secrets
KEYVALE_WIDGET(TSecretClipboard, o_Clipboard)

// The timers: the window's, and those of the page that owns them
KEYVALE_WIDGET(QTimer, o_Timer_SAVE_Database)
KEYVALE_WIDGET(QTimer, o_Timer_Idle_Lock)
KEYVALE_WIDGET(QTimer, o_Timer_Files_Changed)
KEYVALE_WIDGET(QTimer, o_Timer_Database_Changed)
KEYVALE_WIDGET(QTimer, o_Timer_Theme_Settle)
KEYVALE_WIDGET(QTimer, o_Timer_Hint)         // Main password page
KEYVALE_WIDGET(QTimer, o_Timer_Enter_Button) // Main password page
KEYVALE_WIDGET(QTimer, o_Timer_SAVE_BUTTON)  // Database page

// What the main password panel asks for, as its user tells it: the title
// names the task, and only a new password is typed twice. Nothing while the
// panel is put away.
inline std::optional<TPasswordMode> PasswordPanelShows(const QObject& window) {
    struct TPanelLook {
        TPasswordMode mode;
        const char* title;
        bool retype;
    };
    static constexpr TPanelLook kLooks[] = {
        {TPasswordMode::Create, "Creating a new database ...", true},
        {TPasswordMode::Open, "Opening an existing database ...", false},
        {TPasswordMode::ChangePassword, "Changing main password of the database ...", true},
    };
    if (o_MP(window)->isHidden()) {
        return std::nullopt;
    }
    const QString title = L_MP_Action(window)->text();
    const bool retype = F_MP2(window)->isVisibleTo(o_MP(window));
    for (const TPanelLook& look : kLooks) {
        if (title == QLatin1String(look.title) && retype == look.retype) {
            return look.mode;
        }
    }
    return std::nullopt;
}

// A failed comparison names what the panel showed.
inline char* toString(const std::optional<TPasswordMode>& mode) {
    static constexpr const char* kNames[] = {"Create", "Open", "ChangePassword"};
    return qstrdup(mode ? kNames[static_cast<int>(*mode)] : "no panel of a known mode");
}

// The theme the application is drawn in: the one whose palette and style
// sheet it has; -1 when none matches.
inline int AppliedTheme() {
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    for (std::size_t i = 0; i < KeyvaleThemeCount(); ++i) {
        const TKeyvaleTheme& theme = KeyvaleTheme(i);
        if (app->styleSheet() == KeyvaleThemeStyleSheet(theme) &&
            QApplication::palette() == KeyvaleThemePalette(theme)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
