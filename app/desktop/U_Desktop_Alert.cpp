#include "U_Desktop_Alert.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

TDesktopAlert::TDesktopAlert()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("JvDesktopAlert1"));
    setAccessibleName(QStringLiteral("Desktop alert"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // An alert is information, never a place to type: keep it out of the way
    // of the mouse so the window under it stays usable.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_StyledBackground);

    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("L_Alert_Header"));
    QFont headerFont(QStringLiteral("Segoe UI"));
    headerFont.setPixelSize(12);
    headerFont.setBold(true);
    header_->setFont(headerFont);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("L_Alert_Message"));
    QFont messageFont(QStringLiteral("Verdana"));
    messageFont.setPixelSize(19);
    message_->setFont(messageFont);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 10);
    layout->addWidget(header_);
    layout->addWidget(message_, 1);

    setStyleSheet(QStringLiteral("TDesktopAlert { background: palette(base); border: 2px solid "
                                 "palette(highlight); border-radius: 8px; }"));

    fadeTimer_.setInterval(FadeStepMs);
    connect(&fadeTimer_, &QTimer::timeout, this, &TDesktopAlert::FadeStep);
    displayTimer_.setSingleShot(true);
    connect(&displayTimer_, &QTimer::timeout, this, &TDesktopAlert::CloseAlert);
}

void TDesktopAlert::ShowAlert(const QRect& screenRect, const QString& header,
                              const QString& message) {
    header_->setText(header);
    message_->setText(message);
    setGeometry(screenRect);
    fadeStep_ = 0;
    setWindowOpacity(0.0);
    show();
    raise();
    fadeTimer_.start();
    displayTimer_.start(FadeStepMs * FadeSteps + DisplayMs);
}

void TDesktopAlert::CloseAlert() {
    fadeTimer_.stop();
    displayTimer_.stop();
    hide();
}

QString TDesktopAlert::HeaderText() const {
    return header_->text();
}

QString TDesktopAlert::MessageText() const {
    return message_->text();
}

void TDesktopAlert::FadeStep() {
    ++fadeStep_;
    setWindowOpacity(static_cast<double>(fadeStep_) / FadeSteps);
    if (fadeStep_ >= FadeSteps) {
        fadeTimer_.stop();
    }
}
