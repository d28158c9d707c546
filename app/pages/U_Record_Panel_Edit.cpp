// TRecordPanel: editing: which fields the user typed into, the pending edit
// and how it is written into the tree, the note's length limit, the eye and
// the Login and URL caption shortcuts.
#include "U_Record_Panel.h"

#include <QDesktopServices>
#include <QKeyEvent>
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

#include <functional>
#include <utility>

#include "U_Event_Hook.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Password_Generator_Button.h"
#include "U_Secret_Text.h"

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

bool IsCtrlTab(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const auto* press = static_cast<const QKeyEvent*>(event);
    return press->key() == Qt::Key_Tab && press->modifiers() == Qt::ControlModifier;
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

void TRecordPanel::ConnectEdits() {
    // Each field marks itself as typed into, so that storing writes only
    // what the user changed.
    const std::pair<QLineEdit*, bool TRecordFieldsTouched::*> lines[] = {
        {F_Login, &TRecordFieldsTouched::login},
        {F_Password, &TRecordFieldsTouched::password},
        {F_EMail, &TRecordFieldsTouched::email},
        {F_URL, &TRecordFieldsTouched::url},
    };
    for (const auto& [field, touched] : lines) {
        connect(field, &QLineEdit::textChanged, this,
                [this, touched = touched] { FieldTouched(touched); });
    }
    connect(F_Note, &QPlainTextEdit::textChanged, this, [this] {
        CutNoteToLimit();
        FieldTouched(&TRecordFieldsTouched::note);
    });
    connect(o_Password_Generator, &TPasswordGeneratorButton::message, this,
            &TRecordPanel::messageRaised);

    // Tab leaves the note as it leaves every other field, so a keyboard user
    // is not caught there typing tab characters; Ctrl+Tab types one (and no
    // window shortcut takes it).
    F_Note->setTabChangesFocus(true);
    TEventHook::Install(F_Note, [this](QEvent* event) {
        if (!IsCtrlTab(event)) {
            return false;
        }
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            F_Note->insertPlainText(QStringLiteral("\t"));
        }
        return true;
    });
}

void TRecordPanel::ConnectLabels() {
    connect(b_Password_Show, &QPushButton::clicked, this, [this] {
        ShowPassword(!PasswordShown());
        emit soundRequested(QStringLiteral("S_TreeView_Click")); // no such clip: silent
        emit eyeClicked();
    });
    OnLabelClick(L_Password, [this] { ShowPassword(!PasswordShown()); });
    OnLabelClick(L_Login, [this] { LoginCaptionClicked(); });
    OnLabelClick(L_URL, [this] { UrlCaptionClicked(); });
    for (QLabel* label : {L_Password, L_URL}) {
        TEventHook::Install(label, [this, label](QEvent* event) {
            if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
                Hover(label, event->type() == QEvent::Enter);
            }
            return false;
        });
    }
}

void TRecordPanel::FieldTouched(bool TRecordFieldsTouched::*field) {
    // The edit belongs to the node the fields were read from, even if the
    // tree's current row has moved on since.
    if (filling_ || shownNode_ == kNoNode) {
        return;
    }
    touched_.*field = true;
    pendingNode_ = shownNode_;
    emit edited();
}

// A multi-line field has no length limit of its own: text beyond 8000
// characters (a paste) is cut off again. The length is counted without
// copying the text (the document counts one more character: the end of its
// last line).
void TRecordPanel::CutNoteToLimit() {
    if (F_Note->document()->characterCount() - 1 <= static_cast<int>(kMaximumNoteLength)) {
        return;
    }
    QString text = F_Note->document()->toRawText();
    const bool filling = filling_;
    filling_ = true;
    F_Note->setPlainText(text.left(static_cast<qsizetype>(kMaximumNoteLength)));
    F_Note->moveCursor(QTextCursor::End);
    filling_ = filling;
    emit messageRaised(QStringLiteral("The note is limited to %1 characters: %1 of its %2 "
                                      "characters were kept.")
                           .arg(kMaximumNoteLength)
                           .arg(text.size()));
    explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
}

