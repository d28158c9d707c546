// The database commands of keyvale-cli, run as a script would run them:
// passwords piped in one per line, results read from the output and exit code.
#include "cli_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace cli_test;

// Everything the format can hold: folders, records, empty nodes, blanks that
// must survive, non-ASCII text in and outside the Basic Multilingual Plane.
const Json kSample = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "example.org", "record": {"login": "ann", "password": " s3cret ",
      "email": "ann@example.org", "url": "https://example.org", "note": "line 1\nline 2"}},
    {"name": "Old accounts"},
    {"name": "Deeper", "children": [
      {"name": "Jürgen 😀", "record": {"login": "", "password": "pä ss", "email": "",
        "url": "", "note": ""}}]}]},
  {"name": "https://a/b", "record": {"login": "x", "password": "y", "email": "z",
    "url": "u", "note": "n"}},
  {"name": "Empty at the root"}]})");

TEST_F(Cli, CreateCheckAndPasswordRules) {
    Outcome created = Run({"create", db}, "secret1\nsecret1\n");
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(created.out, "Database saved: " + db + "\n");

    Outcome ok = Run({"check", db}, "secret1\n");
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "OK: main password accepted\n");

    Outcome wrong = Run({"check", db}, "secret2\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.err.rfind("keyvale-cli check: " + kWrongPassword, 0), 0u) << wrong.err;

    Outcome again = Run({"create", db}, "secret1\nsecret1\n");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;

    std::string other = (dir / "other.kvdb").string();
    const std::pair<const char*, const char*> refused[] = {
        {"secret1\nsecret2\n", "does not match"},
        {"abcd\nabcd\n", "too short"},
        {"secret1\n", "twice"},
    };
    for (const auto& [input, reason] : refused) {
        Outcome outcome = Run({"create", other}, input);
        EXPECT_EQ(outcome.exitCode, 1) << input;
        EXPECT_NE(outcome.err.find(reason), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(other)) << "no file after a refusal";
    }
}

TEST_F(Cli, FailuresHaveClearMessagesAndExitCodes) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string inError;
    };
    const std::string missing = (dir / "missing.kvdb").string();
    const Case cases[] = {
        {{"check", missing}, 1, "[" + missing + "]. No such file or directory."},
        {{"check"}, 2, "Usage: keyvale-cli check FILE"},
        {{"ls", missing, "a", "b"}, 2, "unexpected argument \"b\""},
        {{"create", (dir / "a?b.kvdb").string()}, 2, "not acceptable"},
        {{"create", (dir / "no/such/folder/x.kvdb").string()}, 1, "No such file or directory"},
        {{"import", (dir / "none.json").string(), db}, 1, "cannot read"},
        {{"import", dir.string(), db}, 1, "It is a directory."},
        {{"digest", dir.string()}, 1, "It is a directory."},
        {{"check", dir.string()}, 1, "It is a directory."},
    };
    for (const Case& c : cases) {
        Outcome outcome = Run(c.args, "secret1\nsecret1\n");
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.args[0] << " " << outcome.err;
        EXPECT_NE(outcome.err.find(c.inError), std::string::npos) << outcome.err;
    }
    // Random bytes past the smallest size pass every check but the password's:
    // the message says that the file may be no database at all.
    std::string noise(50000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919 + i / 13) & 0xff);
    }
    WriteFile(db, noise);
    for (const char* command : {"ls", "rm"}) {
        Outcome random = Run({command, db, "x"}, "secret1\n");
        EXPECT_EQ(random.exitCode, 1);
        EXPECT_EQ(random.err, std::string("keyvale-cli ") + command + ": " + kWrongPassword +
                                  " If the password is right, the file is damaged or no Keyvale "
                                  "database.\n");
    }
    if (geteuid() != 0) { // root reads every file
        chmod(db.c_str(), 0);
        Outcome unreadable = Run({"ls", db}, "secret1\n");
        EXPECT_NE(unreadable.err.find("Permission denied."), std::string::npos) << unreadable.err;
        chmod(db.c_str(), 0600);
    }
    WriteFile(db, std::string(1500, 'x'));
    Outcome damaged = Run({"ls", db}, "secret1\n");
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("too short to be a Keyvale database (1500 bytes"), std::string::npos)
        << damaged.err;
}

