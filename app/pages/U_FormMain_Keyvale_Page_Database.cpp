// The Database page's widgets and their layout; what they do is wired in
// the page's other files.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <initializer_list>

#include "U_Page_Layout.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Password_Health_View.h"
#include "U_Picture.h"
#include "U_Record_Panel.h"
#include "U_Tree_Model.h"
#include "U_Widget_Names.h"

using namespace keyvale_layout;

namespace {

QTreeWidget* MakeTree(QTreeWidget* tree) {
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    tree->setIconSize(QSize(32, 32));
    tree->setIndentation(35);
    return tree;
}

// After each save the Save button rests this long.
constexpr int kSaveRestMs = 10000;

} // namespace

TPageDatabase::TPageDatabase(TKeyvaleTree& tree, const std::string& iniPath, QWidget* parent)
    : QWidget(parent), o_Tree_Data(tree) {
    setObjectName(QStringLiteral("page_Database_Content"));
    setAccessibleName(QStringLiteral("Database"));
    o_Timer_SAVE_BUTTON.setObjectName(QStringLiteral("o_Timer_SAVE_BUTTON"));
    o_Timer_SAVE_BUTTON.setInterval(kSaveRestMs);
    connect(&o_Timer_SAVE_BUTTON, &QTimer::timeout, this, &TPageDatabase::o_Timer_SAVE_BUTTONTimer);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    layout->setSpacing(8);
    layout->addWidget(CreateLogPanel());

    o_Panel_Big = Named(new QWidget(this), "o_Panel_Big", QStringLiteral("Database work area"));
    auto* big = new QHBoxLayout(o_Panel_Big);
    big->setContentsMargins(0, 0, 0, 0);
    big->setSpacing(10);
    layout->addWidget(o_Panel_Big, 1);
    // Without an open database the work area is hidden; the log stays on top.
    layout->addStretch(0);

    big->addWidget(CreateTreePanel(o_Panel_Big));
    big->addWidget(CreateRecordPanel(o_Panel_Big, iniPath), 1);
    CreateWarningPanel();
    CreatePasswordHealth();
    CreateMergeCopies();

    // What the controls do. The order counts where two of them watch the
    // same widget: the one set up later sees its events first.
    P_Tree_Setup();
    P_Import_Setup();
    P_Trash_Setup();
    P_Record_Setup();
    P_Keyboard_Setup();
}

QFrame* TPageDatabase::CreateLogPanel() {
    o_Panel_Top = Named(new QFrame(this), "o_Panel_Top", QStringLiteral("Log panel"));
    auto* top = new QVBoxLayout(o_Panel_Top);
    top->setContentsMargins(0, 0, 0, 0);
    F_Message = Named(new QTextEdit(o_Panel_Top), "F_Message", QStringLiteral("Log"));
    F_Message->setReadOnly(true);
    F_Message->setAcceptRichText(false);
    F_Message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    top->addWidget(F_Message);
    o_Panel_Top->setMinimumHeight(LogHeight);
    return o_Panel_Top;
}

// Left: the folder tree under its search-and-add row, with the buttons that
// move a node.
QFrame* TPageDatabase::CreateTreePanel(QWidget* parent) {
    o_Panel_TV = Named(new QFrame(parent), "o_Panel_TV", QStringLiteral("Folder tree panel"));
    o_Panel_TV->setFixedWidth(TreePanelWidth);
    auto* tv = new QVBoxLayout(o_Panel_TV);
    tv->setContentsMargins(10, 10, 10, 10);
    tv->addWidget(CreateFolderNameRow(o_Panel_TV));

    o_TV_Main =
        Named(new TKeyvaleTreeView(o_Panel_TV), "o_TV_Main", QStringLiteral("Folders and records"));
    tv->addWidget(o_TV_Main, 1);
    o_TV_Main_Model = new TKeyvaleTreeModel(o_Tree_Data, o_TV_Main);
    o_TV_Main->setModel(o_TV_Main_Model);
    CreateTreeMenu();

    auto* moves = new QHBoxLayout;
    b_Node_Up = Named(
        new QPushButton(KeyvaleIcon(QStringLiteral("arrow_up")), QStringLiteral(" Up"), o_Panel_TV),
        "b_Node_Up", QStringLiteral("Move up"));
    b_Node_Down = Named(new QPushButton(KeyvaleIcon(QStringLiteral("arrow_down")),
                                        QStringLiteral(" Down"), o_Panel_TV),
                        "b_Node_Down", QStringLiteral("Move down"));
    Hinted(b_Node_Up, QStringLiteral(" Move the selected folder up "));
    Hinted(b_Node_Down, QStringLiteral(" Move the selected folder down "));
    moves->addWidget(b_Node_Up);
    moves->addWidget(b_Node_Down);
    moves->addStretch(1);
    tv->addLayout(moves);
    return o_Panel_TV;
}

