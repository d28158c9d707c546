// keyvale-cli clip: a field of a record onto the desktop's clipboard for a
// while, as pass does it. The clipboard belongs to a helper program of the
// desktop (wl-copy on Wayland, xclip or xsel on X11); the value reaches it
// through a pipe, never on a command line that other users could read.
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

#include <fcntl.h>
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

constexpr long long kDefaultTimeout = 10;
constexpr long long kLongestTimeout = 24 * 60 * 60;

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

// Runs the program with `input` on its standard input; with `output` its
// standard output is read back, otherwise it goes nowhere (xclip and wl-copy
// stay in the background holding the clipboard, and must not hold our pipes).
bool RunTool(const std::vector<std::string>& command, const std::string& input,
             std::string* output) {
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
    if (spawned) {
        std::size_t done = 0;
        while (done < input.size()) {
            ssize_t written = ::write(in[1], input.data() + done, input.size() - done);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                break;
            }
            done += static_cast<std::size_t>(written);
        }
    }
    ::close(in[1]);
    if (output != nullptr) {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(out[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
            if (got > 0) {
                output->append(buffer, static_cast<std::size_t>(got));
            }
        }
        ::close(out[0]);
    }
    if (!spawned) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// In a process of its own, so the command returns at once: waits, then
// clears the clipboard if it still holds what was copied (the user may have
// copied something else meanwhile, which stays).
void ClearLater(const ClipboardTool& tool, const std::string& value, long long seconds) {
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
    _exit(0);
}

int RunClip(const cli::ParsedArguments& args) {
    const std::string fieldName = args.positional.size() == 3 ? args.positional[2] : "password";
    std::string TRecordFields::*field = nullptr;
    if (const TRecordFieldRule* rule = FindRecordFieldRule(fieldName)) {
        field = rule->member;
    }
    if (field == nullptr) {
        return Fail("clip",
                    "no field \"" + fieldName + "\"; the fields are " + RecordFieldNames() + ".",
                    kExitUsage);
    }
    long long timeout = kDefaultTimeout;
    if (auto text = args.Value("timeout")) {
        auto parsed = cli::ParseNumber(*text, 1, kLongestTimeout);
        if (!parsed) {
            return Fail("clip", "the timeout is a whole number of seconds from 1 to 86400.",
                        kExitUsage);
        }
        timeout = *parsed;
    }
    // The tool is looked for before the password is asked.
    const ClipboardTool* tool = nullptr;
    for (const ClipboardTool& candidate : kTools) {
        const char* session = std::getenv(candidate.session);
        if (tool == nullptr && session != nullptr && *session != '\0' &&
            OnPath(candidate.copy[0])) {
            tool = &candidate;
        }
    }
    if (tool == nullptr) {
        return Fail("clip",
                    "no clipboard tool found: install wl-clipboard (Wayland), or xclip or xsel "
                    "(X11), and run keyvale-cli inside the desktop session.",
                    kExitRuntimeError);
    }
    cli::OpenDatabase database;
    const std::string& path = args.positional[1];
    if (int code = cli::OpenExisting("clip", args.positional[0], database); code != kExitOk) {
        return code;
    }
    TNodeHandle node = kNoNode;
    if (int code = cli::ResolvePath("clip", database.tree, path, node); code != kExitOk) {
        return code;
    }
    if (node == kNoNode || !RecordFieldsEditable(database.tree, node)) {
        return Fail("clip", "\"" + path + "\" is a folder; it holds no record fields.",
                    kExitRuntimeError);
    }
    TRecordFields fields;
    ReadFolderDataFromDataFolder(database.tree, node, fields);
    std::string value = fields.*field;
    int code = kExitOk;
    if (value.empty()) {
        code =
            Fail("clip", "the " + fieldName + " of \"" + path + "\" is empty.", kExitRuntimeError);
    } else if (!RunTool(tool->copy, value, nullptr)) {
        code = Fail("clip", tool->copy[0] + " could not take the text.", kExitRuntimeError);
    } else {
        std::cout << "Copied the " << fieldName << " of " << path << " to the clipboard; it is "
                  << "cleared in " << timeout << " seconds.\n";
        std::cout.flush();
        ClearLater(*tool, value, timeout);
    }
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
    "holds that value.\n",
    {{"timeout", 't', cli::TOptionValue::Required, "S", "seconds until it is cleared (10)"}},
    2,
    3,
    RunClip,
});

} // namespace