TEST_F(Cli, ExportImportExportGivesTheSameJson) {
    Import(kSample);
    Outcome first = Run({"export", db}, "secret1\n");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(Json::parse(first.out), kSample);

    WriteFile(dir / "first.json", first.out);
    std::string copy = (dir / "copy.kvdb").string();
    ASSERT_EQ(Run({"import", (dir / "first.json").string(), copy}, "other11\nother11\n").exitCode,
              0);
    Outcome second = Run({"export", copy}, "other11\n");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, first.out);
}

TEST_F(Cli, LsShowAndSearch) {
    Import(kSample);
    Outcome roots = Run({"ls", db}, "secret1\n");
    EXPECT_EQ(roots.out, "folder\tMail\nrecord\thttps:\\/\\/a\\/b\nempty\tEmpty at the root\n");
    Outcome mail = Run({"ls", db, "Mail"}, "secret1\n");
    EXPECT_EQ(mail.out, "record\texample.org\nempty\tOld accounts\nfolder\tDeeper\n");
    Outcome missing = Run({"ls", db, "Mail/nothing"}, "secret1\n");
    EXPECT_EQ(missing.exitCode, 1);

    Outcome masked = Run({"show", db, "Mail/example.org"}, "secret1\n");
    ASSERT_EQ(masked.exitCode, 0) << masked.err;
    EXPECT_EQ(masked.out.find("s3cret"), std::string::npos) << "masked by default";
    EXPECT_NE(masked.out.find("Login:    ann\n"), std::string::npos) << masked.out;
    Outcome shown = Run({"show", db, "Mail/example.org", "--show-password"}, "secret1\n");
    EXPECT_EQ(shown.out, "Login:    ann\n"
                         "Password:  s3cret \n"
                         "E-Mail:   ann@example.org\n"
                         "URL:      https://example.org\n"
                         "Note:     line 1\n"
                         "          line 2\n");
    Outcome slash = Run({"show", db, "https:\\/\\/a\\/b", "--show-password"}, "secret1\n");
    EXPECT_NE(slash.out.find("Password: y\n"), std::string::npos) << "a name may hold a slash";
    EXPECT_EQ(Run({"show", db, "Mail"}, "secret1\n").exitCode, 1) << "a folder has no fields";

    Outcome found = Run({"search", db, "OLD"}, "secret1\n");
    EXPECT_EQ(found.out, "Mail/Old accounts\n");
    Outcome lower = Run({"search", db, "e"}, "secret1\n");
    EXPECT_EQ(lower.out,
              "Mail/example.org\nMail/Deeper\nMail/Deeper/Jürgen 😀\nEmpty at the root\n");
}

TEST_F(Cli, PasswdRewritesUnderTheNewPassword) {
    Import(kSample);
    Outcome changed = Run({"passwd", db}, "secret1\nnewpass1\nnewpass1\n");
    ASSERT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_NE(changed.out.find("Main password of your database has been changed."),
              std::string::npos);
    EXPECT_EQ(Run({"check", db}, "secret1\n").exitCode, 1);
    Outcome exported = Run({"export", db}, "newpass1\n");
    ASSERT_EQ(exported.exitCode, 0);
    EXPECT_EQ(Json::parse(exported.out), kSample);

    std::string before = ReadFile(db);
    Outcome mismatch = Run({"passwd", db}, "newpass1\nthird11\nthird12\n");
    EXPECT_EQ(mismatch.exitCode, 1);
    EXPECT_EQ(ReadFile(db), before) << "a refused change leaves the file as it was";
}

