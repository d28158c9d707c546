// TPageDatabase: deleting through the trash can. A drop on the trash can, or
// the Delete key on a node, only opens the warning; "Delete" deletes,
// "Cancel" or choosing another node backs out. Delete, Space or Enter on the
// trash can, and Delete on a node, ask as a drop does.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

#include "U_Event_Hook.h"
#include "U_Leaving_Picture.h"
#include "U_Picture.h"
#include "U_Record_Panel.h"
#include "U_Tree_Model.h"

namespace {

constexpr int kWarningSlideMs = 150;

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

void TPageDatabase::P_Trash_Setup() {
    TEventHook::Install(i_Trash_Can, [this](QEvent* event) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (i_Trash_Can->isEnabled() && i_Trash_CanDragOver(drag->mimeData())) {
                drag->setDropAction(Qt::MoveAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!i_Trash_Can->isEnabled() || !i_Trash_CanDragOver(drop->mimeData())) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::MoveAction);
            drop->accept();
            i_Trash_CanDragDrop();
            return true;
        }
        default:
            return false;
        }
    });
    connect(b_Delete_Folder, &QPushButton::clicked, this, &TPageDatabase::b_Delete_FolderClick);
    connect(b_Dont_Delete_Folder, &QPushButton::clicked, this, [this] {
        emit soundRequested(QStringLiteral("S_B_Cancel_3"));
        P_Close_Warning_Panel();
    });
}

void TPageDatabase::P_Keyboard_Setup() {
    // Delete, Space or Enter on the trash can asks to delete the selected
    // node, as a drop on it does.
    TEventHook::Install(i_Trash_Can, [this](QEvent* event) {
        for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            if (IsPress(event, key)) {
                return Take(event, [this] { P_Ask_Delete_Selected_Node(); });
            }
        }
        return false;
    });
    TEventHook::Install(o_TV_Main, [this](QEvent* event) {
        // (While a name is being edited, the keys go to the editor instead.)
        if (!IsPress(event, Qt::Key_Delete)) {
            return false;
        }
        return Take(event, [this] { P_Ask_Delete_Selected_Node(); });
    });
    connect(b_Save_Database, &QPushButton::clicked, this, &TPageDatabase::saveClicked);
}

// The Delete key on a node, or on the trash can: the deletion warning for
// the selected node, as a drop on the trash can opens it.
void TPageDatabase::P_Ask_Delete_Selected_Node() {
    if (!i_Trash_Can->isEnabled() || F_Selected_Node() == kNoNode) {
        return;
    }
    i_Trash_CanDragDrop();
    // The safe answer has the focus; Tab reaches "Delete".
    b_Dont_Delete_Folder->setFocus(Qt::TabFocusReason);
}

bool TPageDatabase::i_Trash_CanDragOver(const QMimeData* data) const {
    return data && data->hasFormat(QString::fromLatin1(kTreeNodeMimeType));
}

void TPageDatabase::i_Trash_CanDragDrop() {
    const TNodeHandle node = F_Selected_Node();
    if (node == kNoNode) {
        return;
    }
    i_Trash_Can->setEnabled(false);
    // "Delete" deletes what the warning shows, wherever the selection goes.
    i_Warning_Node = node;
    L_Warning->setText(QString::fromStdString(DeletionWarningText(o_Tree_Data, node)));
    PlaceWarning();
    o_Panel_Warning->show();
    o_Panel_Warning->raise();

    // The preview: the node, and a folder's first sub-folder under it.
    const QList<QIcon> images = KeyvaleTreeImageList();
    const auto icon = [&](TNodeHandle n) {
        const int number = o_Tree_Data.Icon(n);
        return number >= 0 && number < images.size() ? images[number] : QIcon();
    };
    o_TV_Small->clear();
    auto* root = new QTreeWidgetItem(o_TV_Small, {QString::fromStdString(o_Tree_Data.Text(node))});
    root->setIcon(0, icon(node));
    const TNodeHandle child = DeletionPreviewChild(o_Tree_Data, node);
    if (child != kNoNode) {
        auto* item = new QTreeWidgetItem(root, {QString::fromStdString(o_Tree_Data.Text(child))});
        item->setIcon(0, icon(child));
        root->setExpanded(true);
    }
    o_TV_Small->setCurrentItem(root);
    emit soundRequested(QStringLiteral("S_Trash_Can_1"));
}

void TPageDatabase::b_Delete_FolderClick() {
    P_Folder_Delete();
    emit soundRequested(QStringLiteral("S_Delete"));
    P_Close_Warning_Panel();
}

void TPageDatabase::P_Folder_Delete() {
    const TNodeHandle node = i_Warning_Node;
    if (node == kNoNode || !o_Tree_Data.Contains(node)) {
        return;
    }
    TDeleteResult result;
    o_TV_Main_Model->Change([&] { result = FolderDelete(o_Tree_Data, node); });
    if (!result.deleted) {
        return;
    }
    emit databaseEdited();
    emit messageRaised(QString::fromStdString(result.message.text), result.message.alert);
    o_TV_Main->SelectNode(result.selectAfter);
    P_Process_User_Select_Node_EVENT();
}

// A note made short by a small screen would cut the warning off: the panel
// then grows upwards over the fields above, as far as it needs.
void TPageDatabase::PlaceWarning() {
    const QRect note = o_Record_Panel->NoteGeometry();
    QRect place(note.x() - 5, note.y() - 10, note.width() + 10, note.height() + 20);
    const int needed = o_Panel_Warning->layout()->totalHeightForWidth(place.width());
    const int height =
        std::max({place.height(), needed, o_Panel_Warning->minimumSizeHint().height()});
    place.setTop(std::max(0, place.bottom() + 1 - height));
    place.setBottom(std::min(o_Record_Panel->height() - 1, place.top() + height - 1));
    place = place.intersected(o_Record_Panel->rect());
    o_Panel_Warning->setGeometry(place);
}

// The warning goes at once, and the trash can takes drops again; where it
// could be seen, a picture of it slides out to the right, faster as it goes.
void TPageDatabase::P_Close_Warning_Panel() {
    if (o_Panel_Warning->isVisible()) {
        SlideLeavingPicture(o_Panel_Warning, "o_Panel_Warning_Leaving",
                            QPoint(o_Record_Panel->width() - o_Panel_Warning->x(), 0),
                            kWarningSlideMs, QEasingCurve::InQuad);
    }
    o_Panel_Warning->hide();
    i_Trash_Can->setEnabled(true);
    L_Warning->setText(QStringLiteral(" "));
    i_Warning_Node = kNoNode;
}
