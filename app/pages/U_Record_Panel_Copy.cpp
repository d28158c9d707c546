// TRecordPanel: copies out of the fields. Login and Password are
// copied with Ctrl+C (the masked password field included) and from their
// context menus, without the password ever being unmasked; the window puts
// the text on the clipboard as a secret. A paste cut to a field's limit is
// reported, and a selection in the password never reaches the primary
// selection.
#include "U_Record_Panel.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include "U_Event_Hook.h"
#include "U_Paste_Limit.h"
#include "U_Primary_Selection_Guard.h"

void TRecordPanel::ConnectCopies() {
    // (Watched first: the record fields' own context menu below takes over.)
    for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
        paste_limit::Watch(
            field, [this, field](int kept, int pasted) { emit pasteCut(field, kept, pasted); });
    }
    // A selection in a secret, shown or not, never reaches the primary
    // selection (the Settings and Main password pages guard theirs the same way).
    primary_selection::Guard(F_Password);

    // Copy and Cut in Login and Password go through the secret clipboard
    // instead of the widgets' own plain copy. A masked password, which the
    // widget refuses to copy, is copied whole and stays masked.
    for (QLineEdit* field : {F_Login, F_Password}) {
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
                copy ? CopyField(field) : CutField(field);
            }
            return true;
        });
    }
    for (QLineEdit* field : {F_Login, F_Password}) {
        TEventHook::Install(field, [this, field](QEvent* event) {
            if (event->type() != QEvent::ContextMenu) {
                return false;
            }
            paste_limit::OpenMenu(
                field, FieldMenu(field), static_cast<QContextMenuEvent*>(event)->globalPos(),
                [this, field](int kept, int pasted) { emit pasteCut(field, kept, pasted); });
            return true;
        });
    }
}

// The context menu of the Login and Password fields; the caller owns it.
QMenu* TRecordPanel::FieldMenu(QLineEdit* field) {
    QMenu* menu = field->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("o_Popup_Menu_Record_Field"));
    QAction* first = menu->actions().value(0);
    QAction* copyLogin = new QAction(QStringLiteral("Copy login"), menu);
    copyLogin->setObjectName(QStringLiteral("menu_Copy_Login"));
    copyLogin->setEnabled(F_Login->isEnabled() && !F_Login->text().isEmpty());
    connect(copyLogin, &QAction::triggered, this, [this] { CopyField(F_Login); });
    QAction* copyPassword = new QAction(QStringLiteral("Copy password"), menu);
    copyPassword->setObjectName(QStringLiteral("menu_Copy_Password"));
    copyPassword->setEnabled(F_Password->isEnabled() && !F_Password->text().isEmpty());
    connect(copyPassword, &QAction::triggered, this, [this] { CopyField(F_Password); });
    // The menu's own Copy and Cut would put the text on the clipboard plainly.
    for (QAction* action : menu->actions()) {
        const bool copy = action->text().startsWith(QLineEdit::tr("&Copy"));
        if (!copy && !action->text().startsWith(QLineEdit::tr("Cu&t"))) {
            continue;
        }
        action->setObjectName(copy ? QStringLiteral("edit-copy") : QStringLiteral("edit-cut"));
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this,
                [this, field, copy] { copy ? CopyField(field) : CutField(field); });
        if (field->echoMode() != QLineEdit::Normal) {
            action->setEnabled(copy && !field->text().isEmpty());
        }
    }
    menu->insertAction(first, copyLogin);
    menu->insertAction(first, copyPassword);
    menu->insertSeparator(first);
    return menu;
}

void TRecordPanel::CopyField(QLineEdit* field) {
    if (!field->isEnabled() || field->text().isEmpty()) {
        return;
    }
    emit messageRaised(field == F_Password ? QStringLiteral("Password copied to clipboard.")
                                           : QStringLiteral("Login copied to clipboard."));
    // A selection in a shown field is what the user means; a masked one
    // shows no selection, so it is copied whole.
    const bool part = field->echoMode() == QLineEdit::Normal && field->hasSelectedText();
    emit secretCopyRequested(part ? field->selectedText() : field->text());
}

// Copies the selection of a shown field and then deletes it; a masked field
// is only copied.
void TRecordPanel::CutField(QLineEdit* field) {
    // A masked field keeps its text: the user cannot see what a cut takes.
    if (field->echoMode() != QLineEdit::Normal || !field->hasSelectedText() ||
        field->isReadOnly()) {
        CopyField(field);
        return;
    }
    CopyField(field);
    field->del(); // an edit of the record like any other, with its undo
}
