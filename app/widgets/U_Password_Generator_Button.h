// The generator beside a password field: one button fills the field with a
// new password, one opens the options. Filling is an edit as typing is (the
// field reports its change as usual), and Ctrl+Z in the field brings the
// previous password back until Forget() is called, when the record is left.
#pragma once

#include <QString>
#include <QWidget>

#include "U_Keyvale_Generator_Settings.h"

class QLineEdit;
class QToolButton;
class TPasswordGeneratorOptions;

class TPasswordGeneratorButton : public QWidget {
    Q_OBJECT

  public:
    TPasswordGeneratorButton(QLineEdit* field, std::string iniPath, QWidget* parent = nullptr);
    ~TPasswordGeneratorButton() override;

    QToolButton* GenerateButton() const { return generate_; }
    QToolButton* OptionsButton() const { return options_; }
    TPasswordGeneratorOptions* Options() const { return panel_; }

    // Fills the field; false (field unchanged) when the random source fails.
    bool Fill();
    // The record was left: the previous password is wiped and cannot return.
    void Forget();

  signals:
    void message(const QString& text);

  private:
    bool Undo();
    void SetFieldText(const QString& text);
    void SaveSettings(const TGeneratorSettings& settings);

    QLineEdit* field_;
    std::string iniPath_;
    TGeneratorSettings settings_;
    QToolButton* generate_ = nullptr;
    QToolButton* options_ = nullptr;
    TPasswordGeneratorOptions* panel_ = nullptr;
    QString previous_;  // what Ctrl+Z brings back
    QString generated_; // what the field held after the fill
    bool undoable_ = false;
    bool filling_ = false;
};
