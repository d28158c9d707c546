// The rules an import keeps in an existing tree: duplicates, repeated names,
// limits with the refused rows listed, the destination, and a preview that
// says exactly what the import then does.
#include "U_Keyvale_Import_Report.h"
#include "import_fixture.h"
#include "tree_fixture.h"

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;
const std::string kChromeHeader = "name,url,username,password,note\n";

std::string Repeated(const std::string& text, std::size_t count) {
    std::string result;
    for (std::size_t i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

const std::string kBitwardenHeader = "folder,favorite,type,name,notes,fields,reprompt,login_uri,"
                                     "login_username,login_password,login_totp\n";

// A duplicate is equal in everything: its place, its name and all five
// fields. Host, login and password alone make none: two routers with one
// admin/admin but their own notes, folders or TOTP secrets are two records.
TEST(ImportPlan, SkipsOnlyEntriesEqualInEveryFieldAndNamesEach) {
    const auto homeTree = [] {
        TKeyvaleTree tree;
        AddRecord(tree, AddFolder(tree, AddFolder(tree, kNoNode, "Home"), "Net"), "router",
                  {"admin", "admin", "", "http://192.168.1.1", "upstairs"});
        return tree;
    };
    const std::string csv = kBitwardenHeader +
                            "Net,,login,router,upstairs,,0,http://192.168.1.1,admin,admin,\n"   // 2
                            "Net,,login,router,downstairs,,0,http://192.168.1.1,admin,admin,\n" // 3
                            "Lab,,login,router,upstairs,,0,http://192.168.1.1,admin,admin,\n"   // 4
                            "Net,,login,router,upstairs,,0,http://192.168.1.1,admin,admin,"
                            "JBSWY3DP\n"                                                       // 5
                            "Net,,login,switch,upstairs,,0,http://192.168.1.1,admin,admin,\n"  // 6
                            "Lab,,login,router,upstairs,,0,http://192.168.1.1,admin,admin,\n"; // 7
    TImportOptions intoHome;
    intoHome.folder = std::vector<std::string>{"Home"};
    const std::vector<TImportRefusal> skipped = {
        {"line 2", "a record of this name with the same fields is there already"},
        {"line 7", "the same in every field as line 4"}};

    TKeyvaleTree dry = homeTree();
    TImportRun preview = RunImport(dry, csv, intoHome, TImportFormat::Detect, {}, true);
    EXPECT_EQ(preview.plan.skipped, skipped);
    EXPECT_EQ(Contents(dry), Contents(homeTree())) << "a preview changes nothing";

    TKeyvaleTree tree = homeTree();
    TImportRun run = RunImport(tree, csv, intoHome);
    EXPECT_EQ(run.plan.skipped, skipped);
    EXPECT_EQ(run.plan.duplicates, 2u);
    EXPECT_EQ(run.plan.records, 4u);
    EXPECT_EQ(
        Contents(tree),
        (Lines{"Home", "Home/Net",
               "Home/Net/router | admin | admin |  | http://192.168.1.1 | upstairs",
               "Home/Net/router (2) | admin | admin |  | http://192.168.1.1 | downstairs",
               "Home/Net/router (3) | admin | admin |  | http://192.168.1.1 | upstairs\n\n"
               "TOTP: JBSWY3DP",
               "Home/Net/switch | admin | admin |  | http://192.168.1.1 | upstairs", "Home/Lab",
               "Home/Lab/router | admin | admin |  | http://192.168.1.1 | upstairs"}));

    // Into a new top folder nothing of the database stands where an entry
    // goes; only the repeat within the file is skipped.
    TKeyvaleTree other = homeTree();
    EXPECT_EQ(RunImport(other, csv).plan.skipped,
              (std::vector<TImportRefusal>{{"line 7", "the same in every field as line 4"}}));

    TImportOptions keep = intoHome;
    keep.keepDuplicates = true;
    TKeyvaleTree kept = homeTree();
    TImportRun all = RunImport(kept, csv, keep);
    EXPECT_TRUE(all.plan.skipped.empty());
    EXPECT_EQ(all.plan.records, 6u);
}

TEST(ImportPlan, RefusesRowsThatBreakARuleAndListsThemByLine) {
    const std::string csv = kChromeHeader + "ok,https://ok.example,ann,pw,\n" + // line 2
                            std::string(201, 'n') + ",,ann,pw,\n" +             // line 3
                            "long,,ann," + std::string(1025, 'p') + ",\n" +     // line 4
                            "\"multi\nline\",,ann,pw,\n" +                      // line 5
                            "login,,\"a\nb\",pw,\n" +                           // line 7
                            "esc,,ann,pw,\"a\x1b]0;pwned\x07b\"\n" +            // line 9
                            "\"\x1b]0;title\x07\",,ann,pw2,\n" +                // line 10
                            "c1\xC2\x9B,,ann,pw3,\n" +                          // line 11
                            "note,,ann,pw4," + std::string(8001, 'x') + "\n" +  // line 12
                            "extra,,ann,pw5,,surplus\n" +                       // line 13
                            "emoji,,ann,pw6," + Repeated("😀", 4001) + "\n" +    // line 14
                            "fits,,ann,pw7," + Repeated("😀", 4000) + "\n";      // line 15
    TKeyvaleTree tree;
    TImportRun run = RunImport(tree, csv);
    // A limit is said in the unit the window counts, where an emoji is two.
    const std::string unit =
        " (as the window counts them: an emoji or another character beyond U+FFFF counts as two)";
    const std::vector<TImportRefusal> expected = {
        {"line 3", "its name has 201 characters where 200 fit" + unit},
        {"line 4", "its password has 1025 characters where 1024 fit" + unit},
        {"line 5", "its name holds a line break"},
        {"line 7", "its login holds a line break"},
        {"line 9", "its note holds a control character"},
        {"line 10", "its name holds a control character"},
        {"line 11", "its name holds a control character"},
        {"line 12", "its note has 8001 characters where 8000 fit" + unit},
        {"line 13", "it has 6 values where the header has 5 (a comma or quote out of place?)"},
        {"line 14", "its note has 8002 characters where 8000 fit" + unit},
    };
    EXPECT_EQ(run.plan.refused, expected);
    EXPECT_EQ(run.plan.records, 2u);
    EXPECT_EQ(Contents(tree).size(), 3u) << "only the top folder and the two good rows";
}

// The lines an import adds to a note (TOTP, "Favorite: yes", times) never
// cost an entry: when the note cannot hold them, the source's text stays
// whole and added lines go, minor ones first, each entry listed with them.
TEST(ImportPlan, AddedLinesGiveWayInAFullNoteNeverTheSourceText) {
    struct Case {
        std::string note;
        std::string favorite, totp;
        std::string storedNote; // "" with leftOut "refused": refused
        std::vector<std::string> leftOut;
    };
    const std::string x7980(7980, 'x'), x7990(7990, 'x'), x8000(8000, 'x');
    const std::string emoji = Repeated("😀", 4000);
    const Case cases[] = {
        {"short", "1", "JBSWY3DP", "short\n\nFavorite: yes\nTOTP: JBSWY3DP", {}},
        {x7980, "1", "JBSWY3DP", x7980 + "\n\nTOTP: JBSWY3DP", {"Favorite"}}, // minor first
        {x7990, "1", "JBSWY3DP", x7990, {"Favorite", "TOTP"}},
        {x8000, "", "JBSWY3DP", x8000, {"TOTP"}},
        {emoji, "1", "", emoji, {"Favorite"}},   // 4000 emoji fill the 8000 places
        {x8000 + "x", "1", "", "", {"refused"}}, // the source's own text is too long
    };
    std::string csv = kBitwardenHeader;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        csv += "," + cases[i].favorite + ",login,n" + std::to_string(i) + "," + cases[i].note +
               ",,0,,ann,pw," + cases[i].totp + "\n";
    }
    TKeyvaleTree tree;
    TImportRun run = RunImport(tree, csv);
    ASSERT_EQ(run.readError, "");
    const Lines contents = Contents(tree);
    const std::string top = "Imported from Bitwarden 2026-12-10/";
    std::size_t shortened = 0;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const std::string where = "line " + std::to_string(i + 2);
        if (c.leftOut == std::vector<std::string>{"refused"}) {
            ASSERT_EQ(run.plan.refused.size(), 1u);
            EXPECT_EQ(run.plan.refused[0].where, where);
            EXPECT_NE(run.plan.refused[0].reason.find("its note has 8001 characters"),
                      std::string::npos)
                << "counted without the added lines: " << run.plan.refused[0].reason;
            continue;
        }
        EXPECT_NE(std::find(contents.begin(), contents.end(),
                            top + "n" + std::to_string(i) + " | ann | pw |  |  | " + c.storedNote),
                  contents.end())
            << where;
        if (c.leftOut.empty()) {
            continue;
        }
        ASSERT_LT(shortened, run.plan.shortened.size()) << where;
        const TImportRefusal& notice = run.plan.shortened[shortened++];
        EXPECT_EQ(notice.where, where);
        std::string named;
        for (const std::string& label : c.leftOut) {
            named += (named.empty() ? "\"" : "\" and \"") + label;
        }
        EXPECT_NE(notice.reason.find(named + "\" the import adds"), std::string::npos)
            << notice.reason;
        EXPECT_NE(notice.reason.find("an emoji"), std::string::npos) << "names its unit";
    }
    EXPECT_EQ(shortened, run.plan.shortened.size());
    EXPECT_EQ(run.plan.records, std::size(cases) - 1);
}

