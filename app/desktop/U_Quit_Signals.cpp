#include "U_Quit_Signals.h"

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe from the handler to the event loop: [0] read, [1] write.
int g_pipe[2] = {-1, -1};

void OnQuitSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // Non-blocking: a full pipe means a request is waiting already.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = savedErrno;
}

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return; // the default handlers stay: the program ends as before
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TQuitSignals::ReadPipe);

    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(Signals); ++i) {
        ::sigaction(Signals[i], &action, &previous_[i]);
    }
}

TQuitSignals::~TQuitSignals() {
    if (g_pipe[0] < 0) {
        return;
    }
    for (std::size_t i = 0; i < std::size(Signals); ++i) {
        ::sigaction(Signals[i], &previous_[i], nullptr);
    }
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TQuitSignals::ReadPipe() {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        emit quitRequested(number);
    }
}
