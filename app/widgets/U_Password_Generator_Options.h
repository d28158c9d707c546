// The generator's options, in a small panel that drops down from the options
// button beside the Password field: length, classes, look-alikes, passphrase
// mode with its words and separator, what Generate makes under them and how
// many results they allow. What the options cannot take (a length out of its
// range, no class at all, no separator) is changed or refused with a note
// in the panel, which also goes out as noted().
#pragma once

#include <QFrame>

#include "U_Keyvale_Generator_Settings.h"

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class TOptionSpinBox;

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
    // An entry was changed or refused; the same note shows in the panel.
    void noted(const QString& note);

  private:
    void AddOptionControls(QFormLayout* form);
    void AddReadouts(QFormLayout* form);
    void ConnectControls();
    void ReadControls();
    void ShowSettings();
    void ShowNote(const QString& note);
    QString StrengthText() const;

    TGeneratorSettings settings_;
    bool showing_ = false;
    TOptionSpinBox* length_ = nullptr;
    QCheckBox* lower_ = nullptr;
    QCheckBox* upper_ = nullptr;
    QCheckBox* digits_ = nullptr;
    QCheckBox* symbols_ = nullptr;
    QCheckBox* noLookAlikes_ = nullptr;
    QCheckBox* passphrase_ = nullptr;
    TOptionSpinBox* words_ = nullptr;
    QLineEdit* separator_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* strength_ = nullptr;
    QLabel* note_ = nullptr;
};
