// The termination signals of the desktop and the terminal (SIGTERM, SIGHUP,
// SIGINT) turned into a Qt signal, so that the program leaves as the Exit
// tab does, saving first, instead of dying with unsaved work.
//
// A signal handler may do almost nothing safely; it only writes the signal's
// number into a pipe. The event loop watches the pipe and emits
// quitRequested() on the user-interface thread, where saving is allowed.
#pragma once

#include <QObject>

#include <csignal>
#include <iterator>

class QSocketNotifier;

class TQuitSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; only one object at a time may exist.
    explicit TQuitSignals(QObject* parent = nullptr);
    // Puts back the handlers that were there before.
    ~TQuitSignals() override;

    static constexpr int Signals[] = {SIGTERM, SIGHUP, SIGINT};

  signals:
    void quitRequested(int signalNumber);

  private:
    void ReadPipe();

    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3]{};
};
