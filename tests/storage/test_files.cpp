#include "U_Keyvale_Database_File_Check.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
  protected:
    TempDir dir;
    std::string file = dir.File("data.kvdb");
    const TByteArray bytes{1, 2, 3, 0, 255};

    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()));
    }
};

TEST_F(Files, SaveAndLoadRoundTrip) {
    ASSERT_EQ(SaveBytesToFile(bytes, file), "");
    EXPECT_EQ(FileSizeOf(file), 5);
    TByteArray loaded;
    EXPECT_EQ(LoadBytesFromFile(loaded, file), "");
    EXPECT_EQ(loaded, bytes);
    EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file is left behind";
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a new database is readable by its owner only";

    chmod(file.c_str(), 0640);
    ASSERT_EQ(SaveBytesToFile({9}, file), "");
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
}

TEST_F(Files, SaveErrors) {
    WriteTextFile(file, "old");
    EXPECT_EQ(SaveBytesToFile({}, file), "Error! Cannot save empty array to a file.");
    EXPECT_EQ(ReadTextFile(file), "old");
    std::string error = SaveBytesToFile(bytes, dir.File("missing/data.kvdb"));
    EXPECT_EQ(error.rfind(" [FileCreateError] ", 0), 0u) << error;
    std::string intoDirectory = SaveBytesToFile(bytes, dir.Path());
    EXPECT_EQ(intoDirectory.rfind(" [", 0), 0u) << intoDirectory;
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(Files, ReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write every file";
    }
    WriteTextFile(file, "protected");
    chmod(file.c_str(), 0400);
    std::string error = SaveBytesToFile(bytes, file);
    EXPECT_EQ(error.rfind(" [FileCreateError] ", 0), 0u) << error;
    EXPECT_EQ(ReadTextFile(file), "protected");
}

// What the user may not change is told apart before any save, and the
// check answers as the save itself does, also through a symbolic link (the
// save writes beside the file the link points to). Root may write
// everything, so as root the check runs in a child process as "nobody".
TEST_F(Files, ReplaceCheckAnswersAsTheSaveDoes) {
    const std::string readOnlyFolder = dir.File("shelf");
    fs::create_directory(readOnlyFolder);
    const std::string inReadOnlyFolder = readOnlyFolder + "/in.kvdb";
    WriteTextFile(inReadOnlyFolder, "x");
    WriteTextFile(file, "x");
    const std::string readOnlyFile = dir.File("ro.kvdb");
    WriteTextFile(readOnlyFile, "x");
    const std::string linkIntoShelf = dir.File("to-shelf.kvdb");
    fs::create_symlink(inReadOnlyFolder, linkIntoShelf);
    const std::string linkFromShelf = readOnlyFolder + "/to-data.kvdb";
    fs::create_symlink(file, linkFromShelf);
    chmod(file.c_str(), 0666);
    chmod(inReadOnlyFolder.c_str(), 0666);
    chmod(readOnlyFile.c_str(), 0444);
    chmod(readOnlyFolder.c_str(), 0555);
    chmod(dir.Path().c_str(), 0777);

    struct Case {
        std::string path;
        bool writable;
    };
    const Case cases[] = {
        {file, true},           {readOnlyFile, false}, {inReadOnlyFolder, false},
        {linkIntoShelf, false}, // the link's own folder may be written, the file's not
        {linkFromShelf, true},  // and the other way round
    };
    // One bit per case that goes wrong: the check's answer, or the save's.
    const auto check = [&] {
        int wrong = DatabaseReplaceProblem(dir.File("missing.kvdb")).empty() ? 1 : 0;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const bool checked = DatabaseReplaceProblem(cases[i].path).empty();
            const bool saved = SaveBytesToFile(bytes, cases[i].path).empty();
            if (checked != cases[i].writable || saved != cases[i].writable) {
                wrong |= 2 << i;
            }
        }
        return wrong;
    };
    int result = 0;
    if (geteuid() != 0) {
        result = check();
    } else {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            _exit(setgid(65534) == 0 && setuid(65534) == 0 ? check() : 255);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        result = WEXITSTATUS(status);
    }
    EXPECT_EQ(result, 0) << "bit 0: a missing file passed; bit i+1: case i answered wrongly";
    EXPECT_TRUE(fs::is_symlink(linkFromShelf)) << "the save kept the link";
    chmod(readOnlyFolder.c_str(), 0755);
}

TEST_F(Files, InterruptedSaveLeavesTheOldFileIntact) {
    WriteTextFile(file, "the old database");
    bool temporarySeen = false;
    std::string error = SaveBytesToFileWithCheckpoint(bytes, file, [&] {
        temporarySeen = EntriesInDir() == 2;
        return std::string(" [Interrupted] power failure");
    });
    EXPECT_TRUE(temporarySeen) << "the new content is complete beside the old file";
    EXPECT_EQ(error, " [Interrupted] power failure");
    EXPECT_EQ(ReadTextFile(file), "the old database");
    EXPECT_EQ(EntriesInDir(), 1u) << "the temporary file is removed";
}

