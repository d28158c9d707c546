// A spin box for a number option that takes whatever number is typed: a
// plain spin box refuses the keystroke that leaves its range, so "129"
// typed into 8..128 silently stays "12", and puts its previous value back
// for a number below it. Here every run of digits may be typed; when the
// entry ends (Enter, the focus leaving) the option's own rule reads it, a
// number outside the range becomes the nearer end, and Note() says so.
#pragma once

#include <QSpinBox>

#include <functional>
#include <string>

#include "U_Keyvale_Generator_Settings.h"

class TOptionSpinBox : public QSpinBox {
  public:
    // `read` is the option's rule: the typed text and the value in use give
    // the value to take and a note when it is not the one typed.
    using TReader = std::function<TOptionNumber(const std::string& typed, std::size_t current)>;
    TOptionSpinBox(TReader read, QWidget* parent = nullptr);

    // The note of the last entry that was not taken as typed; empty once
    // read, or when the entry was taken.
    QString TakeNote();

  protected:
    QValidator::State validate(QString& text, int& position) const override;
    void fixup(QString& text) const override;

  private:
    TReader read_;
    mutable QString note_; // fixup() is const in the toolkit
};
