#include "U_Secret_Clipboard.h"

#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>

namespace {

constexpr const char* kOwnerType = "application/x-keyvale-clipboard-owner";

} // namespace

TSecretClipboard::TSecretClipboard(QClipboard* clipboard, QObject* parent)
    : QObject(parent), clipboard_(clipboard) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TSecretClipboard::ClearIfOurs);
}

QString TSecretClipboard::Copy(const QString& text, const QTime& now) {
    token_ = QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(PasswordManagerHintType),
                  QByteArray(PasswordManagerHintValue));
    data->setData(QString::fromLatin1(kOwnerType), token_);
    clipboard_->setMimeData(data); // the clipboard owns it from here on
    if (delaySeconds_ <= 0) {
        timer_.stop();
        return {};
    }
    timer_.start(delaySeconds_ * 1000);
    return QStringLiteral("The clipboard will be cleared in %1 seconds, at %2.")
        .arg(delaySeconds_)
        .arg(now.addSecs(delaySeconds_).toString(QStringLiteral("HH:mm:ss")));
}

bool TSecretClipboard::HoldsOurs() const {
    if (token_.isEmpty()) {
        return false;
    }
    const QMimeData* data = clipboard_->mimeData();
    return data != nullptr && data->data(QString::fromLatin1(kOwnerType)) == token_;
}

void TSecretClipboard::ClearIfOurs() {
    timer_.stop();
    if (HoldsOurs()) {
        clipboard_->clear();
    }
    token_.clear();
}
