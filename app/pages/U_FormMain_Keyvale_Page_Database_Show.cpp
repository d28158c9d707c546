// TPageDatabase: what the window shows on the page: the open database or
// none, the log, the layout the window fixed, the Save button; and the
// record panel, wired to the page and the window.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextEdit>

#include <initializer_list>

#include "U_Event_Hook.h"
#include "U_Page_Layout.h"
#include "U_Message_Log.h"
#include "U_Picture.h"
#include "U_Record_Panel.h"
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

// ---- the record panel

void TPageDatabase::P_Record_Setup() {
    connect(o_Record_Panel, &TRecordPanel::edited, this, &TPageDatabase::databaseEdited);
    connect(o_Record_Panel, &TRecordPanel::recordStored, this,
            [this](TNodeHandle node, const QString& message) {
                o_TV_Main_Model->NodeChanged(node);
                emit messageRaised(message, false);
            });
    connect(o_Record_Panel, &TRecordPanel::messageRaised, this,
            [this](const QString& text) { emit messageRaised(text, false); });
    connect(o_Record_Panel, &TRecordPanel::soundRequested, this, &TPageDatabase::soundRequested);
    connect(o_Record_Panel, &TRecordPanel::secretCopyRequested, this,
            &TPageDatabase::secretCopyRequested);
    connect(o_Record_Panel, &TRecordPanel::pasteCut, this, &TPageDatabase::pasteCut);
    // The focus leaves the eye for the name field, but the eye chooses no
    // node: reading the fields in again would end what Ctrl+Z in the
    // password can bring back, which holds until the record is left.
    connect(o_Record_Panel, &TRecordPanel::eyeClicked, this, [this] {
        const QScopedValueRollback byProgram(folderNameFocusByProgram_, true);
        F_Folder_Name->setFocus();
    });

    // The user moves on from the record: the mouse enters the log or the tree.
    for (QWidget* away : {static_cast<QWidget*>(o_Panel_Top), static_cast<QWidget*>(o_Panel_TV)}) {
        TEventHook::Install(away, [this](QEvent* event) {
            if (event->type() == QEvent::Enter) {
                o_Record_Panel->Leave();
            }
            return false;
        });
    }
}

std::int32_t TPageDatabase::PendingEditNode() const {
    return o_Record_Panel->PendingEditNode();
}

void TPageDatabase::StorePendingEdit() {
    o_Record_Panel->StorePendingEdit();
}

void TPageDatabase::ClearRecordPanel() {
    if (!i_Trash_Can->isEnabled()) {
        P_Close_Warning_Panel();
    }
    o_Record_Panel->Clear();
}

void TPageDatabase::ShowPassword(bool shown) {
    o_Record_Panel->ShowPassword(shown);
}

bool TPageDatabase::PasswordShown() const {
    return o_Record_Panel->PasswordShown();
}

void TPageDatabase::ActivateRecordFields(bool active) {
    o_Record_Panel->Activate(active);
}
