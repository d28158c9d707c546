// keyvale-cli on a real terminal (a pseudo-terminal): passwords are typed
// without echo, and Ctrl-C at the prompt gives the shell its echo back.
#include "cli_fixture.h"

#include <chrono>
#include <thread>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

namespace {

using namespace cli_test;

// Reads what the terminal shows until `wanted` appears or ten seconds pass.
std::string ReadUntil(int master, const std::string& wanted) {
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.find(wanted) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buffer[256];
            ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            seen.append(buffer, static_cast<std::size_t>(got));
        }
    }
    return seen;
}

bool EchoOn(int fd) {
    termios t{};
    return tcgetattr(fd, &t) == 0 && (t.c_lflag & ECHO) != 0;
}

TEST_F(Cli, CtrlCAtAHiddenPromptRestoresEcho) {
    Import(Json::parse(R"({"format": "keyvale", "version": 1, "nodes": []})"));
    // The test keeps the terminal open too, so that it still has the state
    // the program left behind once the program has ended.
    int master = -1, terminal = -1;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(master);
        login_tty(dup(terminal));
        execl(KEYVALE_CLI, KEYVALE_CLI, "check", db.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_NE(ReadUntil(master, "Main password: ").find("Main password: "), std::string::npos);
    for (int i = 0; i < 100 && EchoOn(master); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(EchoOn(master)) << "the password is typed without echo";
    ASSERT_EQ(write(master, "typed", 5), 5);
    ASSERT_EQ(write(master, "\x03", 1), 1); // Ctrl-C: the terminal sends SIGINT

    std::string shown = ReadUntil(master, "\n");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by its own handler, not killed";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_TRUE(EchoOn(terminal)) << "the terminal is left with echo on";
    EXPECT_EQ(shown.find("typed"), std::string::npos) << shown;
    close(terminal);
    close(master);
}

} // namespace
