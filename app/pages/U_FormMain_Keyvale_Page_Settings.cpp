#include "U_FormMain_Keyvale_Page_Settings.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextCursor>
#include <QVBoxLayout>

#include <string>

#include "U_Event_Hook.h"
#include "U_Page_Layout.h"
#include "U_KV_Hash_Standard_01.h"
#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Paste_Limit.h"
#include "U_Picture.h"
#include "U_Primary_Selection_Guard.h"
#include "U_Secret_Text.h"
#include "U_Widget_Names.h"

using namespace keyvale_layout;

namespace {

constexpr int kSkinEntryHeight = 40;
constexpr int kMessageRow = 2; // of the calculator's grid, under the input row

} // namespace

TPageSettings::TPageSettings(QWidget* parent) : QWidget(parent) {
    Named(this, "page_Settings_Content", QStringLiteral("Settings"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    layout->setSpacing(12);
    layout->addWidget(CreateAppearance());
    layout->addWidget(CreateCalculator(), 1);
    ConnectCalculator();
}

// ---- appearance

QWidget* TPageSettings::CreateAppearance() {
    auto* skins = Named(new QFrame(this), "o_Panel_Skins", QStringLiteral("Appearance"));
    skins->setFixedWidth(440);
    auto* skinsLayout = new QVBoxLayout(skins);
    skinsLayout->setContentsMargins(14, 12, 14, 12);
    L_Skins =
        Caption(Named(new QLabel(QStringLiteral("Choose an appearance of the program"), skins),
                      "L_Skins", QStringLiteral("Choose an appearance of the program")));
    o_List_Skin_1 = Named(new QListWidget(skins), "o_List_Skin_1", QStringLiteral("Theme names"));
    o_List_Skin_1->setVisible(false);
    o_List_Skin_2 = Named(new QListWidget(skins), "o_List_Skin_2",
                          QStringLiteral("Choose an appearance of the program"));
    o_List_Skin_2->setUniformItemSizes(true);
    o_List_Skin_2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont listFont = o_List_Skin_2->font();
    listFont.setFamily(QStringLiteral("DejaVu Sans Mono")); // keeps the numbers aligned
    o_List_Skin_2->setFont(listFont);
    L_Skins->setBuddy(o_List_Skin_2);
    skinsLayout->addWidget(L_Skins);
    skinsLayout->addWidget(o_List_Skin_2, 1);
    skinsLayout->addWidget(CreatePrivacy(skins));
    // A new entry chosen with the mouse or the arrow keys applies its theme.
    connect(o_List_Skin_2, &QListWidget::currentRowChanged, this, &TPageSettings::themeChosen);
    return skins;
}

void TPageSettings::ListThemes(const QStringList& names, const QStringList& shownTexts) {
    const QSignalBlocker quiet(o_List_Skin_2);
    o_List_Skin_1->clear();
    o_List_Skin_2->clear();
    o_List_Skin_1->addItems(names);
    for (const QString& text : shownTexts) {
        auto* entry = new QListWidgetItem(text, o_List_Skin_2);
        entry->setSizeHint(QSize(0, kSkinEntryHeight));
    }
}

int TPageSettings::ChosenTheme() const {
    return o_List_Skin_2->currentRow();
}

void TPageSettings::ShowChosenTheme(int row) {
    const QSignalBlocker quiet(o_List_Skin_2);
    o_List_Skin_2->setCurrentRow(row);
}

// ---- clipboard and locking

QWidget* TPageSettings::CreatePrivacy(QWidget* parent) {
    auto* panel =
        Named(new QFrame(parent), "o_Panel_Privacy", QStringLiteral("Clipboard and locking"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 8, 0, 0);

    L_Clipboard_Clear = Named(new QLabel(QStringLiteral("Clear the clipboard after"), panel),
                              "L_Clipboard_Clear", QStringLiteral("Clear the clipboard after"));
    F_Clipboard_Clear_Seconds =
        Named(new QSpinBox(panel), "F_Clipboard_Clear_Seconds",
              QStringLiteral("Seconds until a copied password is cleared from the clipboard"));
    F_Clipboard_Clear_Seconds->setRange(0, kMaximumClipboardClearSeconds);
    F_Clipboard_Clear_Seconds->setSuffix(QStringLiteral(" seconds"));
    F_Clipboard_Clear_Seconds->setSpecialValueText(QStringLiteral("never"));
    F_Clipboard_Clear_Seconds->setValue(kDefaultClipboardClearSeconds);
    F_Clipboard_Clear_Seconds->setToolTip(
        QStringLiteral(" What Keyvale copies is cleared from the clipboard after this time "
                       "(0: never) "));
    L_Clipboard_Clear->setBuddy(F_Clipboard_Clear_Seconds);
    // The spin box's own text field is what the keyboard reaches.
    if (auto* text = F_Clipboard_Clear_Seconds->findChild<QLineEdit*>()) {
        text->setAccessibleName(F_Clipboard_Clear_Seconds->accessibleName());
    }

    L_Lock_After_Idle = Named(new QLabel(QStringLiteral("Lock the database after"), panel),
                              "L_Lock_After_Idle", QStringLiteral("Lock the database after"));
    F_Lock_After_Idle = Named(new QComboBox(panel), "F_Lock_After_Idle",
                              QStringLiteral("Lock the database after minutes of desktop idle"));
    for (int minutes : kLockAfterIdleChoices) {
        const QString text = minutes == 0 ? QStringLiteral("never")
                             : minutes == 1
                                 ? QStringLiteral("1 minute of desktop idle")
                                 : QStringLiteral("%1 minutes of desktop idle").arg(minutes);
        F_Lock_After_Idle->addItem(text, minutes);
    }
    F_Lock_After_Idle->setToolTip(
        QStringLiteral(" The open database is saved and closed when the desktop has been idle "
                       "this long; only its main password is asked again "));
    L_Lock_After_Idle->setBuddy(F_Lock_After_Idle);
    F_Lock_After_Idle->view()->setAccessibleName(QStringLiteral("Lock choices"));

    grid->addWidget(L_Clipboard_Clear, 0, 0);
    grid->addWidget(F_Clipboard_Clear_Seconds, 0, 1);
    grid->addWidget(L_Lock_After_Idle, 1, 0);
    grid->addWidget(F_Lock_After_Idle, 1, 1);
    grid->setColumnStretch(1, 1);

    connect(F_Clipboard_Clear_Seconds, &QSpinBox::valueChanged, this,
            &TPageSettings::clipboardClearSecondsChanged);
    return panel;
}

int TPageSettings::ClipboardClearSeconds() const {
    return F_Clipboard_Clear_Seconds->value();
}

void TPageSettings::SetClipboardClearSeconds(int seconds) {
    F_Clipboard_Clear_Seconds->setValue(seconds);
}

int TPageSettings::LockAfterIdleMinutes() const {
    return F_Lock_After_Idle->currentData().toInt();
}

void TPageSettings::SetLockAfterIdleMinutes(int minutes) {
    F_Lock_After_Idle->setCurrentIndex(F_Lock_After_Idle->findData(minutes));
}

QString TPageSettings::LockAfterIdleSpan() const {
    return F_Lock_After_Idle->currentText().section(QLatin1Char(' '), 0, 1);
}

// ---- KV hash calculator

QWidget* TPageSettings::CreateCalculator() {
    auto* calc =
        Named(new QFrame(this), "o_Panel_Calculator", QStringLiteral("KV hash calculator"));
    auto* grid = new QGridLayout(calc);
    grid->setContentsMargins(18, 14, 18, 14);
    grid->setVerticalSpacing(6);
    CreateCalculatorTitle(calc, grid);
    CreateCalculatorInput(calc, grid);
    CreateMessageLine(calc, grid);
    CreateCalculatorResults(calc, grid);
    grid->setColumnStretch(0, 1);
    return calc;
}

void TPageSettings::CreateCalculatorTitle(QFrame* calc, QGridLayout* grid) {
    i_Hash_Calculator =
        Named(new TPicture(calc), "i_Hash_Calculator", QStringLiteral("KV hash calculator"));
    i_Hash_Calculator->SetPicture(QStringLiteral("calculator"), QSize(48, 48));
    LFX_Hash_Calculator =
        Caption(Named(new QLabel(QStringLiteral("KV hash calculator"), calc), "LFX_Hash_Calculator",
                      QStringLiteral("KV hash calculator")));
    LFX_Hash_Calculator->setStyleSheet(QStringLiteral("font-size: 18pt;"));
    auto* title = new QHBoxLayout;
    title->addWidget(i_Hash_Calculator);
    title->addWidget(LFX_Hash_Calculator, 1);
    grid->addLayout(title, 0, 0, 1, 4);
}

// The passphrase with its eye, and the length of the hashes.
void TPageSettings::CreateCalculatorInput(QFrame* calc, QGridLayout* grid) {
    const QString argumentHint = QStringLiteral(" Type string (or passphrase) here ");
    F_Hash_Argument = Hinted(Named(new QLineEdit(calc), "F_Hash_Argument",
                                   QStringLiteral("Type string (or passphrase) here")),
                             argumentHint);
    F_Hash_Argument->setPlaceholderText(argumentHint.trimmed());
    F_Hash_Argument->setMaxLength(1024);
    i_Hash_Argument = Named(new TPicture(calc), "i_Hash_Argument", QStringLiteral("Show string"));
    i_Hash_Argument->SetClickable(true);
    i_Hash_Argument->setFixedSize(40, 40);
    o_Shape_HA = Named(new QFrame(calc), "o_Shape_HA", QStringLiteral("Hover frame"));
    o_Shape_HA->setAttribute(Qt::WA_TransparentForMouseEvents);
    o_Shape_HA->setVisible(false);

    L_Hash_Length = Named(new QLabel(QStringLiteral("Hash length"), calc), "L_Hash_Length",
                          QStringLiteral("Hash length"));
    F_Hash_Length =
        Hinted(Named(new QComboBox(calc), "F_Hash_Length", QStringLiteral("Hash length")),
               QStringLiteral(" Hash length "));
    F_Hash_Length->setEditable(true);
    F_Hash_Length->setInsertPolicy(QComboBox::NoInsert);
    F_Hash_Length->lineEdit()->setMaxLength(4);
    F_Hash_Length->lineEdit()->setAccessibleName(QStringLiteral("Hash length"));
    F_Hash_Length->view()->setAccessibleName(QStringLiteral("Hash lengths"));
    F_Hash_Length->lineEdit()->setAlignment(Qt::AlignRight);
    F_Hash_Length->setMaxVisibleItems(20);
    F_Hash_Length->setFixedWidth(110);
    L_Hash_Length->setBuddy(F_Hash_Length);

    grid->addWidget(F_Hash_Argument, 1, 0);
    grid->addWidget(i_Hash_Argument, 1, 1);
    grid->addWidget(L_Hash_Length, 1, 2, Qt::AlignRight);
    grid->addWidget(F_Hash_Length, 1, 3);
}

// Under the passphrase and the length: the page's messages are about them
// and the copies of their hashes, and the Database page's log, which keeps
// them too, is out of sight here. One line for the latest message is enough
// for the page's few answers and takes little room from the hash forms.
void TPageSettings::CreateMessageLine(QFrame* calc, QGridLayout* grid) {
    // Read out as its text: the message is the name.
    L_Settings_Message = new QLabel(calc);
    L_Settings_Message->setObjectName(QStringLiteral("L_Settings_Message"));
    L_Settings_Message->setWordWrap(true);
    L_Settings_Message->setTextFormat(Qt::PlainText);
    L_Settings_Message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    L_Settings_Message->setVisible(false);
    grid->addWidget(L_Settings_Message, kMessageRow, 0, 1, 4);
}

void TPageSettings::ShowMessage(const QString& line) {
    L_Settings_Message->setText(line);
    L_Settings_Message->setVisible(!line.isEmpty());
}

// The three forms of the hash, each a box that copies itself when clicked.
void TPageSettings::CreateCalculatorResults(QFrame* calc, QGridLayout* grid) {
    struct TResult {
        QLabel** label;
        const char* labelName;
        QPlainTextEdit** box;
        const char* boxName;
        const char* caption;
    };
    const TResult results[] = {
        {&L_KV_Hash_62, "L_KV_Hash_62", &F_KV_Hash_62, "F_KV_Hash_62", "KV hash 62"},
        {&L_KV_Hash_64, "L_KV_Hash_64", &F_KV_Hash_64, "F_KV_Hash_64", "KV hash 64"},
        {&L_KV_Hash_90, "L_KV_Hash_90", &F_KV_Hash_90, "F_KV_Hash_90", "KV hash 90"},
    };
    int row = kMessageRow + 1;
    for (const TResult& r : results) {
        const QString caption = QString::fromLatin1(r.caption);
        *r.label = Caption(Named(new QLabel(caption, calc), r.labelName, caption));
        *r.box = Hinted(Named(new QPlainTextEdit(calc), r.boxName, caption),
                        QStringLiteral(" Click to copy to the clipboard "));
        QPlainTextEdit* box = *r.box;
        box->setReadOnly(true);
        box->setTabChangesFocus(true);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->setWordWrapMode(QTextOption::WrapAnywhere);
        QFont mono = box->font();
        mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
        box->setFont(mono);
        box->viewport()->installEventFilter(this);
        (*r.label)->setBuddy(box);
        grid->addWidget(*r.label, row++, 0, 1, 4);
        grid->addWidget(box, row, 0, 1, 4);
        grid->setRowStretch(row++, 1);
    }
}

void TPageSettings::ConnectCalculator() {
    // The passphrase and its forms are secrets: a selection in them never
    // reaches the primary selection.
    for (QWidget* secret : std::initializer_list<QWidget*>{F_Hash_Argument, F_KV_Hash_62,
                                                           F_KV_Hash_64, F_KV_Hash_90}) {
        primary_selection::Guard(secret);
    }
    connect(F_Hash_Argument, &QLineEdit::textChanged, this, [this] { F_Hash_ArgumentChange(); });
    connect(F_Hash_Length, &QComboBox::editTextChanged, this, [this] { F_Hash_LengthChange(); });
    // What was typed is taken: no completion from the list ("5" is not 50).
    F_Hash_Length->setCompleter(nullptr);
    connect(F_Hash_Length->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { F_Hash_LengthComplete(); });
    connect(F_Hash_Length, &QComboBox::textActivated, this, [this] { F_Hash_LengthComplete(); });
    connect(i_Hash_Argument, &TPicture::clicked, this, &TPageSettings::i_Hash_ArgumentClick);
    connect(i_Hash_Argument, &TPicture::entered, this, [this] {
        o_Shape_HA->setGeometry(i_Hash_Argument->geometry());
        o_Shape_HA->raise();
        o_Shape_HA->show();
    });
    connect(i_Hash_Argument, &TPicture::left, o_Shape_HA, &QWidget::hide);
    paste_limit::Watch(F_Hash_Argument, [this](int kept, int pasted) {
        emit pasteCut(F_Hash_Argument, kept, pasted);
    });
    // Copy in a hash box goes through the secret clipboard, not the box's
    // own plain copy.
    for (QPlainTextEdit* box : {F_KV_Hash_62, F_KV_Hash_64, F_KV_Hash_90}) {
        TEventHook::Install(box, [this, box](QEvent* event) {
            if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
                return false;
            }
            if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
                return false;
            }
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                const QString selected = box->textCursor().selectedText();
                emit hashCopyRequested(selected.isEmpty() ? box->toPlainText() : selected);
            }
            return true;
        });
    }
}

