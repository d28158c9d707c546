#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "temp_dir.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const std::string kWrongPassword = "Error! Wrong password. Cannot open database file. This file "
                                   "is encrypted by another password.";

// Key derivation is slow, so the suite derives its two key sets once.
class DatabaseFile : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys = new TKeyMaterial;
        otherKeys = new TKeyMaterial;
        ASSERT_EQ(KvDeriveKeyMaterial("correct horse", *keys), "");
        ASSERT_EQ(KvDeriveKeyMaterial("battery staple", *otherKeys), "");
    }
    static void TearDownTestSuite() {
        delete keys;
        delete otherKeys;
    }
    static TKeyMaterial* keys;
    static TKeyMaterial* otherKeys;

    void SetUp() override {
        TNodeHandle mail = AddFolder(tree, kNoNode, "Mail");
        AddRecord(tree, mail, "example.org", {"ann", " s3cret ", "a@x", "https://x", "n"});
        AddFolder(tree, mail, "Old \xC3\xA9");
        AddFolder(tree, kNoNode, std::string(200, 'r'));
    }

    std::string Prefix() const { return "Error! Cannot read data from file [" + file + "]. "; }

    // The loaded tree starts with a sentinel, to see whether a failure kept it.
    TDatabaseLoadResult Load(TKeyvaleTree& into, const TKeyMaterial& with) {
        into.Clear();
        into.AddChild(kNoNode, "sentinel", kIconEmpty);
        return LoadDatabaseFile(file, with, into);
    }

    TempDir dir;
    std::string file = dir.File("test.kvdb");
    TKeyvaleTree tree;
};
TKeyMaterial* DatabaseFile::keys = nullptr;
TKeyMaterial* DatabaseFile::otherKeys = nullptr;

TEST_F(DatabaseFile, SaveAndLoadRoundTrip) {
    TDatabaseSaveResult saved = SaveDatabaseFile(file, tree, *keys);
    ASSERT_TRUE(saved.saved) << saved.message.text;
    EXPECT_EQ(saved.message, (TTreeMessage{"Database saved: " + file, false}));

    TKeyvaleTree loaded;
    TDatabaseLoadResult result = Load(loaded, *keys);
    ASSERT_EQ(result.status, TDatabaseLoadStatus::Loaded) << result.message;
    EXPECT_EQ(result.message, "Database has been loaded from file [" + file + "].");
    EXPECT_FALSE(result.databaseEmpty);
    EXPECT_EQ(Outline(loaded), Outline(tree)) << "special lines gone, icons restored";
    TRecordFields fields =
        RecordDataDecode(loaded.Text(loaded.FirstChild(loaded.FirstChild(loaded.First()))));
    EXPECT_EQ(fields.password, " s3cret ");
}

TEST_F(DatabaseFile, EmptyDatabaseAndFileLengths) {
    TKeyvaleTree empty;
    std::vector<std::int64_t> sizes;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(SaveDatabaseFile(file, empty, *keys).saved);
        std::int64_t size = FileSizeOf(file);
        EXPECT_GE(size, 2000 + 426);
        EXPECT_LE(size, 2000 + 842);
        sizes.push_back(size);
    }
    EXPECT_NE(std::min_element(sizes.begin(), sizes.end()),
              std::max_element(sizes.begin(), sizes.end()))
        << "every save draws new special lines";
    TKeyvaleTree loaded;
    TDatabaseLoadResult result = Load(loaded, *keys);
    EXPECT_EQ(result.status, TDatabaseLoadStatus::Loaded);
    EXPECT_TRUE(result.databaseEmpty);
    EXPECT_TRUE(loaded.IsEmpty());
}

TEST_F(DatabaseFile, SaveRefusalsAndFailures) {
    TDatabaseSaveResult noName = SaveDatabaseFile("", tree, *keys);
    EXPECT_FALSE(noName.saved);
    EXPECT_EQ(
        noName.message,
        (TTreeMessage{"Error! Cannot save database because the name of the database file is empty!",
                      true}));
    std::string missing = dir.File("missing/test.kvdb");
    TDatabaseSaveResult failed = SaveDatabaseFile(missing, tree, *keys);
    EXPECT_FALSE(failed.saved);
    EXPECT_TRUE(failed.message.alert);
    EXPECT_EQ(failed.message.text.rfind("Error! Cannot save your database to file [" + missing +
                                            "].  [FileCreateError] ",
                                        0),
              0u)
        << failed.message.text;
}

TEST_F(DatabaseFile, UnreadableFilesKeepTheTree) {
    TKeyvaleTree loaded;
    TDatabaseLoadResult missing = Load(loaded, *keys);
    EXPECT_EQ(missing.status, TDatabaseLoadStatus::Failed);
    EXPECT_EQ(missing.message, Prefix() + "This file may be locked by another program.");
    EXPECT_EQ(Outline(loaded), "sentinel [1]\n");

    WriteTextFile(file, "");
    EXPECT_EQ(Load(loaded, *keys).message,
              Prefix() + "This file is empty or locked by another program.");
    EXPECT_EQ(Outline(loaded), "sentinel [1]\n");
}

