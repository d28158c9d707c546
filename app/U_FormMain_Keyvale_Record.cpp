// TFormMain: the record panel: the five fields of the selected record, the
// pending edit and when it is written into the tree, the password mask, and
// the Login and URL label shortcuts.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <string.h> // explicit_bzero

#include "U_Event_Hook.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
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

void TFormMain::P_Record_Setup() {
    // Each field marks itself as typed into, so that moving on writes only
    // what the user changed.
    const auto changed = [this](bool TRecordFieldsTouched::*field) {
        if (!b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT && i_Record_Panel_Node != kNoNode) {
            o_Record_Fields_Touched.*field = true;
            P_Process_Change_Text_Data_EVENT();
        }
    };
    const std::pair<QLineEdit*, bool TRecordFieldsTouched::*> lines[] = {
        {o_Page_Database->F_Login, &TRecordFieldsTouched::login},
        {o_Page_Database->F_Password, &TRecordFieldsTouched::password},
        {o_Page_Database->F_EMail, &TRecordFieldsTouched::email},
        {o_Page_Database->F_URL, &TRecordFieldsTouched::url},
    };
    for (const auto& [field, touched] : lines) {
        connect(field, &QLineEdit::textChanged, this,
                [changed, touched = touched] { changed(touched); });
    }
    // A multi-line field has no length limit of its own: text beyond 8000
    // characters (a paste) is cut off again.
    // The length is counted without copying the text (the document counts
    // one more character: the end of its last line).
    connect(o_Page_Database->F_Note, &QPlainTextEdit::textChanged, this, [this, changed] {
        if (o_Page_Database->F_Note->document()->characterCount() - 1 >
            static_cast<int>(kMaximumNoteLength)) {
            QString text = o_Page_Database->F_Note->document()->toRawText();
            const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
            b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
            o_Page_Database->F_Note->setPlainText(
                text.left(static_cast<qsizetype>(kMaximumNoteLength)));
            o_Page_Database->F_Note->moveCursor(QTextCursor::End);
            b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
            P_Print_Message(QStringLiteral("The note is limited to %1 characters: %1 of its %2 "
                                           "characters were kept.")
                                .arg(kMaximumNoteLength)
                                .arg(text.size()),
                            false);
            explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
        }
        changed(&TRecordFieldsTouched::note);
    });

    connect(o_Page_Database->b_Password_Show, &QPushButton::clicked, this,
            &TFormMain::b_Password_ShowClick);
    OnLabelClick(o_Page_Database->L_Password, [this] { i_Password_ViewClick(); });
    OnLabelClick(o_Page_Database->L_Login, [this] { L_LoginClick(); });
    OnLabelClick(o_Page_Database->L_URL, [this] { L_URLClick(); });
    for (QLabel* label : {o_Page_Database->L_Password, o_Page_Database->L_URL}) {
        TEventHook::Install(label, [this, label](QEvent* event) {
            if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
                P_Record_Hover(label, event->type() == QEvent::Enter);
            }
            return false;
        });
    }

    // The user moves on from the record: the mouse enters the log or the tree.
    TEventHook::Install(o_Page_Database->o_Panel_Top, [this](QEvent* event) {
        if (event->type() == QEvent::Enter) {
            o_Panel_TopMouseEnter();
        }
        return false;
    });
    TEventHook::Install(o_Page_Database->o_Panel_TV, [this](QEvent* event) {
        if (event->type() == QEvent::Enter) {
            o_Panel_TVMouseEnter();
        }
        return false;
    });
}

void TFormMain::P_Save_Folder_Data_to_Data_Folder(std::int32_t& i_Selected_Node_ID) {
    // Nothing pending: no field is even read (the mouse crosses the tree and
    // the log all the time).
    if (i_Selected_Node_ID == NoNode) {
        return;
    }
    const TRecordFieldsTouched touched = o_Record_Fields_Touched;
    o_Record_Fields_Touched = TRecordFieldsTouched::None();
    TRecordFields input;
    const TWipeGuard wipe{&input.login, &input.password, &input.email, &input.url, &input.note};
    if (touched.login) {
        input.login = SecretUtf8(o_Page_Database->F_Login->text());
    }
    if (touched.password) {
        input.password = SecretUtf8(o_Page_Database->F_Password->text());
    }
    if (touched.email) {
        input.email = SecretUtf8(o_Page_Database->F_EMail->text());
    }
    if (touched.url) {
        input.url = SecretUtf8(o_Page_Database->F_URL->text());
    }
    if (touched.note) {
        input.note = NoteUtf8(o_Page_Database->F_Note);
    }
    const TRecordStoreResult result =
        SaveFolderDataToDataFolder(o_Tree_Data, i_Selected_Node_ID, input, touched);
    if (result.outcome == TRecordStoreOutcome::Nothing) {
        return;
    }
    if (result.outcome == TRecordStoreOutcome::DataCleared) {
        const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
        b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
        for (QLineEdit* field : {o_Page_Database->F_Login, o_Page_Database->F_Password,
                                 o_Page_Database->F_EMail, o_Page_Database->F_URL}) {
            field->clear();
        }
        o_Page_Database->F_Note->clear();
        b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
    }
    o_Page_Database->o_TV_Main_Model->NodeChanged(result.node);
    P_Print_Message(QString::fromStdString(result.message), false);
}

