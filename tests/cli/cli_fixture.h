// Runs the built keyvale-cli as a script would: arguments, piped standard
// input, and the output, errors and exit code read back.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace cli_test {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

const std::string kWrongPassword = "Error! Wrong password. Cannot open database file. This file "
                                   "is encrypted by another password.";

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "keyvale_cli_XXXXXX").string();
        dir = mkdtemp(pattern.data());
        db = (dir / "test.kvdb").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs keyvale-cli with the arguments, feeding `input` on standard input.
    // `environment` goes before the program ("env -i PATH=..."); `output`
    // replaces where standard output goes (">/dev/full", ">&-").
    Outcome Run(const std::vector<std::string>& args, const std::string& input = "",
                const std::string& environment = "", const std::string& output = "") {
        WriteFile(dir / "stdin", input);
        fs::remove(dir / "stdout");
        std::string command = environment + " " + Quoted(KEYVALE_CLI);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " <" + Quoted((dir / "stdin").string()) + " " +
                   (output.empty() ? ">" + Quoted((dir / "stdout").string()) : output) + " 2>" +
                   Quoted((dir / "stderr").string());
        int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = ReadFile(dir / "stdout");
        outcome.err = ReadFile(dir / "stderr");
        return outcome;
    }

    // A database made by import from the JSON, under password "secret1".
    void Import(const Json& document) {
        WriteFile(dir / "in.json", document.dump());
        Outcome made = Run({"import", (dir / "in.json").string(), db}, "secret1\nsecret1\n");
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    fs::path dir;
    std::string db;
};

} // namespace cli_test
