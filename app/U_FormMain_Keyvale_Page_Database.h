// The Database page: the log panel on top; below it the folder tree with its
// search-and-add row, and the record panel with the trash can and the
// deletion warning. The page builds and keeps its widgets; the window's
// handlers of the tree, the record panel and the trash can still work on
// them directly until they move into the page as well.
#pragma once

#include <QWidget>

class QAction;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QVBoxLayout;
class TFormMain;
class TKeyvaleTreeModel;
class TKeyvaleTreeView;
class TPasswordGeneratorButton;
class TPasswordHealthView;
class TPicture;

class TPageDatabase : public QWidget {
    Q_OBJECT
  public:
    explicit TPageDatabase(QWidget* parent = nullptr);

    // ---- record panel
    // The password in clear or masked; the eye button and the "Password"
    // caption toggle this one state and say what a click will do.
    void ShowPassword(bool shown);
    bool PasswordShown() const { return passwordShown_; }
    // The five fields and their captions take input, or are grayed.
    void ActivateRecordFields(bool active);
    // Wipes the five fields with their undo history and the generator's last
    // password, masks the password and grays the fields: no record is shown.
    void ClearRecordPanel();

    // ---- deletion warning
    // Lays the warning over the note field, a little larger than it, and
    // never beyond the record panel.
    void PlaceWarning();
    // The warning slides out to the right; the trash can takes drops again.
    void CloseWarning();

  private:
    // The window's handlers of this page reach its widgets for now.
    friend class TFormMain;

    QFrame* CreateLogPanel();
    QFrame* CreateTreePanel(QWidget* parent);
    QWidget* CreateFolderNameRow(QWidget* parent);
    void CreateTreeMenu();
    QFrame* CreateRecordPanel(QWidget* parent);
    int CreateRecordFields(QGridLayout* record);
    void CreateWarningPanel();

    bool passwordShown_ = false;

    QFrame* o_Panel_Top = nullptr;
    QTextEdit* F_Message = nullptr;
    QWidget* o_Panel_Big = nullptr;
    QFrame* o_Panel_TV = nullptr;
    QWidget* o_Panel_Folder_Name = nullptr;
    QLineEdit* F_Folder_Name = nullptr;
    TPicture* i_Folder_Create = nullptr;
    TPicture* i_Folder_Find = nullptr;
    TKeyvaleTreeView* o_TV_Main = nullptr; // shows the session's tree through o_TV_Main_Model
    TKeyvaleTreeModel* o_TV_Main_Model = nullptr;
    QMenu* o_Popup_Menu_TV_Main = nullptr;
    QAction* menu_Move_Node_to_Root = nullptr;
    QAction* menu_Cancel = nullptr;
    QAction* menu_Import = nullptr;
    QPushButton* b_Node_Up = nullptr;
    QPushButton* b_Node_Down = nullptr;
    QFrame* o_Panel_Right = nullptr;
    QLabel* L_Login = nullptr;
    QLineEdit* F_Login = nullptr;
    QLabel* L_Password = nullptr;
    QLineEdit* F_Password = nullptr;
    QLabel* L_EMail = nullptr;
    QLineEdit* F_EMail = nullptr;
    QLabel* L_URL = nullptr;
    QLineEdit* F_URL = nullptr;
    QLabel* L_Note = nullptr;
    QPlainTextEdit* F_Note = nullptr;
    QPushButton* b_Password_Show = nullptr;
    QPushButton* b_Save_Database = nullptr;
    TPicture* i_Trash_Can = nullptr;
    QFrame* o_Panel_Warning = nullptr;
    QLabel* L_Warning_Caption = nullptr;
    QLabel* L_Warning_2 = nullptr;
    QTreeWidget* o_TV_Small = nullptr;
    QLabel* L_Warning = nullptr;
    QPushButton* b_Delete_Folder = nullptr;
    QPushButton* b_Dont_Delete_Folder = nullptr;
    TPasswordGeneratorButton* o_Password_Generator = nullptr;
    QPushButton* b_Password_Health = nullptr;
    TPasswordHealthView* o_Password_Health = nullptr;
};
