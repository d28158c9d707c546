// The generator's options in Keyvale.ini.
#include "U_Keyvale_Generator_Settings.h"
#include "U_Keyvale_Read_Write_Settings.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(GeneratorSettings, DefaultsLeaveNoFileAndChoicesRoundTrip) {
    TempDir dir;
    const std::string ini = dir.File("config/keyvale/Keyvale.ini");
    EXPECT_EQ(LoadGeneratorSettings(ini), TGeneratorSettings{});
    EXPECT_TRUE(SaveGeneratorSettings(ini, TGeneratorSettings{}));
    EXPECT_FALSE(IniFileExists(ini));

    TGeneratorSettings chosen;
    chosen.password.length = kGeneratorMaximumLength;
    chosen.password.symbols = false;
    chosen.password.noLookAlikes = true;
    chosen.passphrase = true;
    chosen.phrase = {12, " "};
    ASSERT_TRUE(SaveGeneratorSettings(ini, chosen)); // a first run creates the folder
    EXPECT_EQ(LoadGeneratorSettings(ini), chosen);
    // Back to the defaults: written over, not left as they were.
    ASSERT_TRUE(SaveGeneratorSettings(ini, TGeneratorSettings{}));
    EXPECT_EQ(LoadGeneratorSettings(ini), TGeneratorSettings{});
}

// A damaged or hand-edited value falls back to its own default only.
TEST(GeneratorSettings, ValuesOutsideTheOptionsGiveTheirDefaults) {
    TempDir dir;
    const std::string ini = dir.File("Keyvale.ini");
    const struct {
        const char* key;
        const char* value;
    } stored[] = {
        {kIniKeyGeneratorLength, "7"},       {kIniKeyGeneratorWords, "21"},
        {kIniKeyGeneratorSeparator, "ab"},   {kIniKeyGeneratorLower, "yes"},
        {kIniKeyGeneratorUpper, "0"},        {kIniKeyGeneratorPassphrase, "1 "},
        {kIniKeyGeneratorNoLookAlikes, "1"},
    };
    for (const auto& s : stored) {
        ASSERT_TRUE(IniWriteString(ini, s.key, s.value));
    }
    TGeneratorSettings expected;
    expected.password.upper = false;
    expected.password.noLookAlikes = true;
    EXPECT_EQ(LoadGeneratorSettings(ini), expected);
    ASSERT_TRUE(IniWriteString(ini, kIniKeyGeneratorLength, "0128"));
    EXPECT_EQ(LoadGeneratorSettings(ini).password.length, 128u);

    // No class chosen is read as the four the generator then draws, so that
    // the options show what Generate does.
    for (const char* key : {kIniKeyGeneratorLower, kIniKeyGeneratorUpper, kIniKeyGeneratorDigits,
                            kIniKeyGeneratorSymbols}) {
        ASSERT_TRUE(IniWriteString(ini, key, "0"));
    }
    const TPasswordRules read = LoadGeneratorSettings(ini).password;
    EXPECT_TRUE(read.lower && read.upper && read.digits && read.symbols);
    EXPECT_TRUE(read.noLookAlikes);
}

// What is typed into the length and the words: a number out of the range is
// brought to its nearer end, anything else keeps the current value; both say
// so. Typed one digit at a time, "129" must not end as the "12" before it.
TEST(GeneratorSettings, TypedNumbersAreClampedOrKeptAndSaySo) {
    const struct {
        bool words;
        const char* typed;
        std::size_t value;
        const char* note;
    } cases[] = {
        {false, "129", 128, "A password has 8 to 128 characters: 128 are used, not 129."},
        {false, "7", 8, "A password has 8 to 128 characters: 8 are used, not 7."},
        {false, "0", 8, "A password has 8 to 128 characters: 8 are used, not 0."},
        {false, "99999999999999999999999", 128,
         "A password has 8 to 128 characters: 128 are used, not 99999999999999999999999."},
        {false, "0064", 64, ""},
        {false, "8", 8, ""},
        {false, "128", 128, ""},
        {false, "", 20, "A password has 8 to 128 characters: 20 stay."},
        {false, "-5", 20, "A password has 8 to 128 characters: 20 stay, \"-5\" is no number."},
        {true, "21", 20, "A passphrase has 3 to 20 words: 20 are used, not 21."},
        {true, "2", 3, "A passphrase has 3 to 20 words: 3 are used, not 2."},
        {true, "12", 12, ""},
    };
    for (const auto& c : cases) {
        const TOptionNumber read =
            c.words ? ReadPassphraseWords(c.typed, 20) : ReadGeneratorLength(c.typed, 20);
        EXPECT_EQ(read.value, c.value) << c.typed;
        EXPECT_EQ(read.note, c.note) << c.typed;
    }
}

TEST(GeneratorSettings, DescriptionSaysWhatGenerateMakes) {
    TGeneratorSettings settings;
    EXPECT_EQ(DescribeGeneratorSettings(settings),
              "20 characters from a–z, A–Z, 0–9 and symbols, at least one of each.");
    settings.password = {12, false, false, true, false, true, ""};
    EXPECT_EQ(DescribeGeneratorSettings(settings), "12 characters from 0–9, without I l 1 O 0.");
    EXPECT_EQ(PasswordClassesProblem(settings.password), "");
    settings.password.digits = false;
    EXPECT_EQ(PasswordClassesProblem(settings.password),
              "A password needs at least one kind of character.");
    settings.passphrase = true;
    settings.phrase = {5, "."};
    EXPECT_EQ(DescribeGeneratorSettings(settings),
              "5 words of the 7,776-word list, joined by \".\".");
}

} // namespace