TEST_F(DatabaseFile, ShortTruncatedAndWrongKeyGiveTheWrongPasswordText) {
    ASSERT_TRUE(SaveDatabaseFile(file, tree, *keys).saved);
    TByteArray good;
    ASSERT_EQ(LoadBytesFromFile(good, file), "");

    TKeyvaleTree loaded;
    TDatabaseLoadResult wrongKey = Load(loaded, *otherKeys);
    EXPECT_EQ(wrongKey.status, TDatabaseLoadStatus::WrongPassword);
    EXPECT_EQ(wrongKey.message, kWrongPassword);
    EXPECT_EQ(Outline(loaded), "sentinel [1]\n");

    for (std::size_t size :
         {std::size_t{1}, std::size_t{1000}, std::size_t{2000}, good.size() - 1, good.size() / 2}) {
        TByteArray part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        ASSERT_EQ(SaveBytesToFile(part, file), "");
        TDatabaseLoadResult result = Load(loaded, *keys);
        EXPECT_EQ(result.status, TDatabaseLoadStatus::WrongPassword) << size;
        EXPECT_EQ(result.message, kWrongPassword) << size;
        EXPECT_EQ(Outline(loaded), "sentinel [1]\n") << size;
    }
}

TEST_F(DatabaseFile, BitFlipsNeverLoadAsData) {
    ASSERT_TRUE(SaveDatabaseFile(file, tree, *keys).saved);
    TByteArray good;
    ASSERT_EQ(LoadBytesFromFile(good, file), "");
    std::size_t textLength = good.size() - 2000;
    // A flip inside the enciphered tree text passes the password verifier;
    // the frame of special folder lines is what tells the damage.
    for (std::size_t at : {std::size_t{0}, textLength / 3, textLength / 2, textLength - 1}) {
        TByteArray damaged = good;
        damaged[at] ^= 0x10;
        ASSERT_EQ(SaveBytesToFile(damaged, file), "");
        TKeyvaleTree loaded;
        TDatabaseLoadResult result = Load(loaded, *keys);
        EXPECT_EQ(result.status, TDatabaseLoadStatus::Failed) << "bit flipped at " << at;
        EXPECT_EQ(result.message, Prefix() + kDamagedFileReason) << "bit flipped at " << at;
        EXPECT_TRUE(loaded.IsEmpty()) << "no garbage tree";
    }
    for (std::size_t at : {textLength, textLength + 700, good.size() - 1}) {
        TByteArray damaged = good;
        damaged[at] ^= 0x01;
        ASSERT_EQ(SaveBytesToFile(damaged, file), "");
        TKeyvaleTree loaded;
        TDatabaseLoadResult result = Load(loaded, *keys);
        EXPECT_EQ(result.status, TDatabaseLoadStatus::WrongPassword) << "tail flipped at " << at;
        EXPECT_EQ(Outline(loaded), "sentinel [1]\n");
    }
}

TEST_F(DatabaseFile, UnframedOrUnparsablePlaintextLeavesAnEmptyTree) {
    const std::string s(300, 'S');
    struct Case {
        const char* what;
        std::string plaintext;
        std::string reason;
    };
    const Case cases[] = {
        {"no frame", "Mail\r\n\tx\r\n", kDamagedFileReason},
        {"frame broken at the end", s + "\r\nMail\r\n" + s + "\x01\r\n", kDamagedFileReason},
        {"jump of two levels", s + "\r\nMail\r\n\t\t\tDeep\r\n" + s + "\r\n",
         "[TreeTextError] Invalid level (3) for item \"Deep\""},
    };
    for (const Case& c : cases) {
        TByteArray payload(c.plaintext.begin(), c.plaintext.end());
        TByteArray key = KvUnwrapKey(keys->A_GLOBAL_BH, keys->A_GLOBAL_DH);
        ASSERT_EQ(KvCryptPayload(payload, key, keys->A_GLOBAL_TH, keys->A_GLOBAL_SH1,
                                 keys->A_GLOBAL_SH2, true),
                  "");
        ASSERT_EQ(SaveBytesToFile(payload, file), "");
        TKeyvaleTree loaded;
        TDatabaseLoadResult result = Load(loaded, *keys);
        EXPECT_EQ(result.status, TDatabaseLoadStatus::Failed) << c.what;
        EXPECT_EQ(result.message, Prefix() + c.reason) << c.what;
        EXPECT_TRUE(loaded.IsEmpty()) << c.what;
    }
}

TEST_F(DatabaseFile, NamesWithLeadingBlanksCannotReshapeTheTree) {
    TKeyvaleTree typed;
    TFolderCreateResult top = FolderCreate(typed, kNoNode, "Top");
    FolderCreate(typed, top.newNode, "\t  indented");
    FolderCreate(typed, kNoNode, "Second");
    ASSERT_TRUE(SaveDatabaseFile(file, typed, *keys).saved);
    TKeyvaleTree loaded;
    ASSERT_EQ(Load(loaded, *keys).status, TDatabaseLoadStatus::Loaded);
    EXPECT_EQ(Outline(loaded), "Top [0]\n  indented [1]\nSecond [1]\n");
}

