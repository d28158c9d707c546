// The generator's options, in a small panel that drops down from the options
// button beside the Password field: length, classes, look-alikes, passphrase
// mode with its words and separator, and how many results they allow.
#pragma once

#include <QFrame>

#include "U_Keyvale_Generator_Settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class TPasswordGeneratorOptions : public QFrame {
    Q_OBJECT

  public:
    explicit TPasswordGeneratorOptions(QWidget* parent = nullptr);

    void SetSettings(const TGeneratorSettings& settings);
    const TGeneratorSettings& Settings() const { return settings_; }
    // Opens the panel under `anchor`, the first option focused.
    void PopUpBelow(QWidget* anchor);

  signals:
    void settingsChanged(const TGeneratorSettings& settings);

  private:
    void ReadControls();
    void ShowSettings();
    QString StrengthText() const;

    TGeneratorSettings settings_;
    bool showing_ = false;
    QSpinBox* length_ = nullptr;
    QCheckBox* lower_ = nullptr;
    QCheckBox* upper_ = nullptr;
    QCheckBox* digits_ = nullptr;
    QCheckBox* symbols_ = nullptr;
    QCheckBox* noLookAlikes_ = nullptr;
    QCheckBox* passphrase_ = nullptr;
    QSpinBox* words_ = nullptr;
    QLineEdit* separator_ = nullptr;
    QLabel* strength_ = nullptr;
};
