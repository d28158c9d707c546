// TPageDatabase: the folder tree: the selection event, adding and finding
// folders, drag and drop inside the tree, renaming in place, and the moves
// to the root, up and down. The rules are the tree's; these handlers move
// the selection and ask for the sounds and the messages.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QAction>
#include <QChildEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "U_Event_Hook.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Paste_Limit.h"
#include "U_Picture.h"
#include "U_Record_Panel.h"
#include "U_Tree_Model.h"

namespace {

constexpr int kWipeStepMs = 10;
constexpr int kMoveSoundPauseMs = 50;

} // namespace

void TPageDatabase::P_Tree_Setup() {
    o_Timer_Folder_Name_Wipe.setObjectName(QStringLiteral("o_Timer_Folder_Name_Wipe"));
    o_Timer_Folder_Name_Wipe.setInterval(kWipeStepMs);
    connect(&o_Timer_Folder_Name_Wipe, &QTimer::timeout, this,
            &TPageDatabase::P_Folder_Name_Wipe_Step);
    o_TV_Main_Model->renamed = [this](TNodeHandle node, const QString& text) {
        return o_TV_MainEdited(node, text);
    };
    P_Tree_Name_Editor_Setup();
    o_TV_Main->dragOver = [this](TNodeHandle target) { return o_TV_MainDragOver(target); };
    o_TV_Main->dragDrop = [this](TNodeHandle target) { o_TV_MainDragDrop(target); };
    connect(o_TV_Main, &TKeyvaleTreeView::treeClicked, this,
            &TPageDatabase::P_Process_User_Select_Node_EVENT);
    connect(o_TV_Main, &TKeyvaleTreeView::navigationKeyReleased, this,
            &TPageDatabase::P_Process_User_Select_Node_EVENT);
    // Clicks and navigation keys are not the only ways the selection moves:
    // type-ahead, a click on empty space and every SelectNode of the program
    // move it too, and the record panel must follow each of them.
    connect(o_TV_Main->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TPageDatabase::o_TV_MainSelectionChanged);
    connect(o_TV_Main->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TPageDatabase::o_TV_MainSelectionChanged);

    // A right click may have chosen another node: show its fields before the
    // menu acts on it.
    connect(o_TV_Main, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        P_Process_User_Select_Node_EVENT();
        o_Popup_Menu_TV_Main->popup(o_TV_Main->viewport()->mapToGlobal(point));
    });
    connect(menu_Move_Node_to_Root, &QAction::triggered, this,
            &TPageDatabase::menu_Move_Node_to_RootClick);

    connect(i_Folder_Create, &TPicture::clicked, this, &TPageDatabase::i_Folder_CreateClick);
    connect(i_Folder_Find, &TPicture::clicked, this, &TPageDatabase::i_Folder_FindClick);
    connect(b_Node_Up, &QPushButton::clicked, this, &TPageDatabase::b_Node_UpClick);
    connect(b_Node_Down, &QPushButton::clicked, this, &TPageDatabase::b_Node_DownClick);

    // Enter in the name field adds the folder (the key goes no further);
    // entering the field counts as choosing the selected node again.
    TEventHook::Install(F_Folder_Name, [this](QEvent* event) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                i_Folder_CreateClick();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn && !folderNameFocusByProgram_) {
            P_Process_User_Select_Node_EVENT();
        }
        return false;
    });
    // (Watched after the hook above, so it sees the paste keys first.)
    paste_limit::Watch(F_Folder_Name, [this](int kept, int pasted) {
        emit pasteCut(F_Folder_Name, kept, pasted);
    });
}

// The name editor holds no more than a name may have, and a paste cut to
// that says what was kept, as in every other field.
void TPageDatabase::P_Tree_Name_Editor_Setup() {
    TEventHook::Install(o_TV_Main->viewport(), [this](QEvent* event) {
        if (event->type() != QEvent::ChildPolished) {
            return false;
        }
        if (auto* editor = qobject_cast<QLineEdit*>(static_cast<QChildEvent*>(event)->child())) {
            // Setting the limit drops the selection the editor starts with.
            const int start = editor->selectionStart();
            const int length = static_cast<int>(editor->selectedText().size());
            editor->setMaxLength(static_cast<int>(kMaximumNameLength));
            if (start >= 0) {
                editor->setSelection(start, length);
            }
            paste_limit::Watch(editor, [this, editor](int kept, int pasted) {
                emit pasteCut(editor, kept, pasted);
            });
        }
        return false;
    });
}