// The summary names every entry that did not come over as the file has it,
// and counts an empty node as one, not as a record.
TEST(ImportPlan, SummaryListsSkippedAndShortenedEntriesAndCountsEmptyNodes) {
    const std::string csv = kBitwardenHeader +
                            ",,login,a,,,0,https://a.example,ann,pw,\n" // 2
                            ",,note,,,,0,,,,\n"                         // an empty node
                            ",,login,a,,,0,https://a.example,ann,pw,\n" // equals line 2
                            ",1,login,full," +
                            std::string(8000, 'x') +
                            ",,0,,ann,pw,\n" // 5
                            ",,login,long," +
                            std::string(8001, 'x') + ",,0,,ann,pw,\n";
    TKeyvaleTree tree;
    TImportRun run = RunImport(tree, csv, {}, TImportFormat::Detect, {}, true);
    EXPECT_EQ(run.plan.records, 2u);
    EXPECT_EQ(run.plan.emptyNodes, 1u);
    EXPECT_EQ(ImportSummary(run.plan, "Bitwarden", false),
              (Lines{"Adds 2 records, 1 empty node and 1 folder from Bitwarden into \"Imported "
                     "from Bitwarden 2026-12-10\".",
                     "Skipped 1 entry:", "  line 4: the same in every field as line 2",
                     "1 entry without some lines the import adds to the note:",
                     "  line 5: its note keeps the source's text; the line \"Favorite\" the "
                     "import adds was left out for want of room (a note holds 8000 characters, "
                     "as the window counts them: an emoji or another character beyond U+FFFF "
                     "counts as two)",
                     "Refused 1 entry (not imported):"}));
}