// Many damaged copies of one file, in every region of its layout: the tree
// text, the verifier's seed half and digest half, the random block, and cut or
// lengthened files. Each must load as the saved tree or fail with one of the
// load failures, never as another tree. The test opens each copy the way the
// window does, backing the file up only after a successful load, so the
// backup must still hold the good file at the end.
TEST_F(DatabaseFile, DamagedFilesFailAndNeverReachTheBackup) {
    ASSERT_TRUE(SaveDatabaseFile(file, tree, *keys).saved);
    TByteArray good;
    ASSERT_EQ(LoadBytesFromFile(good, file), "");
    const std::size_t text = good.size() - 2000;
    const std::string backup = dir.File("Keyvale_Backup/test.backup_kvdb");

    std::mt19937 random(20261210);
    const auto at = [&](std::size_t from, std::size_t to) {
        return std::uniform_int_distribution<std::size_t>(from, to - 1)(random);
    };
    const auto flip = [&](std::size_t from, std::size_t to) {
        TByteArray damaged = good;
        damaged[at(from, to)] ^= static_cast<std::uint8_t>(1u << at(0, 8));
        return damaged;
    };
    const auto cut = [&](std::size_t size) {
        return TByteArray(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    };
    const auto extend = [&](const TByteArray& extra) {
        TByteArray damaged = good;
        damaged.insert(damaged.end(), extra.begin(), extra.end());
        return damaged;
    };

    struct Damage {
        std::string what;
        TByteArray bytes;
    };
    std::vector<Damage> damages;
    const struct {
        const char* name;
        std::size_t from, to;
    } regions[] = {{"tree text", 0, text},
                   {"verifier seed half", text, text + 500},
                   {"verifier digest half", text + 500, text + 1000},
                   {"random block", text + 1000, good.size()}};
    for (const auto& region : regions) {
        for (int i = 0; i < 8; ++i) {
            damages.push_back(
                {std::string("flip in ") + region.name, flip(region.from, region.to)});
        }
    }
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1001}, std::size_t{2000},
                             std::size_t{2001}, text, text + 1000, good.size() - 1}) {
        damages.push_back({"cut to " + std::to_string(size), cut(size)});
    }
    damages.push_back({"one zero byte added", extend({0})});
    damages.push_back({"1000 bytes added", extend(TByteArray(1000, 0xA5))});
    damages.push_back({"file twice", extend(good)});
    TByteArray shifted = good;
    shifted.erase(shifted.begin() + static_cast<std::ptrdiff_t>(text / 2));
    damages.push_back({"one byte of tree text missing", shifted});

    // The first open is good: it makes the backup.
    const auto open = [&](TKeyvaleTree& into) {
        TDatabaseLoadResult result = Load(into, *keys);
        if (result.status == TDatabaseLoadStatus::Loaded) {
            EXPECT_EQ(MakeBackupCopy(dir.Path(), file), "");
        }
        return result;
    };
    TKeyvaleTree loaded;
    ASSERT_EQ(open(loaded).status, TDatabaseLoadStatus::Loaded);

    const std::string readError = Prefix() + "This file is empty or locked by another program.";
    for (const Damage& damage : damages) {
        if (damage.bytes.empty()) {
            WriteTextFile(file, "");
        } else {
            ASSERT_EQ(SaveBytesToFile(damage.bytes, file), "");
        }
        TDatabaseLoadResult result = open(loaded);
        switch (result.status) {
        case TDatabaseLoadStatus::Loaded:
            EXPECT_EQ(Outline(loaded), Outline(tree)) << damage.what << ": a garbage tree";
            break;
        case TDatabaseLoadStatus::WrongPassword:
            EXPECT_EQ(result.message, kWrongPassword) << damage.what;
            EXPECT_EQ(Outline(loaded), "sentinel [1]\n") << damage.what;
            break;
        case TDatabaseLoadStatus::Failed:
            EXPECT_TRUE(result.message == Prefix() + kDamagedFileReason ||
                        result.message.rfind(Prefix() + "[" + kTreeTextErrorClass + "] ", 0) == 0 ||
                        result.message == readError)
                << damage.what << ": " << result.message;
            EXPECT_EQ(Outline(loaded), result.message == readError ? "sentinel [1]\n" : "")
                << damage.what << ": a read error keeps the tree, damage empties it";
            break;
        }
        EXPECT_NE(result.status, TDatabaseLoadStatus::Loaded)
            << damage.what << " loaded although the file is damaged";
    }
    TByteArray backedUp;
    ASSERT_EQ(LoadBytesFromFile(backedUp, backup), "");
    EXPECT_TRUE(backedUp == good) << "the backup still holds the good file";
}

} // namespace
