// TPageDatabase: what the window shows on the page: the open database or
// none, the log, the layout the window fixed, the Save button, the mask.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

#include <initializer_list>

#include "U_FormMain_Keyvale_Layout.h"
#include "U_Message_Log.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"

void TPageDatabase::ShowDatabase(bool open) {
    o_Panel_Big->setVisible(open);
    i_Folder_Create->setEnabled(open);
    i_Folder_Find->setEnabled(open);
    o_TV_Main->setEnabled(open);
}

void TPageDatabase::ShowNoDatabase(const QString& text) {
    StartAfresh();
    F_Message->setPlainText(text);
}

void TPageDatabase::StartAfresh() {
    // A search term or folder name belongs to the database it was typed for.
    F_Folder_Name->clear();
    F_Message->clear();
    ClearRecordPanel();
}

void TPageDatabase::ResetTree() {
    // The fields and a pending edit belong to the tree that is gone, and so
    // does an import planned for it.
    ++treeGeneration_;
    ClearRecordPanel();
    o_TV_Main_Model->Reset();
}

void TPageDatabase::AppendToLog(const QString& line) {
    AppendLogMessage(F_Message, line);
    F_Message->moveCursor(QTextCursor::End);
}

void TPageDatabase::ClearLog() {
    F_Message->clear();
}

void TPageDatabase::SetLogHeight(int height) {
    o_Panel_Top->setFixedHeight(height);
}

// The tree panel's width, if a theme's fonts have pushed it.
void TPageDatabase::RestoreTreeWidth() {
    if (o_Panel_TV->width() != o_Panel_TV->minimumWidth()) {
        o_Panel_TV->resize(o_Panel_TV->minimumWidth(), o_Panel_TV->height());
    }
}

// The tree panel and the search row keep the size the layout gave them,
// whatever the theme's fonts ask for later.
void TPageDatabase::FreezeLayout() {
    o_Panel_TV->setMinimumWidth(keyvale_layout::TreePanelWidth);
    // The row takes the height its controls ask for under the theme in use.
    o_Panel_Folder_Name->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TPageDatabase::RestSave() {
    b_Save_Database->setEnabled(false);
    o_Timer_SAVE_BUTTON.start();
}

void TPageDatabase::o_Timer_SAVE_BUTTONTimer() {
    b_Save_Database->setEnabled(true);
    o_Timer_SAVE_BUTTON.stop();
}

int TPageDatabase::SaveRestSeconds() const {
    return qMax((o_Timer_SAVE_BUTTON.remainingTime() + 999) / 1000, 1);
}

bool TPageDatabase::SaveEnabled() const {
    return b_Save_Database->isEnabled();
}

void TPageDatabase::FocusFolderName() {
    F_Folder_Name->setFocus();
}

void TPageDatabase::HideTree(bool hidden) {
    if (hidden) {
        F_Folder_Name->setFocus();
    }
    o_TV_Main->setVisible(!hidden);
}

void TPageDatabase::ShowPassword(bool shown) {
    passwordShown_ = shown;
    const QString caption =
        shown ? QStringLiteral("Hide password") : QStringLiteral("Show password");
    b_Password_Show->setText(QLatin1Char(' ') + caption);
    b_Password_Show->setAccessibleName(caption); // read out as it reads
    b_Password_Show->setIcon(
        KeyvaleIcon(shown ? QStringLiteral("eye_closed") : QStringLiteral("eye_open")));
    F_Password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    L_Password->setToolTip(shown ? QStringLiteral("   Click here to hide your password   ")
                                 : QStringLiteral("   Click here to show your password   "));
}

void TPageDatabase::ActivateRecordFields(bool active) {
    for (QWidget* field :
         std::initializer_list<QWidget*>{F_Login, F_Password, F_URL, F_EMail, F_Note}) {
        field->setEnabled(active);
    }
    // Enabled captions take the theme's caption colour, disabled ones are gray.
    for (QLabel* label : {L_Login, L_Password, L_EMail, L_URL, L_Note}) {
        label->setEnabled(active);
    }
}
