// keyvale-cli import from other programs and export to them, as a user
// moving in and out runs them: into an existing database through the
// session, with a preview, refusals that keep the export around, and round
// trips through every export format.
#include "cli_fixture.h"

#include <sys/stat.h>

namespace {

using namespace cli_test;

const Json kTree = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "example.org", "record": {"login": "ann", "password": "p,a\"ss",
      "email": "ann@example.org", "url": "https://example.org", "note": "line 1\nline 2"}},
    {"name": "Old accounts"},
    {"name": "a/b", "children": [
      {"name": "Jürgen 😀", "record": {"login": "bob@example.org", "password": "pä ss",
        "email": "", "url": "", "note": ""}}]},
    {"name": "\\\\server\\share", "children": [
      {"name": "example.org", "record": {"login": "ann", "password": "p,a\"ss",
        "email": "ann@example.org", "url": "https://example.org", "note": "another note"}}]},
    {"name": "copy", "record": {"login": "ann", "password": "p,a\"ss",
      "email": "ann@example.org", "url": "https://example.org", "note": "line 1\nline 2"}}]},
  {"name": "Bank", "record": {"login": "x", "password": "y", "email": "", "url": "https://bank.example",
    "note": ""}}]})");

const std::string kChrome = "name,url,username,password,note\r\n"
                            "Shop,https://shop.example,eve,pw1,\r\n"
                            ",https://bank.example/login,x,y,\r\n" // Bank's login elsewhere
                            ",https://new.example,carl@example.org,pw2,\"two\r\nlines\"\r\n" +
                            std::string(201, 'n') + ",,a,b,\r\n";