QWidget* TPageDatabase::CreateFolderNameRow(QWidget* parent) {
    o_Panel_Folder_Name =
        Named(new QWidget(parent), "o_Panel_Folder_Name", QStringLiteral("Folder name row"));
    auto* row = new QHBoxLayout(o_Panel_Folder_Name);
    row->setContentsMargins(0, 0, 0, 0);
    const QString folderHint = QStringLiteral(
        "   Type folder (record) name here. Then you can add or search a folder .     ");
    F_Folder_Name = Hinted(
        Named(new QLineEdit(o_Panel_Folder_Name), "F_Folder_Name", QStringLiteral("Folder name")),
        folderHint);
    F_Folder_Name->setPlaceholderText(folderHint.trimmed());
    F_Folder_Name->setMaxLength(static_cast<int>(kMaximumNameLength));
    i_Folder_Create = Hinted(Named(new TPicture(o_Panel_Folder_Name), "i_Folder_Create",
                                   QStringLiteral("Add a new folder")),
                             QStringLiteral("  Add a new folder  "));
    i_Folder_Create->SetPicture(QStringLiteral("folder_add"), QSize(36, 36));
    i_Folder_Find = Hinted(
        Named(new TPicture(o_Panel_Folder_Name), "i_Folder_Find", QStringLiteral("Find a folder")),
        QStringLiteral("  Find a folder  "));
    i_Folder_Find->SetPicture(QStringLiteral("folder_find"), QSize(36, 36));
    for (TPicture* picture : {i_Folder_Create, i_Folder_Find}) {
        picture->SetClickable(true);
        picture->setFixedSize(44, 44);
    }
    row->addWidget(F_Folder_Name, 1);
    row->addWidget(i_Folder_Create);
    row->addWidget(i_Folder_Find);
    return o_Panel_Folder_Name;
}

// The tree's context menu: move the node to the root, or leave the menu.
void TPageDatabase::CreateTreeMenu() {
    o_Popup_Menu_TV_Main =
        Named(new QMenu(o_TV_Main), "o_Popup_Menu_TV_Main", QStringLiteral("Folder menu"));
    o_Popup_Menu_TV_Main->setStyleSheet(QStringLiteral("QMenu { icon-size: 40px; }"));
    menu_Move_Node_to_Root = o_Popup_Menu_TV_Main->addAction(
        KeyvaleIcon(QStringLiteral("menu_move_to_root")), QStringLiteral("Move to the root"));
    menu_Move_Node_to_Root->setObjectName(QStringLiteral("menu_Move_Node_to_Root"));
    menu_Cancel = o_Popup_Menu_TV_Main->addAction(KeyvaleIcon(QStringLiteral("menu_cancel")),
                                                  QStringLiteral("Cancel"));
    menu_Cancel->setObjectName(QStringLiteral("menu_Cancel"));
}

