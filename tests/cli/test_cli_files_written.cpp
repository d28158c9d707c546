// Files keyvale-cli writes besides the database: the backup made on every
// open, exports, and the database itself when many commands write at once.
#include "cli_fixture.h"

#include <sys/stat.h>

namespace {

using namespace cli_test;

const Json kBank = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "Bank", "record": {"login": "me", "password": "pass word"}}]})");

fs::perms ModeOf(const fs::path& path) {
    return fs::symlink_status(path).permissions() & fs::perms::all;
}

const fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
const fs::perms kReadableByAll = kOwnerOnly | fs::perms::group_read | fs::perms::others_read;

// Where -o points; the plain text must land there privately or nowhere, and
// never in place of the database.
TEST_F(Cli, ExportDestinations) {
    Import(kBank);
    const std::string database = ReadFile(db);
    const fs::path out = dir / "out.json";
    const fs::path victim = dir / "victim.txt";
    enum class Before { Nothing, File0644, LinkToOther, TheDatabase, LinkToDatabase };
    struct Case {
        const char* what;
        Before before;
        std::string target; // what -o names
        int exitCode;
        const char* inError;
    };
    const Case cases[] = {
        {"a new file", Before::Nothing, out.string(), 0, ""},
        {"--force over a file readable by all", Before::File0644, out.string(), 0, ""},
        {"--force over a link to another file", Before::LinkToOther, out.string(), 0, ""},
        {"the database itself", Before::TheDatabase, db, 2, "is the database"},
        {"a link to the database", Before::LinkToDatabase, out.string(), 2, "is the database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(out);
        WriteFile(victim, "someone else's file");
        fs::permissions(victim, kReadableByAll);
        if (c.before == Before::File0644) {
            WriteFile(out, "an older export");
            fs::permissions(out, kReadableByAll);
        } else if (c.before == Before::LinkToOther) {
            fs::create_symlink(victim, out);
        } else if (c.before == Before::LinkToDatabase) {
            fs::create_symlink(db, out);
        }
        Outcome exported = Run({"export", db, "-o", c.target, "--force"}, "secret1\n");
        EXPECT_EQ(exported.exitCode, c.exitCode) << exported.err;
        EXPECT_NE(exported.err.find(c.inError), std::string::npos) << exported.err;
        EXPECT_EQ(ReadFile(db), database) << "the database is untouched";
        EXPECT_EQ(ReadFile(victim), "someone else's file") << "never written through a link";
        EXPECT_EQ(ModeOf(victim), kReadableByAll);
        if (c.exitCode == 0) {
            EXPECT_FALSE(fs::is_symlink(out));
            EXPECT_EQ(ModeOf(out), kOwnerOnly);
            EXPECT_EQ(Json::parse(ReadFile(out))["nodes"][0]["record"]["password"], "pass word");
        }
    }
}

// The backup beside the database, as it may stand when a command opens it:
// written privately and never through a link, or its failure said while the
// change itself goes ahead.
TEST_F(Cli, BackupDestinations) {
    Import(kBank);
    const fs::path folder = dir / "Keyvale_Backup";
    const fs::path backup = folder / "test.backup_kvdb";
    const fs::path victim = dir / "victim.txt";
    enum class Before { Nothing, LinkAtTheName, FolderIsAFile };
    struct Case {
        const char* what;
        Before before;
        const char* warning; // on standard error; empty: none
    };
    const Case cases[] = {
        {"no folder yet", Before::Nothing, ""},
        {"a link planted at the backup's name", Before::LinkAtTheName, ""},
        {"Keyvale_Backup is a file", Before::FolderIsAFile, "is not a folder"},
    };
    int added = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        WriteFile(victim, "someone else's file");
        fs::permissions(victim, kReadableByAll);
        if (c.before == Before::LinkAtTheName) {
            fs::create_directory(folder);
            fs::create_symlink(victim, backup);
        } else if (c.before == Before::FolderIsAFile) {
            WriteFile(folder, "a file");
        }
        const std::string opened = ReadFile(db);
        const std::string name = "r" + std::to_string(++added);
        Outcome add = Run({"mkdir", db, name}, "secret1\n");
        EXPECT_EQ(add.exitCode, 0) << add.err;
        EXPECT_EQ(ReadFile(victim), "someone else's file");
        EXPECT_EQ(ModeOf(victim), kReadableByAll);
        if (*c.warning == '\0') {
            EXPECT_EQ(add.err, "");
            EXPECT_FALSE(fs::is_symlink(backup));
            EXPECT_EQ(ReadFile(backup), opened) << "the file as it was opened";
            EXPECT_EQ(ModeOf(backup), kOwnerOnly);
            if (c.before == Before::Nothing) {
                EXPECT_EQ(ModeOf(folder), fs::perms::owner_all) << "made for its owner only";
            }
        } else {
            EXPECT_NE(add.err.find("Could not make backup"), std::string::npos) << add.err;
            EXPECT_NE(add.err.find(c.warning), std::string::npos) << add.err;
        }
        EXPECT_EQ(Run({"ls", db, name}, "secret1\n").exitCode, 0) << "the change was saved";
    }
}

// Several scripts adding to one database at once: each command waits for the
// one before it, every acknowledged record is in the file, none goes aside.
TEST_F(Cli, ConcurrentWritersTakeTurnsAndLoseNothing) {
    Import(kBank);
    constexpr int kWriters = 4;
    constexpr int kAddsEach = 10;
    std::string script;
    for (int w = 0; w < kWriters; ++w) {
        script += "(for i in $(seq " + std::to_string(kAddsEach) +
                  "); do printf 'secret1\\npw\\n' | " + Quoted(KEYVALE_CLI) + " add " + Quoted(db) +
                  " w" + std::to_string(w) + "-$i >/dev/null 2>>" +
                  Quoted((dir / "errors").string()) + " && echo w" + std::to_string(w) + "-$i >>" +
                  Quoted((dir / "acknowledged").string()) + "; done) &\n";
    }
    script += "wait\n";
    WriteFile(dir / "writers.sh", script);
    ASSERT_EQ(std::system(("sh " + Quoted((dir / "writers.sh").string())).c_str()), 0);

    EXPECT_EQ(ReadFile(dir / "errors"), "");
    std::istringstream acknowledged(ReadFile(dir / "acknowledged"));
    std::vector<std::string> names;
    for (std::string name; std::getline(acknowledged, name);) {
        names.push_back(name);
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kWriters * kAddsEach));
    Outcome listed = Run({"ls", db}, "secret1\n");
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    for (const std::string& name : names) {
        EXPECT_NE(listed.out.find("record\t" + name + "\n"), std::string::npos) << name;
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().filename().string().find("conflict"), std::string::npos)
            << entry.path();
    }
}

} // namespace