void TFormMain::P_Save_Folder_Data_to_Data_Folder_Pending() {
    // A name still open in the tree's editor is part of what is saved. The
    // save that follows takes it along, so it starts no countdown of its own.
    const bool counting = o_Timer_SAVE_Database.isActive();
    if (o_Page_Database->o_TV_Main->CommitOpenEditor() && !counting) {
        o_Timer_SAVE_Database.stop();
    }
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}

void TFormMain::P_Read_Folder_Data_from_Data_Folder() {
    const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true;
    i_Record_Panel_Node = F_Selected_Node();
    o_Record_Fields_Touched = TRecordFieldsTouched::None();
    o_Page_Database->o_Password_Generator
        ->Forget(); // Ctrl+Z never brings another record's password
    TRecordFields fields;
    const TWipeGuard wipe{&fields.login, &fields.password, &fields.email, &fields.url,
                          &fields.note};
    ReadFolderDataFromDataFolder(o_Tree_Data, i_Record_Panel_Node, fields);
    WipeFieldTexts({o_Page_Database->F_Login, o_Page_Database->F_Password, o_Page_Database->F_EMail,
                    o_Page_Database->F_URL});
    o_Page_Database->F_Login->setText(QString::fromStdString(fields.login));
    o_Page_Database->F_Password->setText(QString::fromStdString(fields.password));
    o_Page_Database->F_EMail->setText(QString::fromStdString(fields.email));
    o_Page_Database->F_URL->setText(QString::fromStdString(fields.url));
    o_Page_Database->F_Note->setPlainText(QString::fromStdString(fields.note));
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
}

void TFormMain::P_Process_Change_Text_Data_EVENT() {
    // The edit belongs to the node the fields were read from, even if the
    // tree's current row has moved on since.
    if (i_Record_Panel_Node == kNoNode) {
        return;
    }
    i_GLOBAL_Node_ID = i_Record_Panel_Node;
    P_Start_Auto_Save_Countdown();
}

void TFormMain::P_Start_Auto_Save_Countdown() {
    // Only work that really changed the database gets here (a refused move
    // or folder does not): it counts for the quit rule and the automatic save.
    o_Session.MarkChanged();
    if (!o_Timer_SAVE_Database.isActive()) {
        o_Timer_SAVE_Database.start();
    }
}

void TFormMain::P_Record_Panel_Clear() {
    if (!o_Page_Database->i_Trash_Can->isEnabled()) {
        P_Close_Warning_Panel();
    }
    i_GLOBAL_Node_ID = NoNode;
    i_Record_Panel_Node = kNoNode;
    o_Record_Fields_Touched = TRecordFieldsTouched::None();
    const bool ignoring = b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT;
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = true; // emptying the fields is no edit
    o_Page_Database->ClearRecordPanel();
    b_GLOBAL_IGNORE_CHANGE_TEXT_EVENT = ignoring;
}

void TFormMain::b_Password_ShowClick() {
    P_Password_Show(!o_Page_Database->PasswordShown());
    PlaySoundResource(QStringLiteral("S_TreeView_Click")); // no such clip: silent
    o_Page_Database->F_Folder_Name->setFocus();
}

void TFormMain::i_Password_ViewClick() {
    P_Password_Show(!o_Page_Database->PasswordShown());
}

void TFormMain::L_LoginClick() {
    const TNodeHandle node = F_Selected_Node();
    if (node != kNoNode && o_Page_Database->F_Login->text().trimmed().isEmpty()) {
        o_Page_Database->F_Login->setText(QString::fromStdString(o_Tree_Data.Text(node)));
    }
}

void TFormMain::L_URLClick() {
    const TNodeHandle node = F_Selected_Node();
    if (node == kNoNode || !o_Page_Database->F_URL->isEnabled()) {
        return;
    }
    QString url = o_Page_Database->F_URL->text().trimmed();
    if (url.isEmpty()) {
        o_Page_Database->F_URL->setText(QString::fromStdString(o_Tree_Data.Text(node)));
        url = o_Page_Database->F_URL->text().trimmed();
    }
    if (!url.isEmpty()) {
        o_Page_Database->F_URL->selectAll();
        const QString text = o_Page_Database->F_URL->text();
        o_Page_Database->F_URL->deselect();
        P_Print_Message(QStringLiteral("Text copied to clipboard: \n") + url, false);
        P_Copy_Secret(text);
    }
    if (url.size() > 1) {
        // The desktop's handler for the address; failure is not reported.
        const QUrl address = QUrl::fromUserInput(url);
        if (OpensInBrowserOrMailer(address)) {
            QDesktopServices::openUrl(address);
        } else {
            P_Print_Message(QStringLiteral("The address has not been opened: only http, https, "
                                           "ftp and mailto addresses are opened."),
                            false);
        }
    }
}

void TFormMain::P_Record_Hover(QLabel* label, bool b_Inside) {
    const QWidget* field = label == o_Page_Database->L_URL
                               ? static_cast<QWidget*>(o_Page_Database->F_URL)
                               : o_Page_Database->F_Password;
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
    if (label == o_Page_Database->L_URL) {
        font.setBold(true);
    }
    label->setFont(font);
}

void TFormMain::o_Panel_TopMouseEnter() {
    P_Password_Show(false);
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}

void TFormMain::o_Panel_TVMouseEnter() {
    P_Password_Show(false);
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
}
