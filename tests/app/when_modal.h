// Answers a modal dialog from the event loop that waits for it: the test asks
// for an import and the dialog comes up later, on the window's own terms.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

// Runs `act` once a modal dialog of type T is up (at most `limitMs` later;
// then any modal dialog is closed, so that a failing step never hangs the test).
template <typename T>
void WhenModal(QObject* context, std::function<void(T*)> act, int limitMs = 5000) {
    auto* poll = new QTimer(context);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, context, [poll, started, act, limitMs] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        } else if (started->elapsed() > limitMs) {
            poll->stop();
            poll->deleteLater();
            if (auto* stuck = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                stuck->reject();
            }
        }
    });
    poll->start(50);
}