TEST(ImportPlan, RepeatedNamesGetNumbersAndFoldersOfOneSourcePathStayOne) {
    TKeyvaleTree tree;
    TNodeHandle work = AddFolder(tree, kNoNode, "Work");
    AddRecord(tree, work, "Mail");
    AddFolder(tree, work, "Old");
    AddRecord(tree, tree.Parent(AddRecord(tree, AddFolder(tree, work, "Deep"), "x")), "y");
    const std::string csv = "Group,Title,Username,Password,URL,Notes\n"
                            "Root,Mail,a,1,,\n"
                            "Root,Mail,b,2,,\n"
                            "Root/Old,Kept,c,3,,\n"
                            "Root/Mail,Inside,d,4,,\n"
                            "Root,Mail (2),e,5,,\n";
    TImportOptions into;
    into.folder = std::vector<std::string>{"Work"};
    TImportRun run = RunImport(tree, csv, into);
    ASSERT_EQ(run.plan.error, "");
    EXPECT_EQ(run.destination, work);
    EXPECT_EQ(
        Contents(tree),
        (Lines{"Work", "Work/Mail | login | pw |  |  | ", "Work/Old",
               "Work/Old/Kept | c | 3 |  |  | ", "Work/Deep", "Work/Deep/x | login | pw |  |  | ",
               "Work/Deep/y | login | pw |  |  | ", "Work/Mail (2) | a | 1 |  |  | ",
               "Work/Mail (3) | b | 2 |  |  | ", "Work/Mail (4)",
               "Work/Mail (4)/Inside | d | 4 |  |  | ", "Work/Mail (2) (2) | e | 5 |  |  | "}));
    EXPECT_EQ(run.plan.renamed, 4u);

    // A second import of the same day gets a top folder of its own.
    RunImport(tree, kChromeHeader + "s,,u,p,\n");
    RunImport(tree, kChromeHeader + "s,,u,q,\n");
    EXPECT_NE(FindByName(tree, "Imported from Chrome 2026-12-10 (2)"), kNoNode);

    // A folder name that would command the terminal is refused, and the
    // message shows it escaped.
    TImportRun hostile =
        RunImport(tree, "Group,Title,Username,Password,URL,Notes\nRoot/a\x1b]0;x\x07,t,u,p,,\n");
    EXPECT_EQ(hostile.plan.refused,
              (std::vector<TImportRefusal>{
                  {"line 2", "its folder \"a\\x1b]0;x\\x07\": name holds a control character"}}));

    TImportOptions throughRecord;
    throughRecord.folder = std::vector<std::string>{"Work", "Mail", "Sub"};
    EXPECT_EQ(RunImport(tree, csv, throughRecord).plan.error,
              "\"Work/Mail\" is a record, not a folder");
}