TNodeHandle TPageDatabase::F_Selected_Node() const {
    return o_TV_Main->SelectedNode();
}

void TPageDatabase::PrintMessages(const std::vector<TTreeMessage>& messages) {
    for (const TTreeMessage& message : messages) {
        emit messageRaised(QString::fromStdString(message.text), message.alert);
    }
}

void TPageDatabase::P_Process_User_Select_Node_EVENT() {
    // Choosing another node while the deletion warning is open cancels it.
    if (!i_Trash_Can->isEnabled()) {
        P_Close_Warning_Panel();
    }
    o_Record_Panel->ShowRecord(F_Selected_Node()); // the pending edit stored first
}

void TPageDatabase::o_TV_MainSelectionChanged() {
    if (F_Selected_Node() != o_Record_Panel->ShownNode()) {
        P_Process_User_Select_Node_EVENT();
    }
}

void TPageDatabase::ShowRecordOf(TNodeHandle node) {
    // The tree's selection is the one way into the record panel.
    o_TV_Main->SelectNode(node);
    o_TV_Main->setFocus();
}

void TPageDatabase::i_Folder_CreateClick() {
    // Enter again while the last name is leaving the field adds nothing; a
    // name typed (or put there) anew is a new name, even the same one.
    if (o_Timer_Folder_Name_Wipe.isActive() && F_Folder_Name->text() == folderNameLeaving_ &&
        folderNameLeaving_ != folderNameCreated_) {
        return;
    }
    o_Timer_Folder_Name_Wipe.stop();
    emit soundRequested(QStringLiteral("S_B_MP_3"));
    const QString text = F_Folder_Name->text();
    P_Folder_Create(text);
    folderNameCreated_ = text;
    folderNameLeaving_ = text;
    o_Timer_Folder_Name_Wipe.start();
    F_Folder_Name->setFocus();
}

// The name leaves the field from the left, one character per step, unless
// the user types (or the field is emptied) meanwhile.
void TPageDatabase::P_Folder_Name_Wipe_Step() {
    if (F_Folder_Name->text() != folderNameLeaving_ || folderNameLeaving_.isEmpty()) {
        o_Timer_Folder_Name_Wipe.stop();
        return;
    }
    folderNameLeaving_.remove(0, 1);
    F_Folder_Name->setText(folderNameLeaving_);
}

void TPageDatabase::P_Folder_Create(const QString& s_Folder_Name) {
    const TNodeHandle selected = F_Selected_Node();
    TFolderCreateResult result;
    o_TV_Main_Model->Change(
        [&] { result = FolderCreate(o_Tree_Data, selected, s_Folder_Name.toStdString()); });
    if (!result.created) {
        PrintMessages(result.messages);
        return;
    }
    emit databaseEdited();
    if (result.parent != kNoNode) {
        o_TV_Main->expand(o_TV_Main_Model->IndexOf(result.parent));
    }
    ActivateRecordFields(false);
    o_TV_Main->setFocus();
    o_TV_Main->SelectNode(result.selectAfter);
    PrintMessages(result.messages);
    P_Process_User_Select_Node_EVENT();
}

void TPageDatabase::i_Folder_FindClick() {
    emit soundRequested(QStringLiteral("S_B_MP_4"));
    const TFindResult result =
        FindFolder(o_Tree_Data, F_Selected_Node(), F_Folder_Name->text().toStdString());
    if (!result.searched) {
        return;
    }
    o_TV_Main->SelectNode(result.selectAfter);
    PrintMessages(result.messages);
    if (result.runSelectionEvent) {
        P_Process_User_Select_Node_EVENT();
    }
}

