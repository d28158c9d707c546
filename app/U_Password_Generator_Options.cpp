#include "U_Password_Generator_Options.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <cmath>

#include "U_Widget_Names.h"

TPasswordGeneratorOptions::TPasswordGeneratorOptions(QWidget* parent) : QFrame(parent, Qt::Popup) {
    Named(this, "o_Password_Generator_Options", QStringLiteral("Password generator options"));
    setFrameShape(QFrame::StyledPanel);
    auto* form = new QFormLayout(this);

    length_ = Named(new QSpinBox(this), "F_Generator_Length", QStringLiteral("Length"));
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
    words_ = Named(new QSpinBox(this), "F_Generator_Words", QStringLiteral("Words"));
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
    for (QSpinBox* box : {length_, words_}) {
        if (auto* text = box->findChild<QLineEdit*>()) {
            text->setAccessibleName(box->accessibleName());
        }
    }
    strength_ = Named(new QLabel(this), "L_Generator_Strength", QStringLiteral("Strength"));
    strength_->setWordWrap(true);
    form->addRow(strength_);

    connect(length_, &QSpinBox::valueChanged, this, &TPasswordGeneratorOptions::ReadControls);
    connect(words_, &QSpinBox::valueChanged, this, &TPasswordGeneratorOptions::ReadControls);
    connect(separator_, &QLineEdit::textChanged, this, &TPasswordGeneratorOptions::ReadControls);
    for (QCheckBox* box : {lower_, upper_, digits_, symbols_, noLookAlikes_, passphrase_}) {
        connect(box, &QCheckBox::toggled, this, &TPasswordGeneratorOptions::ReadControls);
    }
    ShowSettings();
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
    TPasswordRules& rules = settings_.password;
    rules.length = static_cast<std::size_t>(length_->value());
    rules.lower = lower_->isChecked();
    rules.upper = upper_->isChecked();
    rules.digits = digits_->isChecked();
    rules.symbols = symbols_->isChecked();
    rules.noLookAlikes = noLookAlikes_->isChecked();
    settings_.passphrase = passphrase_->isChecked();
    settings_.phrase.words = static_cast<std::size_t>(words_->value());
    // An emptied separator keeps the last one until a character is typed.
    const std::string separator = separator_->text().toStdString();
    if (SeparatorProblem(separator).empty()) {
        settings_.phrase.separator = separator;
    }
    ShowSettings();
    emit settingsChanged(settings_);
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
    if (!separator_->text().isEmpty()) {
        separator_->setText(QString::fromStdString(settings_.phrase.separator));
    } else if (!separator_->hasFocus()) {
        separator_->setText(QString::fromStdString(settings_.phrase.separator));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{length_, lower_, upper_, digits_, symbols_,
                                                      noLookAlikes_}) {
        w->setEnabled(!settings_.passphrase);
    }
    words_->setEnabled(settings_.passphrase);
    separator_->setEnabled(settings_.passphrase);
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
