// TFormMain: the folder tree of the Database page: the selection event,
// adding and finding folders, drag and drop inside the tree, renaming in
// place, and the moves to the root, up and down. The rules are the tree's;
// these handlers move the selection, play the sounds and print the messages.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QAction>
#include <QChildEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QThread>

#include "U_Event_Hook.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Paste_Limit.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"

namespace {

constexpr int kWipeStepMs = 10;
constexpr int kMoveSoundPauseMs = 50;

} // namespace

void TFormMain::P_Tree_Setup() {
    o_Timer_Folder_Name_Wipe.setObjectName(QStringLiteral("o_Timer_Folder_Name_Wipe"));
    o_Timer_Folder_Name_Wipe.setInterval(kWipeStepMs);
    connect(&o_Timer_Folder_Name_Wipe, &QTimer::timeout, this, &TFormMain::P_Folder_Name_Wipe_Step);
    o_Page_Database->o_TV_Main_Model =
        new TKeyvaleTreeModel(o_Tree_Data, o_Page_Database->o_TV_Main);
    o_Page_Database->o_TV_Main->setModel(o_Page_Database->o_TV_Main_Model);
    o_Page_Database->o_TV_Main_Model->renamed = [this](TNodeHandle node, const QString& text) {
        return o_TV_MainEdited(node, text);
    };
    P_Tree_Name_Editor_Setup();
    o_Page_Database->o_TV_Main->dragOver = [this](TNodeHandle target) {
        return o_TV_MainDragOver(target);
    };
    o_Page_Database->o_TV_Main->dragDrop = [this](TNodeHandle target) {
        o_TV_MainDragDrop(target);
    };
    connect(o_Page_Database->o_TV_Main, &TKeyvaleTreeView::treeClicked, this,
            &TFormMain::P_Process_User_Select_Node_EVENT);
    connect(o_Page_Database->o_TV_Main, &TKeyvaleTreeView::navigationKeyReleased, this,
            &TFormMain::P_Process_User_Select_Node_EVENT);
    // Clicks and navigation keys are not the only ways the selection moves:
    // type-ahead, a click on empty space and every SelectNode of the program
    // move it too, and the record panel must follow each of them.
    connect(o_Page_Database->o_TV_Main->selectionModel(), &QItemSelectionModel::currentChanged,
            this, &TFormMain::o_TV_MainSelectionChanged);
    connect(o_Page_Database->o_TV_Main->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, &TFormMain::o_TV_MainSelectionChanged);

    // A right click may have chosen another node: show its fields before the
    // menu acts on it.
    connect(o_Page_Database->o_TV_Main, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) {
                P_Process_User_Select_Node_EVENT();
                o_Page_Database->o_Popup_Menu_TV_Main->popup(
                    o_Page_Database->o_TV_Main->viewport()->mapToGlobal(point));
            });
    connect(o_Page_Database->menu_Move_Node_to_Root, &QAction::triggered, this,
            &TFormMain::menu_Move_Node_to_RootClick);

    connect(o_Page_Database->i_Folder_Create, &TPicture::clicked, this,
            &TFormMain::i_Folder_CreateClick);
    connect(o_Page_Database->i_Folder_Find, &TPicture::clicked, this,
            &TFormMain::i_Folder_FindClick);
    connect(o_Page_Database->b_Node_Up, &QPushButton::clicked, this, &TFormMain::b_Node_UpClick);
    connect(o_Page_Database->b_Node_Down, &QPushButton::clicked, this,
            &TFormMain::b_Node_DownClick);

    // Enter in the name field adds the folder (the key goes no further);
    // entering the field counts as choosing the selected node again.
    TEventHook::Install(o_Page_Database->F_Folder_Name, [this](QEvent* event) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                i_Folder_CreateClick();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            P_Process_User_Select_Node_EVENT();
        }
        return false;
    });
}

// The name editor holds no more than a name may have, and a paste cut to
// that says what was kept, as in every other field.
void TFormMain::P_Tree_Name_Editor_Setup() {
    TEventHook::Install(o_Page_Database->o_TV_Main->viewport(), [this](QEvent* event) {
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
                P_Report_Cut_Paste(editor, kept, pasted);
            });
        }
        return false;
    });
}

