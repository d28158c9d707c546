#include "U_Option_Spin_Box.h"

#include <utility>

namespace {

// More digits than this are no step towards a number of an option.
constexpr int kMostDigits = 6;

} // namespace

TOptionSpinBox::TOptionSpinBox(TReader read, QWidget* parent)
    : QSpinBox(parent), read_(std::move(read)) {}

QString TOptionSpinBox::TakeNote() {
    return std::exchange(note_, QString());
}

QValidator::State TOptionSpinBox::validate(QString& text, int&) const {
    if (text.isEmpty()) {
        return QValidator::Intermediate;
    }
    if (text.size() > kMostDigits) {
        return QValidator::Invalid;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return QValidator::Invalid;
        }
    }
    const int number = text.toInt();
    return number >= minimum() && number <= maximum() ? QValidator::Acceptable
                                                      : QValidator::Intermediate;
}

void TOptionSpinBox::fixup(QString& text) const {
    const TOptionNumber read = read_(text.toStdString(), static_cast<std::size_t>(value()));
    note_ = QString::fromStdString(read.note);
    text = QString::number(read.value);
}
