// The JSON reader of the import: it reads what the JSON library reads, refuses
// by line and column without quoting what it read, stays within a small depth
// whatever the file, and leaves no password in the memory it frees.
#include "U_Keyvale_Import_Json.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {

TEST(ImportJson, ReadsWhatTheJsonLibraryReads) {
    const char* const documents[] = {
        R"({"items": [{"name": "a", "login": {"password": "p\"w\\x\/y"}}], "n": null})",
        R"( [1, -2, 0, 3.5, -0.25e-3, 1E+2, 18446744073709551615, -9223372036854775808] )",
        R"(["\u00e4\u20AC\ud83d\ude00", "Jürgen 😀", "\b\f\n\r\t", ""])",
        R"({"a": true, "b": false, "c": {}, "d": [], "e": [[[]]], "z": 1, "y": 2})",
        "\xEF\xBB\xBF{\"bom\": 1}",
        R"(99999999999999999999)",
    };
    for (const char* text : documents) {
        TJson document;
        ASSERT_EQ(ParseImportJson(text, document), "") << text;
        EXPECT_EQ(std::string(document.dump()), nlohmann::ordered_json::parse(text).dump()) << text;
    }
}

TEST(ImportJson, RefusalsNameLineAndColumnNeverTheTextRead) {
    const std::string deep(60000, '[');
    struct Case {
        const char* what;
        std::string text;
        std::string refusal; // the message begins so
    };
    const Case cases[] = {
        {"a backslash that starts no escape",
         "{\"items\": [\n  {\"password\": \"TopSecret-4711\\qrest\"}]}",
         "line 2, column 31: a backslash in a text in quotes starts no escape"},
        {"a raw line break in a text", "{\"password\": \"TopSecret-4711\nrest\"}",
         "line 1, column 29: a line break inside a text in quotes"},
        {"a control character in a text", "[\"TopSecret\t\"]",
         "line 1, column 12: a control character inside a text in quotes"},
        {"text that is not UTF-8", "[\"TopSecret\xC3(\"]",
         "line 1, column 12: the text is not UTF-8"},
        {"half a surrogate pair", "[\"TopSecret\\ud83d\"]",
         "line 1, column 12: a \\u escape stands for the first half"},
        {"a bad \\u", "[\"TopSecret\\u12G4\"]", "line 1, column 12: \\u in a text in quotes"},
        {"a text left open", "[\"TopSecret", "line 1, column 12: a text in quotes is not closed"},
        {"60,000 nested arrays", "{\"items\": [{\"name\": " + deep,
         "line 1, column 82: arrays and objects nest deeper than 64 levels"},
        {"nesting as the format", "{\"format\":" + deep,
         "line 1, column 74: arrays and objects nest deeper than 64 levels"},
        {"a member name given twice", "{\"password\": \"a\",\n \"password\": \"TopSecret\"}",
         "line 2, column 2: this member name stands twice"},
        {"a missing comma", "[1 2]", "line 1, column 4: expected \",\" or the \"]\""},
        {"a trailing comma", "{\"a\": 1,}", "line 1, column 9: expected a member name"},
        {"no colon", "{\"a\" 1}", "line 1, column 6: expected \":\""},
        {"a word that is none", "[nul]", "line 1, column 2: expected a value"},
        {"a number without digits", "[-]", "line 1, column 3: expected a digit"},
        {"a number out of range", "[1e999]", "line 1, column 2: the number is out of range"},
        {"text after the value", "{} TopSecret", "line 1, column 4: expected the end of the file"},
        {"nothing at all", "  ", "line 1, column 3: the file ends where a value"},
        {"columns count characters", "[\"äöü\", TopSecret]", "line 1, column 9: expected a value"},
    };
    for (const Case& c : cases) {
        TJson document;
        const std::string refusal = ParseImportJson(c.text, document);
        EXPECT_EQ(refusal.substr(0, c.refusal.size()), c.refusal) << c.what << ": " << refusal;
        EXPECT_EQ(refusal.find("TopSecret"), std::string::npos) << c.what << ": " << refusal;
        EXPECT_TRUE(document.is_null()) << c.what;
    }
    const auto nested = [](std::size_t depth) {
        return std::string(depth, '[') + std::string(depth, ']');
    };
    TJson document;
    EXPECT_EQ(ParseImportJson(nested(kMaximumJsonDepth), document), "");
    EXPECT_NE(ParseImportJson(nested(kMaximumJsonDepth + 1), document), "");
}

