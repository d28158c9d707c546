// The writing commands: mkdir, add, edit, rm and mv change exactly what they
// name, keep the window's limits and drop rules, and write nothing when they
// refuse. Paths reach every node, whatever "/" and "\" its name holds.
#include "cli_fixture.h"

namespace {

using namespace cli_test;

// A folder "a" with a record "b/c" beside a folder "a/b" with a record "c":
// without escaping both would be "a/b/c".
const Json kSlashes = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "a", "children": [{"name": "b/c", "record": {"login": "first"}}]},
  {"name": "a/b", "children": [{"name": "c", "record": {"login": "second"}}]},
  {"name": "back\\slash", "record": {"login": "third"}}]})");

const Json kMail = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "example.org", "record": {"login": "ann", "password": "old pass",
      "email": "ann@example.org", "url": "https://example.org", "note": "n1\nn2"}},
    {"name": "Archive", "children": [{"name": "2019", "record": {"login": "x"}}]}]},
  {"name": "Bank", "record": {"login": "b"}}]})");

TEST_F(Cli, EveryNodeHasOnePathThatEveryCommandAccepts) {
    Import(kSlashes);
    const std::pair<const char*, const char*> reached[] = {
        {"a/b\\/c", "first\n"},
        {"a\\/b/c", "second\n"},
        {"/a\\/b/c/", "second\n"}, // a leading and a trailing "/" are accepted
        {"back\\\\slash", "third\n"},
    };
    for (const auto& [path, login] : reached) {
        Outcome shown = Run({"show", db, path, "-a", "login"}, "secret1\n");
        EXPECT_EQ(shown.out, login) << path << ": " << shown.err;
    }
    EXPECT_EQ(Run({"ls", db, "a/"}, "secret1\n").out, "record\tb\\/c\n");
    EXPECT_EQ(Run({"search", db, "/"}, "secret1\n").out, "a/b\\/c\na\\/b\n")
        << "each name holding a slash, each printed so that it leads back to it";
    EXPECT_EQ(
        Run({"ls", "-R", db}, "secret1\n").out,
        "folder\ta\nrecord\ta/b\\/c\nfolder\ta\\/b\nrecord\ta\\/b/c\nrecord\tback\\\\slash\n");
    Outcome json = Run({"ls", db, "a\\/b", "--json"}, "secret1\n");
    EXPECT_EQ(Json::parse(json.out),
              Json::parse(R"([{"kind": "record", "name": "c", "path": "a\\/b/c"}])"));

    Outcome bad = Run({"show", db, "a\\b"}, "secret1\n");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("is written \"\\\\\""), std::string::npos) << bad.err;
    Outcome none = Run({"search", db, "zzz"}, "secret1\n");
    EXPECT_EQ(none.exitCode, 1) << "no match is exit code 1, as with grep";
    EXPECT_EQ(none.err, "No folders found (zzz)\n");
}

TEST_F(Cli, AddEditAndShowARecord) {
    Import(kMail);
    WriteFile(dir / "note", "line 1\nline 2\n");
    Outcome added = Run({"add", db, "Mail/new\\/one", "--login", " bob ", "--url=https://x.org",
                         "--note-file", (dir / "note").string()},
                        "secret1\nrecord pass\n");
    ASSERT_EQ(added.exitCode, 0) << added.err;
    Outcome shown = Run({"show", db, "Mail/new\\/one", "--json", "--show-password"}, "secret1\n");
    EXPECT_EQ(Json::parse(shown.out), Json::parse(R"({"path": "Mail/new\\/one", "login": "bob",
        "password": "record pass", "email": "", "url": "https://x.org",
        "note": "line 1\nline 2"})"))
        << "stored as the record panel stores: login and note trimmed, password as typed";
    EXPECT_EQ(Json::parse(Run({"show", db, "Mail/example.org", "--json"}, "secret1\n").out)
                  .contains("password"),
              false)
        << "--json masks the password unless asked";

    Outcome edited =
        Run({"edit", db, "Mail/example.org", "--email", "new@example.org", "--name", "example.com"},
            "secret1\n");
    ASSERT_EQ(edited.exitCode, 0) << edited.err;
    Outcome after = Run({"show", db, "Mail/example.com", "--show-password"}, "secret1\n");
    EXPECT_EQ(after.out, "Login:    ann\n"
                         "Password: old pass\n"
                         "E-Mail:   new@example.org\n"
                         "URL:      https://example.org\n"
                         "Note:     n1\n"
                         "          n2\n")
        << "edit changes what it names and keeps the rest";

    Outcome generated = Run({"edit", db, "Bank", "--generate", "32"}, "secret1\n");
    ASSERT_EQ(generated.exitCode, 0) << generated.err;
    std::string password = Run({"show", db, "Bank", "-a", "password"}, "secret1\n").out;
    EXPECT_EQ(password.size(), 33u) << password;
    Outcome typed = Run({"edit", db, "Bank", "--password"}, "secret1\nnew secret\n");
    ASSERT_EQ(typed.exitCode, 0) << typed.err;
    EXPECT_EQ(Run({"show", db, "Bank", "-a", "password"}, "secret1\n").out, "new secret\n");
    EXPECT_EQ(Run({"show", db, "Bank", "-a", "login"}, "secret1\n").out, "b\n");

    // A backup copy of the file as it was opened, as the window makes one.
    EXPECT_TRUE(fs::exists(dir / "Keyvale_Backup" / "test.backup_kvdb"));
}

