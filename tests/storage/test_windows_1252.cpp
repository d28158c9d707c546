#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "U_Keyvale_Windows_1252.h"
#include "temp_dir.h"
#include "tree_fixture.h"
#include "windows_1252_database.h"

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, ConvertsEveryByteAndBack) {
    struct Case {
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"plain ASCII", "plain ASCII"},
        {"caf\xE9", "caf\xC3\xA9"},             // Latin-1 half
        {"\x80 \x9F", "\xE2\x82\xAC \xC5\xB8"}, // euro sign, capital Y with diaeresis
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"}, // undefined bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Windows1252ToUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(Windows1252BytesOf(c.utf8), c.bytes) << c.utf8;
    }
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    std::string text = Windows1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(Windows1252BytesOf(text), all) << "every byte comes back";
}

TEST(Windows1252, PasswordBytesOnlyWhenEveryCharacterFits) {
    EXPECT_EQ(Windows1252BytesOf("Passw\xC3\xB6rt\xE2\x82\xAC"), "Passw\xF6rt\x80");
    EXPECT_EQ(Windows1252BytesOf("\xD0\x96uk"), std::nullopt) << "Cyrillic";
    EXPECT_EQ(Windows1252BytesOf("smile \xF0\x9F\x98\x80"), std::nullopt) << "outside the BMP";
    EXPECT_EQ(Windows1252BytesOf("\xC4\x80"), std::nullopt) << "A with macron";
}

TEST(Windows1252, OnlyInvalidUtf8IsConverted) {
    bool converted = false;
    EXPECT_EQ(TextFromUtf8OrWindows1252("Z\xC3\xBCrich", converted), "Z\xC3\xBCrich");
    EXPECT_FALSE(converted);
    EXPECT_EQ(TextFromUtf8OrWindows1252("Z\xFCrich", converted), "Z\xC3\xBCrich");
    EXPECT_TRUE(converted);
    EXPECT_EQ(TextFromUtf8OrWindows1252("ok", converted), "ok");
    EXPECT_TRUE(converted) << "the flag is never cleared";
}

class WindowsDatabase : public ::testing::Test {
  protected:
    static constexpr const char* kPasswordUtf8 = windows_1252::kPasswordUtf8;

    static void SetUpTestSuite() {
        windowsKeys = new TKeyMaterial;
        ASSERT_EQ(KvDeriveKeyMaterial(windows_1252::kPassword1252, *windowsKeys), "");
    }
    static void TearDownTestSuite() { delete windowsKeys; }
    static TKeyMaterial* windowsKeys;

    void WriteWindowsFile() { ASSERT_EQ(windows_1252::WriteDatabase(file, *windowsKeys), ""); }

    static void ExpectConvertedContent(const TKeyvaleTree& tree) {
        EXPECT_EQ(Outline(tree), "Caf\xC3\xA9s [0]\n"
                                 "  M\xC3\xBCller \xE2\x82\xAC [2]\n"
                                 "    #data [1]\n"
                                 "Plain ASCII [1]\n");
        TNodeHandle record = FindByName(tree, "M\xC3\xBCller \xE2\x82\xAC");
        ASSERT_NE(record, kNoNode);
        const std::string& data = tree.Text(tree.FirstChild(record));
        EXPECT_TRUE(IsValidUtf8(KvDecipherText(data))) << "record stored as UTF-8";
        EXPECT_EQ(RecordDataDecode(data), windows_1252::ConvertedFields());
    }

    TempDir dir;
    std::string file = dir.File("windows.kvdb");
};
TKeyMaterial* WindowsDatabase::windowsKeys = nullptr;

TEST_F(WindowsDatabase, OpensWithTheTypedPasswordAndConvertsNamesAndRecords) {
    WriteWindowsFile();
    TKeyMaterial keys;
    TKeyvaleTree tree;
    TDatabaseLoadResult result = LoadDatabaseFileWithPassword(file, kPasswordUtf8, keys, tree);
    ASSERT_EQ(result.status, TDatabaseLoadStatus::Loaded) << result.message;
    EXPECT_TRUE(result.windows1252Password);
    EXPECT_TRUE(result.convertedFromWindows1252);
    ExpectConvertedContent(tree);

    // Saved back, the file is UTF-8 throughout and still opens with the
    // password as typed; nothing is left to convert.
    ASSERT_TRUE(SaveDatabaseFile(file, tree, keys).saved);
    TKeyMaterial again;
    TKeyvaleTree reloaded;
    TDatabaseLoadResult second = LoadDatabaseFileWithPassword(file, kPasswordUtf8, again, reloaded);
    ASSERT_EQ(second.status, TDatabaseLoadStatus::Loaded) << second.message;
    EXPECT_FALSE(second.convertedFromWindows1252);
    ExpectConvertedContent(reloaded);
}

