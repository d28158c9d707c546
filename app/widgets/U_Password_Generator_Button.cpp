#include "U_Password_Generator_Button.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <string.h> // explicit_bzero

#include "U_Event_Hook.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Password_Generator_Options.h"
#include "U_Widget_Names.h"

namespace {

void Wipe(QString& text) {
    if (!text.isEmpty()) {
        text.detach();
        explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    text.clear();
}

// The options panel is a pop-up window, and the toolkit leaves windows out of
// their parent's accessible children (and pop-ups out of the application's),
// so a screen reader walking the tree would never reach it. The generator's
// accessible object counts the open panel as its last child, and the panel
// names the generator as its parent, so that the way up leads down again.
class TGeneratorAccessible : public QAccessibleWidget {
  public:
    explicit TGeneratorAccessible(TPasswordGeneratorButton* generator)
        : QAccessibleWidget(generator), generator_(generator) {}

    int childCount() const override { return QAccessibleWidget::childCount() + (Open() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override {
        if (Open() && index == QAccessibleWidget::childCount()) {
            return QAccessible::queryAccessibleInterface(generator_->Options());
        }
        return QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (Open() && child != nullptr && child->object() == generator_->Options()) {
            return QAccessibleWidget::childCount();
        }
        return QAccessibleWidget::indexOfChild(child);
    }

  private:
    bool Open() const { return generator_->Options() && generator_->Options()->isVisible(); }
    TPasswordGeneratorButton* generator_;
};

class TOptionsAccessible : public QAccessibleWidget {
  public:
    explicit TOptionsAccessible(TPasswordGeneratorOptions* options)
        : QAccessibleWidget(options, QAccessible::Pane) {}

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(widget()->parentWidget());
    }
};

QAccessibleInterface* GeneratorAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(TPasswordGeneratorButton::staticMetaObject.className())) {
        return new TGeneratorAccessible(static_cast<TPasswordGeneratorButton*>(object));
    }
    if (className == QLatin1String(TPasswordGeneratorOptions::staticMetaObject.className())) {
        return new TOptionsAccessible(static_cast<TPasswordGeneratorOptions*>(object));
    }
    return nullptr;
}

} // namespace

TPasswordGeneratorButton::TPasswordGeneratorButton(QLineEdit* field, std::string iniPath,
                                                   QWidget* parent)
    : QWidget(parent), field_(field), iniPath_(std::move(iniPath)),
      settings_(LoadGeneratorSettings(iniPath_)) {
    static const bool accessible = [] {
        QAccessible::installFactory(GeneratorAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    Named(this, "o_Password_Generator", QStringLiteral("Password generator"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    generate_ = Hinted(
        Named(new QToolButton(this), "b_Generate_Password", QStringLiteral("Generate password")),
        QStringLiteral(" Fill the password with a new random one (Ctrl+Z in the "
                       "field brings the old one back) "));
    generate_->setText(QStringLiteral("Generate"));
    options_ = Hinted(Named(new QToolButton(this), "b_Password_Generator_Options",
                            QStringLiteral("Password generator options")),
                      QStringLiteral(" Length, characters or words of generated passwords "));
    options_->setText(QStringLiteral("▾"));
    for (QToolButton* button : {generate_, options_}) {
        button->setFocusPolicy(Qt::StrongFocus); // Tab reaches both
        row->addWidget(button);
    }
    panel_ = new TPasswordGeneratorOptions(this);
    panel_->SetSettings(settings_);

    connect(generate_, &QToolButton::clicked, this, [this] { Fill(); });
    connect(options_, &QToolButton::clicked, this, [this] { panel_->PopUpBelow(options_); });
    connect(panel_, &TPasswordGeneratorOptions::settingsChanged, this,
            &TPasswordGeneratorButton::SaveSettings);
    // A changed or refused entry is said in the log as well: the panel that
    // shows it may close with the very click that ended the entry.
    connect(panel_, &TPasswordGeneratorOptions::noted, this, &TPasswordGeneratorButton::message);

    // Any other change of the field (typing, another record shown) ends what
    // Ctrl+Z may bring back.
    connect(field_, &QLineEdit::textChanged, this, [this] {
        if (!filling_ && undoable_) {
            Forget();
        }
    });
    // A masked field's own Ctrl+Z empties it even when there is nothing to
    // undo, so that a record just shown would lose its password to a stray
    // key; with nothing to undo, Ctrl+Z changes nothing.
    TEventHook::Install(field_, [this](QEvent* event) {
        const bool key =
            event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
        if (!key || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo)) {
            return false;
        }
        const bool ours = undoable_;
        const bool nothing = field_->echoMode() != QLineEdit::Normal && !field_->isUndoAvailable();
        if (!ours && !nothing) {
            return false; // the field undoes what was typed
        }
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // the field, not a window shortcut, takes Ctrl+Z
            return false;
        }
        if (ours) {
            Undo();
        }
        return true;
    });
    // The buttons work when the field does.
    const auto follow = [this] { setEnabled(field_->isEnabled()); };
    TEventHook::Install(field_, [follow](QEvent* event) {
        if (event->type() == QEvent::EnabledChange) {
            follow();
        }
        return false;
    });
    follow();
}

TPasswordGeneratorButton::~TPasswordGeneratorButton() {
    Wipe(previous_);
    Wipe(generated_);
}

bool TPasswordGeneratorButton::Fill() {
    std::string secret;
    const std::string problem = settings_.passphrase ? GeneratePassphrase(settings_.phrase, secret)
                                                     : GeneratePassword(settings_.password, secret);
    if (!problem.empty()) {
        emit message(
            QStringLiteral("No password was generated: %1.").arg(QString::fromStdString(problem)));
        return false;
    }
    QString password = QString::fromStdString(secret);
    KvSecureWipe(secret);
    // A second fill keeps the password from before the first one: Ctrl+Z
    // goes back to what the record held, not to a discarded suggestion.
    if (!undoable_) {
        Wipe(previous_);
        previous_ = field_->text();
        previous_.detach();
    }
    SetFieldText(password);
    Wipe(generated_);
    generated_ = field_->text();
    generated_.detach();
    Wipe(password);
    undoable_ = true;
    field_->setFocus();
    return true;
}

bool TPasswordGeneratorButton::Undo() {
    if (!undoable_ || field_->text() != generated_) {
        Forget();
        return false;
    }
    SetFieldText(previous_);
    Forget();
    return true;
}

void TPasswordGeneratorButton::Forget() {
    undoable_ = false;
    Wipe(previous_);
    Wipe(generated_);
}

void TPasswordGeneratorButton::SetFieldText(const QString& text) {
    // Replacing the selection is an edit, as typing is: the field reports
    // it, and the record counts as changed.
    filling_ = true;
    field_->selectAll();
    if (text.isEmpty()) {
        field_->del();
    } else {
        field_->insert(text);
    }
    filling_ = false;
}

void TPasswordGeneratorButton::SaveSettings(const TGeneratorSettings& settings) {
    settings_ = settings;
    if (!SaveGeneratorSettings(iniPath_, settings_)) {
        emit message(QStringLiteral("The generator's options could not be saved in the settings "
                                    "file; they hold until the program ends."));
    }
}