TEST_F(Files, SaveThroughALinkKeepsTheLink) {
    std::string link = dir.File("link.kvdb");
    WriteTextFile(file, "old");
    fs::create_symlink(file, link);
    ASSERT_EQ(SaveBytesToFile(bytes, link), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(FileSizeOf(file), 5);
}

TEST_F(Files, LoadErrorsAndSizes) {
    TByteArray loaded;
    EXPECT_EQ(FileSizeOf(file), -1);
    EXPECT_EQ(LoadBytesFromFile(loaded, file),
              "Error! Cannot load data from file " + file + ". File is empty.");
    WriteTextFile(file, "");
    EXPECT_EQ(FileSizeOf(file), 0);
    EXPECT_EQ(LoadBytesFromFile(loaded, file),
              "Error! Cannot load data from file " + file + ". File is empty.");
    EXPECT_EQ(FileSizeOf(dir.Path()), -1) << "a directory is no file";
    DeleteFileQuietly(file);
    DeleteFileQuietly(file);
    EXPECT_FALSE(fs::exists(file));
}

TEST(FileNames, IsValidFileName) {
    const std::pair<const char*, bool> cases[] = {
        {"data.kvdb", true}, {"", false},           {" . ", false},
        {"...", false},      {"   ", false},        {".kvdb", true},
        {"aux.kvdb", false}, {"AUX1.kvdb", true},   {"auxiliary.kvdb", true},
        {"con.kvdb", false}, {"LPT9.txt", false},   {"CON1.kvdb", true},
        {"nul", false},      {"com9.a.kvdb", true}, {"a?b.kvdb", false},
        {"a\"b", false},     {"a*b", false},        {"a/b", false},
        {"a:b", false},      {"a<b", false},        {"a>b", false},
        {"a\\b", false},     {"a|b", false},        {"\xD0\x96\xE2\x82\xAC.kvdb", true},
    };
    for (const auto& [name, valid] : cases) {
        EXPECT_EQ(IsValidFileName(name), valid) << '"' << name << '"';
    }
    EXPECT_FALSE(IsValidFileName(std::string("a\0b", 3)));
}

// A refused name is told why, in words that name the fault.
TEST(FileNames, FileNameRefusalNamesTheFault) {
    const std::pair<std::string, std::string> cases[] = {
        {"say \"hi\".kvdb", "may not hold the character \" (nor any of"},
        {std::string("a\0b", 3), "may not hold the character NUL"},
        {"lpt1.kvdb", "LPT1 is the name of a device on Windows"},
        {" . ", "a character other than spaces and full stops"},
        {"", "The file name is empty."},
        {"data.kvdb", ""},
    };
    for (const auto& [name, words] : cases) {
        const std::string refusal = FileNameRefusal(name);
        EXPECT_EQ(refusal.empty(), words.empty()) << name;
        EXPECT_NE(refusal.find(words), std::string::npos) << name << ": " << refusal;
    }
}

TEST(FileNames, HasDatabaseExtension) {
    const std::pair<const char*, bool> cases[] = {
        {"data.kvdb", true},       {"data.KVDB", false},      {"data", false},
        {"/dir.kvdb/data", false}, {"/dir/x.txt.kvdb", true}, {".kvdb", true},
        {"data.kvdb.bak", false},  {"data.kvdbx", false},
    };
    for (const auto& [name, has] : cases) {
        EXPECT_EQ(HasDatabaseExtension(name), has) << name;
    }
}

TEST(FileProbes, CreateLeavesNothingBehind) {
    TempDir dir;
    std::string file = dir.File("new.kvdb");
    EXPECT_EQ(ProbeCreateFile(file), "");
    EXPECT_FALSE(fs::exists(file));
    std::string error = ProbeCreateFile(dir.File("missing/new.kvdb"));
    EXPECT_NE(error, "");
    EXPECT_NE(error.front(), '[') << "the description alone, without a class";

    // Something that appeared at the name meanwhile is left alone, and a
    // link is not followed to create a file elsewhere.
    WriteTextFile(file, "someone's data");
    EXPECT_NE(ProbeCreateFile(file), "");
    EXPECT_EQ(ReadTextFile(file), "someone's data");
    std::string link = dir.File("link.kvdb");
    fs::create_symlink(dir.File("elsewhere.kvdb"), link);
    EXPECT_NE(ProbeCreateFile(link), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(dir.File("elsewhere.kvdb")));
}

TEST(Backups, OneCopyPerNameHoldingTheLatestOpen) {
    TempDir start;
    TempDir elsewhere;
    std::string database = elsewhere.File("My.Data.kvdb");
    std::string backup = start.File("Keyvale_Backup/My.Data.backup_kvdb");

    WriteTextFile(database, "first");
    EXPECT_EQ(MakeBackupCopy(start.Path() + "/", database), "");
    EXPECT_EQ(ReadTextFile(backup), "first");
    WriteTextFile(database, "second");
    EXPECT_EQ(MakeBackupCopy(start.Path(), database), "");
    EXPECT_EQ(ReadTextFile(backup), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(start.File("Keyvale_Backup")),
                            fs::directory_iterator()),
              1);

    EXPECT_EQ(MakeBackupCopy(start.Path(), elsewhere.File("gone.kvdb")),
              "Error! Could not make backup of a database file. Error! Cannot load data from "
              "file " +
                  elsewhere.File("gone.kvdb") + ". File is empty.");
    EXPECT_EQ(ReadTextFile(backup), "second") << "a failed copy keeps the previous backup";
}

