#include "U_Paste_Limit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include "U_Event_Hook.h"

namespace paste_limit {
namespace {

// What is about to be pasted, and the field as it is before: after the paste
// the field's new length tells how much of it was taken.
void Check(QLineEdit* field, const QString& incoming, const TReport& report) {
    if (incoming.isEmpty() || field->isReadOnly()) {
        return;
    }
    const int before = static_cast<int>(field->text().size() - field->selectedText().size());
    const int pasted = static_cast<int>(incoming.size());
    if (before + pasted <= field->maxLength()) {
        return;
    }
    QPointer<QLineEdit> guarded(field);
    QTimer::singleShot(0, field, [guarded, before, pasted, report] {
        if (guarded) {
            report(static_cast<int>(guarded->text().size()) - before, pasted);
        }
    });
}

QString ClipboardText(QClipboard::Mode mode) {
    return QApplication::clipboard()->text(mode);
}

} // namespace

void OpenMenu(QLineEdit* field, QMenu* menu, const QPoint& globalPosition, const TReport& report) {
    const int before = static_cast<int>(field->text().size() - field->selectedText().size());
    // Only its length is kept while the menu is open: the clipboard may
    // hold a secret.
    const int pasted = static_cast<int>(ClipboardText(QClipboard::Clipboard).size());
    QPointer<QLineEdit> guarded(field);
    for (QAction* action : menu->actions()) {
        // The standard menu's entry, told by its (translated) text before
        // the shortcut; its actions carry no other name. Connected after
        // the field's own paste, this runs once the text is in.
        if (action->text().section(QLatin1Char('\t'), 0, 0) != QLineEdit::tr("&Paste")) {
            continue;
        }
        QObject::connect(action, &QAction::triggered, menu, [guarded, before, pasted, report] {
            if (guarded && before + pasted > guarded->maxLength()) {
                report(static_cast<int>(guarded->text().size()) - before, pasted);
            }
        });
    }
    // Shown, not run: the menu goes once it closes, after its action.
    QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(globalPosition);
}

void Watch(QLineEdit* field, TReport report) {
    TEventHook::Install(field, [field, report](QEvent* event) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
                Check(field, ClipboardText(QClipboard::Clipboard), report);
            }
            return false;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton &&
                QApplication::clipboard()->supportsSelection()) {
                Check(field, ClipboardText(QClipboard::Selection), report);
            }
            return false;
        case QEvent::Drop:
            if (const QMimeData* data = static_cast<QDropEvent*>(event)->mimeData()) {
                Check(field, data->text(), report);
            }
            return false;
        case QEvent::ContextMenu:
            OpenMenu(field, field->createStandardContextMenu(),
                     static_cast<QContextMenuEvent*>(event)->globalPos(), report);
            return true;
        default:
            return false;
        }
    });
}

} // namespace paste_limit