bool TPageDatabase::o_TV_MainDragOver(TNodeHandle target) {
    return CanDropNode(o_Tree_Data, F_Selected_Node(), target);
}

void TPageDatabase::o_TV_MainDragDrop(TNodeHandle target) {
    if (target == kNoNode) {
        return;
    }
    const TNodeHandle dragged = F_Selected_Node();
    const std::string problem = DropProblem(o_Tree_Data, dragged, target);
    TMoveResult result;
    o_TV_Main_Model->Change([&] { result = DropNode(o_Tree_Data, dragged, target); });
    PrintMessages(result.messages);
    if (!result.moved && result.messages.empty() && !problem.empty()) {
        // A refused drop says why, once, instead of only showing a cursor.
        emit messageRaised(QStringLiteral("[%1] has not been moved: %2")
                               .arg(QString::fromStdString(o_Tree_Data.Text(dragged)),
                                    QString::fromStdString(problem)),
                           false);
    }
    if (result.moved) {
        FollowMovedNode(dragged); // shown inside its new folder
    }
}

void TPageDatabase::FollowMovedNode(TNodeHandle node) {
    emit databaseEdited();
    o_TV_Main->SelectNode(node);
    P_Process_User_Select_Node_EVENT();
}

QString TPageDatabase::o_TV_MainEdited(TNodeHandle node, const QString& s_Text) {
    const std::string name = NormalizeNodeName(s_Text.toStdString());
    // Line breaks and leading blanks are mended silently; a control
    // character (a pasted terminal escape) is not, as keyvale-cli would
    // print it to a terminal.
    if (std::string problem = NameProblem(name); !problem.empty()) {
        emit messageRaised(QStringLiteral("The new name is refused (%1); the old one stays.")
                               .arg(QString::fromStdString(problem)),
                           false);
        return QString::fromStdString(o_Tree_Data.Text(node));
    }
    if (name != o_Tree_Data.Text(node)) {
        emit databaseEdited();
    }
    return QString::fromStdString(name);
}

bool TPageDatabase::CommitOpenName() {
    return o_TV_Main->CommitOpenEditor();
}

void TPageDatabase::menu_Move_Node_to_RootClick() {
    const TNodeHandle node = F_Selected_Node();
    TMoveResult result;
    o_TV_Main_Model->Change([&] { result = MoveNodeToRoot(o_Tree_Data, node); });
    if (!result.moved) {
        return;
    }
    PrintMessages(result.messages);
    emit soundRequested(QStringLiteral("S_Folder_Replaced_To_Root"));
    FollowMovedNode(node);
}

void TPageDatabase::b_Node_UpClick() {
    P_Move_Node_Among_Siblings(MoveNodeUp);
}

void TPageDatabase::b_Node_DownClick() {
    P_Move_Node_Among_Siblings(MoveNodeDown);
}

// Up and Down: the sound, a short pause, then the selected node moves one
// place among its siblings, if it can. The pause is a timer, not a sleep:
// the window goes on meanwhile. A tree shown afresh meanwhile (the lock,
// another database) drops the move, and so does another node chosen.
void TPageDatabase::P_Move_Node_Among_Siblings(bool (*move)(TKeyvaleTree&, TNodeHandle)) {
    emit soundRequested(QStringLiteral("S_Tab_Change_1"));
    const TNodeHandle node = F_Selected_Node();
    auto treeShownAfresh = std::make_shared<bool>(false);
    const QMetaObject::Connection reset =
        connect(o_TV_Main_Model, &QAbstractItemModel::modelAboutToBeReset, this,
                [treeShownAfresh] { *treeShownAfresh = true; });
    QTimer::singleShot(kMoveSoundPauseMs, this, [this, move, node, treeShownAfresh, reset] {
        disconnect(reset);
        if (*treeShownAfresh || F_Selected_Node() != node) {
            return;
        }
        bool moved = false;
        o_TV_Main_Model->Change([&] { moved = move(o_Tree_Data, node); });
        if (moved) {
            FollowMovedNode(node);
        }
    });
}