// Where the backup goes, as it may stand when a database opens. The backup
// holds the whole database: it is written privately inside Keyvale_Backup or
// not at all, and a failure says why instead of passing in silence.
TEST(Backups, DestinationsAreWrittenPrivatelyOrRefusedWithTheCause) {
    enum class Place { Normal, LinkAtTheName, FolderIsAFile, FolderNotWritable };
    struct Case {
        const char* what;
        Place place;
        const char* failure; // part of the message; empty: the backup is made
    };
    const Case cases[] = {
        {"a new folder", Place::Normal, ""},
        {"a link planted at the backup's name", Place::LinkAtTheName, ""},
        {"Keyvale_Backup is a file", Place::FolderIsAFile, "is not a folder"},
        {"Keyvale_Backup may not be written", Place::FolderNotWritable, "is not writable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.place == Place::FolderNotWritable && ::geteuid() == 0) {
            continue; // root writes anywhere
        }
        TempDir start;
        const std::string database = start.File("db.kvdb");
        const std::string folder = start.File("Keyvale_Backup");
        const std::string backup = folder + "/db.backup_kvdb";
        const std::string victim = start.File("victim.txt");
        WriteTextFile(database, "the database");
        WriteTextFile(victim, "someone else's file");
        ::chmod(victim.c_str(), 0644);
        if (c.place == Place::LinkAtTheName) {
            fs::create_directory(folder);
            fs::create_symlink(victim, backup);
        } else if (c.place == Place::FolderIsAFile) {
            WriteTextFile(folder, "a file");
        } else if (c.place == Place::FolderNotWritable) {
            fs::create_directory(folder);
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        }

        const std::string result = MakeBackupCopy(start.Path(), database);

        EXPECT_EQ(ReadTextFile(victim), "someone else's file") << "never written through a link";
        EXPECT_EQ(fs::status(victim).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::others_read);
        if (*c.failure == '\0') {
            EXPECT_EQ(result, "");
            EXPECT_FALSE(fs::is_symlink(backup));
            EXPECT_EQ(ReadTextFile(backup), "the database");
            EXPECT_EQ(fs::status(backup).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
            if (c.place == Place::Normal) {
                EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
            }
        } else {
            EXPECT_EQ(result.rfind("Error! Could not make backup of a database file. ", 0), 0u)
                << result;
            EXPECT_NE(result.find(c.failure), std::string::npos) << result;
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        }
    }
}

// A private file is 0600 from its first byte, also over a file of wider mode,
// and replaces a link at its name instead of writing through it.
TEST(PrivateFiles, AreNeverReadableByOthersAndNeverFollowLinks) {
    TempDir dir;
    const std::string out = dir.File("export.json");
    const std::string victim = dir.File("victim.txt");
    WriteTextFile(out, "old");
    ::chmod(out.c_str(), 0644);
    const TByteArray secret{'p', 'w'};
    fs::perms whileWritten = fs::perms::unknown;
    EXPECT_EQ(SaveBytesToPrivateFile(
                  secret, out,
                  [&] {
                      for (const auto& entry : fs::directory_iterator(dir.Path())) {
                          if (entry.path().filename().string().rfind(".keyvale-save-", 0) == 0) {
                              whileWritten = entry.status().permissions() & fs::perms::all;
                          }
                      }
                      return std::string();
                  }),
              "");
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    EXPECT_EQ(whileWritten, ownerOnly) << "the temporary file already holds the secret";
    EXPECT_EQ(fs::status(out).permissions() & fs::perms::all, ownerOnly);
    EXPECT_EQ(ReadTextFile(out), "pw");

    WriteTextFile(victim, "someone else's file");
    fs::remove(out);
    fs::create_symlink(victim, out);
    EXPECT_EQ(SaveBytesToPrivateFile(secret, out), "");
    EXPECT_FALSE(fs::is_symlink(out));
    EXPECT_EQ(ReadTextFile(out), "pw");
    EXPECT_EQ(ReadTextFile(victim), "someone else's file");
}

} // namespace
