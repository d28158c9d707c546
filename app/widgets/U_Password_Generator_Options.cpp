#include "U_Password_Generator_Options.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cmath>

#include "U_Option_Spin_Box.h"
#include "U_Widget_Names.h"

namespace {

// The class boxes of the panel with the rule each sets.
struct TClassBox {
    QCheckBox* TPasswordGeneratorOptions::*box;
    bool TPasswordRules::*rule;
};

} // namespace

TPasswordGeneratorOptions::TPasswordGeneratorOptions(QWidget* parent) : QFrame(parent, Qt::Popup) {
    Named(this, "o_Password_Generator_Options", QStringLiteral("Password generator options"));
    setFrameShape(QFrame::StyledPanel);
    auto* form = new QFormLayout(this);
    AddOptionControls(form);
    AddReadouts(form);
    ConnectControls();
    ShowSettings();
}

// The entries and boxes of the options, in the order of the form.
void TPasswordGeneratorOptions::AddOptionControls(QFormLayout* form) {
    length_ = Named(new TOptionSpinBox(ReadGeneratorLength, this), "F_Generator_Length",
                    QStringLiteral("Length"));
    length_->setRange(static_cast<int>(kGeneratorMinimumLength),
                      static_cast<int>(kGeneratorMaximumLength));
    form->addRow(QStringLiteral("Length"), length_);
    struct TBox {
        QCheckBox** box;
        const char* name;
        const char* text;
    };
    const TBox boxes[] = {
        {&lower_, "F_Generator_Lower", "Letters a–z"},
        {&upper_, "F_Generator_Upper", "Letters A–Z"},
        {&digits_, "F_Generator_Digits", "Digits 0–9"},
        {&symbols_, "F_Generator_Symbols", "Symbols !\"#$%…"},
        {&noLookAlikes_, "F_Generator_No_Look_Alikes", "Leave out look-alikes: I l 1 O 0"},
        {&passphrase_, "F_Generator_Passphrase", "Passphrase of words instead"},
    };
    for (const TBox& b : boxes) {
        const QString text = QString::fromUtf8(b.text);
        *b.box = Named(new QCheckBox(text, this), b.name, text);
        form->addRow(*b.box);
    }
    words_ = Named(new TOptionSpinBox(ReadPassphraseWords, this), "F_Generator_Words",
                   QStringLiteral("Words"));
    words_->setRange(static_cast<int>(kMinimumPassphraseWords),
                     static_cast<int>(kMaximumPassphraseWords));
    form->addRow(QStringLiteral("Words"), words_);
    separator_ =
        Named(new QLineEdit(this), "F_Generator_Separator", QStringLiteral("Word separator"));
    separator_->setMaxLength(1);
    form->addRow(QStringLiteral("Separator"), separator_);
    // Read out as words, not letter by letter.
    noLookAlikes_->setAccessibleName(QStringLiteral("Leave out characters that look alike"));
    // The spin boxes' own text fields are what the keyboard reaches.
    for (TOptionSpinBox* box : {length_, words_}) {
        if (auto* text = box->findChild<QLineEdit*>()) {
            text->setAccessibleName(box->accessibleName());
        }
    }
}

// What Generate makes, its strength, and the note on the last entry that
// was changed or refused: read out as their texts.
void TPasswordGeneratorOptions::AddReadouts(QFormLayout* form) {
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("L_Generator_Summary"));
    strength_ = Named(new QLabel(this), "L_Generator_Strength", QStringLiteral("Strength"));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("L_Generator_Note"));
    note_->setVisible(false);
    for (QLabel* label : {summary_, strength_, note_}) {
        label->setWordWrap(true);
        form->addRow(label);
    }
}

void TPasswordGeneratorOptions::ConnectControls() {
    connect(length_, &QSpinBox::valueChanged, this, &TPasswordGeneratorOptions::ReadControls);
    connect(words_, &QSpinBox::valueChanged, this, &TPasswordGeneratorOptions::ReadControls);
    // A number is read when its entry ends: the note, if any, comes after
    // the value it explains.
    for (TOptionSpinBox* box : {length_, words_}) {
        connect(box, &QSpinBox::editingFinished, this, [this, box] {
            if (const QString note = box->TakeNote(); !note.isEmpty()) {
                ShowNote(note);
            }
        });
    }
    connect(separator_, &QLineEdit::textChanged, this, &TPasswordGeneratorOptions::ReadControls);
    // Left empty, the field shows again the separator that stays in use.
    connect(separator_, &QLineEdit::editingFinished, this, [this] {
        const QSignalBlocker quiet(separator_);
        separator_->setText(QString::fromStdString(settings_.phrase.separator));
    });
    for (QCheckBox* box : {lower_, upper_, digits_, symbols_, noLookAlikes_, passphrase_}) {
        connect(box, &QCheckBox::toggled, this, &TPasswordGeneratorOptions::ReadControls);
    }
}