TEST_F(Cli, ImportIntoAnExistingDatabasePreviewsThenAddsThroughTheSession) {
    Import(kTree);
    const std::string before = ReadFile(db);
    WriteFile(dir / "chrome.csv", kChrome);
    const std::string source = (dir / "chrome.csv").string();

    Outcome preview = Run({"import", "--dry-run", source, db}, "secret1\n");
    EXPECT_EQ(preview.exitCode, 1) << "the status the import will have";
    EXPECT_NE(preview.err.find("1 entry would not be imported"), std::string::npos) << preview.err;
    EXPECT_EQ(ReadFile(db), before) << "a dry run changes nothing";
    Outcome json = Run({"import", "-n", "--json", source, db}, "secret1\n");
    Json report = Json::parse(json.out);
    // The row for bank.example has Bank's login and password, but another
    // name, URL and place: a record of its own, not a duplicate.
    EXPECT_EQ(report["records"], 3);
    EXPECT_EQ(report["folders"], 1);
    EXPECT_EQ(report["duplicates"], 0);
    EXPECT_EQ(report["refused"],
              Json::array({{{"where", "line 6"},
                            {"reason", "its name has 201 characters where 200 fit (as the window "
                                       "counts them: an emoji or another character beyond "
                                       "U+FFFF counts as two)"}}}));
    EXPECT_EQ(ReadFile(db), before);

    Outcome imported = Run({"import", source, db}, "secret1\n");
    EXPECT_EQ(imported.exitCode, 1) << "a refused row must stop `import ... && rm ...`";
    EXPECT_EQ(imported.err.find("would not be imported"), std::string::npos);
    for (const Outcome* outcome : {&preview, &imported}) {
        EXPECT_NE(outcome->out.find(" 3 records and 1 folder from Chrome into \"" +
                                    std::string("Imported from Chrome ")),
                  std::string::npos)
            << outcome->out;
        EXPECT_NE(outcome->out.find("  line 6: its name has 201 characters where 200 fit"),
                  std::string::npos);
    }
    EXPECT_NE(imported.err.find("keep " + source), std::string::npos) << imported.err;
    EXPECT_TRUE(fs::exists(dir / "Keyvale_Backup")) << "opened as every change opens it";

    Outcome shop = Run({"ls", db}, "secret1\n");
    const std::size_t folder =
        shop.out.find("folder\tMail\nrecord\tBank\nfolder\tImported from Chrome ");
    ASSERT_NE(folder, std::string::npos) << shop.out;
    const std::size_t name = shop.out.find("Imported from Chrome ", folder);
    const std::string top = shop.out.substr(name, shop.out.find('\n', name) - name);
    Outcome list = Run({"ls", "-R", db}, "secret1\n");
    EXPECT_NE(list.out.find("record\t" + top + "/bank.example\n"), std::string::npos) << list.out;

    // Everything a second time into that folder: each entry is there
    // already and named, nothing to save, and the export may go.
    WriteFile(dir / "chrome.csv", kChrome.substr(0, kChrome.rfind(std::string(201, 'n'))));
    const std::string once = ReadFile(db);
    Outcome dryAgain = Run({"import", "-n", "--json", "--folder", top, source, db}, "secret1\n");
    Json again = Json::parse(dryAgain.out);
    EXPECT_EQ(again["duplicates"], 3);
    EXPECT_EQ(again["skipped"].size(), 3u);
    Outcome repeated = Run({"import", "--folder", top, source, db}, "secret1\n");
    EXPECT_EQ(repeated.exitCode, 0) << repeated.err;
    EXPECT_NE(repeated.out.find("Skipped 3 entries:\n  lines 2 to 4: a record of this name with "
                                "the same fields is there already\n"),
              std::string::npos)
        << repeated.out;
    EXPECT_NE(repeated.err.find("delete it once you no longer need it"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "chrome.csv")) << "reminded, never deleted";
    EXPECT_EQ(ReadFile(db), once);

    Outcome wrong = Run({"import", source, db}, "secret2\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(ReadFile(db), once);
}

TEST_F(Cli, ImportJsonReportIsAloneOnStandardOutput) {
    const std::string source = (dir / "chrome.csv").string();
    for (const bool existing : {false, true}) {
        WriteFile(source, "name,url,username,password\nShop,https://s.example,eve," +
                              std::string(existing ? "pw2" : "pw1") + "\n");
        Outcome outcome =
            Run({"import", "--json", "--folder", existing ? "Again" : "/", source, db},
                existing ? "secret1\n" : "secret1\nsecret1\n");
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_NO_THROW(EXPECT_EQ(Json::parse(outcome.out)["records"], 1)) << outcome.out;
        EXPECT_NE(outcome.err.find("Database saved"), std::string::npos) << outcome.err;
    }
}

// A refusal of the JSON reader names where it stopped and what it expected,
// never the text it read, which may be a password.
TEST_F(Cli, ImportRefusalsShowNoTextOfTheFile) {
    WriteFile(dir / "bad.json",
              "{\"items\": [\n {\"login\": {\"password\": \"TopSecret-4711\\qrest\"}}]}");
    WriteFile(dir / "deep.json", "{\"items\": [{\"name\": " + std::string(60000, '[') + "]}");
    const std::pair<std::string, std::string> cases[] = {
        {"bad.json", "line 2, column 40: a backslash in a text in quotes starts no escape"},
        {"deep.json", "line 1, column 82: arrays and objects nest deeper than 64 levels"},
    };
    for (const auto& [file, refusal] : cases) {
        Outcome outcome = Run({"import", (dir / file).string(), db}, "secret1\nsecret1\n");
        EXPECT_EQ(outcome.exitCode, 1) << file;
        EXPECT_NE(outcome.err.find(refusal), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("TopSecret"), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(db));
    }
}

TEST_F(Cli, EveryExportFormatImportsBackToTheSameTree) {
    Import(kTree);
    const std::string original = Run({"export", db}, "secret1\n").out;
    for (const std::string format : {"csv", "bitwarden-json", "keyvale-json"}) {
        const std::string out = (dir / ("out." + format)).string();
        Outcome exported = Run({"export", "--format", format, "-o", out, db}, "secret1\n");
        ASSERT_EQ(exported.exitCode, 0) << format << exported.err;
        struct stat info {};
        ASSERT_EQ(stat(out.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << format;

        const std::string copy = (dir / ("copy-" + format + ".kvdb")).string();
        Outcome imported = Run({"import", "--folder", "/", out, copy}, "other11\nother11\n");
        ASSERT_EQ(imported.exitCode, 0) << format << imported.err;
        EXPECT_EQ(Run({"export", copy}, "other11\n").out, original) << format;
    }
}

// What the import leaves out is named, and whether the export may go follows
// from it: a skipped entry is not lost, a note without added lines is.
TEST_F(Cli, ImportNamesWhatItLeftOutAndKeepsTheExportWhenSomethingIsMissing) {
    struct Case {
        const char* file;
        std::string text;
        int exitCode;
        std::string inOut;
        std::string inErr;
    };
    const Case cases[] = {
        {"firefox.csv",
         "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
         "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\r\n"
         "\"https://shop.example\",\"eve\",\"pw\",,\"https://shop.example\",\"{1}\",,,\r\n"
         "\"chrome://FirefoxAccounts\",\"eve@example.org\",\"{}\",\"Firefox Accounts "
         "credentials\",,\"{2}\",,,\r\n",
         0, "Skipped 1 entry:\n  line 3: Firefox's sign-in to its own account", "delete it once"},
        {"bitwarden.json",
         R"({"encrypted": false, "items": [{"type": 1, "name": "Full", "notes": ")" +
             std::string(7995, 'x') +
             R"(", "login": {"username": "ann", "password": "pw", "totp": "JBSWY3DP"}}]})",
         1,
         "1 entry without some lines the import adds to the note:\n  item 1 \"Full\": its note "
         "keeps the source's text; the line \"TOTP\" the import adds was left out",
         "1 entry was imported without some lines of the note (listed above); keep "},
    };
    for (const Case& c : cases) {
        WriteFile(dir / c.file, c.text);
        const std::string target = (dir / (std::string(c.file) + ".kvdb")).string();
        Outcome outcome = Run({"import", (dir / c.file).string(), target}, "secret1\nsecret1\n");
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.file << outcome.err;
        EXPECT_NE(outcome.out.find(c.inOut), std::string::npos) << outcome.out;
        EXPECT_NE(outcome.err.find(c.inErr), std::string::npos) << outcome.err;
    }
}

TEST_F(Cli, ImportAndExportRefuseWhatTheyCannotDo) {
    WriteFile(dir / "chrome.csv", kChrome);
    WriteFile(dir / "odd.csv", "a,b\n1,2\n");
    const std::string source = (dir / "chrome.csv").string();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string inError;
    };
    const Case cases[] = {
        {{"import", "--format", "lastpass", source, db}, 2, "unknown format \"lastpass\""},
        {{"import", "--map", "user=Name", source, db}, 2, "--map: \"user\" is no field"},
        {{"import", "--folder", "a\\", source, db}, 2, "--folder"},
        {{"import", (dir / "odd.csv").string(), db}, 1, "expected a CSV export of Chrome"},
        {{"import", "--format", "firefox", source, db}, 1, "does not read as Firefox's"},
        {{"export", "--format", "xml", db}, 2, "unknown format \"xml\""},
    };
    for (const Case& c : cases) {
        Outcome outcome = Run(c.args, "secret1\nsecret1\n");
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.args[1] << " " << outcome.err;
        EXPECT_NE(outcome.err.find(c.inError), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(db));
    }
}

} // namespace