// A reader that never saves may leave the records as stored: they read the
// same, and the names are converted all the same.
TEST_F(WindowsDatabase, RecordsLeftAsStoredReadTheSame) {
    WriteWindowsFile();
    TKeyMaterial keys;
    TKeyvaleTree tree;
    TDatabaseLoadResult result =
        LoadDatabaseFileWithPassword(file, kPasswordUtf8, keys, tree, TLegacyRecords::AsStored);
    ASSERT_EQ(result.status, TDatabaseLoadStatus::Loaded) << result.message;
    EXPECT_TRUE(result.convertedFromWindows1252);
    TNodeHandle record = FindByName(tree, "M\xC3\xBCller \xE2\x82\xAC");
    ASSERT_NE(record, kNoNode);
    const std::string& data = tree.Text(tree.FirstChild(record));
    EXPECT_FALSE(IsValidUtf8(KvDecipherText(data))) << "record left in its Windows-1252 bytes";
    EXPECT_EQ(RecordDataDecode(data), windows_1252::ConvertedFields());
}

TEST_F(WindowsDatabase, PasswordRetryIsOnceAndOnlyForWindows1252Characters) {
    WriteWindowsFile();
    struct Case {
        const char* what;
        std::string password;
    };
    const Case cases[] = {
        {"another password with the same letters", "Passw\xC3\xB6rt\xE2\x82\xAC!"},
        {"a character outside the code page", "Passw\xC3\xB6rt\xE2\x82\xAC\xD0\x96"},
        {"plain ASCII", "Passwort"},
    };
    for (const Case& c : cases) {
        TKeyMaterial keys;
        TKeyvaleTree tree;
        tree.AddChild(kNoNode, "sentinel", kIconEmpty);
        TDatabaseLoadResult result = LoadDatabaseFileWithPassword(file, c.password, keys, tree);
        EXPECT_EQ(result.status, TDatabaseLoadStatus::WrongPassword) << c.what;
        EXPECT_FALSE(result.windows1252Password) << c.what;
        EXPECT_EQ(Outline(tree), "sentinel [1]\n") << c.what;
        EXPECT_TRUE(std::all_of(keys.A_GLOBAL_DH.begin(), keys.A_GLOBAL_DH.end(),
                                [](std::uint8_t b) { return b == 0; }))
            << c.what << ": no key material outlives a failed attempt";
    }
}

TEST_F(WindowsDatabase, UtfEightDatabaseOpensWithoutRetryAndDerivationErrorsAreReported) {
    TKeyMaterial utf8Keys;
    ASSERT_EQ(KvDeriveKeyMaterial(kPasswordUtf8, utf8Keys), "");
    TKeyvaleTree tree;
    AddRecord(tree, AddFolder(tree, kNoNode, "Caf\xC3\xA9"), "r", {"l", "p\xC3\xA4ss", "", "", ""});
    ASSERT_TRUE(SaveDatabaseFile(file, tree, utf8Keys).saved);

    TKeyMaterial keys;
    TKeyvaleTree loaded;
    TDatabaseLoadResult result = LoadDatabaseFileWithPassword(file, kPasswordUtf8, keys, loaded);
    ASSERT_EQ(result.status, TDatabaseLoadStatus::Loaded) << result.message;
    EXPECT_FALSE(result.windows1252Password);
    EXPECT_FALSE(result.convertedFromWindows1252);
    EXPECT_EQ(Outline(loaded), Outline(tree));

    TDatabaseLoadResult tooLong =
        LoadDatabaseFileWithPassword(file, std::string(1001, 'p'), keys, loaded);
    EXPECT_EQ(tooLong.status, TDatabaseLoadStatus::Failed);
    EXPECT_EQ(tooLong.message, KvPasswordTooLongText);
}

} // namespace
