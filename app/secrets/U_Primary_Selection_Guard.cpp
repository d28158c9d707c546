#include "U_Primary_Selection_Guard.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QSet>
#include <QWidget>

namespace primary_selection {

namespace {

// The widgets put the selection there while they handle an input event (a
// mouse release, a double click, a key). The guard follows which object the
// last input event went to, application-wide, and withdraws a primary
// selection Keyvale takes while that object is a guarded one.
class TGuard : public QObject {
  public:
    static TGuard& Instance() {
        static TGuard* guard = new TGuard(qApp);
        return *guard;
    }

    void Watch(QObject* target) {
        guarded_.insert(target);
        connect(target, &QObject::destroyed, this,
                [this](QObject* gone) { guarded_.remove(gone); });
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
            inGuarded_ = guarded_.contains(watched);
            break;
        default:
            break;
        }
        return false;
    }

  private:
    explicit TGuard(QObject* parent) : QObject(parent) {
        qApp->installEventFilter(this);
        QClipboard* clipboard = QGuiApplication::clipboard();
        connect(clipboard, &QClipboard::selectionChanged, this, [this, clipboard] {
            if (inGuarded_ && clipboard->ownsSelection()) {
                clipboard->clear(QClipboard::Selection);
            }
        });
    }

    QSet<QObject*> guarded_;
    bool inGuarded_ = false;
};

} // namespace

void Guard(QWidget* widget) {
    TGuard& guard = TGuard::Instance();
    guard.Watch(widget);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
        guard.Watch(area->viewport());
    }
}

} // namespace primary_selection
