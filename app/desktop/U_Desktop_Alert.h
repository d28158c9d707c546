// The desktop alert: a frameless pop-up with a header line and a message that
// fades in, stays a few seconds and goes by itself.
#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

class QLabel;

class TDesktopAlert : public QWidget {
    Q_OBJECT
  public:
    static constexpr int FadeStepMs = 50;
    static constexpr int FadeSteps = 8;
    static constexpr int DisplayMs = 3000;

    TDesktopAlert();

    // Shows the alert over the given screen rectangle, replacing any alert
    // still on screen.
    void ShowAlert(const QRect& screenRect, const QString& header, const QString& message);
    // Closes at once (a page change does this).
    void CloseAlert();

    QString HeaderText() const;
    QString MessageText() const;

  private:
    void FadeStep();

    QLabel* header_;
    QLabel* message_;
    QTimer fadeTimer_;
    QTimer displayTimer_;
    int fadeStep_ = 0;
};
