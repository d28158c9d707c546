#include "U_Keyvale_Read_Write_Settings.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kSkinCount = 60;

class SettingsFile : public ::testing::Test {
  protected:
    TempDir dir;
    std::string ini = dir.File("Keyvale.ini");
};

TEST_F(SettingsFile, WriteKeepsOtherSectionsKeysCommentsAndLineEndings) {
    WriteTextFile(ini, "; my notes\r\n"
                       "[Other]\r\n"
                       "SN=99\r\n"
                       "[keyvale]\r\n"
                       "Extra = kept \r\n"
                       "sn=3\r\n"
                       "\r\n"
                       "[Last]\r\n"
                       "X=1");
    ASSERT_TRUE(IniWriteString(ini, "SN", "12"));
    ASSERT_TRUE(IniWriteString(ini, "HL", "0050"));
    EXPECT_EQ(ReadTextFile(ini), "; my notes\r\n"
                                 "[Other]\r\n"
                                 "SN=99\r\n"
                                 "[keyvale]\r\n"
                                 "Extra = kept \r\n"
                                 "sn=12\r\n"
                                 "HL=0050\r\n"
                                 "\r\n"
                                 "[Last]\r\n"
                                 "X=1");
    EXPECT_EQ(IniReadString(ini, "SN"), "12");
    EXPECT_EQ(IniReadString(ini, "hl"), "0050");
    EXPECT_EQ(IniReadString(ini, "Extra"), " kept ");
}

TEST_F(SettingsFile, WriteCreatesFileAndAppendsMissingSection) {
    ASSERT_FALSE(IniFileExists(ini));
    ASSERT_TRUE(IniWriteString(ini, "HL", "7 "));
    EXPECT_TRUE(IniFileExists(ini));
    EXPECT_EQ(ReadTextFile(ini), "[Keyvale]\nHL=7 \n");
    EXPECT_EQ(IniReadString(ini, "HL"), "7 ") << "trailing blanks are part of the value";

    std::string other = dir.File("other.ini");
    WriteTextFile(other, "[A]\nk=v");
    ASSERT_TRUE(IniWriteString(other, "SN", "1"));
    EXPECT_EQ(ReadTextFile(other), "[A]\nk=v\n\n[Keyvale]\nSN=1\n");
}

// Found by fuzzing: a last line ending in a lone CR, once given a line ending
// of LF, read as CR LF and lost the CR from its value.
TEST_F(SettingsFile, WritingOneKeyNeverChangesAnotherValue) {
    const std::vector<std::string> files = {
        "SN; commen\n\r\n[keyvale]\r  ==  sn\n7 \r\nHL=00= 0\r",
        "[A]\nx=1\r",
        "[Keyvale]\nHL=12\r",
    };
    for (const std::string& content : files) {
        WriteTextFile(ini, content);
        const std::string hl = IniReadString(ini, "HL");
        const std::string x = IniReadString(ini, "x");
        ASSERT_TRUE(IniWriteString(ini, "SN", "17"));
        EXPECT_EQ(IniReadString(ini, "SN"), "17");
        EXPECT_EQ(IniReadString(ini, "HL"), hl) << content;
        EXPECT_EQ(IniReadString(ini, "x"), x) << content;
    }
}

TEST_F(SettingsFile, MissingFileSectionOrKeyReadsEmpty) {
    EXPECT_EQ(IniReadString(ini, "SN"), "");
    WriteTextFile(ini, "[Other]\nSN=5\n");
    EXPECT_EQ(IniReadString(ini, "SN"), "") << "a key of another section must not be read";
    WriteTextFile(ini, "[Keyvale]\nHL=40\n");
    EXPECT_EQ(IniReadString(ini, "SN"), "");
    EXPECT_EQ(IniReadString(dir.Path(), "SN"), "") << "a directory is no settings file";
}

TEST_F(SettingsFile, RefusedWritesLeaveTheFileAlone) {
    WriteTextFile(ini, "[Keyvale]\nSN=4\n");
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"", "1"}, {"S=N", "1"}, {"[SN", "1"}, {"SN", "1\nHL=5"}, {"SN", "1\r"}}) {
        EXPECT_FALSE(IniWriteString(ini, key, value)) << key << "=" << value;
    }
    EXPECT_EQ(ReadTextFile(ini), "[Keyvale]\nSN=4\n");
    EXPECT_FALSE(IniWriteString(dir.File("missing/folder/Keyvale.ini"), "SN", "1"));
}