void TFormMain::P_Tree_View_Reset() {
    // The fields and a pending edit belong to the tree that is gone.
    P_Record_Panel_Clear();
    o_Page_Database->o_TV_Main_Model->Reset();
}

TNodeHandle TFormMain::F_Selected_Node() const {
    return o_Page_Database->o_TV_Main->SelectedNode();
}

void TFormMain::P_Process_User_Select_Node_EVENT() {
    // Choosing another node while the deletion warning is open cancels it.
    if (!o_Page_Database->i_Trash_Can->isEnabled()) {
        P_Close_Warning_Panel();
    }
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
    P_Read_Folder_Data_from_Data_Folder();
    // Without a selected node there is no record to type into.
    const TNodeHandle node = F_Selected_Node();
    P_Input_Data_Controls_Activate(node != kNoNode && RecordFieldsEditable(o_Tree_Data, node));
}

void TFormMain::o_TV_MainSelectionChanged() {
    if (F_Selected_Node() != i_Record_Panel_Node) {
        P_Process_User_Select_Node_EVENT();
    }
}

void TFormMain::i_Folder_CreateClick() {
    // Enter again while the last name is leaving the field adds nothing; a
    // name typed (or put there) anew is a new name, even the same one.
    if (o_Timer_Folder_Name_Wipe.isActive() &&
        o_Page_Database->F_Folder_Name->text() == folderNameLeaving_ &&
        folderNameLeaving_ != folderNameCreated_) {
        return;
    }
    o_Timer_Folder_Name_Wipe.stop();
    PlaySoundResource(QStringLiteral("S_B_MP_3"));
    const QString text = o_Page_Database->F_Folder_Name->text();
    P_Folder_Create(text);
    folderNameCreated_ = text;
    folderNameLeaving_ = text;
    o_Timer_Folder_Name_Wipe.start();
    o_Page_Database->F_Folder_Name->setFocus();
}

// The name leaves the field from the left, one character per step, unless
// the user types (or the field is emptied) meanwhile.
void TFormMain::P_Folder_Name_Wipe_Step() {
    if (o_Page_Database->F_Folder_Name->text() != folderNameLeaving_ ||
        folderNameLeaving_.isEmpty()) {
        o_Timer_Folder_Name_Wipe.stop();
        return;
    }
    folderNameLeaving_.remove(0, 1);
    o_Page_Database->F_Folder_Name->setText(folderNameLeaving_);
}

void TFormMain::P_Folder_Create(const QString& s_Folder_Name) {
    const TNodeHandle selected = F_Selected_Node();
    TFolderCreateResult result;
    o_Page_Database->o_TV_Main_Model->Change(
        [&] { result = FolderCreate(o_Tree_Data, selected, s_Folder_Name.toStdString()); });
    if (!result.created) {
        for (const TTreeMessage& message : result.messages) {
            P_Print_Message(QString::fromStdString(message.text), message.alert);
        }
        return;
    }
    P_Start_Auto_Save_Countdown();
    if (result.parent != kNoNode) {
        o_Page_Database->o_TV_Main->expand(
            o_Page_Database->o_TV_Main_Model->IndexOf(result.parent));
    }
    P_Input_Data_Controls_Activate(false);
    o_Page_Database->o_TV_Main->setFocus();
    o_Page_Database->o_TV_Main->SelectNode(result.selectAfter);
    for (const TTreeMessage& message : result.messages) {
        P_Print_Message(QString::fromStdString(message.text), message.alert);
    }
    P_Process_User_Select_Node_EVENT();
}

void TFormMain::i_Folder_FindClick() {
    PlaySoundResource(QStringLiteral("S_B_MP_4"));
    const TFindResult result = FindFolder(o_Tree_Data, F_Selected_Node(),
                                          o_Page_Database->F_Folder_Name->text().toStdString());
    if (!result.searched) {
        return;
    }
    o_Page_Database->o_TV_Main->SelectNode(result.selectAfter);
    for (const TTreeMessage& message : result.messages) {
        P_Print_Message(QString::fromStdString(message.text), message.alert);
    }
    if (result.runSelectionEvent) {
        P_Process_User_Select_Node_EVENT();
    }
}