// An edit writes only the fields it names: an imported login with blanks
// around it (the record panel would trim it if it were typed) stays as it is.
TEST_F(Cli, EditKeepsTheFieldsItDoesNotName) {
    Import(Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
      {"name": "Shop", "record": {"login": "  bob  ", "note": "  spaced  "}}]})"));
    Outcome edited = Run({"edit", db, "Shop", "--email", "bob@example.org"}, "secret1\n");
    ASSERT_EQ(edited.exitCode, 0) << edited.err;
    EXPECT_EQ(Json::parse(Run({"show", db, "Shop", "--json"}, "secret1\n").out),
              Json::parse(R"({"path": "Shop", "login": "  bob  ", "email": "bob@example.org",
                  "url": "", "note": "  spaced  "})"));
}

TEST_F(Cli, MkdirRmAndMvFollowTheWindowsRules) {
    Import(kMail);
    ASSERT_EQ(Run({"mkdir", db, "Mail/Archive/2020"}, "secret1\n").exitCode, 0);
    ASSERT_EQ(Run({"mv", db, "Bank", "Mail/Archive/2020"}, "secret1\n").exitCode, 0);
    ASSERT_EQ(Run({"mv", db, "Mail/example.org", "/"}, "secret1\n").exitCode, 0);
    ASSERT_EQ(Run({"mv", db, "Mail/Archive", "Old"}, "secret1\n").exitCode, 0)
        << "a new name elsewhere moves and renames";
    EXPECT_EQ(Run({"ls", "-R", db}, "secret1\n").out,
              "empty\tMail\nrecord\texample.org\nfolder\tOld\nrecord\tOld/2019\n"
              "folder\tOld/2020\nrecord\tOld/2020/Bank\n");

    Outcome notEmpty = Run({"rm", db, "Old"}, "secret1\n");
    EXPECT_EQ(notEmpty.exitCode, 1);
    EXPECT_NE(notEmpty.err.find("-r deletes it"), std::string::npos);
    ASSERT_EQ(Run({"rm", db, "Old/2019"}, "secret1\n").exitCode, 0);
    ASSERT_EQ(Run({"rm", "-r", db, "Old"}, "secret1\n").exitCode, 0);
    EXPECT_EQ(Run({"ls", "-R", db}, "secret1\n").out, "empty\tMail\nrecord\texample.org\n");
}