TEST(SettingsRules, IsIntegerInRange) {
    struct Case {
        std::string text;
        std::int64_t minimum, maximum;
        bool expected;
    };
    const Case cases[] = {
        {"", 10, 1000, true},
        {"10", 10, 1000, true},
        {"1000", 10, 1000, true},
        {"9", 10, 1000, false},
        {"1001", 10, 1000, false},
        {"0050", 10, 1000, true},
        {"7 ", 1, 100, false},
        {" 7", 1, 100, false},
        {"+7", 1, 100, false},
        {"abc", 1, 100, false},
        {"12a", 1, 100, false},
        {"-1", -5, 5, true},
        {"-", -5, 5, false},
        {"0x10", 0, 100, false},
        {"9223372036854775807", 0, INT64_MAX, true},
        {"9223372036854775808", 0, INT64_MAX, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsIntegerInRange(c.text, c.minimum, c.maximum), c.expected)
            << '"' << c.text << '"';
    }
}

TEST(SettingsRules, SkinIndexNeedsTheExactDecimalForm) {
    const std::pair<std::string, int> cases[] = {
        {"1", 0},   {"40", 39}, {"60", 59}, {"", 39}, {"0", 39}, {"-1", 39},
        {"61", 39}, {"07", 39}, {"7 ", 39}, {"7", 6}, {"x", 39},
    };
    for (const auto& [sn, index] : cases) {
        EXPECT_EQ(SkinIndexFromSetting(sn, kSkinCount), index) << '"' << sn << '"';
    }
}

TEST(SettingsRules, HashLengthKeepsTheTextAsRead) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "30"},   {"9", "30"},      {"1001", "30"}, {"abc", "30"},
        {"50", "50"}, {"0050", "0050"}, {"10", "10"},   {"1000", "1000"},
    };
    for (const auto& [hl, field] : cases) {
        EXPECT_EQ(HashLengthFromSetting(hl), field) << '"' << hl << '"';
    }
}

// While a length is typed, the calculator works with (and a save keeps) the
// typed text only once it is a length; an emptied field is none.
TEST(SettingsRules, HashLengthInUseIsTheTypedOneOnlyWhenItIsALength) {
    struct Case {
        std::string typed, accepted, inUse;
    };
    const Case cases[] = {
        {"100", "40", "100"}, {"1", "40", "40"}, {"", "40", "40"},
        {"50 ", "40", "40"},  {"", "", "30"},    {"0050", "40", "0050"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HashLengthInUse(c.typed, c.accepted), c.inUse)
            << '"' << c.typed << "\" after \"" << c.accepted << '"';
    }
}

TEST_F(SettingsFile, DefaultsLeaveNoFileBehind) {
    SaveSettingsToIni(ini, kDefaultSkinIndex, "30");
    EXPECT_FALSE(IniFileExists(ini));
    TLoadedSettings loaded = LoadSettingsFromIni(ini, kSkinCount);
    EXPECT_EQ(loaded.skinIndex, kDefaultSkinIndex);
    EXPECT_EQ(loaded.hashLengthText, "30");
}

TEST_F(SettingsFile, ChangedLengthCreatesFileAndLaterRunsWriteBothKeys) {
    SaveSettingsToIni(ini, kDefaultSkinIndex, "50");
    EXPECT_EQ(ReadTextFile(ini), "[Keyvale]\nHL=50\n") << "SN is tested before the file exists";

    TLoadedSettings second = LoadSettingsFromIni(ini, kSkinCount);
    EXPECT_EQ(second.hashLengthText, "50");
    SaveSettingsToIni(ini, second.skinIndex, "30");
    EXPECT_EQ(IniReadString(ini, "SN"), "40");
    EXPECT_EQ(IniReadString(ini, "HL"), "30") << "once the file exists both keys are rewritten";
}

TEST_F(SettingsFile, ChangedSkinWritesBothKeysInOneRun) {
    SaveSettingsToIni(ini, 4, "30");
    EXPECT_EQ(ReadTextFile(ini), "[Keyvale]\nSN=5\nHL=30\n");
    EXPECT_EQ(LoadSettingsFromIni(ini, kSkinCount).skinIndex, 4);
}