TEST_F(Cli, ImportRejectsWhatBreaksTheTreeNamingTheNode) {
    const auto withNodes = [](Json nodes) {
        return Json{{"format", "keyvale"}, {"version", 1}, {"nodes", std::move(nodes)}};
    };
    Json deep = Json{{"name", "L15"}};
    for (int level = 14; level >= 0; --level) {
        deep = Json{{"name", "L" + std::to_string(level)}, {"children", Json::array({deep})}};
    }
    Json tooDeep = deep;
    Json* last = &tooDeep;
    while (last->contains("children")) {
        last = &(*last)["children"][0];
    }
    (*last)["children"] = Json::array({Json{{"name", "L16"}}});
    Json many = Json::array();
    for (int i = 0; i < 5001; ++i) {
        many.push_back(
            Json{{"name", "r" + std::to_string(i)},
                 {"record",
                  {{"login", "a"}, {"password", ""}, {"email", ""}, {"url", ""}, {"note", ""}}}});
    }
    const Json record = {{"login", ""}, {"password", ""}, {"email", ""}, {"url", ""}, {"note", ""}};
    Json longNote = record;
    longNote["note"] = std::string(8001, 'n');

    struct Case {
        const char* what;
        Json document;
        std::string inError;
    };
    const Case cases[] = {
        {"deepest allowed level", withNodes(Json::array({deep})), ""},
        {"level 16", withNodes(Json::array({tooDeep})), "node \"L0/L1/L2/L3/L4/L5/L6/L7/L8/L9/"},
        {"name of 201", withNodes(Json::array({Json{{"name", std::string(201, 'x')}}})),
         "201 characters where 200 fit"},
        {"empty name",
         withNodes(
             Json::array({Json{{"name", "ok"}, {"children", Json::array({Json{{"name", ""}}})}}})),
         "node 1 under \"ok\""},
        {"leading blank", withNodes(Json::array({Json{{"name", " x"}}})), "begins with a space"},
        {"line break", withNodes(Json::array({Json{{"name", "a\nb"}}})), "line break"},
        {"both kinds",
         withNodes(Json::array({Json{{"name", "b"},
                                     {"children", Json::array({Json{{"name", "c"}}})},
                                     {"record", record}}})),
         "not both"},
        {"empty children",
         withNodes(Json::array({Json{{"name", "e"}, {"children", Json::array()}}})), ""},
        {"missing fields are empty",
         withNodes(Json::array({Json{{"name", "m"}, {"record", {{"login", "a"}}}}})), ""},
        {"line break in a login",
         withNodes(Json::array({Json{{"name", "a/b"}, {"record", {{"login", "x\nLogin: y"}}}}})),
         "node \"a\\/b\": its login holds a line break"},
        {"line break in a password",
         withNodes(Json::array({Json{{"name", "p"}, {"record", {{"password", "x\ry"}}}}})),
         "its password holds a line break"},
        {"line break in a URL",
         withNodes(Json::array({Json{{"name", "u"}, {"record", {{"url", "x\n"}}}}})),
         "its url holds a line break"},
        {"a field that is no text",
         withNodes(Json::array({Json{{"name", "t"}, {"record", {{"email", 5}}}}})),
         "\"email\" is not a text"},
        {"long note", withNodes(Json::array({Json{{"name", "n"}, {"record", longNote}}})),
         "8001 characters where 8000 fit"},
        {"too many nodes", withNodes(many), "more than 10000 nodes"},
        {"wrong format", Json{{"format", "other"}, {"version", 1}, {"nodes", Json::array()}},
         "not a Keyvale export"},
    };
    int index = 0;
    for (const Case& c : cases) {
        std::string target = (dir / ("case" + std::to_string(index++) + ".kvdb")).string();
        WriteFile(dir / "in.json", c.document.dump());
        Outcome outcome = Run({"import", (dir / "in.json").string(), target}, "secret1\nsecret1\n");
        if (std::string(c.inError).empty()) {
            EXPECT_EQ(outcome.exitCode, 0) << c.what << ": " << outcome.err;
            continue;
        }
        EXPECT_EQ(outcome.exitCode, 1) << c.what;
        EXPECT_NE(outcome.err.find(c.inError), std::string::npos) << c.what << ": " << outcome.err;
        EXPECT_FALSE(fs::exists(target)) << c.what;
    }

    WriteFile(dir / "in.json", "{not json");
    EXPECT_EQ(Run({"import", (dir / "in.json").string(), db}, "secret1\nsecret1\n").exitCode, 1);
    WriteFile(db, "keep me");
    WriteFile(dir / "in.json", kSample.dump());
    Outcome existing = Run({"import", (dir / "in.json").string(), db}, "secret1\nsecret1\n");
    EXPECT_EQ(existing.exitCode, 1);
    EXPECT_EQ(ReadFile(db), "keep me") << "an existing file is never overwritten";
}

} // namespace
