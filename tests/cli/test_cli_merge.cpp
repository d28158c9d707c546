// keyvale-cli conflicts and merge: the copies beside a database are listed,
// and another version of the database is brought in field by field, written
// once under the lock with a backup, or not at all.
#include "cli_fixture.h"

namespace {

using namespace cli_test;

// Three versions of one small database: the one both sides came from, and
// each side's edits since.
const Json kBase = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "a", "record": {"login": "ann", "password": "base-pass-a"}},
    {"name": "b", "record": {"login": "bob", "password": "base-pass-b"}}]},
  {"name": "Bank", "record": {"login": "bank-login", "password": "base-pass-bank"}}]})");

// Ours changed Mail/b's login and removed Bank.
const Json kOurs = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "a", "record": {"login": "ann", "password": "base-pass-a"}},
    {"name": "b", "record": {"login": "our-bob", "password": "base-pass-b"}}]}]})");

// Theirs changed Mail/a's login and added Mail/c.
const Json kTheirs = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "a", "record": {"login": "their-ann", "password": "base-pass-a"}},
    {"name": "b", "record": {"login": "bob", "password": "base-pass-b"}},
    {"name": "c", "record": {"login": "carl", "password": "their-pass-c"}}]},
  {"name": "Bank", "record": {"login": "bank-login", "password": "base-pass-bank"}}]})");

class Merge : public Cli {
  protected:
    // A database holding exactly the tree of `document`, made by import.
    std::string MakeDatabase(const std::string& name, const Json& document,
                             const std::string& password = "secret1") {
        const std::string file = (dir / name).string();
        WriteFile(dir / "tree.json", document.dump());
        Outcome made =
            Run({"import", (dir / "tree.json").string(), file}, password + "\n" + password + "\n");
        EXPECT_EQ(made.exitCode, 0) << made.err;
        return file;
    }

    std::string Login(const std::string& file, const std::string& path) {
        return Run({"show", file, path, "-a", "login"}, "secret1\n").out;
    }

    std::string Listing(const std::string& file) {
        return Run({"ls", "-R", file}, "secret1\n").out;
    }
};

TEST_F(Merge, ConflictsListsTheCopiesBesideTheFile) {
    WriteFile(db, "not read");
    Outcome none = Run({"conflicts", db});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "");

    const std::string syncthing =
        (dir / "test.sync-conflict-20261211-143005-ABCDEF1.kvdb").string();
    const std::string keyvale = (dir / "test (conflict 2026-12-11 14-30-05).kvdb").string();
    WriteFile(syncthing, "copy");
    WriteFile(keyvale, "copy");
    WriteFile(dir / "test2 (conflict 2026-12-11 14-30-05).kvdb", "another database's");
    Outcome found = Run({"conflicts", db});
    EXPECT_EQ(found.exitCode, 1) << found.err;
    EXPECT_EQ(found.out, keyvale + "\n" + syncthing + "\n");
    Outcome json = Run({"conflicts", "--json", db});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(Json::parse(json.out), Json::array({keyvale, syncthing}));

    fs::create_directory(dir / "folder.kvdb");
    WriteFile(dir / "notes.txt", "text");
    WriteFile(dir / "a:b.kvdb", "no database may have this name");
    const std::pair<std::string, const char*> refused[] = {
        {(dir / "missing.kvdb").string(), "no database file"},
        {(dir / "notes.txt").string(), "no database name"},
        {(dir / "folder.kvdb").string(), "no database file"},
        {(dir / "a:b.kvdb").string(), "no database name"},
    };
    for (const auto& [file, words] : refused) {
        Outcome bad = Run({"conflicts", file});
        EXPECT_EQ(bad.exitCode, 2) << file;
        EXPECT_NE(bad.err.find(words), std::string::npos) << file << ": " << bad.err;
        EXPECT_EQ(bad.out, "");
    }
}

// Each side added its own records: even without a base there is nothing to
// choose between, and the file ends with both.
TEST_F(Merge, ChangesOnDifferentRecordsAreAllKeptWithABackup) {
    Json ours = kBase;
    ours["nodes"][0]["children"].push_back({{"name", "d"}, {"record", {{"login", "dora"}}}});
    Json theirs = kBase;
    theirs["nodes"].push_back(
        {{"name", "Shop"}, {"children", {{{"name", "e"}, {"record", {{"login", "eve"}}}}}}});
    const std::string file = MakeDatabase("test.kvdb", ours);
    const std::string other = MakeDatabase("other.kvdb", theirs);
    const std::string before = ReadFile(file);

    Outcome merged = Run({"merge", file, other}, "secret1\n");
    ASSERT_EQ(merged.exitCode, 0) << merged.err << merged.out;
    EXPECT_EQ(Listing(file), "folder\tMail\nrecord\tMail/a\nrecord\tMail/b\nrecord\tMail/d\n"
                             "record\tBank\nfolder\tShop\nrecord\tShop/e\n");
    EXPECT_EQ(Login(file, "Mail/d"), "dora\n");
    EXPECT_EQ(Login(file, "Shop/e"), "eve\n");
    EXPECT_EQ(ReadFile(dir / "Keyvale_Backup" / "test.backup_kvdb"), before)
        << "the backup holds the file as it was before the merge";
    EXPECT_TRUE(Run({"conflicts", file}).out.empty()) << "nothing went beside the file";

    // No record counted, but a folder all the same.
    Json folder = kBase;
    folder["nodes"].push_back({{"name", "Archive"}, {"children", Json::array()}});
    const std::string withFolder = MakeDatabase("folder.kvdb", folder);
    const std::string plain = MakeDatabase("plain.kvdb", kBase);
    Outcome folderMerged = Run({"merge", plain, withFolder}, "secret1\n");
    EXPECT_EQ(folderMerged.exitCode, 0) << folderMerged.err;
    EXPECT_NE(Listing(plain).find("\tArchive\n"), std::string::npos) << Listing(plain);
}