TEST(SettingsRules, UnwritableFileIsSilent) {
    std::string ini = "/nonexistent-keyvale-folder/Keyvale.ini";
    SaveSettingsToIni(ini, 3, "77");
    EXPECT_FALSE(IniFileExists(ini));
    EXPECT_EQ(LoadSettingsFromIni(ini, kSkinCount).hashLengthText, "30");
}

TEST(SettingsRules, IniFilePathIsBesideTheExecutable) {
    char buffer[4096] = {};
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    ASSERT_GT(length, 0);
    std::filesystem::path executable(std::string(buffer, static_cast<std::size_t>(length)));
    EXPECT_EQ(IniFilePath(), (executable.parent_path() / "Keyvale.ini").string());
}

TEST(SettingsRules, InstalledProgramKeepsItsSettingsInTheConfigurationFolder) {
    struct Case {
        const char* what;
        bool writable;
        const char* xdg;
        const char* home;
        std::string path;
    };
    const Case cases[] = {
        {"started from its own folder", true, "/x", "/home/u", "/opt/kv/Keyvale.ini"},
        {"installed, XDG_CONFIG_HOME set", false, "/x/cfg", "/home/u",
         "/x/cfg/keyvale/Keyvale.ini"},
        {"installed, no XDG_CONFIG_HOME", false, nullptr, "/home/u",
         "/home/u/.config/keyvale/Keyvale.ini"},
        {"installed, empty XDG_CONFIG_HOME", false, "", "/home/u",
         "/home/u/.config/keyvale/Keyvale.ini"},
        {"installed, relative XDG_CONFIG_HOME", false, "cfg", "/home/u",
         "/home/u/.config/keyvale/Keyvale.ini"},
        {"installed, no home either", false, nullptr, nullptr, "/opt/kv/Keyvale.ini"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniFilePathFor("/opt/kv", c.writable, c.xdg, c.home), c.path) << c.what;
    }
    TempDir dir;
    EXPECT_TRUE(IsWritableFolder(dir.Path()));
    EXPECT_FALSE(IsWritableFolder(dir.File("missing")));
}

TEST(SettingsRules, ClipboardAndLockingValues) {
    struct Case {
        std::string stored;
        int clipboardSeconds;
        int lockMinutes;
    };
    const Case cases[] = {
        {"", 10, 0},   {"0", 0, 0}, {"5", 5, 5},  {"30", 30, 30}, {"600", 600, 0}, {"601", 10, 0},
        {"-1", 10, 0}, {"3", 3, 0}, {"05", 5, 0}, {"2 ", 10, 0},  {"abc", 10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClipboardClearSecondsFromSetting(c.stored), c.clipboardSeconds) << c.stored;
        EXPECT_EQ(LockAfterIdleMinutesFromSetting(c.stored), c.lockMinutes) << c.stored;
    }
}

TEST(SettingsRules, AllSettingsRoundTripAndAFirstRunCreatesTheFolder) {
    TempDir dir;
    const std::string ini = dir.File("config/keyvale/Keyvale.ini");

    SaveSettingsToIni(ini, TLoadedSettings{});
    EXPECT_FALSE(std::filesystem::exists(dir.File("config"))) << "defaults leave nothing behind";

    TLoadedSettings chosen;
    chosen.clipboardClearSeconds = 0;
    chosen.lockAfterIdleMinutes = 5;
    SaveSettingsToIni(ini, chosen);
    EXPECT_EQ(ReadTextFile(ini), "[Keyvale]\nClipboardClearSeconds=0\nLockAfterIdleMinutes=5\n");
    TLoadedSettings loaded = LoadSettingsFromIni(ini, kSkinCount);
    EXPECT_EQ(loaded.clipboardClearSeconds, 0);
    EXPECT_EQ(loaded.lockAfterIdleMinutes, 5);
    EXPECT_EQ(loaded.skinIndex, kDefaultSkinIndex);

    // Once the file exists, every key is written, defaults included.
    SaveSettingsToIni(ini, TLoadedSettings{});
    EXPECT_EQ(ReadTextFile(ini), "[Keyvale]\nClipboardClearSeconds=10\nLockAfterIdleMinutes=0\n"
                                 "SN=40\nHL=30\n");
}

} // namespace
