// TRecordPanel: its widgets and their layout, the mask and the fields'
// state; what they do is wired in U_Record_Panel_Edit.cpp and
// U_Record_Panel_Copy.cpp.
#include "U_Record_Panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>

#include <initializer_list>

#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Password_Generator_Button.h"
#include "U_Password_Generator_Options.h"
#include "U_Picture.h"
#include "U_Secret_Text.h"
#include "U_Widget_Names.h"

TRecordPanel::TRecordPanel(TKeyvaleTree& tree, const std::string& iniPath, QWidget* parent)
    : QFrame(parent), tree_(tree) {
    Named(this, "o_Panel_Right", QStringLiteral("Record panel"));
    auto* record = new QGridLayout(this);
    record->setContentsMargins(14, 12, 14, 12);
    record->setVerticalSpacing(4);
    const int line = CreateFields();
    CreateNote(line);

    b_Password_Show = Named(new QPushButton(KeyvaleIcon(QStringLiteral("eye_open")),
                                            QStringLiteral(" Show password"), this),
                            "b_Password_Show", QStringLiteral("Show password"));
    record->addWidget(b_Password_Show, line + 2, 0, Qt::AlignLeft);
    record->setColumnStretch(1, 1);
    CreatePasswordLine(iniPath);

    // What the controls do. The order counts where two of them watch the
    // same widget: the one set up later sees its events first.
    ConnectEdits();
    ConnectLabels();
    ConnectCopies();
}

// The four one-line fields with their captions; returns the next free row.
int TRecordPanel::CreateFields() {
    struct TField {
        QLabel** label;
        const char* labelName;
        QLineEdit** field;
        const char* fieldName;
        TRecordField rule;
    };
    const TField fields[] = {
        {&L_Login, "L_Login", &F_Login, "F_Login", TRecordField::Login},
        {&L_Password, "L_Password", &F_Password, "F_Password", TRecordField::Password},
        {&L_EMail, "L_EMail", &F_EMail, "F_EMail", TRecordField::Email},
        {&L_URL, "L_URL", &F_URL, "F_URL", TRecordField::Url},
    };
    auto* record = qobject_cast<QGridLayout*>(layout());
    int line = 0;
    for (const TField& f : fields) {
        // Caption and length from the one table of fields, as keyvale-cli's.
        const TRecordFieldRule& rule = RecordFieldRule(f.rule);
        const QString caption = QString::fromLatin1(rule.caption);
        *f.label = Caption(Named(new QLabel(caption, this), f.labelName, caption));
        *f.field = Named(new QLineEdit(this), f.fieldName, caption);
        (*f.field)->setMaxLength(static_cast<int>(rule.limit));
        (*f.label)->setBuddy(*f.field);
        record->addWidget(*f.label, line++, 0, 1, 3);
        record->addWidget(*f.field, line++, 0, 1, 3);
    }
    F_Password->setEchoMode(QLineEdit::Password);
    return line;
}

// The note under its caption takes the height the other rows leave.
void TRecordPanel::CreateNote(int line) {
    auto* record = qobject_cast<QGridLayout*>(layout());
    const QString noteCaption = QString::fromLatin1(RecordFieldRule(TRecordField::Note).caption);
    L_Note = Caption(Named(new QLabel(noteCaption, this), "L_Note", noteCaption));
    F_Note = Named(new QPlainTextEdit(this), "F_Note", noteCaption);
    F_Note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    L_Note->setBuddy(F_Note);
    record->addWidget(L_Note, line, 0, 1, 3);
    record->addWidget(F_Note, line + 1, 0, 1, 3);
    record->setRowStretch(line + 1, 1);
}

// The generator shares the Password field's row: the field, then its two
// buttons, so that Tab goes from the field to them.
void TRecordPanel::CreatePasswordLine(const std::string& iniPath) {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    grid->getItemPosition(grid->indexOf(F_Password), &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(F_Password);
    auto* line =
        Named(new QWidget(this), "o_Password_Line", QStringLiteral("Password and generator"));
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    F_Password->setParent(line);
    o_Password_Generator = new TPasswordGeneratorButton(F_Password, iniPath, line);
    layout->addWidget(F_Password, 1);
    layout->addWidget(o_Password_Generator);
    grid->addWidget(line, row, column, rowSpan, columnSpan);
    setTabOrder(F_Password, o_Password_Generator->GenerateButton());
    setTabOrder(o_Password_Generator->GenerateButton(), o_Password_Generator->OptionsButton());
}

void TRecordPanel::PlaceBesideEye(QWidget* middle, QWidget* right) {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    grid->getItemPosition(grid->indexOf(b_Password_Show), &row, &column, &rowSpan, &columnSpan);
    grid->addWidget(middle, row, 1, Qt::AlignHCenter);
    grid->addWidget(right, row, 2, Qt::AlignRight);
    setTabOrder(b_Password_Show, middle); // in the order they stand
    setTabOrder(middle, right);
}

QRect TRecordPanel::NoteGeometry() const {
    return F_Note->geometry();
}

void TRecordPanel::CloseGeneratorOptions() {
    o_Password_Generator->Options()->hide();
}

void TRecordPanel::ShowPassword(bool shown) {
    passwordShown_ = shown;
    const QString caption =
        shown ? QStringLiteral("Hide password") : QStringLiteral("Show password");
    b_Password_Show->setText(QLatin1Char(' ') + caption);
    b_Password_Show->setAccessibleName(caption); // read out as it reads
    b_Password_Show->setIcon(
        KeyvaleIcon(shown ? QStringLiteral("eye_closed") : QStringLiteral("eye_open")));
    F_Password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    L_Password->setToolTip(shown ? QStringLiteral("   Click here to hide your password   ")
                                 : QStringLiteral("   Click here to show your password   "));
}

void TRecordPanel::Activate(bool active) {
    for (QWidget* field :
         std::initializer_list<QWidget*>{F_Login, F_Password, F_URL, F_EMail, F_Note}) {
        field->setEnabled(active);
    }
    // Enabled captions take the theme's caption colour, disabled ones are gray.
    for (QLabel* label : {L_Login, L_Password, L_EMail, L_URL, L_Note}) {
        label->setEnabled(active);
    }
}

void TRecordPanel::Clear() {
    pendingNode_ = kNoNode;
    shownNode_ = kNoNode;
    touched_ = TRecordFieldsTouched::None();
    const bool filling = filling_;
    filling_ = true; // emptying the fields is no edit
    WipeFields();
    filling_ = filling;
}

void TRecordPanel::WipeFields() {
    o_Password_Generator->Forget();
    // Setting a text, unlike clear(), also drops the undo history, which
    // would otherwise bring the last record back with Ctrl+Z.
    for (QLineEdit* field : {F_Login, F_Password, F_EMail, F_URL}) {
        ClearSecretField(field);
    }
    F_Note->setPlainText(QString());
    F_Note->document()->clearUndoRedoStacks();
    ShowPassword(false);
    Activate(false);
}