TEST(ImportJson, StopsPastTheMostValuesAnyExportHolds) {
    std::string text = "[";
    for (std::size_t i = 0; i < kMaximumJsonValues; ++i) {
        text += "0,";
    }
    TJson document;
    EXPECT_EQ(ParseImportJson(text + "0]", document).find("line 1, column "), 0u)
        << "the array itself is one value more";
    EXPECT_NE(ParseImportJson(text + "0]", document).find("more than 2000000 values"),
              std::string::npos);
    text.erase(text.size() - 3); // the array and 1,999,999 numbers
    EXPECT_EQ(ParseImportJson(text + "]", document), "");
}

TEST(ImportJson, StopsWhenAskedTo) {
    std::string text = "[";
    for (int i = 0; i < 10000; ++i) {
        text += "{},";
    }
    text += "{}]";
    std::atomic<bool> stop{true};
    TJson document;
    EXPECT_NE(ParseImportJson(text, document, &stop).find("cancelled"), std::string::npos);
    stop = false;
    EXPECT_EQ(ParseImportJson(text, document, &stop), "");
}

// A mapping of its own, left out of the search: the password, the file's
// text and the search's buffer live here and nowhere else.
struct TScratch {
    static constexpr std::size_t kSize = 2 << 20;
    static constexpr std::size_t kBufferStart = 64 << 10;
    char* base = static_cast<char*>(
        mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ~TScratch() { munmap(base, kSize); }
    bool Holds(std::uintptr_t start, std::uintptr_t end) const {
        const auto at = reinterpret_cast<std::uintptr_t>(base);
        return start < at + kSize && at < end;
    }
};

// Counts the copies of `needle` in every private writable mapping of the
// process but the scratch one, reading memory through /proc/self/mem.
int CopiesInMemory(const TScratch& scratch, const char* needle, std::size_t length) {
    std::ifstream maps("/proc/self/maps");
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> ranges;
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::string range, perms;
        fields >> range >> perms;
        const std::uintptr_t start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        const std::uintptr_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        // The sanitizers' shadow memory is huge and never holds text.
        if (perms.substr(0, 2) == "rw" && perms[3] == 'p' && !scratch.Holds(start, end) &&
            end - start <= (std::uintptr_t{1} << 30)) {
            ranges.emplace_back(start, end);
        }
    }
    const int memory = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    char* buffer = scratch.base + TScratch::kBufferStart;
    const std::size_t bufferSize = TScratch::kSize - TScratch::kBufferStart;
    int copies = 0;
    for (const auto& [start, end] : ranges) {
        // Chunks overlap by the needle's length less one; a hit counts in
        // the chunk where it starts.
        for (std::uintptr_t at = start; at < end;) {
            const std::size_t want = std::min<std::size_t>(bufferSize, end - at);
            const ssize_t got = pread(memory, buffer, want, static_cast<off_t>(at));
            if (got < static_cast<ssize_t>(length)) {
                break;
            }
            const auto size = static_cast<std::size_t>(got);
            const bool last = at + size >= end;
            const std::size_t own = last ? size : size - (length - 1);
            for (std::size_t i = 0; i < own && i + length <= size; ++i) {
                copies += std::memcmp(buffer + i, needle, length) == 0 ? 1 : 0;
            }
            at += own;
        }
    }
    close(memory);
    return copies;
}

TEST(ImportJson, FreedDocumentLeavesNoPasswordInMemory) {
    TScratch scratch;
    ASSERT_NE(scratch.base, MAP_FAILED);
    char* password = scratch.base;
    const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    std::uint64_t seed = static_cast<std::uint64_t>(getpid()) * 0x9E3779B97F4A7C15u ^
                         static_cast<std::uint64_t>(time(nullptr));
    const std::size_t length = 40;
    for (std::size_t i = 0; i < length; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        password[i] = alphabet[(seed >> 33) % (sizeof alphabet - 1)];
    }
    char* text = scratch.base + 1024;
    std::size_t textSize = 0;
    const auto append = [&](const char* part, std::size_t size) {
        std::memcpy(text + textSize, part, size);
        textSize += size;
    };
    const char before[] = R"({"items": [{"login": {"password": ")";
    const char after[] = R"("}, "fields": [{"value": "x"}]}]})";
    append(before, sizeof before - 1);
    append(password, length);
    append(after, sizeof after - 1);
    {
        TJson document;
        ASSERT_EQ(ParseImportJson(std::string_view(text, textSize), document), "");
        const TJson& read = document["items"][0]["login"]["password"];
        ASSERT_TRUE(std::string_view(read.get_ref<const TWipedString&>()) ==
                    std::string_view(password, length));
    }
    // The second half alone: the start of a freed block may hold the
    // allocator's own bookkeeping.
    EXPECT_EQ(CopiesInMemory(scratch, password + length / 2, length / 2), 0);
}

} // namespace
