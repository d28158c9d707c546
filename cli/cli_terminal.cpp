#include "cli_terminal.h"

#include "cli_commands.h"

#include <csignal>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace cli {

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

namespace {

// The terminal state to put back should the user interrupt a hidden prompt.
// Only async-signal-safe calls touch it from the handler.
termios g_savedTerminal{};
volatile sig_atomic_t g_echoIsOff = 0;

extern "C" void RestoreTerminalAndExit(int) {
    if (g_echoIsOff) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    }
    const char newline = '\n';
    [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, &newline, 1);
    _exit(kExitInterrupted);
}

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Turns terminal echo off for its lifetime and restores it in every case,
// also when Ctrl-C (or another signal that ends the program) arrives while
// the password is typed: the shell must not be left without echo.
class EchoOff {
  public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = RestoreTerminalAndExit;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kInterruptSignals); ++i) {
            sigaddset(&action.sa_mask, kInterruptSignals[i]);
        }
        for (std::size_t i = 0; i < std::size(kInterruptSignals); ++i) {
            sigaction(kInterruptSignals[i], &action, &previous_[i]);
        }
        termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        g_echoIsOff = 1;
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
            g_echoIsOff = 0;
        }
        installed_ = true;
    }
    ~EchoOff() {
        if (g_echoIsOff) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
            g_echoIsOff = 0;
        }
        if (installed_) {
            for (std::size_t i = 0; i < std::size(kInterruptSignals); ++i) {
                sigaction(kInterruptSignals[i], &previous_[i], nullptr);
            }
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    struct sigaction previous_[std::size(kInterruptSignals)]{};
    bool installed_ = false;
};

} // namespace

std::optional<std::string> ReadSecretLine(const std::string& prompt) {
    std::string line;
    if (StdinIsTerminal()) {
        std::cerr << prompt << std::flush;
        EchoOff quiet;
        const bool ok = static_cast<bool>(std::getline(std::cin, line));
        std::cerr << "\n";
        if (!ok) {
            return std::nullopt;
        }
    } else if (!std::getline(std::cin, line)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

} // namespace cli