void TRecordPanel::StorePendingEdit() {
    // Nothing pending: no field is even read (the mouse crosses the tree and
    // the log all the time).
    if (pendingNode_ == kNoNode) {
        return;
    }
    const TRecordFieldsTouched touched = touched_;
    touched_ = TRecordFieldsTouched::None();
    TRecordFields input;
    const TWipeGuard wipe{&input.login, &input.password, &input.email, &input.url, &input.note};
    const struct {
        bool touched;
        const QLineEdit* field;
        std::string* value;
    } lines[] = {
        {touched.login, F_Login, &input.login},
        {touched.password, F_Password, &input.password},
        {touched.email, F_EMail, &input.email},
        {touched.url, F_URL, &input.url},
    };
    for (const auto& line : lines) {
        if (line.touched) {
            KvSecureAssign(*line.value, SecretUtf8(line.field->text()));
        }
    }
    if (touched.note) {
        KvSecureAssign(input.note, NoteUtf8(F_Note));
    }
    // (The store consumes the pending node.)
    const TRecordStoreResult result =
        SaveFolderDataToDataFolder(tree_, pendingNode_, input, touched);
    if (result.outcome == TRecordStoreOutcome::Nothing) {
        return;
    }
    if (result.outcome == TRecordStoreOutcome::DataCleared) {
        ClearFieldTexts();
    }
    emit recordStored(result.node, QString::fromStdString(result.message));
}

// The record holds nothing any more: neither do its fields.
void TRecordPanel::ClearFieldTexts() {
    const bool filling = filling_;
    filling_ = true;
    for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
        field->clear();
    }
    F_Note->clear();
    filling_ = filling;
}

void TRecordPanel::ShowRecord(TNodeHandle node) {
    // An edit belongs to the record it was typed into: showing another one
    // never drops it.
    StorePendingEdit();
    const bool filling = filling_;
    filling_ = true;
    shownNode_ = node;
    touched_ = TRecordFieldsTouched::None();
    o_Password_Generator->Forget(); // Ctrl+Z never brings another record's password
    TRecordFields fields;
    const TWipeGuard wipe{&fields.login, &fields.password, &fields.email, &fields.url,
                          &fields.note};
    ReadFolderDataFromDataFolder(tree_, node, fields);
    WipeFieldTexts({F_Login, F_Password, F_EMail, F_URL});
    F_Login->setText(QString::fromStdString(fields.login));
    F_Password->setText(QString::fromStdString(fields.password));
    F_EMail->setText(QString::fromStdString(fields.email));
    F_URL->setText(QString::fromStdString(fields.url));
    F_Note->setPlainText(QString::fromStdString(fields.note));
    filling_ = filling;
    // Without a node there is no record to type into.
    Activate(node != kNoNode && RecordFieldsEditable(tree_, node));
}

void TRecordPanel::Leave() {
    ShowPassword(false);
    StorePendingEdit();
}

// An empty Login takes the record's name.
void TRecordPanel::LoginCaptionClicked() {
    if (shownNode_ != kNoNode && F_Login->text().trimmed().isEmpty()) {
        F_Login->setText(QString::fromStdString(tree_.Text(shownNode_)));
    }
}

// The URL (or, when it is empty, the record's name) is copied and opened.
void TRecordPanel::UrlCaptionClicked() {
    if (shownNode_ == kNoNode || !F_URL->isEnabled()) {
        return;
    }
    QString url = F_URL->text().trimmed();
    if (url.isEmpty()) {
        F_URL->setText(QString::fromStdString(tree_.Text(shownNode_)));
        url = F_URL->text().trimmed();
    }
    if (!url.isEmpty()) {
        F_URL->selectAll();
        const QString text = F_URL->text();
        F_URL->deselect();
        emit messageRaised(QStringLiteral("Text copied to clipboard: \n") + url);
        emit secretCopyRequested(text);
    }
    if (url.size() > 1) {
        // The desktop's handler for the address; failure is not reported.
        const QUrl address = QUrl::fromUserInput(url);
        if (OpensInBrowserOrMailer(address)) {
            QDesktopServices::openUrl(address);
        } else {
            emit messageRaised(QStringLiteral("The address has not been opened: only http, "
                                              "https, ftp and mailto addresses are opened."));
        }
    }
}

void TRecordPanel::Hover(QLabel* label, bool inside) {
    const QWidget* field = label == L_URL ? static_cast<QWidget*>(F_URL) : F_Password;
    const bool styled = inside && field->isEnabled();
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
