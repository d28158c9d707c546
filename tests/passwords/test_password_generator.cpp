// The generator behind the window's button and keyvale-cli generate.
#include "U_Keyvale_Password_Generator.h"
#include "U_Keyvale_Word_List.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace {

const std::string kLower = "abcdefghijklmnopqrstuvwxyz";
const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";

TEST(PasswordGenerator, OptionsTable) {
    struct Case {
        TPasswordRules rules;
        std::vector<std::string> required; // one character of each at least
        std::string forbidden;
    };
    TPasswordRules all;
    all.length = kGeneratorMinimumLength;
    TPasswordRules longest;
    longest.length = kGeneratorMaximumLength;
    longest.noLookAlikes = true;
    TPasswordRules digitsOnly;
    digitsOnly.digits = true;
    digitsOnly.noLookAlikes = true;
    TPasswordRules letters;
    letters.lower = letters.upper = true;
    letters.noLookAlikes = true;
    letters.length = 12;
    const Case cases[] = {
        {all, {kLower, kUpper, kDigits}, " "},
        {longest, {kLower, kUpper, kDigits}, std::string(kLookAlikeCharacters)},
        {digitsOnly, {"23456789"}, "01" + kLower + kUpper},
        {letters, {kLower, kUpper}, "Il" + kDigits},
    };
    for (const Case& c : cases) {
        for (int run = 0; run < 20; ++run) {
            std::string password;
            ASSERT_EQ(GeneratePassword(c.rules, password), "");
            EXPECT_EQ(password.size(), c.rules.length);
            for (const std::string& set : c.required) {
                EXPECT_NE(password.find_first_of(set), std::string::npos) << password;
            }
            EXPECT_EQ(password.find_first_of(c.forbidden), std::string::npos) << password;
        }
    }
}

TEST(PasswordGenerator, RefusesRulesItCannotMeet) {
    TPasswordRules tooShort;
    tooShort.length = 3; // four classes
    TPasswordRules tooLong;
    tooLong.length = 1025;
    TPasswordRules nothingLeft;
    nothingLeft.digits = true;
    nothingLeft.exclude = "23456789";
    nothingLeft.noLookAlikes = true;
    for (const TPasswordRules& rules : {tooShort, tooLong, nothingLeft}) {
        std::string password = "old";
        EXPECT_NE(GeneratePassword(rules, password), "");
        EXPECT_EQ(password, "");
    }
}

TEST(PasswordGenerator, PassphraseWordsAndSeparator) {
    const auto list = EffLargeWordList();
    ASSERT_EQ(list.size(), 7776u);
    EXPECT_EQ(list.front(), "abacus");
    EXPECT_EQ(list.back(), "zoom");
    const std::set<std::string_view> words(list.begin(), list.end());
    EXPECT_EQ(words.size(), 7776u);

    const struct {
        std::size_t words;
        std::string separator;
    } cases[] = {{kDefaultPassphraseWords, "-"}, {3, " "}, {20, "."}, {5, "·"}};
    for (const auto& c : cases) {
        std::string phrase;
        ASSERT_EQ(GeneratePassphrase({c.words, c.separator}, phrase), "");
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t at; (at = phrase.find(c.separator, start)) != std::string::npos;
             start = at + c.separator.size()) {
            parts.push_back(phrase.substr(start, at - start));
        }
        parts.push_back(phrase.substr(start));
        // The list's few hyphenated words ("t-shirt") split in two with "-".
        if (c.separator != "-") {
            ASSERT_EQ(parts.size(), c.words) << phrase;
            for (const std::string& part : parts) {
                EXPECT_EQ(words.count(part), 1u) << part;
            }
        } else {
            EXPECT_GE(parts.size(), c.words) << phrase;
        }
    }
    for (const TPassphraseRules& bad : std::vector<TPassphraseRules>{
             {2, "-"}, {21, "-"}, {6, ""}, {6, "--"}, {6, "\n"}, {6, "\t"}}) {
        std::string phrase = "old";
        EXPECT_NE(GeneratePassphrase(bad, phrase), "") << bad.words << " " << bad.separator;
        EXPECT_EQ(phrase, "");
    }
}

// Every word index must be reachable and none favoured: 7776 does not divide
// 2^32, so a plain remainder would favour the low indices slightly, and a
// 16-bit draw by a third. 200,000 draws give about 25.7 per word.
TEST(PasswordGenerator, PassphraseWordsAreUniform) {
    const auto list = EffLargeWordList();
    std::vector<int> counts(list.size());
    std::string phrase;
    for (int run = 0; run < 10000; ++run) {
        ASSERT_EQ(GeneratePassphrase({20, " "}, phrase), "");
        std::size_t start = 0;
        for (std::size_t at = 0; at != std::string::npos; start = at + 1) {
            at = phrase.find(' ', start);
            const std::string word = phrase.substr(start, at - start);
            const auto it = std::lower_bound(list.begin(), list.end(), word);
            ASSERT_TRUE(it != list.end() && *it == word) << word;
            ++counts[static_cast<std::size_t>(it - list.begin())];
        }
    }
    const auto half = counts.begin() + counts.size() / 2;
    const long low = std::accumulate(counts.begin(), half, 0L);
    const long high = std::accumulate(half, counts.end(), 0L);
    EXPECT_NEAR(static_cast<double>(low) / high, 1.0, 0.02);
    EXPECT_LT(std::count(counts.begin(), counts.end(), 0), 5);
}

TEST(PasswordGenerator, StrengthOfTheOptions) {
    TPasswordRules rules;
    rules.length = 20;
    EXPECT_NEAR(PasswordStrengthLog10(rules), 20 * std::log10(94.0), 1e-9);
    rules.noLookAlikes = true;
    EXPECT_NEAR(PasswordStrengthLog10(rules), 20 * std::log10(89.0), 1e-9);
    EXPECT_NEAR(PassphraseStrengthLog10({6, "-"}), 6 * std::log10(7776.0), 1e-9);
}

// The separator follows the model's one rule of what a control character is.
TEST(PassphraseSeparator, ASeparatorIsNoControlOfEitherKind) {
    for (const char* separator : {"\x1b", "\x7f", "\t", "\xc2\x9b", "\xc2\x85"}) {
        EXPECT_NE(SeparatorProblem(separator), "") << separator;
    }
    for (const char* separator : {"-", " ", "\xc2\xa0", "\xc3\xa9"}) {
        EXPECT_EQ(SeparatorProblem(separator), "") << separator;
    }
}

} // namespace