// Right: the record panel, with the trash can and the Save button in the
// eye's row.
TRecordPanel* TPageDatabase::CreateRecordPanel(QWidget* parent, const std::string& iniPath) {
    o_Record_Panel = new TRecordPanel(o_Tree_Data, iniPath, parent);
    b_Save_Database = Named(new QPushButton(KeyvaleIcon(QStringLiteral("save")),
                                            QStringLiteral(" Save database"), o_Record_Panel),
                            "b_Save_Database", QStringLiteral("Save database"));
    i_Trash_Can =
        Hinted(Named(new TPicture(o_Record_Panel), "i_Trash_Can", QStringLiteral("Trash can")),
               QStringLiteral(
                   "  Trash can.  Use it for deleting folders and records. To delete folder "
                   "just drag and drop it here. Remember! Deleted items cannot be restored.  "));
    i_Trash_Can->SetPicture(QStringLiteral("trash_can"), QSize(56, 56));
    i_Trash_Can->setAcceptDrops(true);
    i_Trash_Can->setFocusPolicy(Qt::TabFocus); // reached by Tab, after the eye
    o_Record_Panel->PlaceBesideEye(i_Trash_Can, b_Save_Database);
    return o_Record_Panel;
}

// The deletion warning, laid over the note field when something is dropped
// on the trash can.
void TPageDatabase::CreateWarningPanel() {
    o_Panel_Warning =
        Named(new QFrame(o_Record_Panel), "o_Panel_Warning", QStringLiteral("Deletion warning"));
    auto* warning = new QVBoxLayout(o_Panel_Warning);
    L_Warning_Caption = Named(new QLabel(QStringLiteral("W a r n i n g  !"), o_Panel_Warning),
                              "L_Warning_Caption", QStringLiteral("Warning"));
    L_Warning_Caption->setStyleSheet(
        QStringLiteral("color: maroon; font-size: 16pt; font-weight: bold;"));
    L_Warning_2 =
        Named(new QLabel(QStringLiteral("You are about to delete this object:"), o_Panel_Warning),
              "L_Warning_2", QStringLiteral("You are about to delete this object"));
    o_TV_Small = MakeTree(
        Named(new QTreeWidget(o_Panel_Warning), "o_TV_Small", QStringLiteral("Object to delete")));
    o_TV_Small->setEditTriggers(QAbstractItemView::NoEditTriggers);
    L_Warning = Named(new QLabel(o_Panel_Warning), "L_Warning", QStringLiteral("Question"));
    L_Warning->setWordWrap(true);
    b_Delete_Folder = Hinted(Named(new QPushButton(QStringLiteral(" Delete"), o_Panel_Warning),
                                   "b_Delete_Folder", QStringLiteral("Delete")),
                             QStringLiteral("  Remember! Object cannot be restored !"));
    b_Dont_Delete_Folder = Hinted(Named(new QPushButton(QStringLiteral(" Cancel"), o_Panel_Warning),
                                        "b_Dont_Delete_Folder", QStringLiteral("Cancel")),
                                  QStringLiteral(" Cancel deleting. "));
    auto* answer = new QHBoxLayout;
    answer->addWidget(b_Delete_Folder);
    answer->addStretch(1);
    answer->addWidget(b_Dont_Delete_Folder);
    warning->addWidget(L_Warning_Caption);
    warning->addWidget(L_Warning_2);
    warning->addWidget(o_TV_Small, 1);
    warning->addWidget(L_Warning);
    warning->addLayout(answer);
    o_Panel_Warning->setVisible(false);
}

// The health report's button closes the row of the tree's Up and Down
// buttons.
void TPageDatabase::CreatePasswordHealth() {
    b_Password_Health =
        Hinted(Named(new QPushButton(QStringLiteral("Password &health"), o_Panel_TV),
                     "b_Password_Health", QStringLiteral("Password health")),
               QStringLiteral(" Weak, reused and guessable passwords of this database "));
    for (QHBoxLayout* moves : o_Panel_TV->findChildren<QHBoxLayout*>()) {
        if (moves->indexOf(b_Node_Down) >= 0) {
            moves->addWidget(b_Password_Health);
        }
    }
    setTabOrder(b_Node_Down, b_Password_Health);
    o_Password_Health = new TPasswordHealthView(o_Tree_Data, o_TV_Main_Model, this);
}
