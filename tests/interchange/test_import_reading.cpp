// Reading an export from disk and telling what it is: files that are no
// export are named as what they are, hostile shapes end in a refusal (never a
// crash, a hang or gigabytes), and no refusal shows the text it read.
#include "import_fixture.h"
#include "temp_dir.h"

#include <sys/stat.h>

#include <chrono>

namespace {

std::vector<std::string> Refusals(const TImportPlan& plan) {
    std::vector<std::string> lines;
    for (const TImportRefusal& refusal : plan.refused) {
        lines.push_back(refusal.where + ": " + refusal.reason);
    }
    return lines;
}

TEST(ImportReading, FilesThatAreNoTextExportAreNamed) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"PK\x03\x04\x14\x00\x00\x00"s, "it is a ZIP archive, not a text export"},
        {"\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5"s, "it is a KeePass database, not a text export; "
                                              "export it from KeePassXC as CSV"},
        {"\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR"s, "it is a PNG image, not a text export; "
                                                   "expected a text export: CSV from Chrome"},
        {"\xFF\xD8\xFF\xE0\x00\x10JFIF"s, "it is a JPEG image"},
        {"SQLite format 3\x00"s, "it is an SQLite database (a browser's own store)"},
        {"\xFF\xFEn\x00"s, "it is UTF-16 text, not a text export; save the file as UTF-8"},
        {"name,url,username,password\nx,y,z,pass\x00word\n"s,
         "it is no text file (line 2 holds a NUL byte"},
    };
    for (const auto& [text, refusal] : cases) {
        TImportData data;
        EXPECT_EQ(ReadImportData(text, TImportFormat::Detect, {}, data).substr(0, refusal.size()),
                  refusal)
            << refusal;
    }
}

TEST(ImportReading, CsvRowsAreRefusedOrTakenAsBrowsersReadThem) {
    TKeyvaleTree tree;
    const TImportRun run = RunImport(tree, "name,url,username,password,note\n"
                                           "A,https://a.example,ann,\"pa\"ss\",\n"
                                           "B,https://b.example,bob,\"x\\\"y\",\n"
                                           "C,https://c.example,carl,pw\n" // no note value
                                           "D,https://d.example,dan,pw,n,extra\n");
    ASSERT_EQ(run.readError, "");
    const std::vector<std::string> refused = Refusals(run.plan);
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0].rfind("line 2: a quote inside a quoted value ends it early", 0), 0u);
    EXPECT_EQ(refused[1].substr(0, 7), "line 3:");
    EXPECT_EQ(refused[2].substr(0, 7), "line 5:");
    EXPECT_EQ(run.plan.records, 1);
    const std::string top = "Imported from Chrome " + std::string(kImportDate);
    EXPECT_EQ(Contents(tree)[1], top + "/C | carl | pw |  | https://c.example | ");
}

TEST(ImportReading, ReadingStopsPastWhatADatabaseCanTake) {
    // 64 MiB of such rows once took 7 GB and half a minute.
    std::string csv = "name,url,username,password\n";
    for (int i = 0; i < 30000; ++i) {
        csv += "a,,,\n";
    }
    TImportData data;
    ASSERT_EQ(ReadImportData(csv, TImportFormat::Detect, {}, data), "");
    ASSERT_EQ(data.entries.size(), kMaximumNodeCount + 1);
    EXPECT_EQ(data.entries.back().where, "line " + std::to_string(kMaximumNodeCount + 2));
    EXPECT_NE(data.entries.back().problem.find("reading stopped here"), std::string::npos);

    std::string json = R"({"items": [)";
    for (int i = 0; i < 30000; ++i) {
        json += R"({"type": 2},)";
    }
    json += "{}]}";
    ASSERT_EQ(ReadImportData(json, TImportFormat::Detect, {}, data), "");
    ASSERT_EQ(data.entries.size(), kMaximumNodeCount + 1);
    EXPECT_EQ(data.entries.back().where, "item " + std::to_string(kMaximumNodeCount + 1));
}

TEST(ImportReading, HostileJsonIsRefusedWithoutCrashOrPassword) {
    const std::string deep(60000, '[');
    struct Case {
        const char* what;
        std::string text;
        std::string readError; // the file is refused so, or
        std::string refused;   // its one item so
    };
    const Case cases[] = {
        {"a name of 60,000 nested arrays", R"({"items": [{"name": )" + deep, "line 1, column 82",
         ""},
        {"a format of nested arrays", R"({"format":)" + deep, "line 1, column 74", ""},
        {"a bad escape in a password",
         R"({"items": [{"login": {"password": "TopSecret-4711\qrest"}}]})",
         "it is no valid JSON: line 1, column 50: a backslash in a text in quotes", ""},
        {"a raw line break in a password",
         "{\"items\": [{\"login\": {\"password\": \"TopSecret-4711\nrest\"}}]}",
         "it is no valid JSON: line 1, column 50: a line break inside a text in quotes", ""},
        {"a name that is an array", R"({"items": [{"name": [[["TopSecret"]]]}]})", "",
         "item 1: its \"name\" is an array where a text was expected"},
        {"a password that is an object",
         R"({"items": [{"login": {"password": {"TopSecret": 1}}}]})", "",
         "item 1: its \"password\" is an object where a text was expected"},
        {"a favorite that is text", R"({"items": [{"name": "x", "favorite": "yes"}]})", "", ""},
    };
    for (const Case& c : cases) {
        TKeyvaleTree tree;
        const TImportRun run = RunImport(tree, c.text);
        EXPECT_NE(run.readError.find(c.readError), std::string::npos)
            << c.what << ": " << run.readError;
        EXPECT_EQ(run.readError.empty(), c.readError.empty()) << c.what;
        EXPECT_EQ(run.readError.find("TopSecret"), std::string::npos) << c.what;
        const std::vector<std::string> refused = Refusals(run.plan);
        EXPECT_EQ(refused.empty() ? "" : refused.front(), c.refused) << c.what;
    }
}

TEST(ImportReading, OnlyRegularFilesAreReadAndAFifoIsNotWaitedOn) {
    TempDir dir;
    const std::string fifo = dir.File("export.csv");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string content;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(ReadImportFile(fifo, content).find("It is not a regular file"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(ReadImportFile(dir.Path(), content), "It is a directory.");
    const std::string file = dir.File("real.csv");
    WriteTextFile(file, "a,b\n1,2\n");
    EXPECT_EQ(ReadImportFile(file, content), "");
    EXPECT_EQ(content, "a,b\n1,2\n");
}

} // namespace
