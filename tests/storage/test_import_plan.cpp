// The rules an import keeps in an existing tree: duplicates, repeated names,
// limits with the refused rows listed, the destination, and a preview that
// says exactly what the import then does.
#include "import_fixture.h"
#include "tree_fixture.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kChromeHeader = "name,url,username,password,note\n";

TEST(ImportPlan, SkipsDuplicatesOfExistingAndEarlierRecordsUnlessKept) {
    TKeyvaleTree tree;
    AddRecord(tree, kNoNode, "Shop", {"eve", "pw", "", "https://Shop.example/login", ""});
    const std::string csv = kChromeHeader +
                            "a,http://shop.example:80/other,eve,pw,\n" // host, login, password
                            "b,https://shop.example,eve,other-pw,\n"   // another password
                            "c,https://new.example,eve,pw,\n"          // another host
                            "d,https://new.example/x,eve,pw,\n"        // equals row c
                            "e,,,,only a note\n"
                            "f,,,,only a note\n"; // notes are never duplicates
    TKeyvaleTree dry;
    AddRecord(dry, kNoNode, "Shop", {"eve", "pw", "", "https://Shop.example/login", ""});
    TImportRun preview = RunImport(dry, csv, {}, TImportFormat::Detect, {}, true);
    EXPECT_EQ(preview.plan.duplicates, 2u);
    EXPECT_EQ(preview.plan.records, 4u);
    EXPECT_EQ(Contents(dry), Lines{"Shop | eve | pw |  | https://Shop.example/login | "})
        << "a preview changes nothing";

    TImportRun run = RunImport(tree, csv);
    EXPECT_EQ(run.plan.duplicates, 2u);
    const std::string top = "Imported from Chrome 2026-12-10";
    EXPECT_EQ(Contents(tree),
              (Lines{"Shop | eve | pw |  | https://Shop.example/login | ", top,
                     top + "/b | eve | other-pw |  | https://shop.example | ",
                     top + "/c | eve | pw |  | https://new.example | ",
                     top + "/e |  |  |  |  | only a note", top + "/f |  |  |  |  | only a note"}));

    TImportOptions keep;
    keep.keepDuplicates = true;
    TImportRun kept = RunImport(tree, csv, keep);
    EXPECT_EQ(kept.plan.duplicates, 0u);
    EXPECT_EQ(kept.plan.records, 6u);
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
                            "extra,,ann,pw5,,surplus\n";                        // line 13
    TKeyvaleTree tree;
    TImportRun run = RunImport(tree, csv);
    const std::vector<TImportRefusal> expected = {
        {"line 3", "its name has more than 200 characters"},
        {"line 4", "its password has more than 1024 characters"},
        {"line 5", "its name holds a line break"},
        {"line 7", "its login holds a line break"},
        {"line 9", "its note holds a control character"},
        {"line 10", "its name holds a control character"},
        {"line 11", "its name holds a control character"},
        {"line 12", "its note has more than 8000 characters"},
        {"line 13", "it has 6 values where the header has 5 (a comma or quote out of place?)"},
    };
    EXPECT_EQ(run.plan.refused, expected);
    EXPECT_EQ(run.plan.records, 1u);
    EXPECT_EQ(Contents(tree).size(), 2u) << "only the top folder and the one good row";
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
    TImportRun hostile = RunImport(
        tree, "Group,Title,Username,Password,URL,Notes\nRoot/a\x1b]0;x\x07,t,u,p,,\n");
    EXPECT_EQ(hostile.plan.refused,
              (std::vector<TImportRefusal>{
                  {"line 2", "its folder \"a\\u001b]0;x\\u0007\": name holds a control character"}}));

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
         "node \"\\u001b]0;x\": its name holds a control character"},
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
