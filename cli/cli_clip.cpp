// keyvale-cli clip: a field of a record onto the desktop's clipboard for a
// while, as pass does it. The clipboard belongs to a helper program of the
// desktop (wl-copy on Wayland, xclip or xsel on X11); the value reaches it
// through a pipe, never on a command line that other users could read.
#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

struct ClipboardTool {
    const char* session; // the environment variable of its kind of desktop
    std::vector<std::string> copy, paste, clear;
};

// In order of preference; "clear" empty: copy an empty text instead.
const ClipboardTool kTools[] = {
    {"WAYLAND_DISPLAY", {"wl-copy"}, {"wl-paste", "--no-newline"}, {"wl-copy", "--clear"}},
    {"DISPLAY",
     {"xclip", "-selection", "clipboard", "-in"},
     {"xclip", "-selection", "clipboard", "-out"},
     {}},
    {"DISPLAY",
     {"xsel", "--clipboard", "--input"},
     {"xsel", "--clipboard", "--output"},
     {"xsel", "--clipboard", "--clear"}},
};

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

// How long a clipboard tool may take. It answers within milliseconds when
// the display answers; one that does not (a display gone, a clipboard owner
// that hangs) is given up rather than waited for with a secret in memory.
constexpr auto kToolPatience = std::chrono::seconds(3);

// SIGPIPE ignored for its lifetime: a tool that cannot reach the display
// exits before it reads, and writing to it must fail with EPIPE, not kill
// keyvale-cli without a word.
class IgnoreBrokenPipe {
  public:
    IgnoreBrokenPipe() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &saved_);
    }
    ~IgnoreBrokenPipe() { ::sigaction(SIGPIPE, &saved_, nullptr); }
    IgnoreBrokenPipe(const IgnoreBrokenPipe&) = delete;
    IgnoreBrokenPipe& operator=(const IgnoreBrokenPipe&) = delete;

  private:
    struct sigaction saved_ {};
};

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// Writes all of `input` unless the reader goes away or the deadline passes.
void WriteInput(int fd, const std::string& input, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < input.size()) {
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) {
            return;
        }
        ssize_t written = ::write(fd, input.data() + done, input.size() - done);
        if (written < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

// Reads the tool's output until it closes it or the deadline passes.
void ReadOutput(int fd, std::string& output, Clock::time_point deadline) {
    char buffer[4096];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) {
            return;
        }
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
}

