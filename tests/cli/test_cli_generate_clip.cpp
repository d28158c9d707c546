// generate: lengths, classes and exclusions, and no character favoured; clip:
// the value reaches the desktop's clipboard tool (a stand-in script here) and
// is cleared after the timeout only if it is still there.
#include "cli_fixture.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <thread>

namespace {

using namespace cli_test;

const std::string kLower = "abcdefghijklmnopqrstuvwxyz";
const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";

TEST_F(Cli, GenerateKeepsItsRules) {
    struct Case {
        std::vector<std::string> args;
        std::size_t length;
        std::vector<std::string> required; // one character of each at least
        std::string forbidden;
    };
    const Case cases[] = {
        {{"generate"}, 20, {kLower, kUpper, kDigits}, " \t"},
        {{"generate", "--length", "4", "--lower", "--upper", "--digits", "--symbols"},
         4,
         {kLower, kUpper, kDigits},
         ""},
        {{"generate", "--length=64", "--digits", "--exclude", "0123"},
         64,
         {"456789"},
         "0123" + kLower},
        {{"generate", "-l", "1024", "--upper"}, 1024, {kUpper}, kLower + kDigits},
    };
    for (const Case& c : cases) {
        for (int run = 0; run < 5; ++run) {
            Outcome outcome = Run(c.args);
            ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
            const std::string password = outcome.out.substr(0, outcome.out.size() - 1);
            EXPECT_EQ(password.size(), c.length) << outcome.out;
            for (const std::string& set : c.required) {
                EXPECT_NE(password.find_first_of(set), std::string::npos) << password;
            }
            EXPECT_EQ(password.find_first_of(c.forbidden), std::string::npos) << password;
        }
    }
    const std::vector<std::vector<std::string>> refused = {
        {"generate", "--length", "3"},    // four classes in three characters
        {"generate", "--length", "1025"}, // longer than the password field
        {"generate", "--digits", "--exclude", kDigits},
        {"generate", "--length", "0"},
    };
    for (const auto& args : refused) {
        EXPECT_EQ(Run(args).exitCode, 2) << args.back();
    }
}

// With all 94 characters, a byte taken modulo 94 would favour the first 68
// by half again; rejection sampling keeps every count near the mean.
TEST_F(Cli, GenerateFavoursNoCharacter) {
    std::map<char, int> counts;
    constexpr int kRuns = 100;
    for (int run = 0; run < kRuns; ++run) {
        for (char c : Run({"generate", "--length", "1024"}).out) {
            if (c != '\n') {
                ++counts[c];
            }
        }
    }
    ASSERT_EQ(counts.size(), 94u);
    const double mean = kRuns * 1024 / 94.0; // about 1089, standard deviation about 33
    for (const auto& [c, count] : counts) {
        EXPECT_NEAR(count, mean, 200) << "character " << c;
    }
}

class Clip : public Cli {
  protected:
    void SetUp() override {
        Cli::SetUp();
        fs::create_directory(dir / "bin");
        clip = (dir / "clipboard").string();
        // A stand-in for xclip: "-out" prints the clipboard, anything else
        // takes standard input as the new clipboard.
        WriteFile(dir / "bin" / "xclip",
                  "#!/bin/sh\n"
                  "case \" $* \" in\n"
                  "  *\" -out \"*) cat \"$FAKE_CLIPBOARD\" ;;\n"
                  "  *) cat > \"$FAKE_CLIPBOARD.new\" && mv \"$FAKE_CLIPBOARD.new\" "
                  "\"$FAKE_CLIPBOARD\" ;;\n"
                  "esac\n");
        fs::permissions(dir / "bin" / "xclip", fs::perms::owner_all);
        Import(Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
          {"name": "Bank", "record": {"login": "me", "password": "pass word"}},
          {"name": "Folder", "children": [{"name": "x"}]}]})"));
    }
    std::string Environment(const std::string& path) const {
        return "env -u WAYLAND_DISPLAY DISPLAY=:99 FAKE_CLIPBOARD=" + Quoted(clip) +
               " PATH=" + Quoted(path);
    }
    // The clipboard once it is not `now` any more, or `now` after five seconds.
    std::string ClipboardAfter(const std::string& now) {
        for (int i = 0; i < 100 && ReadFile(clip) == now; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return ReadFile(clip);
    }
    std::string clip;
};

TEST_F(Clip, CopiesAndClearsAfterTheTimeout) {
    const std::string path = (dir / "bin").string() + ":/usr/bin:/bin";
    Outcome copied = Run({"clip", db, "Bank", "--timeout", "1"}, "secret1\n", Environment(path));
    ASSERT_EQ(copied.exitCode, 0) << copied.err;
    EXPECT_EQ(ReadFile(clip), "pass word");
    EXPECT_EQ(ClipboardAfter("pass word"), "") << "cleared after the timeout";

    ASSERT_EQ(
        Run({"clip", db, "Bank", "login", "-t", "1"}, "secret1\n", Environment(path)).exitCode, 0);
    EXPECT_EQ(ReadFile(clip), "me");
    WriteFile(clip, "copied by the user meanwhile");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(ReadFile(clip), "copied by the user meanwhile") << "only our own value is cleared";
}