// Without a base nothing tells a removal from an addition: the record only
// the other side has comes back. With the base, our removal since it stands.
TEST_F(Merge, BaseMakesItThreeWay) {
    const std::string other = MakeDatabase("other.kvdb", kTheirs);
    const std::string base = MakeDatabase("base.kvdb", kBase);
    struct Case {
        const char* name;
        bool withBase;
        const char* listing;
    };
    const Case cases[] = {
        {"two.kvdb", false,
         "folder\tMail\nrecord\tMail/a\nrecord\tMail/b\nrecord\tMail/c\nrecord\tBank\n"},
        {"three.kvdb", true, "folder\tMail\nrecord\tMail/a\nrecord\tMail/b\nrecord\tMail/c\n"},
    };
    for (const Case& c : cases) {
        const std::string file = MakeDatabase(c.name, kOurs);
        std::vector<std::string> args = {"merge", file, other};
        if (c.withBase) {
            args.insert(args.end(), {"--base", base});
        }
        Outcome merged = Run(args, "secret1\n");
        // Two-way, the two sides' logins of Mail/a and Mail/b differ with no
        // base to say who changed them: conflicts kept side by side.
        EXPECT_EQ(merged.exitCode, c.withBase ? 0 : 1) << c.name << ": " << merged.err;
        const std::string listing = Listing(file);
        if (c.withBase) {
            EXPECT_EQ(listing, c.listing);
            EXPECT_EQ(Login(file, "Mail/a"), "their-ann\n");
            EXPECT_EQ(Login(file, "Mail/b"), "our-bob\n");
        } else {
            EXPECT_NE(listing.find("record\tBank\n"), std::string::npos) << listing;
            EXPECT_EQ(Login(file, "Mail/a"), "ann\n") << "ours stays in the record";
        }
    }
}

TEST_F(Merge, SameFieldChangedOnBothSidesKeepsTheirsInASibling) {
    Json ours = kBase;
    ours["nodes"][0]["children"][0]["record"]["login"] = "our-ann";
    const std::string file = MakeDatabase("test.kvdb", ours);
    const std::string other = MakeDatabase("other.kvdb", kTheirs);
    const std::string base = MakeDatabase("base.kvdb", kBase);

    Outcome merged = Run({"merge", file, other, "--base", base}, "secret1\n");
    EXPECT_EQ(merged.exitCode, 1) << merged.err;
    EXPECT_NE(merged.out.find("Mail/a"), std::string::npos) << "the summary names the conflict";
    EXPECT_EQ(Login(file, "Mail/a"), "our-ann\n");
    const std::string mail = Run({"ls", file, "Mail"}, "secret1\n").out;
    const std::string sibling = "record\ta (their version ";
    const std::size_t at = mail.find(sibling);
    ASSERT_NE(at, std::string::npos) << mail;
    const std::string name = mail.substr(at + 7, mail.find('\n', at) - at - 7);
    EXPECT_EQ(Login(file, "Mail/" + name), "their-ann\n");
    EXPECT_EQ(Login(file, "Mail/c"), "carl\n") << "the rest of theirs is taken as well";
}

