// How long the user has left the desktop alone: the automatic save waits for
// a quiet desktop so that it never interrupts typing.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

// The time since the last keyboard or mouse input, in milliseconds.
class TIdleTimeProvider {
  public:
    virtual ~TIdleTimeProvider() = default;
    virtual std::uint32_t IdleMilliseconds() = 0;
};

// The desktop's idle time from the X server's screen-saver extension when the
// program runs on X with that extension; otherwise the time since the last
// input the program itself received (input to other programs is not seen
// then, so the save may come later than on X, never earlier).
std::shared_ptr<TIdleTimeProvider> MakeDesktopIdleTime();

// The fallback on its own: watches every key and mouse event of the
// application. Create it after the application object.
class TOwnInputIdleTime : public QObject, public TIdleTimeProvider {
  public:
    TOwnInputIdleTime();
    ~TOwnInputIdleTime() override;
    std::uint32_t IdleMilliseconds() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::int64_t lastInput_;
};
