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
}

} // namespace
