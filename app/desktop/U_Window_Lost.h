// Notices when the X server destroys the main window behind the program's
// back (another client called XDestroyWindow on it). Qt then runs on with no
// window at all, holding the single-copy lock; instead the window is told, so
// that it saves and the program ends. The filter knows the window only as a
// widget and a function to call, so that it stays below the window's code.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

#include <functional>

class TWindowLostFilter : public QAbstractNativeEventFilter {
  public:
    // `lost` runs on the next turn of the event loop after the window went.
    TWindowLostFilter(QWidget& window, std::function<void()> lost);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    QPointer<QWidget> window_;
    std::function<void()> lost_;
};
