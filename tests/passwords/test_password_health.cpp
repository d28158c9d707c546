// The password health report: findings per record, reuse, order, folders.
#include "U_Keyvale_Password_Health.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace {

using F = THealthFinding;

const THealthRow* RowOf(const THealthReport& report, TNodeHandle node) {
    for (const THealthRow& row : report.rows) {
        if (row.node == node) {
            return &row;
        }
    }
    return nullptr;
}

// One record per case, each in a tree of its own, so no case sees another's
// password as reused.
TEST(PasswordHealth, FindingsTable) {
    struct Case {
        const char* name;
        TRecordFields fields;
        std::vector<F> expected; // empty: not listed
    };
    const Case cases[] = {
        {"Bank", {"ann", "vT9#qLm2$wZx8!rKp4&e", "", "", ""}, {}},
        {"Bank", {"ann", "correct-horse-battery-staple-orbit", "", "", ""}, {}},
        {"Bank", {"ann", "password1", "", "", ""}, {F::VeryWeak, F::Short}},
        {"Bank", {"ann", "", "", "", ""}, {F::Empty}},
        {"Bank", {"ann", "Qx7#vLp2$m", "", "", ""}, {F::Short}},
        {"github.com",
         {"ann", "GitHub2024!", "", "", ""},
         {F::VeryWeak, F::ContainsName, F::Short}},
        // Only the record's own words make this one weak: alone it passes.
        {"github.com", {"ann", "GitHub2024!Octo", "", "", ""}, {F::Weak, F::ContainsName}},
        {"Code",
         {"ann", "GitHub2024!Octo", "", "https://www.github.com/login", ""},
         {F::Weak, F::ContainsSite}},
        {"Code", {"octocat", "Octocat#2024!zz", "", "", ""}, {F::Weak, F::ContainsLogin}},
        {"Code",
         {"", "Octocat#2024!zz", "octocat@example.org", "", ""},
         {F::Weak, F::ContainsLogin}},
        // "com" and "www" are in every address; a password holding them
        // contains no site.
        {"Shop", {"ann", "wwwCom!Tr4v3l-Zebra-9q", "", "https://www.shop.com", ""}, {}},
    };
    for (const Case& c : cases) {
        TKeyvaleTree tree;
        const TNodeHandle node = AddRecord(tree, kNoNode, c.name, c.fields);
        const THealthReport report = BuildHealthReport(tree);
        EXPECT_EQ(report.recordsChecked, 1u);
        const THealthRow* row = RowOf(report, node);
        if (c.expected.empty()) {
            EXPECT_EQ(row, nullptr) << c.fields.password << " " << row->guessesLog10;
        } else {
            ASSERT_NE(row, nullptr) << c.fields.password;
            EXPECT_EQ(row->findings, c.expected) << c.fields.password;
        }
    }
}

TEST(PasswordHealth, GitHubPasswordIsWeakOnlyThroughTheRecordsWords) {
    const double alone = EstimateGuessesLog10("GitHub2024!Octo", {});
    const double withWords = EstimateGuessesLog10("GitHub2024!Octo", RecordWords("github.com", {}));
    EXPECT_GE(alone, kWeakGuessesLog10);
    EXPECT_LT(withWords, alone);
    EXPECT_LT(withWords, kWeakGuessesLog10);
}

// The site's words come from the URL's own host, never from a URL in its
// query or fragment, nor from an IPv6 address.
TEST(PasswordHealth, SiteWordsComeFromTheUrlsHost) {
    struct Case {
        const char* url;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"shop.example/?next=https://evil.org", {"shop.example", "shop"}},
        {"https://Ann@Shop.Example:8443/#https://evil.org", {"shop.example", "shop"}},
        {"https://[2001:db8::1]/login", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordWords("", {"", "", "", c.url, ""}), c.words) << c.url;
    }
}

// A password in three records: each record listed once, naming the other two.
TEST(PasswordHealth, ReuseNamesTheOtherRecords) {
    TKeyvaleTree tree;
    const TNodeHandle mail = AddFolder(tree, kNoNode, "Mail");
    const TNodeHandle a =
        AddRecord(tree, mail, "Alpha", {"a", "Shared#Secret-2024-xyz", "", "", ""});
    const TNodeHandle b =
        AddRecord(tree, kNoNode, "Beta", {"b", "Shared#Secret-2024-xyz", "", "", ""});
    const TNodeHandle c =
        AddRecord(tree, mail, "Gamma", {"c", "Shared#Secret-2024-xyz", "", "", ""});
    const TNodeHandle d =
        AddRecord(tree, kNoNode, "Delta", {"d", "Other#Secret-2024-xyz", "", "", ""});
    // Empty passwords are reported as empty, never as shared by each other.
    const TNodeHandle e1 = AddRecord(tree, kNoNode, "Empty 1", {"e", "", "", "", ""});
    const TNodeHandle e2 = AddRecord(tree, kNoNode, "Empty 2", {"e", "", "", "", ""});
    const THealthReport report = BuildHealthReport(tree);
    ASSERT_EQ(report.rows.size(), 5u);
    const std::pair<TNodeHandle, std::vector<TNodeHandle>> expected[] = {
        {a, {c, b}}, {b, {a, c}}, {c, {a, b}}}; // others in tree order
    for (const auto& [node, others] : expected) {
        const THealthRow* row = RowOf(report, node);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->findings, std::vector<F>{F::Reused});
        EXPECT_EQ(row->reusedWith, others);
    }
    EXPECT_EQ(RowOf(report, d), nullptr);
    for (TNodeHandle empty : {e1, e2}) {
        EXPECT_EQ(RowOf(report, empty)->findings, std::vector<F>{F::Empty});
        EXPECT_TRUE(RowOf(report, empty)->reusedWith.empty());
    }
    EXPECT_EQ(report.folderCounts.at(mail), 2);
    EXPECT_EQ(report.folderCounts.size(), 1u);
}