bool TFormMain::o_TV_MainDragOver(TNodeHandle target) {
    return CanDropNode(o_Tree_Data, F_Selected_Node(), target);
}

void TFormMain::o_TV_MainDragDrop(TNodeHandle target) {
    if (target == kNoNode) {
        return;
    }
    const TNodeHandle dragged = F_Selected_Node();
    const std::string problem = DropProblem(o_Tree_Data, dragged, target);
    TMoveResult result;
    o_Page_Database->o_TV_Main_Model->Change(
        [&] { result = DropNode(o_Tree_Data, dragged, target); });
    for (const TTreeMessage& message : result.messages) {
        P_Print_Message(QString::fromStdString(message.text), message.alert);
    }
    if (!result.moved && result.messages.empty() && !problem.empty()) {
        // A refused drop says why, once, instead of only showing a cursor.
        P_Print_Message(QStringLiteral("[%1] has not been moved: %2")
                            .arg(QString::fromStdString(o_Tree_Data.Text(dragged)),
                                 QString::fromStdString(problem)),
                        false);
    }
    if (result.moved) {
        // The moved node stays selected, shown inside its new folder.
        P_Start_Auto_Save_Countdown();
        o_Page_Database->o_TV_Main->SelectNode(dragged);
        P_Process_User_Select_Node_EVENT();
    }
}

QString TFormMain::o_TV_MainEdited(TNodeHandle node, const QString& s_Text) {
    const std::string name = NormalizeNodeName(s_Text.toStdString());
    // Line breaks and leading blanks are mended silently; a control
    // character (a pasted terminal escape) is not, as keyvale-cli would
    // print it to a terminal.
    if (std::string problem = NameProblem(name); !problem.empty()) {
        P_Print_Message(QStringLiteral("The new name is refused (%1); the old one stays.")
                            .arg(QString::fromStdString(problem)),
                        false);
        return QString::fromStdString(o_Tree_Data.Text(node));
    }
    if (name != o_Tree_Data.Text(node)) {
        P_Start_Auto_Save_Countdown();
    }
    return QString::fromStdString(name);
}

void TFormMain::menu_Move_Node_to_RootClick() {
    const TNodeHandle node = F_Selected_Node();
    TMoveResult result;
    o_Page_Database->o_TV_Main_Model->Change([&] { result = MoveNodeToRoot(o_Tree_Data, node); });
    if (!result.moved) {
        return;
    }
    for (const TTreeMessage& message : result.messages) {
        P_Print_Message(QString::fromStdString(message.text), message.alert);
    }
    PlaySoundResource(QStringLiteral("S_Folder_Replaced_To_Root"));
    P_Start_Auto_Save_Countdown();
    o_Page_Database->o_TV_Main->SelectNode(node);
    P_Process_User_Select_Node_EVENT();
}

void TFormMain::b_Node_UpClick() {
    PlaySoundResource(QStringLiteral("S_Tab_Change_1"));
    QThread::msleep(kMoveSoundPauseMs);
    const TNodeHandle node = F_Selected_Node();
    bool moved = false;
    o_Page_Database->o_TV_Main_Model->Change([&] { moved = MoveNodeUp(o_Tree_Data, node); });
    if (moved) {
        P_Start_Auto_Save_Countdown();
        o_Page_Database->o_TV_Main->SelectNode(node);
        P_Process_User_Select_Node_EVENT();
    }
}

void TFormMain::b_Node_DownClick() {
    PlaySoundResource(QStringLiteral("S_Tab_Change_1"));
    QThread::msleep(kMoveSoundPauseMs);
    const TNodeHandle node = F_Selected_Node();
    bool moved = false;
    o_Page_Database->o_TV_Main_Model->Change([&] { moved = MoveNodeDown(o_Tree_Data, node); });
    if (moved) {
        P_Start_Auto_Save_Countdown();
        o_Page_Database->o_TV_Main->SelectNode(node);
        P_Process_User_Select_Node_EVENT();
    }
}