void TPasswordGeneratorOptions::SetSettings(const TGeneratorSettings& settings) {
    settings_ = settings;
    ShowSettings();
}

void TPasswordGeneratorOptions::PopUpBelow(QWidget* anchor) {
    adjustSize();
    move(anchor->mapToGlobal(QPoint(anchor->width() - width(), anchor->height())));
    show();
    length_->setFocus();
}

void TPasswordGeneratorOptions::ReadControls() {
    if (showing_) {
        return;
    }
    TGeneratorSettings chosen = settings_;
    TPasswordRules& rules = chosen.password;
    rules.length = static_cast<std::size_t>(length_->value());
    rules.lower = lower_->isChecked();
    rules.upper = upper_->isChecked();
    rules.digits = digits_->isChecked();
    rules.symbols = symbols_->isChecked();
    rules.noLookAlikes = noLookAlikes_->isChecked();
    chosen.passphrase = passphrase_->isChecked();
    chosen.phrase.words = static_cast<std::size_t>(words_->value());
    QString note;
    // The last class stays chosen: with none the generator would draw all
    // four while every box says otherwise.
    if (const std::string problem = PasswordClassesProblem(rules); !problem.empty()) {
        const TClassBox classes[] = {
            {&TPasswordGeneratorOptions::lower_, &TPasswordRules::lower},
            {&TPasswordGeneratorOptions::upper_, &TPasswordRules::upper},
            {&TPasswordGeneratorOptions::digits_, &TPasswordRules::digits},
            {&TPasswordGeneratorOptions::symbols_, &TPasswordRules::symbols}};
        for (const TClassBox& c : classes) {
            if (settings_.password.*c.rule) {
                rules.*c.rule = true;
                note = QStringLiteral("%1 %2 stays chosen.")
                           .arg(QString::fromStdString(problem), (this->*c.box)->text());
            }
        }
    }
    // An emptied separator keeps the last one until a character is typed.
    const std::string separator = separator_->text().toStdString();
    if (const std::string problem = SeparatorProblem(separator); problem.empty()) {
        chosen.phrase.separator = separator;
    } else {
        QString why = QString::fromStdString(problem);
        why[0] = why[0].toUpper();
        note = QStringLiteral("%1: \"%2\" stays.")
                   .arg(why, QString::fromStdString(settings_.phrase.separator));
    }
    settings_ = chosen;
    ShowSettings();
    ShowNote(note);
    emit settingsChanged(settings_);
}

void TPasswordGeneratorOptions::ShowNote(const QString& note) {
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    if (!note.isEmpty()) {
        emit noted(note);
    }
}

void TPasswordGeneratorOptions::ShowSettings() {
    showing_ = true;
    const TPasswordRules& rules = settings_.password;
    length_->setValue(static_cast<int>(rules.length));
    lower_->setChecked(rules.lower);
    upper_->setChecked(rules.upper);
    digits_->setChecked(rules.digits);
    symbols_->setChecked(rules.symbols);
    noLookAlikes_->setChecked(rules.noLookAlikes);
    passphrase_->setChecked(settings_.passphrase);
    words_->setValue(static_cast<int>(settings_.phrase.words));
    // A separator being typed stays as it is until its entry ends.
    if (!separator_->hasFocus()) {
        separator_->setText(QString::fromStdString(settings_.phrase.separator));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{length_, lower_, upper_, digits_, symbols_,
                                                      noLookAlikes_}) {
        w->setEnabled(!settings_.passphrase);
    }
    words_->setEnabled(settings_.passphrase);
    separator_->setEnabled(settings_.passphrase);
    summary_->setText(QStringLiteral("Generate makes ") +
                      QString::fromStdString(DescribeGeneratorSettings(settings_)));
    strength_->setText(StrengthText());
    showing_ = false;
}

QString TPasswordGeneratorOptions::StrengthText() const {
    const double log10 = settings_.passphrase ? PassphraseStrengthLog10(settings_.phrase)
                                              : PasswordStrengthLog10(settings_.password);
    // Judged as the health report judges: below 10^10 guesses is weak.
    const QString verdict = log10 < 10   ? QStringLiteral("weak")
                            : log10 < 20 ? QStringLiteral("fair")
                                         : QStringLiteral("strong");
    return QStringLiteral("Strength: %1 — about 10^%2 equally likely results")
        .arg(verdict)
        .arg(static_cast<int>(std::floor(log10)));
}
