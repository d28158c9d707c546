// The Database page: the log panel on top; below it the folder tree with its
// search-and-add row, and the record panel (TRecordPanel) with the page's
// trash can, Save button and deletion warning. The page shows the open
// database's tree and changes it only through the tree's rules. It tells the
// record panel which record to show, and has the panel write a pending edit
// into the tree when the user moves on, or when the window asks for it
// before a save. What is the window's to decide (where a message shows,
// the sounds, the clipboard, saving and the automatic save) the page asks
// for through its signals.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class TKeyvaleTreeModel;
class TKeyvaleTreeView;
class TImportJob;
class TImportPreviewDialog;
class TPasswordHealthView;
class TPicture;
class TRecordPanel;
class TViewPlaces;
struct TImportPreview;

class TPageDatabase : public QWidget {
    Q_OBJECT
  public:
    // `tree` is the open database's content (empty when none is open); the
    // generator keeps its choices in the settings file `iniPath`.
    // The page must go before the tree does.
    TPageDatabase(TKeyvaleTree& tree, const std::string& iniPath, QWidget* parent = nullptr);

    // ---- what the window shows on the page
    // The work area (tree and record panel) is shown and takes input, or not.
    void ShowDatabase(bool open);
    // No database is open: the record panel, the search text and the log
    // are emptied, and the log says `text`.
    void ShowNoDatabase(const QString& text);
    // The record panel, the search text and the log start afresh: a
    // database was opened, or none is.
    void StartAfresh();
    // The tree was replaced wholesale (load, close): shown afresh, and the
    // fields and a pending edit of the old one forgotten.
    void ResetTree();
    // The selection and the open folders, by name, before the tree may be
    // replaced by one with the same content and more (a merge with another
    // writer's file, or that file read again).
    TViewPlaces RememberPlaces() const;
    // The tree was replaced so: shown afresh with the folders open again and
    // the same node selected where the new tree has them, and the record
    // panel showing the selected record's fields as they are now.
    void ShowReplacedTree(const TViewPlaces& places);
    // Something typed is not in the tree yet: a pending edit in the record
    // panel, or a name in the tree's editor.
    bool HasUnsavedEdit() const;
    // An import's preview is open: the tree must not change under its plan.
    bool ImportUnderWay() const;
    // How many conflict copies lie beside the open database: "Merge
    // copies..." works when there are any.
    void SetConflictCopies(int count);
    void AppendToLog(const QString& line);
    void ClearLog();
    // The log keeps the height the window chose for it; the tree panel its width.
    void SetLogHeight(int height);
    void RestoreTreeWidth();
    void FreezeLayout();
    // After each save the Save button rests for 10 s; its rest timer
    // (o_Timer_SAVE_BUTTON) gives it back.
    void RestSave();
    bool SaveEnabled() const;
    // What is left of the rest, in whole seconds, at least 1.
    int SaveRestSeconds() const;
    void o_Timer_SAVE_BUTTONTimer();
    // The folder name field takes the focus (after a save, and at exit).
    void FocusFolderName();
    // At exit no record stays on screen; a refused exit shows the tree again.
    void HideTree(bool hidden);

    // ---- the tree (the page's handlers, also entry points for the window)
    TNodeHandle F_Selected_Node() const;
    // The user chose a node: a pending edit is written into the tree, and
    // the record panel shows the chosen node's fields.
    void P_Process_User_Select_Node_EVENT();
    // The page selects `node` and shows its record (the health report's choice).
    void ShowRecordOf(TNodeHandle node);
    bool o_TV_MainDragOver(TNodeHandle target); // what the view asks while dragging
    void o_TV_MainDragDrop(TNodeHandle target);
    void b_Node_UpClick();
    void b_Node_DownClick();
    bool i_Trash_CanDragOver(const QMimeData* data) const;
    void i_Trash_CanDragDrop();
    void b_Delete_FolderClick();
    // Another program's export: read and planned off this thread while the
    // preview says so, then the preview, then the records added.
    void ImportFrom(const QString& file);
    // The database is about to be locked, closed or replaced: the import
    // preview (and its reading), the health report and the generator's
    // options close, and nothing begun there reaches the tree. Returns a
    // line for the log about each thing the user had begun that is dropped.
    QStringList CloseDatabaseDialogs();

    // ---- record panel (handed to TRecordPanel)
    // The node a pending edit belongs to; kNoNode when nothing is pending.
    std::int32_t PendingEditNode() const;
    // A name still open in the tree's editor is written into the tree (a
    // save takes it along). True when there was one.
    bool CommitOpenName();
    // The pending edit, if any, is written into the tree.
    void StorePendingEdit();
    // Empties and disables the five fields, with their undo history, and
    // forgets the node they showed and any pending edit: the database closes.
    void ClearRecordPanel();
    // The password in clear or masked; the eye button and the "Password"
    // caption toggle this one state and say what a click will do.
    void ShowPassword(bool shown);
    bool PasswordShown() const;
    // The five fields and their captions take input, or are grayed.
    void ActivateRecordFields(bool active);

