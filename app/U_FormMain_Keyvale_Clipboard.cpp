// TFormMain: everything the window puts on the clipboard goes through one
// TSecretClipboard, so it carries the "do not store" hint and is cleared
// again. The record panel's Login and Password are copied with Ctrl+C (the
// masked password field included) and from their context menus, without the
// password ever being unmasked.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

#include "U_Event_Hook.h"
#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Paste_Limit.h"
#include "U_Primary_Selection_Guard.h"
#include "U_Secret_Clipboard.h"

void TFormMain::P_Clipboard_Setup() {
    o_Clipboard = new TSecretClipboard(QApplication::clipboard(), this);
    o_Clipboard->setObjectName(QStringLiteral("o_Clipboard"));
    connect(o_Page_Settings, &TPageSettings::clipboardClearSecondsChanged, o_Clipboard,
            &TSecretClipboard::SetClearDelaySeconds);
    connect(o_Page_Settings, &TPageSettings::hashCopyRequested, this, &TFormMain::P_Copy_Secret);
    connect(o_Page_Settings, &TPageSettings::pasteCut, this, &TFormMain::P_Report_Cut_Paste);

    // A paste cut to a field's limit is said in the log of the field's page.
    // (Watched first: the record fields' own context menu below takes over.)
    for (QLineEdit* field :
         {o_Page_Database->F_Login, o_Page_Database->F_Password, o_Page_Database->F_EMail,
          o_Page_Database->F_URL, o_Page_Database->F_Folder_Name}) {
        paste_limit::Watch(field, [this, field](int kept, int pasted) {
            P_Report_Cut_Paste(field, kept, pasted);
        });
    }

    // A selection in a secret, shown or not, never reaches the primary
    // selection (the Settings and Main password pages guard theirs the same way).
    primary_selection::Guard(o_Page_Database->F_Password);

    // Copy and Cut in Login and Password (and Copy in a hash box, see the
    // Settings page) go through the secret clipboard instead of the widgets'
    // own plain copy. A masked
    // password, which the widget refuses to copy, is copied whole and stays
    // masked.
    for (QLineEdit* field : {o_Page_Database->F_Login, o_Page_Database->F_Password}) {
        TEventHook::Install(field, [this, field](QEvent* event) {
            if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
                return false;
            }
            auto* key = static_cast<QKeyEvent*>(event);
            const bool copy = key->matches(QKeySequence::Copy);
            if (!copy && !key->matches(QKeySequence::Cut)) {
                return false;
            }
            event->accept(); // the field, not a window shortcut, takes the key
            if (event->type() == QEvent::KeyPress) {
                copy ? P_Copy_Record_Field(field) : P_Cut_Record_Field(field);
            }
            return true;
        });
    }
    for (QLineEdit* field : {o_Page_Database->F_Login, o_Page_Database->F_Password}) {
        TEventHook::Install(field, [this, field](QEvent* event) {
            if (event->type() != QEvent::ContextMenu) {
                return false;
            }
            paste_limit::ExecMenu(
                field, P_Record_Field_Menu(field),
                static_cast<QContextMenuEvent*>(event)->globalPos(),
                [this, field](int kept, int pasted) { P_Report_Cut_Paste(field, kept, pasted); });
            return true;
        });
    }
}

QMenu* TFormMain::P_Record_Field_Menu(QLineEdit* field) {
    QMenu* menu = field->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("o_Popup_Menu_Record_Field"));
    QAction* first = menu->actions().value(0);
    QAction* copyLogin = new QAction(QStringLiteral("Copy login"), menu);
    copyLogin->setObjectName(QStringLiteral("menu_Copy_Login"));
    copyLogin->setEnabled(o_Page_Database->F_Login->isEnabled() &&
                          !o_Page_Database->F_Login->text().isEmpty());
    connect(copyLogin, &QAction::triggered, this,
            [this] { P_Copy_Record_Field(o_Page_Database->F_Login); });
    QAction* copyPassword = new QAction(QStringLiteral("Copy password"), menu);
    copyPassword->setObjectName(QStringLiteral("menu_Copy_Password"));
    copyPassword->setEnabled(o_Page_Database->F_Password->isEnabled() &&
                             !o_Page_Database->F_Password->text().isEmpty());
    connect(copyPassword, &QAction::triggered, this,
            [this] { P_Copy_Record_Field(o_Page_Database->F_Password); });
    // The menu's own Copy and Cut would put the text on the clipboard plainly.
    for (QAction* action : menu->actions()) {
        const bool copy = action->text().startsWith(QLineEdit::tr("&Copy"));
        if (!copy && !action->text().startsWith(QLineEdit::tr("Cu&t"))) {
            continue;
        }
        action->setObjectName(copy ? QStringLiteral("edit-copy") : QStringLiteral("edit-cut"));
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this, field, copy] {
            copy ? P_Copy_Record_Field(field) : P_Cut_Record_Field(field);
        });
        if (field->echoMode() != QLineEdit::Normal) {
            action->setEnabled(copy && !field->text().isEmpty());
        }
    }
    menu->insertAction(first, copyLogin);
    menu->insertAction(first, copyPassword);
    menu->insertSeparator(first);
    return menu;
}

void TFormMain::P_Copy_Record_Field(QLineEdit* field) {
    if (!field->isEnabled() || field->text().isEmpty()) {
        return;
    }
    P_Print_Message(field == o_Page_Database->F_Password
                        ? QStringLiteral("Password copied to clipboard.")
                        : QStringLiteral("Login copied to clipboard."),
                    false);
    // A selection in a shown field is what the user means; a masked one
    // shows no selection, so it is copied whole.
    const bool part = field->echoMode() == QLineEdit::Normal && field->hasSelectedText();
    P_Copy_Secret(part ? field->selectedText() : field->text());
}

void TFormMain::P_Cut_Record_Field(QLineEdit* field) {
    // A masked field keeps its text: the user cannot see what a cut takes.
    if (field->echoMode() != QLineEdit::Normal || !field->hasSelectedText() ||
        field->isReadOnly()) {
        P_Copy_Record_Field(field);
        return;
    }
    P_Copy_Record_Field(field);
    field->del(); // an edit of the record like any other, with its undo
}

void TFormMain::P_Copy_Secret(const QString& text) {
    const QString when = o_Clipboard->Copy(text, services_.clock());
    if (!when.isEmpty()) {
        P_Print_Message(when, false);
    }
}

void TFormMain::P_Report_Cut_Paste(const QWidget* field, int kept, int pasted) {
    const QString message = QStringLiteral("The pasted text is longer than the field allows: %1 "
                                           "of its %2 characters were kept.")
                                .arg(kept)
                                .arg(pasted);
    if (page_Main_Password->isAncestorOf(field)) {
        P_Print_Message_2(message, false);
    } else {
        P_Print_Message(message, false);
    }
}