TEST(ImportPlan, KeepsTheNodeAndLevelLimits) {
    // Levels: the new top folder is level 0, so a group path of 15 names
    // below the root puts the record on level 16.
    std::string deep14 = "Root", deep15 = "Root";
    for (int i = 1; i <= 15; ++i) {
        deep15 += "/L" + std::to_string(i);
        if (i <= 14) {
            deep14 += "/L" + std::to_string(i);
        }
    }
    TKeyvaleTree tree;
    TImportRun levels = RunImport(tree, "Group,Title,Username,Password,URL,Notes\n" + deep14 +
                                            ",ok,a,1,,\n" + deep15 + ",too deep,a,2,,\n");
    EXPECT_EQ(levels.plan.records, 1u);
    EXPECT_EQ(levels.plan.refused,
              (std::vector<TImportRefusal>{{"line 3", "it would stand deeper than level 15"}}));

    TKeyvaleTree full;
    for (int i = 0; i < 4997; ++i) {
        AddRecord(full, kNoNode, "r" + std::to_string(i));
    }
    // 9994 nodes: the top folder and two records fit, the third would be 10001.
    TImportRun count = RunImport(full, kChromeHeader + "a,,u,1,\nb,,u,2,\nc,,u,3,\n,,,,\n");
    EXPECT_EQ(full.NodeCount(), 9999u);
    EXPECT_EQ(
        count.plan.refused,
        (std::vector<TImportRefusal>{
            {"line 4", "the database would hold more than 10000 nodes (a record counts two)"}}));
}

TEST(ImportPlan, KeyvaleExportIsAnExactTreeWholeOrNothing) {
    const std::string exact = R"({"format": "keyvale", "version": 1, "nodes": [
      {"name": "Mail", "children": [
        {"name": "a", "record": {"login": " spaced ", "password": "p", "email": "",
                                 "url": "", "note": "x\r\ny"}},
        {"name": "b", "record": {"login": " spaced ", "password": "p", "email": "",
                                 "url": "", "note": ""}}]},
      {"name": "Empty trailing "}]})";
    TKeyvaleTree tree;
    TImportOptions top;
    top.folder = std::vector<std::string>{};
    TImportRun run = RunImport(tree, exact, top);
    ASSERT_EQ(run.plan.error, "");
    EXPECT_EQ(Contents(tree), (Lines{"Mail", "Mail/a |  spaced  | p |  |  | x\r\ny",
                                     "Mail/b |  spaced  | p |  |  | ", "Empty trailing  (empty)"}))
        << "stored as exported: blanks, line ends, and two equal records in one folder";

    const std::pair<std::string, std::string> refused[] = {
        {R"({"format": "keyvale", "version": 1, "nodes": [{"name": "a"}, {"name": "a"}]})",
         "node \"a\": a node of the same name stands before it in its folder"},
        {R"({"format": "keyvale", "version": 1, "nodes": [{"name": "ok"}, {"name": "\u001b]0;x"}]})",
         "node \"\\x1b]0;x\": its name holds a control character"},
        {R"({"format": "keyvale", "version": 1, "nodes": [{"name": "r", "record": {"url": "a\nb"}}]})",
         "node \"r\": its url holds a line break"},
    };
    for (const auto& [document, error] : refused) {
        TKeyvaleTree untouched;
        TImportRun bad = RunImport(untouched, document);
        EXPECT_EQ(bad.readError + bad.plan.error, error);
        EXPECT_TRUE(untouched.IsEmpty());
        EXPECT_FALSE(bad.plan.HasChanges());
    }
}

} // namespace