  signals:
    // A message for the page's log, and for the desktop alert with `alert`.
    void messageRaised(const QString& text, bool alert);
    void soundRequested(const QString& clip);
    // The tree or a record changed: the countdown to the automatic save.
    void databaseEdited();
    void saveClicked();
    // A field's text for the clipboard, as a secret.
    void secretCopyRequested(const QString& text);
    // A paste into `field` was cut to its limit.
    void pasteCut(const QWidget* field, int kept, int pasted);
    void importRequested();
    // "Merge copies...": the window previews the copies beside the database.
    void mergeCopiesRequested();
    // The page should come to the front (the health report chose a record).
    void pageWanted();

  private:
    // Building (U_FormMain_Keyvale_Page_Database.cpp)
    QFrame* CreateLogPanel();
    QFrame* CreateTreePanel(QWidget* parent);
    QWidget* CreateFolderNameRow(QWidget* parent);
    void CreateTreeMenu();
    TRecordPanel* CreateRecordPanel(QWidget* parent, const std::string& iniPath);
    void CreateWarningPanel();
    void CreatePasswordHealth();
    void CreateMergeCopies();

    // The tree (_Tree.cpp)
    void P_Tree_Setup();
    void P_Tree_Name_Editor_Setup();
    void o_TV_MainSelectionChanged();
    void i_Folder_CreateClick();
    void P_Folder_Create(const QString& s_Folder_Name);
    void P_Folder_Name_Wipe_Step();
    void i_Folder_FindClick();
    QString o_TV_MainEdited(TNodeHandle node, const QString& s_Text);
    void menu_Move_Node_to_RootClick();
    // A move or drop changed the tree: the node stays selected where it went.
    void FollowMovedNode(TNodeHandle node);
    void P_Move_Node_Among_Siblings(bool (*move)(TKeyvaleTree&, TNodeHandle));
    void PrintMessages(const std::vector<TTreeMessage>& messages);

    // What the record panel asks of the page (_Show.cpp)
    void P_Record_Setup();

    // The trash can and the deletion warning (_Trash.cpp)
    void P_Trash_Setup();
    void P_Keyboard_Setup();
    void P_Ask_Delete_Selected_Node();
    void P_Folder_Delete();
    void P_Close_Warning_Panel();
    // Lays the warning over the note field, a little larger than it, and
    // never beyond the record panel.
    void PlaceWarning();

    // Import and password health (_Tools.cpp)
    void P_Import_Setup();
    void P_Import_Planned(std::shared_ptr<TImportPreview> preview);
    void P_Import_Answered(int result);
    void P_Import_Apply(TImportPreview& preview);
    void P_Import_Close();
    void b_Password_HealthClick();

    TKeyvaleTree& o_Tree_Data;

    // The node the open deletion warning names; only this one is deleted.
    TNodeHandle i_Warning_Node = kNoNode;
    // The program moves the focus into the name field without choosing a node.
    bool folderNameFocusByProgram_ = false;
    // A created folder's name leaves its field, one character per step.
    QTimer o_Timer_Folder_Name_Wipe;
    QString folderNameCreated_; // the name of the folder just created,
    QString folderNameLeaving_; // and what the wipe has left of it in its field

    QFrame* o_Panel_Top = nullptr;
    QTextEdit* F_Message = nullptr;
    QWidget* o_Panel_Big = nullptr;
    QFrame* o_Panel_TV = nullptr;
    QWidget* o_Panel_Folder_Name = nullptr;
    QLineEdit* F_Folder_Name = nullptr;
    TPicture* i_Folder_Create = nullptr;
    TPicture* i_Folder_Find = nullptr;
    TKeyvaleTreeView* o_TV_Main = nullptr; // shows o_Tree_Data through o_TV_Main_Model
    TKeyvaleTreeModel* o_TV_Main_Model = nullptr;
    QMenu* o_Popup_Menu_TV_Main = nullptr;
    QAction* menu_Move_Node_to_Root = nullptr;
    QAction* menu_Cancel = nullptr;
    QAction* menu_Import = nullptr;
    QPushButton* b_Node_Up = nullptr;
    QPushButton* b_Node_Down = nullptr;
    // The record's fields, the mask and the pending edit (o_Panel_Right).
    TRecordPanel* o_Record_Panel = nullptr;
    QPushButton* b_Save_Database = nullptr;
    TPicture* i_Trash_Can = nullptr;
    QFrame* o_Panel_Warning = nullptr;
    QLabel* L_Warning_Caption = nullptr;
    QLabel* L_Warning_2 = nullptr;
    QTreeWidget* o_TV_Small = nullptr;
    QLabel* L_Warning = nullptr;
    QPushButton* b_Delete_Folder = nullptr;
    QPushButton* b_Dont_Delete_Folder = nullptr;
    QPushButton* b_Password_Health = nullptr;
    QPushButton* b_Merge_Copies = nullptr;
    TPasswordHealthView* o_Password_Health = nullptr;

    // The import under way: its reading and planning, its preview, the
    // plan once made, and the tree it was made for. treeGeneration_ counts
    // every change of the tree and every replacement of it; a plan is
    // applied only to the generation it was made for.
    QPointer<TImportJob> o_Import_Job;
    QPointer<TImportPreviewDialog> o_Import_Preview;
    std::shared_ptr<TImportPreview> importPlanned_;
    QString importFile_;
    std::uint64_t importGeneration_ = 0;
    std::uint64_t treeGeneration_ = 0;

    QTimer o_Timer_SAVE_BUTTON{this};
};
