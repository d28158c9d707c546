#include "cli_terminal.h"

#include <charconv>
#include <iostream>
#include <iterator>
#include <termios.h>
#include <unistd.h>

namespace cli {

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

std::string ReadAllStdin() {
    std::cin >> std::noskipws;
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

namespace {

// Turns terminal echo off for its lifetime and restores it in every case.
class EchoOff {
  public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
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

std::optional<long long> ParseInteger(const std::string& text) {
    long long value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

} // namespace cli
