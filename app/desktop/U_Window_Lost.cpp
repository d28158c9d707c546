#include "U_Window_Lost.h"

#include <QMetaObject>

#include <utility>

#include <xcb/xproto.h>

TWindowLostFilter::TWindowLostFilter(QWidget& window, std::function<void()> lost)
    : window_(&window), lost_(std::move(lost)) {}

bool TWindowLostFilter::nativeEventFilter(const QByteArray& eventType, void* message,
                                          qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t" || !window_) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) {
        return false;
    }
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    // Only the main window's own end; Qt destroys its pop-ups itself.
    if (!window_->testAttribute(Qt::WA_WState_Created) ||
        destroyed->window != static_cast<xcb_window_t>(window_->winId())) {
        return false;
    }
    // Saving processes no events, but it is not done inside Qt's own event
    // handling either: the window hears of it on the next turn of the loop.
    QMetaObject::invokeMethod(window_.data(), lost_, Qt::QueuedConnection);
    return false;
}
