// What keyvale-cli accepts from its user: names without control characters,
// text that is UTF-8, files of a size the database can hold, and imports that
// give every node a path of its own. A refusal names what it refused and
// writes nothing.
#include "cli_fixture.h"

#include "U_Keyvale_Read_Write_Names.h"
#include "U_Keyvale_Session.h"
#include "tree_fixture.h"

namespace {

using namespace cli_test;

const std::string kEscapeTitle = "\x1b]0;pwned\x07";

Json Document(const Json& nodes) {
    return {{"format", "keyvale"}, {"version", 1}, {"nodes", nodes}};
}

TEST_F(Cli, ImportRejections) {
    struct Case {
        const char* what;
        Json nodes;
        const char* inError;
    };
    const Case cases[] = {
        {"two siblings of one name at the top",
         Json::array({{{"name", "Bank"}}, {{"name", "Bank"}, {"record", {{"login", "b"}}}}}),
         "node \"Bank\": a node of the same name stands before it in its folder"},
        {"two siblings of one name in a folder",
         Json::array(
             {{{"name", "Mail"},
               {"children", Json::array({{{"name", "a"}}, {{"name", "b"}}, {{"name", "a"}}})}}}),
         "node \"Mail/a\": a node of the same name stands before it in its folder"},
        {"a terminal escape in a name", Json::array({{{"name", kEscapeTitle}}}),
         "its name holds a control character"},
        {"a C1 control in a name",
         Json::array({{{"name", "a\xC2\x9B"
                                "2J"}}}),
         "its name holds a control character"},
        {"a control character in the note",
         Json::array({{{"name", "r"}, {"record", {{"note", "look\x1b[2J"}}}}}),
         "node \"r\": its note holds a control character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir / "in.json", Document(c.nodes).dump());
        Outcome imported = Run({"import", (dir / "in.json").string(), db}, "secret1\nsecret1\n");
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_NE(imported.err.find(c.inError), std::string::npos) << imported.err;
        EXPECT_EQ(imported.err.find('\x1b'), std::string::npos) << "printed escaped";
        EXPECT_FALSE(fs::exists(db));
    }
}

// Endless or huge input is refused once it passes what the database could
// hold, instead of being read until the memory runs out.
TEST_F(Cli, EndlessInputStopsAtTheLimit) {
    Import(Document(Json::array({{{"name", "r"}, {"record", {{"login", "me"}}}}})));
    const std::string before = ReadFile(db);
    Outcome note = Run({"edit", db, "r", "--note-file", "/dev/zero"}, "secret1\n");
    EXPECT_EQ(note.exitCode, 1);
    EXPECT_NE(note.err.find("cannot read /dev/zero: It holds more than 24000 bytes"),
              std::string::npos)
        << note.err;
    EXPECT_EQ(ReadFile(db), before);

    const std::string fresh = (dir / "fresh.kvdb").string();
    Outcome import = Run({"import", "/dev/zero", fresh}, "secret1\nsecret1\n");
    EXPECT_EQ(import.exitCode, 1);
    EXPECT_NE(import.err.find("cannot read /dev/zero: It is not a regular file"), std::string::npos)
        << import.err;
    const fs::path big = dir / "big.csv";
    WriteFile(big, "");
    fs::resize_file(big, (std::uintmax_t{64} << 20) + 1);
    Outcome large = Run({"import", big.string(), fresh}, "secret1\nsecret1\n");
    EXPECT_EQ(large.exitCode, 1);
    EXPECT_NE(large.err.find("It is larger than 64 MiB"), std::string::npos) << large.err;
    EXPECT_FALSE(fs::exists(fresh));
}

// Bytes that are not UTF-8 would be read back as Windows-1252 and stored
// changed; they are refused, naming where they came from.
TEST_F(Cli, TextThatIsNotUtf8IsRefusedNamingItsSource) {
    Import(Document(Json::array({{{"name", "r"}, {"record", {{"login", "me"}}}}})));
    const std::string before = ReadFile(db);
    WriteFile(dir / "note.txt", "Caf\xE9");
    struct Case {
        std::vector<std::string> args;
        std::string input;
        const char* inError;
    };
    const Case cases[] = {
        {{"add", db, "n", "--login", "ab\xff"}, "secret1\npw\n", "--login is not valid UTF-8"},
        {{"edit", db, "r", "--url", "ab\xff"}, "secret1\n", "--url is not valid UTF-8"},
        {{"edit", db, "r", "--note-file", (dir / "note.txt").string()},
         "secret1\n",
         "the note is not valid UTF-8"},
        {{"add", db, "n"}, "secret1\np\xe4ss\n", "the password is not valid UTF-8"},
        {{"mkdir", db, "Caf\xE9"}, "secret1\n", "its name is not valid UTF-8"},
        {{"edit", db, "r", "--name", "Caf\xE9"}, "secret1\n", "its name is not valid UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        Outcome refused = Run(c.args, c.input);
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_NE(refused.err.find(c.inError), std::string::npos) << refused.err;
        EXPECT_EQ(ReadFile(db), before);
    }
    const std::string fresh = (dir / "fresh.kvdb").string();
    Outcome created = Run({"create", fresh}, "s\xe9"
                                             "cret\ns\xe9"
                                             "cret\n");
    EXPECT_EQ(created.exitCode, 1);
    EXPECT_NE(created.err.find("the new main password is not valid UTF-8"), std::string::npos)
        << created.err;
    EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(Cli, NamesWithControlCharactersAreRefused) {
    Import(Document(Json::array({{{"name", "r"}, {"record", {{"login", "me"}}}}})));
    const std::string before = ReadFile(db);
    const std::vector<std::string> cases[] = {
        {"mkdir", db, kEscapeTitle},
        {"add", db, "a\tb"},
        {"edit", db, "r", "--name", "a\x7f"},
        {"mv", db, "r", "x\xC2\x85y"},
    };
    for (const std::vector<std::string>& args : cases) {
        SCOPED_TRACE(args[0]);
        Outcome refused = Run(args, "secret1\npw\n");
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_NE(refused.err.find("holds a control character"), std::string::npos) << refused.err;
        EXPECT_EQ(refused.err.find_first_of("\x1b\x07\x7f\t"), std::string::npos)
            << "the message prints the name escaped";
        EXPECT_EQ(ReadFile(db), before);
    }
}

// A file written before the rule may hold such names and fields: what ls,
// search and show print is escaped, and the escaped path reaches the node.
TEST_F(Cli, StoredControlCharactersArePrintedEscaped) {
    {
        TKeyvaleSession writer;
        ASSERT_TRUE(writer.Create(db, "secret1").Succeeded());
        TNodeHandle folder = AddFolder(writer.Tree(), kNoNode, kEscapeTitle);
        AddRecord(writer.Tree(), folder, "bell\x07",
                  {"log\x1b[2Jin", "pw", "", "",
                   "line 1\n\xC2\x9B"
                   "line 2"});
        writer.MarkChanged();
        ASSERT_TRUE(writer.Save().Succeeded());
    }
    const std::string folder = "\\x1b]0;pwned\\x07";
    const std::string record = folder + "/bell\\x07";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"ls", db}, "folder\t" + folder + "\n"},
        {{"ls", db, "-R"}, "record\t" + record + "\n"},
        {{"ls", db, folder}, "record\tbell\\x07\n"},
        {{"search", db, "bell"}, record + "\n"},
        {{"show", db, record}, "Login:    log\\x1b[2Jin\n"},
        {{"show", db, record}, "Note:     line 1\n          \\xc2\\x9bline 2\n"},
    };
    for (const auto& [args, printed] : cases) {
        SCOPED_TRACE(args[0]);
        Outcome shown = Run(args, "secret1\n");
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_NE(shown.out.find(printed), std::string::npos) << shown.out;
        EXPECT_EQ(shown.out.find_first_of("\x1b\x07"), std::string::npos);
    }
    Outcome exact = Run({"show", db, record, "-a", "login"}, "secret1\n");
    EXPECT_EQ(exact.out, "log\x1b[2Jin\n") << "-a prints the value exactly, for scripts";
}

// A database's file name follows one rule, the window's: keyvale-cli neither
// reads nor changes a file the window would refuse to open.
TEST_F(Cli, DatabaseNamesTheWindowRefusesAreRefusedToo) {
    Import(Document(Json::array({{{"name", "r"}, {"record", {{"login", "me"}}}}})));
    const std::string names[] = {"say \"hi\".kvdb", "a|b.kvdb", "a:b.kvdb",
                                 "why?.kvdb",       "CON.kvdb", "lpt1.kvdb"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string file = (dir / name).string();
        fs::copy_file(db, file);
        EXPECT_EQ(TKeyvaleSession().CheckOpen(file).problem, TPathProblem::BadName);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"ls", file}, {"mkdir", file, "new"}}) {
            Outcome refused = Run(args, "secret1\n");
            EXPECT_EQ(refused.exitCode, 2) << args[0];
            EXPECT_NE(refused.err.find("is not acceptable"), std::string::npos) << refused.err;
            EXPECT_NE(refused.err.find(FileNameRefusal(name)), std::string::npos) << refused.err;
            EXPECT_EQ(refused.out, "");
        }
        EXPECT_TRUE(ReadFile(file) == ReadFile(db)) << "left as it was";
    }
}

} // namespace
