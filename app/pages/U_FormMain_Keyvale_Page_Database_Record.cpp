// TPageDatabase: the record panel: the five fields of the selected record,
// the pending edit and when it is written into the tree, the password mask,
// and the Login and URL label shortcuts.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <string.h> // explicit_bzero

#include <functional>
#include <utility>

#include "U_Event_Hook.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Password_Generator_Button.h"
#include "U_Picture.h"
#include "U_Secret_Text.h"
#include "U_Tree_Model.h"

namespace {

// Runs `action` when the label is clicked with the left button.
void OnLabelClick(QLabel* label, std::function<void()> action) {
    TEventHook::Install(label, [label, action = std::move(action)](QEvent* event) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            action();
        }
        return false;
    });
}

// Runs `action` when the mouse enters the widget.
void OnEnter(QWidget* widget, std::function<void()> action) {
    TEventHook::Install(widget, [action = std::move(action)](QEvent* event) {
        if (event->type() == QEvent::Enter) {
            action();
        }
        return false;
    });
}

// The note as it was typed. The widget's plain-text form turns a no-break
// space into a space and a line separator into a line break; its raw form
// keeps both and marks each line end by a paragraph separator.
std::string NoteUtf8(const QPlainTextEdit* note) {
    QString raw = note->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    std::string result = SecretUtf8(raw);
    explicit_bzero(raw.data(), static_cast<std::size_t>(raw.size()) * sizeof(QChar));
    return result;
}

// Addresses the URL label hands to the desktop. Anything else (local files,
// desktop launchers, script or other handlers) may start a program, and a
// record's URL may come from an imported database.
bool OpensInBrowserOrMailer(const QUrl& url) {
    static const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                                         QStringLiteral("ftp"), QStringLiteral("mailto")};
    return url.isValid() && kSchemes.contains(url.scheme(), Qt::CaseInsensitive);
}

} // namespace

void TPageDatabase::P_Record_Setup() {
    // Each field marks itself as typed into, so that moving on writes only
    // what the user changed.
    const auto changed = [this](bool TRecordFieldsTouched::*field) {
        if (!b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT && i_Record_Panel_Node != kNoNode) {
            o_Record_Fields_Touched.*field = true;
            P_Process_Change_Text_Data_EVENT();
        }
    };
    const std::pair<QLineEdit*, bool TRecordFieldsTouched::*> lines[] = {
        {F_Login, &TRecordFieldsTouched::login},
        {F_Password, &TRecordFieldsTouched::password},
        {F_EMail, &TRecordFieldsTouched::email},
        {F_URL, &TRecordFieldsTouched::url},
    };
    for (const auto& [field, touched] : lines) {
        connect(field, &QLineEdit::textChanged, this,
                [changed, touched = touched] { changed(touched); });
    }
    connect(F_Note, &QPlainTextEdit::textChanged, this, [this, changed] {
        P_Cut_Note_To_Limit();
        changed(&TRecordFieldsTouched::note);
    });

    connect(b_Password_Show, &QPushButton::clicked, this, &TPageDatabase::b_Password_ShowClick);
    OnLabelClick(L_Password, [this] { ShowPassword(!PasswordShown()); });
    OnLabelClick(L_Login, [this] { L_LoginClick(); });
    OnLabelClick(L_URL, [this] { L_URLClick(); });
    for (QLabel* label : {L_Password, L_URL}) {
        TEventHook::Install(label, [this, label](QEvent* event) {
            if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
                P_Record_Hover(label, event->type() == QEvent::Enter);
            }
            return false;
        });
    }

    // The user moves on from the record: the mouse enters the log or the tree.
    OnEnter(o_Panel_Top, [this] { P_Leave_Record(); });
    OnEnter(o_Panel_TV, [this] { P_Leave_Record(); });
}

// A multi-line field has no length limit of its own: text beyond 8000
// characters (a paste) is cut off again. The length is counted without
// copying the text (the document counts one more character: the end of its
// last line).
void TPageDatabase::P_Cut_Note_To_Limit() {
    if (F_Note->document()->characterCount() - 1 <= static_cast<int>(kMaximumNoteLength)) {
        return;
    }
    QString text = F_Note->document()->toRawText();
    const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
    F_Note->setPlainText(text.left(static_cast<qsizetype>(kMaximumNoteLength)));
    F_Note->moveCursor(QTextCursor::End);
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
    emit messageRaised(QStringLiteral("The note is limited to %1 characters: %1 of its %2 "
                                      "characters were kept.")
                           .arg(kMaximumNoteLength)
                           .arg(text.size()),
                       false);
    explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
}

void TPageDatabase::StorePendingEdit() {
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}

void TPageDatabase::P_Save_Folder_Data_to_Data_Folder(std::int32_t& i_Selected_Node_ID) {
    // Nothing pending: no field is even read (the mouse crosses the tree and
    // the log all the time).
    if (i_Selected_Node_ID == kNoNode) {
        return;
    }
    const TRecordFieldsTouched touched = o_Record_Fields_Touched;
    o_Record_Fields_Touched = TRecordFieldsTouched::None();
    TRecordFields input;
    const TWipeGuard wipe{&input.login, &input.password, &input.email, &input.url, &input.note};
    if (touched.login) {
        KvSecureAssign(input.login, SecretUtf8(F_Login->text()));
    }
    if (touched.password) {
        KvSecureAssign(input.password, SecretUtf8(F_Password->text()));
    }
    if (touched.email) {
        KvSecureAssign(input.email, SecretUtf8(F_EMail->text()));
    }
    if (touched.url) {
        KvSecureAssign(input.url, SecretUtf8(F_URL->text()));
    }
    if (touched.note) {
        KvSecureAssign(input.note, NoteUtf8(F_Note));
    }
    const TRecordStoreResult result =
        SaveFolderDataToDataFolder(o_Tree_Data, i_Selected_Node_ID, input, touched);
    if (result.outcome == TRecordStoreOutcome::Nothing) {
        return;
    }
    if (result.outcome == TRecordStoreOutcome::DataCleared) {
        const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
        b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
        for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
            field->clear();
        }
        F_Note->clear();
        b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
    }
    o_TV_Main_Model->NodeChanged(result.node);
    emit messageRaised(QString::fromStdString(result.message), false);
}

