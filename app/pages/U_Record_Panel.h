// The record panel: the five fields of one record of the tree (login,
// password, e-mail, URL and note) with their captions, the password's mask
// (the eye) and its generator, and the edit typed into them that is not yet
// in the tree (the pending edit).
//
// The panel shows the record its owner chooses and writes the pending edit
// into the tree when its owner asks (before another record is shown, before
// a save, a lock or an import) through the tree's rules, and only the fields
// the user typed into. What the program puts into the fields is no edit.
// Everything else (the log, the sounds, the clipboard, the countdown to the
// automatic save, where the focus goes) it asks for through its signals.
//
// The panel is the framed right half of the Database page; the page lays
// its own controls (the trash can, Save) into the eye's row and its
// deletion warning over the note.
#pragma once

#include <QFrame>
#include <QString>

#include <cstdint>
#include <string>

#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TPasswordGeneratorButton;

class TRecordPanel : public QFrame {
    Q_OBJECT
  public:
    // `tree` holds the records shown; the generator keeps its choices in the
    // settings file `iniPath`. The panel must go before the tree does.
    TRecordPanel(TKeyvaleTree& tree, const std::string& iniPath, QWidget* parent = nullptr);

    // ---- the record shown
    // A pending edit is stored first; then `node`'s fields are read in (five
    // empty ones for a folder or kNoNode) and take input when the node may
    // hold a record. What Ctrl+Z could bring back ends here: the fields
    // start afresh.
    void ShowRecord(TNodeHandle node);
    // The node whose fields are shown; kNoNode after Clear().
    TNodeHandle ShownNode() const { return shownNode_; }
    // Empties and disables the five fields, with their undo history, and
    // forgets the node they showed and any pending edit, unstored.
    void Clear();
    // The five fields and their captions take input, or are grayed.
    void Activate(bool active);

    // ---- the pending edit
    // The node a pending edit belongs to; kNoNode when nothing is pending.
    std::int32_t PendingEditNode() const { return pendingNode_; }
    // The pending edit, if any, is written into the tree (recordStored says
    // what became of it).
    void StorePendingEdit();
    // The user moved on (the mouse went to the log or the tree): the password
    // is masked and the pending edit stored.
    void Leave();

    // ---- the mask
    // The password in clear or masked; the eye button and the "Password"
    // caption toggle this one state and say what a click will do.
    void ShowPassword(bool shown);
    bool PasswordShown() const { return passwordShown_; }

    // ---- for the page's layout
    // Lays `middle` and `right` into the eye's row, after the eye in the
    // order of Tab.
    void PlaceBesideEye(QWidget* middle, QWidget* right);
    // Where the note field lies in the panel.
    QRect NoteGeometry() const;
    // The generator's options close (the database is going).
    void CloseGeneratorOptions();

  signals:
    // The user changed a field of the shown record: an edit is pending.
    void edited();
    // A pending edit was written into the tree; `message` is for the log.
    void recordStored(TNodeHandle node, const QString& message);
    // A line for the log (copies, a note cut to its limit, the generator).
    void messageRaised(const QString& text);
    void soundRequested(const QString& clip);
    // A field's text for the clipboard, as a secret.
    void secretCopyRequested(const QString& text);
    // A paste into `field` was cut to its limit.
    void pasteCut(const QWidget* field, int kept, int pasted);
    // The eye was clicked: the focus should leave it without choosing a
    // record, so that Ctrl+Z in the password still works.
    void eyeClicked();

  private:
    // Building and showing (U_Record_Panel.cpp)
    int CreateFields();
    void CreateNote(int line);
    void CreatePasswordLine(const std::string& iniPath);
    void WipeFields();

    // Editing (U_Record_Panel_Edit.cpp)
    void ConnectEdits();
    void ConnectLabels();
    void FieldTouched(bool TRecordFieldsTouched::*field);
    void CutNoteToLimit();
    void ClearFieldTexts();
    void LoginCaptionClicked();
    void UrlCaptionClicked();
    void Hover(QLabel* label, bool inside);

    // Copies (U_Record_Panel_Copy.cpp)
    void ConnectCopies();
    QMenu* FieldMenu(QLineEdit* field);
    void CopyField(QLineEdit* field);
    void CutField(QLineEdit* field);

    TKeyvaleTree& tree_;

    // pendingNode_ is the node a pending edit belongs to; shownNode_ the node
    // whose fields are shown (set where they are read in), and a pending
    // edit belongs to it and no other.
    std::int32_t pendingNode_ = kNoNode;
    TNodeHandle shownNode_ = kNoNode;
    // Which fields the user changed since they were read in.
    TRecordFieldsTouched touched_ = TRecordFieldsTouched::None();
    // The program, not the user, is filling the fields.
    bool filling_ = false;
    bool passwordShown_ = false;

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
    TPasswordGeneratorButton* o_Password_Generator = nullptr;
};