TEST_F(Clip, RefusesWithoutAToolOrAValue) {
    struct Case {
        std::vector<std::string> args;
        std::string path;
        std::string inError;
    };
    const std::string tools = (dir / "bin").string() + ":/usr/bin:/bin";
    const std::string none = (dir / "empty").string();
    const Case cases[] = {
        {{"clip", db, "Bank"}, none, "install wl-clipboard (Wayland), or xclip or xsel (X11)"},
        {{"clip", db, "Bank", "email"}, tools, "the email of \"Bank\" is empty"},
        {{"clip", db, "Bank", "pin"}, tools, "no field \"pin\""},
        {{"clip", db, "Folder"}, tools, "is a folder"},
    };
    for (const Case& c : cases) {
        WriteFile(clip, "untouched");
        Outcome outcome = Run(c.args, "secret1\n", Environment(c.path));
        EXPECT_NE(outcome.exitCode, 0) << c.args.back();
        EXPECT_NE(outcome.err.find(c.inError), std::string::npos) << outcome.err;
        EXPECT_EQ(ReadFile(clip), "untouched");
    }
}

// The clipboard's delay is the window's: 1 to 600 seconds (the window's 0,
// never, has no meaning for a command whose clearer holds the value).
TEST_F(Clip, TheTimeoutKeepsTheWindowsBounds) {
    struct Case {
        const char* timeout;
        bool accepted;
    };
    const Case cases[] = {
        {"1", true}, {"600", true}, {"0", false}, {"601", false}, {"86400", false}};
    // No tool on the path: an accepted timeout goes on to look for one.
    const std::string none = (dir / "empty").string();
    for (const Case& c : cases) {
        Outcome outcome =
            Run({"clip", db, "Bank", "-t", c.timeout}, "secret1\n", Environment(none));
        if (c.accepted) {
            EXPECT_NE(outcome.err.find("no clipboard tool found"), std::string::npos)
                << c.timeout << ": " << outcome.err;
        } else {
            EXPECT_EQ(outcome.exitCode, 2) << c.timeout;
            EXPECT_NE(outcome.err.find("the timeout is a whole number of seconds from 1 to 600."),
                      std::string::npos)
                << c.timeout << ": " << outcome.err;
        }
    }
}

// A display that cannot be reached: xclip exits at once without reading, so
// writing the value to it breaks the pipe. That must be a clear failure, not
// death by SIGPIPE (exit 141) without a word; it is a race, hence the rounds.
TEST_F(Clip, AnUnreachableDisplayIsAClearFailure) {
    fs::remove(dir / "bin" / "xclip");
    fs::create_symlink("/bin/false", dir / "bin" / "xclip");
    const std::string path = (dir / "bin").string() + ":/usr/bin:/bin";
    for (int round = 0; round < 15; ++round) {
        Outcome refused = Run({"clip", db, "Bank"}, "secret1\n", Environment(path));
        ASSERT_EQ(refused.exitCode, 1) << "round " << round;
        EXPECT_NE(refused.err.find("xclip could not take the text: is the display (:99) "
                                   "reachable?"),
                  std::string::npos)
            << refused.err;
    }
}

// A clipboard owner that never answers: the clearing process gives up after
// a bounded time (and with it its copy of the value) instead of waiting for
// ever with the secret in its memory.
TEST_F(Clip, TheClearerGivesUpOnAToolThatDoesNotAnswer) {
    const std::string pids = (dir / "paste.pid").string();
    WriteFile(dir / "bin" / "xclip", "#!/bin/sh\n"
                                     "case \" $* \" in\n"
                                     "  *\" -out \"*) echo $$ >> " +
                                         Quoted(pids) +
                                         "; exec sleep 600 ;;\n"
                                         "  *) cat > \"$FAKE_CLIPBOARD\" ;;\n"
                                         "esac\n");
    const std::string path = (dir / "bin").string() + ":/usr/bin:/bin";
    ASSERT_EQ(Run({"clip", db, "Bank", "-t", "1"}, "secret1\n", Environment(path)).exitCode, 0);
    for (int i = 0; i < 100 && ReadFile(pids).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const int paste = std::atoi(ReadFile(pids).c_str());
    ASSERT_GT(paste, 0) << "the clearer asked for the clipboard";
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) { // the bound is a few seconds
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gone = ::kill(paste, 0) != 0;
    }
    EXPECT_TRUE(gone) << "the unanswering paste was not given up";
    if (!gone) {
        ::kill(paste, SIGKILL);
    }
}

} // namespace