TEST_F(Cli, RefusedChangesWriteNothing) {
    Json deep = Json{{"name", "L15"}};
    for (int level = 14; level >= 0; --level) {
        deep = Json{{"name", "L" + std::to_string(level)}, {"children", Json::array({deep})}};
    }
    Json document = kMail;
    document["nodes"].push_back(deep);
    Import(document);
    const std::string l15 = "L0/L1/L2/L3/L4/L5/L6/L7/L8/L9/L10/L11/L12/L13/L14/L15";

    struct Case {
        std::vector<std::string> args;
        std::string input;
        int exitCode;
        std::string inError;
    };
    const Case cases[] = {
        {{"mkdir", db, l15 + "/L16"}, "secret1\n", 1, "Nesting level too deep."},
        {{"mv", db, "Mail", "L0/L1/L2/L3/L4/L5/L6/L7/L8/L9/L10/L11/L12/L13"},
         "secret1\n",
         1,
         "Nesting level too deep."},
        {{"mv", db, "Mail", "Bank"},
         "secret1\n",
         1,
         "It is not allowed to add object to a record!"},
        {{"add", db, "Bank/x"}, "secret1\npw\n", 1, "It is not allowed to add object to a record!"},
        {{"mv", db, "Mail", "Mail/Archive"}, "secret1\n", 1, "its own subtree"},
        {{"mv", db, "Mail/Archive", "Mail"}, "secret1\n", 1, "there already"},
        {{"mkdir", db, "Mail/Archive"}, "secret1\n", 1, "exists already"},
        {{"mkdir", db, "Nowhere/x"}, "secret1\n", 1, "no folder \"Nowhere\""},
        {{"mkdir", db, " lead"}, "secret1\n", 2, "begins with a space"},
        {{"add", db, "R", "--login", "a\nLogin: forged"}, "secret1\npw\n", 2, "line break"},
        {{"add", db, "R", "--login", std::string(256, 'x')},
         "secret1\npw\n",
         2,
         "more than 255 characters"},
        {{"add", db, "R"}, "secret1\n", 1, "no password given"},
        {{"edit", db, "Mail", "--login", "x"}, "secret1\n", 1, "is a folder"},
        {{"edit", db, "Bank", "--password", "--generate"}, "secret1\n", 2, "exclude each other"},
        {{"edit", db, "Bank"}, "secret1\n", 2, "nothing to change"},
        {{"rm", db, "Nothing"}, "secret1\n", 1, "no folder or record \"Nothing\""},
        {{"rm", db, "Bank"}, "wrong11\n", 1, "Wrong password"},
    };
    const std::string before = ReadFile(db);
    for (const Case& c : cases) {
        Outcome outcome = Run(c.args, c.input);
        EXPECT_EQ(outcome.exitCode, c.exitCode)
            << c.args[0] << " " << c.args.back() << ": " << outcome.err;
        EXPECT_NE(outcome.err.find(c.inError), std::string::npos)
            << c.args[0] << " " << c.args.back() << ": " << outcome.err;
        EXPECT_EQ(ReadFile(db), before) << c.args[0] << " " << c.args.back();
    }
}

TEST_F(Cli, ANewDatabaseIsCheckedBeforeAnyPasswordIsAsked) {
    WriteFile(dir / "in.json", kMail.dump());
    WriteFile(dir / "plain", "x");
    const std::string targets[] = {(dir / "missing" / "x.kvdb").string(),
                                   (dir / "plain" / "x.kvdb").string(), dir.string()};
    for (const std::string& target : targets) {
        for (const std::string command : {"create", "import"}) {
            std::vector<std::string> args = {command};
            if (command == "import") {
                args.push_back((dir / "in.json").string());
            }
            args.push_back(target);
            // No input at all: asking would fail with "given twice" instead.
            Outcome outcome = Run(args, "");
            EXPECT_EQ(outcome.exitCode, 1) << command << " " << target;
            // import adds to an existing database, so a folder is refused as
            // a file to read.
            const std::string expected = command == "import" && target == dir.string()
                                             ? "It is a directory."
                                             : "cannot create " + target;
            EXPECT_NE(outcome.err.find(expected), std::string::npos) << outcome.err;
        }
    }
}

} // namespace

namespace {

using namespace cli_test;

// 10000 nodes at most, a record counting two: at 9999 nodes a folder still
// fits and a record does not, and the refusal comes before its password.
TEST_F(Cli, TheNodeLimitHoldsForFoldersAndRecords) {
    Json many = Json::array();
    for (int i = 0; i < 4999; ++i) {
        many.push_back(Json{{"name", "r" + std::to_string(i)}, {"record", {{"login", "a"}}}});
    }
    Import(Json{{"format", "keyvale"}, {"version", 1}, {"nodes", many}}); // 9998 nodes
    ASSERT_EQ(Run({"mkdir", db, "9999"}, "secret1\n").exitCode, 0);
    const std::string before = ReadFile(db);
    Outcome record = Run({"add", db, "one more"}, "secret1\n");
    EXPECT_EQ(record.exitCode, 1);
    EXPECT_NE(record.err.find("Your database has too many folders."), std::string::npos)
        << record.err;
    EXPECT_EQ(ReadFile(db), before);
    EXPECT_EQ(Run({"mkdir", db, "10000"}, "secret1\n").exitCode, 0);
    Outcome full = Run({"mkdir", db, "10001"}, "secret1\n");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("Your database has too many folders."), std::string::npos);
}

} // namespace