// OTHER under another main password: its own is read next, and a wrong one
// writes nothing, not even the OTHERs before it that opened.
TEST_F(Merge, OtherUnderAnotherPassword) {
    const std::string file = MakeDatabase("test.kvdb", kOurs);
    // Both add to ours, so that the two-way merge has nothing to choose.
    Json added = kOurs;
    added["nodes"][0]["children"].push_back(
        {{"name", "c"}, {"record", {{"login", "carl"}, {"password", "their-pass-c"}}}});
    Json opens = kOurs;
    opens["nodes"].push_back({{"name", "Shop"}, {"record", {{"login", "eve"}}}});
    const std::string opened = MakeDatabase("opened.kvdb", opens);
    const std::string other = MakeDatabase("other.kvdb", added, "other22");
    const std::string before = ReadFile(file);
    struct Case {
        std::vector<std::string> others;
        std::string input;
    };
    const Case refused[] = {
        {{other}, "secret1\nwrong99\n"},
        {{other}, "secret1\n"}, // no password given for it
        {{opened, other}, "secret1\nwrong99\n"},
    };
    for (const Case& c : refused) {
        std::vector<std::string> args = {"merge", file};
        args.insert(args.end(), c.others.begin(), c.others.end());
        Outcome failed = Run(args, c.input);
        EXPECT_EQ(failed.exitCode, 2) << c.input << failed.err;
        EXPECT_EQ(ReadFile(file), before) << c.others.size() << " " << failed.err;
    }
    Outcome merged = Run({"merge", file, other}, "secret1\nother22\n");
    EXPECT_EQ(merged.exitCode, 0) << merged.err;
    EXPECT_EQ(Login(file, "Mail/c"), "carl\n");
    EXPECT_EQ(Run({"check", file}, "secret1\n").exitCode, 0) << "FILE keeps its own password";
}

TEST_F(Merge, DryRunWritesNothingAndItsJsonHoldsNoValue) {
    Json ours = kOurs;
    ours["nodes"][0]["children"][0]["record"]["password"] = "our-secret-value";
    Json theirs = kTheirs;
    theirs["nodes"][0]["children"][0]["record"]["password"] = "their-secret-value";
    const std::string file = MakeDatabase("test.kvdb", ours);
    const std::string other = MakeDatabase("other.kvdb", theirs);
    const std::string base = MakeDatabase("base.kvdb", kBase);
    const std::string before = ReadFile(file);

    Outcome text = Run({"merge", "--dry-run", file, other, "--base", base}, "secret1\n");
    EXPECT_EQ(text.exitCode, 1) << "exits as the merge would: " << text.err;
    EXPECT_NE(text.out.find("Nothing has been written"), std::string::npos) << text.out;

    Outcome json = Run({"merge", "-n", "--json", file, other, "--base", base}, "secret1\n");
    EXPECT_EQ(json.exitCode, 1) << json.err;
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_FALSE(fs::exists(dir / "Keyvale_Backup")) << "a dry run makes no backup either";

    Json report = Json::parse(json.out);
    ASSERT_EQ(report["merges"].size(), 1u) << json.out;
    Json& merge = report["merges"][0];
    ASSERT_EQ(merge["conflicts"].size(), 1u) << json.out;
    const std::string sibling = merge["conflicts"][0]["theirVersion"];
    EXPECT_EQ(sibling.rfind("a (their version ", 0), 0u) << sibling;
    merge["conflicts"][0].erase("theirVersion");
    EXPECT_EQ(report, Json::parse(R"({"dryRun": true, "file": ")" + file + R"(", "base": ")" +
                                  base + R"(", "written": false, "merges": [{"other": ")" + other +
                                  R"(", "recordsAdded": 1, "recordsChanged": 1,
        "recordsRemoved": 0, "conflicts": [{"kind": "fields", "path": ["Mail", "a"],
        "fields": ["password"]}]}]})"));
    for (const char* secret : {"our-secret-value", "their-secret-value", "their-pass-c",
                               "base-pass", "secret1", "carl", "their-ann"}) {
        EXPECT_EQ(json.out.find(secret), std::string::npos) << secret;
        EXPECT_EQ(text.out.find(secret), std::string::npos) << secret;
    }
}

// Nothing is written for FILE named again, or an OTHER that cannot be read.
TEST_F(Merge, FileIsNeverMergedIntoItselfNorWithAnUnreadableOther) {
    const std::string file = MakeDatabase("test.kvdb", kOurs);
    fs::create_hard_link(file, dir / "hard.kvdb");
    fs::create_symlink(file, dir / "soft.kvdb");
    const std::string before = ReadFile(file);
    const std::string itself[] = {file, (dir / "." / "test.kvdb").string(),
                                  (dir / "hard.kvdb").string(), (dir / "soft.kvdb").string()};
    for (const std::string& other : itself) {
        Outcome refused = Run({"merge", file, other}, "secret1\n");
        EXPECT_EQ(refused.exitCode, 2) << other;
        EXPECT_NE(refused.err.find("itself"), std::string::npos) << refused.err;
    }
    WriteFile(dir / "damaged.kvdb", ReadFile(file).substr(0, 2000) + std::string(3000, 'x'));
    for (const char* unreadable : {"missing.kvdb", "damaged.kvdb"}) {
        Outcome failed = Run({"merge", file, (dir / unreadable).string()}, "secret1\n");
        EXPECT_EQ(failed.exitCode, 2) << unreadable << ": " << failed.err;
        EXPECT_NE(failed.err.find(unreadable), std::string::npos) << failed.err;
    }
    Outcome damaged = Run({"merge", file, (dir / "damaged.kvdb").string()}, "secret1\nother22\n");
    EXPECT_NE(damaged.err.find("the file is damaged"), std::string::npos) << damaged.err;
    EXPECT_EQ(ReadFile(file), before);
}

} // namespace
