// TFormMain: deleting through the trash can. A drop on the trash can only
// opens the warning; "Delete" deletes, "Cancel" or choosing another node backs
// out.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "U_Event_Hook.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"

namespace {} // namespace

void TFormMain::P_Trash_Setup() {
    TEventHook::Install(o_Page_Database->i_Trash_Can, [this](QEvent* event) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (o_Page_Database->i_Trash_Can->isEnabled() &&
                i_Trash_CanDragOver(drag->mimeData())) {
                drag->setDropAction(Qt::MoveAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!o_Page_Database->i_Trash_Can->isEnabled() ||
                !i_Trash_CanDragOver(drop->mimeData())) {
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
    connect(o_Page_Database->b_Delete_Folder, &QPushButton::clicked, this,
            &TFormMain::b_Delete_FolderClick);
    connect(o_Page_Database->b_Dont_Delete_Folder, &QPushButton::clicked, this,
            &TFormMain::b_Dont_Delete_FolderClick);
}

bool TFormMain::i_Trash_CanDragOver(const QMimeData* data) const {
    return data && data->hasFormat(QString::fromLatin1(kTreeNodeMimeType));
}

void TFormMain::i_Trash_CanDragDrop() {
    const TNodeHandle node = F_Selected_Node();
    if (node == kNoNode) {
        return;
    }
    o_Page_Database->i_Trash_Can->setEnabled(false);
    // "Delete" deletes what the warning shows, wherever the selection goes.
    i_Warning_Node = node;
    o_Page_Database->L_Warning->setText(
        QString::fromStdString(DeletionWarningText(o_Tree_Data, node)));
    o_Page_Database->PlaceWarning(); // over the note field, a little larger than it
    o_Page_Database->o_Panel_Warning->show();
    o_Page_Database->o_Panel_Warning->raise();

    // The preview: the node, and a folder's first sub-folder under it.
    const QList<QIcon> images = KeyvaleTreeImageList();
    const auto icon = [&](TNodeHandle n) {
        const int number = o_Tree_Data.Icon(n);
        return number >= 0 && number < images.size() ? images[number] : QIcon();
    };
    o_Page_Database->o_TV_Small->clear();
    auto* root = new QTreeWidgetItem(o_Page_Database->o_TV_Small,
                                     {QString::fromStdString(o_Tree_Data.Text(node))});
    root->setIcon(0, icon(node));
    const TNodeHandle child = DeletionPreviewChild(o_Tree_Data, node);
    if (child != kNoNode) {
        auto* item = new QTreeWidgetItem(root, {QString::fromStdString(o_Tree_Data.Text(child))});
        item->setIcon(0, icon(child));
        root->setExpanded(true);
    }
    o_Page_Database->o_TV_Small->setCurrentItem(root);
    PlaySoundResource(QStringLiteral("S_Trash_Can_1"));
}

void TFormMain::b_Delete_FolderClick() {
    P_Folder_Delete();
    PlaySoundResource(QStringLiteral("S_Delete"));
    P_Close_Warning_Panel();
}

void TFormMain::b_Dont_Delete_FolderClick() {
    PlaySoundResource(QStringLiteral("S_B_Cancel_3"));
    P_Close_Warning_Panel();
}

void TFormMain::P_Folder_Delete() {
    const TNodeHandle node = i_Warning_Node;
    if (node == kNoNode || !o_Tree_Data.Contains(node)) {
        return;
    }
    // The selection passes on as in any tree: to the next sibling, else the
    // previous one, else the parent.
    TNodeHandle next = o_Tree_Data.NextSibling(node);
    if (next == kNoNode) {
        next = o_Tree_Data.PreviousSibling(node);
    }
    if (next == kNoNode) {
        next = o_Tree_Data.Parent(node);
    }
    TDeleteResult result;
    o_Page_Database->o_TV_Main_Model->Change([&] { result = FolderDelete(o_Tree_Data, node); });
    if (!result.deleted) {
        return;
    }
    P_Start_Auto_Save_Countdown();
    P_Print_Message(QString::fromStdString(result.message.text), result.message.alert);
    o_Page_Database->o_TV_Main->SelectNode(next);
    P_Process_User_Select_Node_EVENT();
}

void TFormMain::P_Close_Warning_Panel() {
    o_Page_Database->CloseWarning();
    i_Warning_Node = kNoNode;
}
