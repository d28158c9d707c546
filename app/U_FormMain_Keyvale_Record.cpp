// TFormMain: the record panel: the five fields of the selected record, the
// pending edit and when it is written into the tree, the password mask, and
// the Login and URL label shortcuts.
#include "U_FormMain_Keyvale.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QUrl>

#include "U_Event_Hook.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"

namespace {

// Runs `action` when the label is clicked with the left button.
void OnLabelClick(QLabel* label, std::function<void()> action) {
    TEventHook::Install(label, [label, action = std::move(action)](QEvent* event) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            action();
        }
        return false;
    });
}

} // namespace

void TFormMain::P_Record_Setup() {
    const auto changed = [this] {
        if (!b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT) {
            P_Process_Change_Text_Data_EVENT();
        }
    };
    for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
        connect(field, &QLineEdit::textChanged, this, changed);
    }
    // A multi-line field has no length limit of its own: text beyond 8000
    // characters (a paste) is cut off again.
    connect(F_Note, &QPlainTextEdit::textChanged, this, [this, changed] {
        const QString text = F_Note->toPlainText();
        if (text.size() > static_cast<qsizetype>(kMaximumNoteLength)) {
            const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
            b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
            F_Note->setPlainText(text.left(static_cast<qsizetype>(kMaximumNoteLength)));
            F_Note->moveCursor(QTextCursor::End);
            b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
        }
        changed();
    });

    connect(b_Password_Show, &QPushButton::clicked, this, &TFormMain::b_Password_ShowClick);
    OnLabelClick(L_Password, [this] { i_Password_ViewClick(); });
    OnLabelClick(L_Login, [this] { L_LoginClick(); });
    OnLabelClick(L_URL, [this] { L_URLClick(); });
    for (QLabel* label : {L_Password, L_URL}) {
        TEventHook::Install(label, [this, label](QEvent* event) {
            if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
                P_Record_Hover(label, event->type() == QEvent::Enter);
            }
            return false;
        });
    }

    // The user moves on from the record: the mouse enters the log or the tree.
    TEventHook::Install(o_Panel_Top, [this](QEvent* event) {
        if (event->type() == QEvent::Enter) {
            o_Panel_TopMouseEnter();
        }
        return false;
    });
    TEventHook::Install(o_Panel_TV, [this](QEvent* event) {
        if (event->type() == QEvent::Enter) {
            o_Panel_TVMouseEnter();
        }
        return false;
    });
}

void TFormMain::P_Save_Folder_Data_to_Data_Folder(std::int32_t& i_Selected_Node_ID) {
    const TRecordFields input{F_Login->text().toStdString(), F_Password->text().toStdString(),
                              F_EMail->text().toStdString(), F_URL->text().toStdString(),
                              F_Note->toPlainText().toStdString()};
    const TRecordStoreResult result =
        SaveFolderDataToDataFolder(o_Tree_Data, i_Selected_Node_ID, input);
    if (result.outcome == TRecordStoreOutcome::Nothing) {
        return;
    }
    if (result.outcome == TRecordStoreOutcome::DataCleared) {
        const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
        b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
        for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
            field->clear();
        }
        F_Note->clear();
        b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
    }
    o_TV_Main_Model->NodeChanged(result.node);
    P_Print_Message(QString::fromStdString(result.message), false);
}

void TFormMain::P_Save_Folder_Data_to_Data_Folder_Pending() {
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}

void TFormMain::P_Read_Folder_Data_from_Data_Folder() {
    const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
    TRecordFields fields;
    ReadFolderDataFromDataFolder(o_Tree_Data, F_Selected_Node(), fields);
    F_Login->setText(QString::fromStdString(fields.login));
    F_Password->setText(QString::fromStdString(fields.password));
    F_EMail->setText(QString::fromStdString(fields.email));
    F_URL->setText(QString::fromStdString(fields.url));
    F_Note->setPlainText(QString::fromStdString(fields.note));
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
}

void TFormMain::P_Process_Change_Text_Data_EVENT() {
    const TNodeHandle node = F_Selected_Node();
    if (node == kNoNode) {
        return;
    }
    i_GLOBAL_Node_ID = node;
    if (!o_Timer_SAVE_Database.isActive()) {
        o_Timer_SAVE_Database.start();
    }
}

void TFormMain::b_Password_ShowClick() {
    P_Password_Show(Tag(b_Password_Show) == 0);
    PlaySoundResource(QStringLiteral("S_TreeView_Click")); // no such clip: silent
    F_Folder_Name->setFocus();
}

void TFormMain::i_Password_ViewClick() {
    P_Password_Show(Tag(L_Password) == 0);
}

void TFormMain::L_LoginClick() {
    const TNodeHandle node = F_Selected_Node();
    if (node != kNoNode && F_Login->text().trimmed().isEmpty()) {
        F_Login->setText(QString::fromStdString(o_Tree_Data.Text(node)));
    }
}

void TFormMain::L_URLClick() {
    const TNodeHandle node = F_Selected_Node();
    if (node == kNoNode || !F_URL->isEnabled()) {
        return;
    }
    QString url = F_URL->text().trimmed();
    if (url.isEmpty()) {
        F_URL->setText(QString::fromStdString(o_Tree_Data.Text(node)));
        url = F_URL->text().trimmed();
    }
    if (!url.isEmpty()) {
        F_URL->selectAll();
        const QString text = F_URL->text();
        F_URL->deselect();
        P_Print_Message(QStringLiteral("Text copied to clipboard: \n") + url, false);
        P_Copy_Secret(text);
    }
    if (url.size() > 1) {
        // The desktop's handler for the address; failure is not reported.
        QDesktopServices::openUrl(QUrl::fromUserInput(url));
    }
}

void TFormMain::P_Record_Hover(QLabel* label, bool b_Inside) {
    const QWidget* field = label == L_URL ? static_cast<QWidget*>(F_URL) : F_Password;
    const bool styled = b_Inside && field->isEnabled();
    QFont font = label->font();
    font.setUnderline(styled);
    if (label == L_URL) {
        font.setBold(styled);
    }
    label->setFont(font);
}

void TFormMain::o_Panel_TopMouseEnter() {
    P_Password_Show(false);
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}

void TFormMain::o_Panel_TVMouseEnter() {
    P_Password_Show(false);
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}
