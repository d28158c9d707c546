// Notices when the X server destroys the main window behind the program's
// back (another client called XDestroyWindow on it). Qt then runs on with no
// window at all, holding the single-copy lock; instead the window is told, so
// that it saves and the program ends.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>

class TFormMain;

class TWindowLostFilter : public QAbstractNativeEventFilter {
  public:
    explicit TWindowLostFilter(TFormMain& window);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    QPointer<TFormMain> window_;
};