void TPageDatabase::P_Read_Folder_Data_from_Data_Folder() {
    const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
    i_Record_Panel_Node = F_Selected_Node();
    o_Record_Fields_Touched = TRecordFieldsTouched::None();
    o_Password_Generator->Forget(); // Ctrl+Z never brings another record's password
    TRecordFields fields;
    const TWipeGuard wipe{&fields.login, &fields.password, &fields.email, &fields.url,
                          &fields.note};
    ReadFolderDataFromDataFolder(o_Tree_Data, i_Record_Panel_Node, fields);
    WipeFieldTexts({F_Login, F_Password, F_EMail, F_URL});
    F_Login->setText(QString::fromStdString(fields.login));
    F_Password->setText(QString::fromStdString(fields.password));
    F_EMail->setText(QString::fromStdString(fields.email));
    F_URL->setText(QString::fromStdString(fields.url));
    F_Note->setPlainText(QString::fromStdString(fields.note));
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
}

void TPageDatabase::P_Process_Change_Text_Data_EVENT() {
    // The edit belongs to the node the fields were read from, even if the
    // tree's current row has moved on since.
    if (i_Record_Panel_Node == kNoNode) {
        return;
    }
    i_GLOBAL_Node_ID = i_Record_Panel_Node;
    emit databaseEdited();
}

void TPageDatabase::ClearRecordPanel() {
    if (!i_Trash_Can->isEnabled()) {
        P_Close_Warning_Panel();
    }
    i_GLOBAL_Node_ID = kNoNode;
    i_Record_Panel_Node = kNoNode;
    o_Record_Fields_Touched = TRecordFieldsTouched::None();
    const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true; // emptying the fields is no edit
    WipeRecordFields();
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
}

void TPageDatabase::WipeRecordFields() {
    o_Password_Generator->Forget();
    // Setting a text, unlike clear(), also drops the undo history, which
    // would otherwise bring the last record back with Ctrl+Z.
    for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
        ClearSecretField(field);
    }
    F_Note->setPlainText(QString());
    F_Note->document()->clearUndoRedoStacks();
    ShowPassword(false);
    ActivateRecordFields(false);
}

void TPageDatabase::b_Password_ShowClick() {
    ShowPassword(!PasswordShown());
    emit soundRequested(QStringLiteral("S_TreeView_Click")); // no such clip: silent
    // The focus leaves the button for the name field, but the eye chooses no
    // node: reading the fields in again would end what Ctrl+Z in the
    // password can bring back, which holds until the record is left.
    const QScopedValueRollback byProgram(folderNameFocusByProgram_, true);
    F_Folder_Name->setFocus();
}

void TPageDatabase::L_LoginClick() {
    const TNodeHandle node = F_Selected_Node();
    if (node != kNoNode && F_Login->text().trimmed().isEmpty()) {
        F_Login->setText(QString::fromStdString(o_Tree_Data.Text(node)));
    }
}

void TPageDatabase::L_URLClick() {
    const TNodeHandle node = F_Selected_Node();
    if (node == kNoNode || !F_URL->isEnabled()) {
        return;
    }
    QString url = F_URL->text().trimmed();
    if (url.isEmpty()) {
        F_URL->setText(QString::fromStdString(o_Tree_Data.Text(node)));
        url = F_URL->text().trimmed();
    }
    if (!url.isEmpty()) {
        F_URL->selectAll();
        const QString text = F_URL->text();
        F_URL->deselect();
        emit messageRaised(QStringLiteral("Text copied to clipboard: \n") + url, false);
        emit secretCopyRequested(text);
    }
    if (url.size() > 1) {
        // The desktop's handler for the address; failure is not reported.
        const QUrl address = QUrl::fromUserInput(url);
        if (OpensInBrowserOrMailer(address)) {
            QDesktopServices::openUrl(address);
        } else {
            emit messageRaised(QStringLiteral("The address has not been opened: only http, "
                                              "https, ftp and mailto addresses are opened."),
                               false);
        }
    }
}

void TPageDatabase::P_Record_Hover(QLabel* label, bool b_Inside) {
    const QWidget* field = label == L_URL ? static_cast<QWidget*>(F_URL) : F_Password;
    const bool styled = b_Inside && field->isEnabled();
    if (!styled) {
        // Back to the font the label inherits, with the theme's weight:
        // setting "not bold" here would outlive the hover and the theme.
        label->setFont(QFont());
        label->style()->unpolish(label);
        label->style()->polish(label);
        return;
    }
    QFont font = label->font();
    font.setUnderline(true);
    if (label == L_URL) {
        font.setBold(true);
    }
    label->setFont(font);
}

void TPageDatabase::P_Leave_Record() {
    ShowPassword(false);
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}