// Whether the tool ended well by the deadline; one still running then is
// killed.
bool WaitForTool(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (done < 0 && errno != EINTR) {
            return false;
        }
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Runs the program with `input` on its standard input; with `output` its
// standard output is read back, otherwise it goes nowhere (xclip and wl-copy
// stay in the background holding the clipboard, and must not hold our pipes).
// False when it cannot start, fails, or does not finish within kToolPatience.
bool RunTool(const std::vector<std::string>& command, const std::string& input,
             std::string* output) {
    IgnoreBrokenPipe quiet;
    int in[2], out[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0) {
        return false;
    }
    if (output != nullptr && ::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    if (output != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : command) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    if (output != nullptr) {
        ::close(out[1]);
    }
    const Clock::time_point deadline = Clock::now() + kToolPatience;
    if (spawned) {
        WriteInput(in[1], input, deadline);
    }
    ::close(in[1]);
    if (output != nullptr) {
        if (spawned) {
            ReadOutput(out[0], *output, deadline);
        }
        ::close(out[0]);
    }
    return spawned && WaitForTool(pid, deadline);
}

// In a process of its own, so the command returns at once: waits, then
// clears the clipboard if it still holds what was copied (the user may have
// copied something else meanwhile, which stays). Whatever the tools answer,
// or if they do not, it wipes its copies of the value before it ends.
void ClearLater(const ClipboardTool& tool, std::string& value, long long seconds) {
    pid_t child = ::fork();
    if (child != 0) {
        if (child > 0) {
            ::waitpid(child, nullptr, 0); // the middle process leaves at once
        }
        return;
    }
    ::setsid();
    if (::fork() != 0) {
        _exit(0);
    }
    int null = ::open("/dev/null", O_RDWR);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        ::dup2(null, fd);
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::string now;
    if (RunTool(tool.paste, "", &now) && now == value) {
        if (tool.clear.empty()) {
            RunTool(tool.copy, "", nullptr);
        } else {
            RunTool(tool.clear, "", nullptr);
        }
    }
    KvSecureWipe(now);
    KvSecureWipe(value);
    _exit(0);
}

// The member of the record that FIELD names, or nullptr for an unknown name.
std::string TRecordFields::*FieldOfName(const std::string& fieldName) {
    if (const TRecordFieldRule* rule = FindRecordFieldRule(fieldName)) {
        return rule->member;
    }
    return nullptr;
}

// The window's rule: the value waits on the clipboard here as long as
// the window would let it (keyvale-cli has no "never": its clearing
// process is what holds the value).
int ReadTimeout(const cli::ParsedArguments& args, long long& timeout) {
    timeout = kDefaultClipboardClearSeconds;
    if (auto text = args.Value("timeout")) {
        auto parsed = cli::ParseNumber(*text, 1, kMaximumClipboardClearSeconds);
        if (!parsed) {
            return Fail("clip",
                        "the timeout is a whole number of seconds from 1 to " +
                            std::to_string(kMaximumClipboardClearSeconds) + ".",
                        kExitUsage);
        }
        timeout = *parsed;
    }
    return kExitOk;
}

// The first tool, in order of preference, whose desktop is running and
// whose program is installed.
const ClipboardTool* FindTool() {
    const ClipboardTool* tool = nullptr;
    for (const ClipboardTool& candidate : kTools) {
        const char* session = std::getenv(candidate.session);
        if (tool == nullptr && session != nullptr && *session != '\0' &&
            OnPath(candidate.copy[0])) {
            tool = &candidate;
        }
    }
    return tool;
}

// Opens the database and finds the record at PATH.
int OpenRecord(const cli::ParsedArguments& args, cli::OpenDatabase& database, TNodeHandle& node) {
    const std::string& path = args.positional[1];
    if (int code = cli::OpenExisting("clip", args.positional[0], database); code != kExitOk) {
        return code;
    }
    node = kNoNode;
    if (int code = cli::ResolvePath("clip", database.tree, path, node); code != kExitOk) {
        return code;
    }
    if (node == kNoNode || !RecordFieldsEditable(database.tree, node)) {
        return Fail("clip", "\"" + path + "\" is a folder; it holds no record fields.",
                    kExitRuntimeError);
    }
    return kExitOk;
}

// Hands the value to the tool and leaves a process behind to clear it.
int CopyValue(const ClipboardTool& tool, std::string& value, const std::string& fieldName,
              const std::string& path, long long timeout) {
    if (value.empty()) {
        return Fail("clip", "the " + fieldName + " of \"" + path + "\" is empty.",
                    kExitRuntimeError);
    }
    if (!RunTool(tool.copy, value, nullptr)) {
        return Fail("clip",
                    tool.copy[0] + " could not take the text: is the display (" +
                        std::string(std::getenv(tool.session)) + ") reachable?",
                    kExitRuntimeError);
    }
    std::cout << "Copied the " << fieldName << " of " << path << " to the clipboard; it is "
              << "cleared in " << timeout << " seconds.\n";
    std::cout.flush();
    ClearLater(tool, value, timeout);
    return kExitOk;
}

int RunClip(const cli::ParsedArguments& args) {
    const std::string fieldName = args.positional.size() == 3
                                      ? args.positional[2]
                                      : RecordFieldRule(TRecordField::Password).name;
    std::string TRecordFields::*field = FieldOfName(fieldName);
    if (field == nullptr) {
        return Fail("clip",
                    "no field \"" + fieldName + "\"; the fields are " + RecordFieldNames() + ".",
                    kExitUsage);
    }
    long long timeout = 0;
    if (int code = ReadTimeout(args, timeout); code != kExitOk) {
        return code;
    }
    // The tool is looked for before the password is asked.
    const ClipboardTool* tool = FindTool();
    if (tool == nullptr) {
        return Fail("clip",
                    "no clipboard tool found: install wl-clipboard (Wayland), or xclip or xsel "
                    "(X11), and run keyvale-cli inside the desktop session.",
                    kExitRuntimeError);
    }
    cli::OpenDatabase database;
    TNodeHandle node = kNoNode;
    if (int code = OpenRecord(args, database, node); code != kExitOk) {
        return code;
    }
    TRecordFields fields;
    ReadFolderDataFromDataFolder(database.tree, node, fields);
    std::string value = fields.*field;
    int code = CopyValue(*tool, value, fieldName, args.positional[1], timeout);
    KvSecureWipe(fields.password);
    KvSecureWipe(value);
    return code;
}

const cli::CliRegistration clipCommand({
    "clip",
    "FILE PATH [FIELD]",
    "copy a record's password (or FIELD) to the clipboard for a while",
    "Copies the password of the record at PATH, or its FIELD (login, password,\n"
    "email, url or note), with the desktop's clipboard tool: wl-copy on Wayland,\n"
    "xclip or xsel on X11. After the timeout the clipboard is cleared if it still\n"
    "holds that value. A tool that cannot reach the display, or does not answer\n"
    "within a few seconds, is a failure.\n",
    {{"timeout", 't', cli::TOptionValue::Required, "S",
      "seconds until it is cleared (10; 1 to 600)"}},
    2,
    3,
    RunClip,
});

} // namespace
