#include "U_Idle_Time.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>

namespace {

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

} // namespace

TOwnInputIdleTime::TOwnInputIdleTime() : lastInput_(NowMs()) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
    }
}

TOwnInputIdleTime::~TOwnInputIdleTime() {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(this);
    }
}

std::uint32_t TOwnInputIdleTime::IdleMilliseconds() {
    // An unsigned 32-bit difference, like the system's tick counts.
    return static_cast<std::uint32_t>(NowMs() - lastInput_);
}

bool TOwnInputIdleTime::eventFilter(QObject* watched, QEvent* event) {
    if (IsUserInput(event->type())) {
        lastInput_ = NowMs();
    }
    return QObject::eventFilter(watched, event);
}

// Xlib's macros (KeyPress, None, Bool) clash with Qt's names, so its headers
// come after all code that uses Qt's.
#ifdef KEYVALE_HAVE_XSS
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

// The X server's own count of milliseconds without input on the display.
class TXScreenSaverIdleTime : public TIdleTimeProvider {
  public:
    // Null when there is no display or it lacks the extension.
    static std::shared_ptr<TXScreenSaverIdleTime> Open() {
        Display* display = XOpenDisplay(nullptr);
        if (!display) {
            return nullptr;
        }
        int eventBase = 0;
        int errorBase = 0;
        XScreenSaverInfo* info = nullptr;
        if (XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
            info = XScreenSaverAllocInfo();
        }
        if (!info) {
            XCloseDisplay(display);
            return nullptr;
        }
        return std::shared_ptr<TXScreenSaverIdleTime>(new TXScreenSaverIdleTime(display, info));
    }

    ~TXScreenSaverIdleTime() override {
        XFree(info_);
        XCloseDisplay(display_);
    }

    std::uint32_t IdleMilliseconds() override {
        if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_)) {
            return 0; // unknown: count as busy, the next tick asks again
        }
        return static_cast<std::uint32_t>(info_->idle);
    }

  private:
    TXScreenSaverIdleTime(Display* display, XScreenSaverInfo* info)
        : display_(display), info_(info) {}

    Display* display_;
    XScreenSaverInfo* info_;
};
} // namespace
#endif

std::shared_ptr<TIdleTimeProvider> MakeDesktopIdleTime() {
#ifdef KEYVALE_HAVE_XSS
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto desktop = TXScreenSaverIdleTime::Open()) {
            return desktop;
        }
    }
#endif
    return std::make_shared<TOwnInputIdleTime>();
}