QString TPageSettings::HashLengthInUse() const {
    return QString::fromUtf8(::HashLengthInUse(F_Hash_Length->currentText().toUtf8().toStdString(),
                                               s_Hash_Length_Accepted.toUtf8().toStdString()));
}

void TPageSettings::SetHashLength(const QString& length) {
    F_Hash_Length->setEditText(length);
    s_Hash_Length_Accepted = F_Hash_Length->currentText();
}

void TPageSettings::ClearSecrets() {
    {
        // setText, unlike clear(), also empties the undo history, which would
        // otherwise give the text back with Ctrl+Z.
        const QSignalBlocker quiet(F_Hash_Argument); // no hash of the emptied text
        ClearSecretField(F_Hash_Argument);
    }
    for (QPlainTextEdit* hash : {F_KV_Hash_62, F_KV_Hash_64, F_KV_Hash_90}) {
        hash->clear();
    }
    P_Hash_Argument_Show(false);
}

bool TPageSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        // A press on selected text would begin dragging it, and a dragged
        // hash reaches any window it is dropped on, past the clipboard's
        // rules: the press begins a new selection instead.
        for (QPlainTextEdit* box : {F_KV_Hash_62, F_KV_Hash_64, F_KV_Hash_90}) {
            if (watched == box->viewport() && box->textCursor().hasSelection()) {
                QTextCursor cursor = box->textCursor();
                cursor.clearSelection();
                box->setTextCursor(cursor);
            }
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        for (QPlainTextEdit* box : {F_KV_Hash_62, F_KV_Hash_64, F_KV_Hash_90}) {
            if (watched == box->viewport()) {
                F_KV_Hash_Click(box);
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TPageSettings::P_Fill_Hash_Length_List() {
    const QSignalBlocker quiet(F_Hash_Length);
    F_Hash_Length->clear();
    QStringList lengths;
    lengths.reserve(kMaximumHashLength - kMinimumHashLength + 1);
    for (std::int64_t length = kMinimumHashLength; length <= kMaximumHashLength; ++length) {
        lengths.append(QString::number(length));
    }
    F_Hash_Length->addItems(lengths);
}

void TPageSettings::P_Hash_Argument_Show(bool boolean_Show) {
    argumentShown_ = boolean_Show;
    i_Hash_Argument->SetPicture(
        boolean_Show ? QStringLiteral("eye_open") : QStringLiteral("eye_closed"), QSize(34, 34));
    const QString hint = boolean_Show ? QStringLiteral("   Click here to hide your string   ")
                                      : QStringLiteral("   Click here to show your string   ");
    i_Hash_Argument->setToolTip(hint);
    i_Hash_Argument->setAccessibleName(hint.trimmed());
    F_Hash_Argument->setEchoMode(boolean_Show ? QLineEdit::Normal : QLineEdit::Password);
}

void TPageSettings::i_Hash_ArgumentClick() {
    P_Hash_Argument_Show(!argumentShown_);
}

void TPageSettings::F_Hash_ArgumentChange() {
    const std::string argument = F_Hash_Argument->text().toUtf8().toStdString();
    const std::string lengthText = F_Hash_Length->currentText().toUtf8().toStdString();
    if (lengthText.empty()) {
        F_KV_Hash_62->clear();
        F_KV_Hash_64->clear();
        F_KV_Hash_90->clear();
        return;
    }
    // While a length is being typed ("1" on the way to "100") the forms keep
    // the last length that was taken.
    const std::int64_t length =
        std::stoll(::HashLengthInUse(lengthText, s_Hash_Length_Accepted.toUtf8().toStdString()));
    std::string hash62, hash64, hash90;
    KvHashText(argument, static_cast<std::uint16_t>(length), hash62, hash64, hash90);
    F_KV_Hash_62->setPlainText(QString::fromUtf8(hash62));
    F_KV_Hash_64->setPlainText(QString::fromUtf8(hash64));
    F_KV_Hash_90->setPlainText(QString::fromUtf8(hash90));
}

void TPageSettings::F_Hash_LengthChange() {
    // Each keystroke is only a step towards the length; it is judged once the
    // entry is complete (F_Hash_LengthComplete).
    F_Hash_ArgumentChange();
}

void TPageSettings::F_Hash_LengthComplete() {
    const QString text = F_Hash_Length->currentText();
    if (IsHashLength(text.toUtf8().toStdString())) {
        s_Hash_Length_Accepted = text;
        F_Hash_ArgumentChange();
        return;
    }
    emit hashLengthRefused(QStringLiteral("Error! The hash length must be a whole number from "
                                          "%1 to %2. The length stays %3.")
                               .arg(kMinimumHashLength)
                               .arg(kMaximumHashLength)
                               .arg(s_Hash_Length_Accepted));
    {
        const QSignalBlocker quiet(F_Hash_Length);
        F_Hash_Length->setEditText(s_Hash_Length_Accepted);
    }
    F_Hash_ArgumentChange();
}

void TPageSettings::F_KV_Hash_Click(QPlainTextEdit* box) {
    if (box->toPlainText().isEmpty()) {
        return;
    }
    box->selectAll();
    emit hashCopyRequested(box->toPlainText());
}
