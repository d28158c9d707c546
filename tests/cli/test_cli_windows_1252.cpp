#include "cli_fixture.h"
#include "windows_1252_database.h"

namespace cli_test {

// A database written on Windows opens with the password as typed here, shows
// its names and fields in UTF-8, and says once that it was converted.
TEST_F(Cli, DatabaseWrittenOnWindows) {
    TKeyMaterial windowsKeys;
    ASSERT_EQ(KvDeriveKeyMaterial(windows_1252::kPassword1252, windowsKeys), "");
    ASSERT_EQ(windows_1252::WriteDatabase(db, windowsKeys), "");
    const std::string password = std::string(windows_1252::kPasswordUtf8) + "\n";

    Outcome roots = Run({"ls", db}, password);
    ASSERT_EQ(roots.exitCode, 0) << roots.err;
    EXPECT_EQ(roots.out, "folder\tCaf\xC3\xA9s\nempty\tPlain ASCII\n");
    EXPECT_NE(roots.err.find("Windows-1252"), std::string::npos) << roots.err;

    Outcome shown =
        Run({"show", db, "Caf\xC3\xA9s/M\xC3\xBCller \xE2\x82\xAC", "--show-password"}, password);
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("Password: p\xC3\xA4ss\xE2\x80\x9Cword\xE2\x80\x9D\n"),
              std::string::npos)
        << shown.out;
}

} // namespace cli_test
