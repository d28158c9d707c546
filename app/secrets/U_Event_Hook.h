// Lets a handler of the window watch one event of one control without a
// subclass: the window reacts to the mouse entering a panel, to clicks on
// labels and to drops on a picture this way.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

class TEventHook : public QObject {
  public:
    // The handler returns true when it has taken the event, which the control
    // then never sees.
    using THandler = std::function<bool(QEvent*)>;

    static void Install(QObject* control, THandler handler) {
        control->installEventFilter(new TEventHook(control, std::move(handler)));
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return watched == parent() && handler_(event);
    }

  private:
    TEventHook(QObject* control, THandler handler)
        : QObject(control), handler_(std::move(handler)) {}
    THandler handler_;
};