// Most severe first, then by name whatever the case of its letters; folders
// count the listed records at every depth below them.
TEST(PasswordHealth, OrderAndFolderCounts) {
    TKeyvaleTree tree;
    const TNodeHandle top = AddFolder(tree, kNoNode, "Top");
    const TNodeHandle inner = AddFolder(tree, top, "Inner");
    AddRecord(tree, inner, "zeta", {"x", "Qx7#vLp2$m", "", "", ""}); // short
    AddRecord(tree, top, "Alpha", {"x", "Qx7#vLp2$n", "", "", ""});  // short
    AddRecord(tree, kNoNode, "beta", {"x", "", "", "", ""});         // empty
    AddRecord(tree, top, "Fine", {"x", "vT9#qLm2$wZx8!rKp4&e", "", "", ""});
    AddRecord(tree, inner, "Mid", {"x", "password1", "", "", ""}); // very weak
    const THealthReport report = BuildHealthReport(tree);
    std::vector<std::string> names;
    for (const THealthRow& row : report.rows) {
        names.push_back(row.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"beta", "Mid", "Alpha", "zeta"}));
    EXPECT_EQ(report.recordsChecked, 5u);
    EXPECT_EQ(report.folderCounts.at(top), 3);
    EXPECT_EQ(report.folderCounts.at(inner), 2);
}

// The inputs copied on the caller's thread hold no readable password, and a
// large database gives the same report on one thread or several.
TEST(PasswordHealth, InputsHoldNoPasswordAndThreadsAgree) {
    TKeyvaleTree tree;
    for (int i = 0; i < 600; ++i) {
        // Every third record shares one of seven weak passwords.
        const std::string password = i % 3 == 0 ? "password" + std::to_string(i % 7)
                                                : "Unique#Pass-" + std::to_string(i) + "-qZ";
        AddRecord(tree, kNoNode, "R" + std::to_string(i), {"u", password, "", "", ""});
    }
    std::vector<THealthInput> inputs = CollectHealthInputs(tree);
    ASSERT_EQ(inputs.size(), 600u);
    for (const THealthInput& input : inputs) {
        EXPECT_EQ(input.data.find("password"), std::string::npos);
        EXPECT_EQ(input.data.find("Unique#Pass"), std::string::npos);
    }
    const THealthReport one = BuildHealthReport(inputs, 1);
    const THealthReport two = BuildHealthReport(inputs, 2);
    ASSERT_EQ(one.rows.size(), 200u);
    ASSERT_EQ(two.rows.size(), 200u);
    for (std::size_t i = 0; i < one.rows.size(); ++i) {
        EXPECT_EQ(one.rows[i].node, two.rows[i].node);
        EXPECT_EQ(one.rows[i].findings, (std::vector<F>{F::VeryWeak, F::Reused, F::Short}));
        EXPECT_EQ(one.rows[i].reusedWith, two.rows[i].reusedWith);
        EXPECT_GE(one.rows[i].reusedWith.size(), 27u);
    }
}

// A stop asked for before the build judges nothing and says so; a stop
// never asked for changes nothing.
TEST(PasswordHealth, AStoppedBuildListsNothing) {
    TKeyvaleTree tree;
    for (int i = 0; i < 300; ++i) {
        AddRecord(tree, kNoNode, "R" + std::to_string(i), {"u", "password", "", "", ""});
    }
    const std::vector<THealthInput> inputs = CollectHealthInputs(tree);
    for (const unsigned threads : {1u, 2u}) {
        std::atomic<bool> stop{true};
        const THealthReport stopped = BuildHealthReport(inputs, threads, &stop);
        EXPECT_TRUE(stopped.stopped);
        EXPECT_TRUE(stopped.rows.empty());
        EXPECT_TRUE(stopped.folderCounts.empty());
        EXPECT_EQ(stopped.recordsChecked, 0u);

        stop = false;
        const THealthReport whole = BuildHealthReport(inputs, threads, &stop);
        EXPECT_FALSE(whole.stopped);
        EXPECT_EQ(whole.recordsChecked, 300u);
        EXPECT_EQ(whole.rows.size(), 300u);
    }
}

} // namespace
