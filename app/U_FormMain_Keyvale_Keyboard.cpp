// TFormMain: the Database page by keyboard alone. Tab walks the record's
// fields and goes on to Show password, the trash can and Save; the Delete key
// on a node opens the same deletion warning as a drop on the trash can; Ctrl+S
// saves, or says why it cannot yet.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>

#include "U_Event_Hook.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"

namespace {

bool IsPress(const QEvent* event, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const auto* press = static_cast<const QKeyEvent*>(event);
    return press->key() == key && press->modifiers() == modifiers;
}

// Takes the key from window shortcuts (ShortcutOverride) and runs `action`
// on the press itself.
bool Take(QEvent* event, const std::function<void()>& action) {
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        action();
    }
    return true;
}

} // namespace

void TFormMain::P_Keyboard_Setup() {
    // Tab leaves the note as it leaves every other field, so a keyboard user
    // is not caught there typing tab characters; Ctrl+Tab types one.
    o_Page_Database->F_Note->setTabChangesFocus(true);
    TEventHook::Install(o_Page_Database->F_Note, [this](QEvent* event) {
        if (!IsPress(event, Qt::Key_Tab, Qt::ControlModifier)) {
            return false;
        }
        return Take(event,
                    [this] { o_Page_Database->F_Note->insertPlainText(QStringLiteral("\t")); });
    });

    // The trash can is reached by Tab; Delete, Space or Enter there asks to
    // delete the selected node, as a drop on it does.
    o_Page_Database->i_Trash_Can->setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(o_Page_Database->b_Password_Show,
                         o_Page_Database->i_Trash_Can); // in the order they stand
    QWidget::setTabOrder(o_Page_Database->i_Trash_Can, o_Page_Database->b_Save_Database);
    TEventHook::Install(o_Page_Database->i_Trash_Can, [this](QEvent* event) {
        for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            if (IsPress(event, key)) {
                return Take(event, [this] { P_Ask_Delete_Selected_Node(); });
            }
        }
        return false;
    });
    TEventHook::Install(o_Page_Database->o_TV_Main, [this](QEvent* event) {
        // (While a name is being edited, the keys go to the editor instead.)
        if (!IsPress(event, Qt::Key_Delete)) {
            return false;
        }
        return Take(event, [this] { P_Ask_Delete_Selected_Node(); });
    });

    // (The pages are not built yet: the window holds the key, and only the
    // Database page answers it.)
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setObjectName(QStringLiteral("o_Shortcut_Save"));
    connect(save, &QShortcut::activated, this, &TFormMain::P_Save_Key);
}

void TFormMain::P_Ask_Delete_Selected_Node() {
    if (!o_Page_Database->i_Trash_Can->isEnabled() || F_Selected_Node() == kNoNode) {
        return;
    }
    i_Trash_CanDragDrop();
    // The safe answer has the focus; Tab reaches "Delete".
    o_Page_Database->b_Dont_Delete_Folder->setFocus(Qt::TabFocusReason);
}

void TFormMain::P_Save_Key() {
    if (o_Page_Control->currentWidget() != page_Database) {
        return;
    }
    if (o_Page_Database->b_Save_Database->isEnabled()) {
        b_Save_DatabaseClick();
        return;
    }
    if (!o_Session.IsOpen()) {
        return;
    }
    // Save rests for a while after each save; the key says so instead of
    // doing nothing.
    const int seconds = (o_Timer_SAVE_BUTTON.remainingTime() + 999) / 1000;
    P_Print_Message(QStringLiteral("The database was saved a moment ago. Save can be used again "
                                   "in %1 s.")
                        .arg(qMax(seconds, 1)),
                    false);
}
