#include "U_KV_Hash_and_RAT_01.h"
#include "merge_fixture.h"
#include "tree_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::time_t kTheirTime = 1772357400; // 2026-03-01 09:30 UTC

const char* KindName(TMergeConflictKind kind) {
    switch (kind) {
    case TMergeConflictKind::Fields:
        return "Fields";
    case TMergeConflictKind::BothAdded:
        return "BothAdded";
    case TMergeConflictKind::KindDiffers:
        return "KindDiffers";
    case TMergeConflictKind::RemovedHereChanged:
        return "RemovedHereChanged";
    case TMergeConflictKind::RemovedThereChanged:
        return "RemovedThereChanged";
    }
    return "?";
}

// "Fields Mail/Gmail [password] beside: Gmail (theirs); ..." for a report.
std::string DescribeConflicts(const TMergeReport& report) {
    const std::string theirSuffix = TheirVersionName("x", kTheirTime).substr(1);
    std::string out;
    for (const TMergeConflict& conflict : report.conflicts) {
        if (!out.empty()) {
            out += "; ";
        }
        out += KindName(conflict.kind);
        out += " ";
        for (std::size_t i = 0; i < conflict.path.size(); ++i) {
            out += (i ? "/" : "") + conflict.path[i];
        }
        if (!conflict.fields.empty()) {
            out += " [";
            for (std::size_t i = 0; i < conflict.fields.size(); ++i) {
                out += (i ? " " : "") + conflict.fields[i];
            }
            out += "]";
        }
        if (!conflict.theirVersionName.empty()) {
            std::string name = conflict.theirVersionName;
            if (name.size() > theirSuffix.size() &&
                name.compare(name.size() - theirSuffix.size(), theirSuffix.size(), theirSuffix) ==
                    0) {
                name = name.substr(0, name.size() - theirSuffix.size()) + " (theirs)";
            }
            out += " beside: " + name;
        }
    }
    return out;
}

struct MergeCase {
    const char* title;
    const char* base; // nullptr: the two-way merge
    const char* ours;
    const char* theirs;
    const char* expected;
    std::size_t added, changed, removed;
    const char* conflicts;
};

const MergeCase kCases[] = {
    {"each side changed another field",
     R"(
        Mail
          Gmail | login=ann password=p1)",
     R"(
        Mail
          Gmail | login=bob password=p1)",
     R"(
        Mail
          Gmail | login=ann password=p2)",
     R"(
        Mail
          Gmail | login=bob password=p2)",
     0, 1, 0, ""},
    {"the same change on both sides", "Gmail | login=ann password=p1",
     "Gmail | login=ann password=p2", "Gmail | login=ann password=p2",
     "Gmail | login=ann password=p2", 0, 0, 0, ""},
    {"one field changed differently: ours stays, theirs beside it, the rest merged",
     R"(
        Mail
          Gmail | login=ann password=p1 url=u1
          Next | login=n)",
     R"(
        Mail
          Gmail | login=bob password=p2 url=u1
          Next | login=n)",
     R"(
        Mail
          Gmail | login=ann password=p3 url=u3
          Next | login=n)",
     R"(
        Mail
          Gmail | login=bob password=p2 url=u3
          Gmail (theirs) | login=ann password=p3 url=u3
          Next | login=n)",
     0, 1, 0, "Fields Mail/Gmail [password] beside: Gmail (theirs)"},
    {"a field cleared on one side, changed on the other", "Gmail | login=ann note=n1",
     "Gmail | login=ann", "Gmail | login=ann note=n2",
     R"(
        Gmail | login=ann
        Gmail (theirs) | login=ann note=n2)",
     0, 0, 0, "Fields Gmail [note] beside: Gmail (theirs)"},
    {"all fields cleared by theirs: an empty node", "Gmail | login=ann", "Gmail | login=ann",
     "Gmail", "Gmail", 0, 1, 0, ""},
    {"we removed what they left alone", "A | login=1\nB | login=2", "A | login=1",
     "A | login=1\nB | login=2", "A | login=1", 0, 0, 0, ""},
    {"they removed what we left alone",
     R"(
        A | login=1
        F
          B | login=2
          C | login=3)",
     "A | login=1\nF\n  B | login=2\n  C | login=3", "A | login=1", "A | login=1", 0, 0, 2, ""},
    {"we removed what they changed: kept with their change", "A | login=1\nB | login=2",
     "A | login=1", "A | login=1\nB | login=2 note=new", "A | login=1\nB | login=2 note=new", 1, 0,
     0, "RemovedHereChanged B"},
    {"they removed a folder in which we changed a record: kept whole with our change",
     "F\n  B | login=2\n  C | login=3", "F\n  B | login=2\n  C | login=33", "",
     "F\n  B | login=2\n  C | login=33", 0, 0, 0, "RemovedThereChanged F"},
    {"added on both sides alike: one node", "A | login=1", "A | login=1\nN | url=u",
     "A | login=1\nN | url=u", "A | login=1\nN | url=u", 0, 0, 0, ""},
    {"added on both sides differently: both kept", "A | login=1", "A | login=1\nN | url=u",
     "A | login=1\nN | url=v", "A | login=1\nN | url=u\nN (theirs) | url=v", 0, 0, 0,
     "BothAdded N [url] beside: N (theirs)"},
    {"two folders added at one path: joined", "A | login=1",
     R"(
        A | login=1
        F
          Ours | login=o
          Same | login=s)",
     R"(
        A | login=1
        F
          Same | login=s
          Theirs | login=t)",
     R"(
        A | login=1
        F
          Ours | login=o
          Same | login=s
          Theirs | login=t)",
     1, 0, 0, ""},
    {"a rename is a removal plus an addition: both ends keep their values", "Old | login=x",
     "New | login=x", "Old | login=x password=y", "Old | login=x password=y\nNew | login=x", 1, 0,
     0, "RemovedHereChanged Old"},
    {"a move of an unchanged record", "F1\n  R | login=1\nF2\n  S | login=2",
     "F1\nF2\n  S | login=2\n  R | login=1", "F1\n  R | login=1\nF2\n  S | login=2",
     "F1\nF2\n  S | login=2\n  R | login=1", 0, 0, 0, ""},
    {"repeated names are told apart by their place among their namesakes",
     "A | login=1\nA | login=2", "A | login=1\nA | login=3", "A | login=1 password=p\nA | login=2",
     "A | login=1 password=p\nA | login=3", 0, 1, 0, ""},
    {"their new nodes follow their previous sibling", "A\nB\nC", "A\nX\nB\nC", "Z\nA\nB\nY1\nY2\nC",
     "Z\nA\nX\nB\nY1\nY2\nC", 0, 0, 0, ""},
    {"their new node after a node we removed follows the one before it", "A\nB\nC", "A\nC",
     "A\nB\nN | login=n\nC", "A\nN | login=n\nC", 1, 0, 0, ""},
    {"their reordering is taken where we kept the base's order",
     "A | login=1\nB | login=2\nC | login=3", "A | login=1\nB | login=22\nC | login=3",
     "C | login=3\nA | login=1\nB | login=2", "C | login=3\nA | login=1\nB | login=22", 0, 0, 0,
     ""},
    {"our reordering wins over theirs", "A\nB\nC", "C\nB\nA", "B\nA\nC", "C\nB\nA", 0, 0, 0, ""},
    {"one side made a folder of a record the other changed", "R | login=1", "R\n  Inner | login=i",
     "R | login=2", "R\n  Inner | login=i\nR (theirs) | login=2", 0, 0, 0,
     "KindDiffers R beside: R (theirs)"},
    {"a record made a folder by theirs alone", "R | login=1", "R | login=1", "R\n  Inner | login=i",
     "R\n  Inner | login=i", 1, 0, 1, ""},
    {"an empty node that became a folder and a record", "E", "E\n  Child", "E | login=1",
     "E\n  Child\nE (theirs) | login=1", 0, 0, 0, "KindDiffers E beside: E (theirs)"},
    {"undecodable data changed by theirs is taken as it is", "R | #g1", "R | #g1", "R | #g2",
     "R | #g2", 0, 1, 0, ""},
    {"undecodable data changed on both sides: both kept whole", "R | #g1", "R | #g3", "R | #g2",
     "R | #g3\nR (theirs) | #g2", 0, 0, 0,
     "Fields R [login password email url note] beside: R (theirs)"},
    {"a record that became undecodable on one side is not rewritten from the other", "R | login=a",
     "R | login=b", "R | #g", "R | login=b\nR (theirs) | #g", 0, 0, 0,
     "Fields R [login password email url note] beside: R (theirs)"},
    {"two-way: nodes of one side added, differing records kept side by side, folders joined",
     nullptr,
     R"(
        A | login=1
        F
          X | login=x
        Same | url=s)",
     R"(
        A | login=2
        Same | url=s
        F
          Y | login=y
        B | note=b)",
     R"(
        A | login=1
        A (theirs) | login=2
        F
          Y | login=y
          X | login=x
        B | note=b
        Same | url=s)",
     2, 0, 0, "Fields A [login] beside: A (theirs)"},
};

TEST(MergeTrees, NamedCases) {
    for (const MergeCase& c : kCases) {
        SCOPED_TRACE(c.title);
        const TKeyvaleTree base = TreeFrom(c.base ? c.base : "");
        const TKeyvaleTree ours = TreeFrom(c.ours);
        const TKeyvaleTree theirs = TreeFrom(c.theirs);
        const std::string oursBefore = Describe(ours);
        TKeyvaleTree result;
        const TMergeResult merge =
            MergeTrees(c.base ? &base : nullptr, ours, theirs, kTheirTime, result);
        ASSERT_TRUE(merge.merged) << merge.refusal;
        EXPECT_EQ(Describe(result, kTheirTime), Dedent(c.expected));
        EXPECT_EQ(merge.report.recordsAdded, c.added);
        EXPECT_EQ(merge.report.recordsChanged, c.changed);
        EXPECT_EQ(merge.report.recordsRemoved, c.removed);
        EXPECT_EQ(DescribeConflicts(merge.report), c.conflicts);
        EXPECT_EQ(Describe(ours), oursBefore);
    }
}

// A copy merged once more (the same sync copy, or a conflict copy merged
// after the save that made it) finds its version beside ours already: the
// second merge adds nothing and reports nothing.
TEST(MergeTrees, TheSameVersionMergedAgainIsNotAddedTwice) {
    const TKeyvaleTree base = TreeFrom("F\n  A | login=1\n  B | login=1");
    const TKeyvaleTree ours = TreeFrom("F\n  A | login=ours\n  B | login=1");
    const TKeyvaleTree theirs = TreeFrom("F\n  A | login=theirs\n  B | login=1");
    for (const TKeyvaleTree* first : {&base, static_cast<const TKeyvaleTree*>(nullptr)}) {
        SCOPED_TRACE(first ? "three-way, then two-way" : "two-way twice");
        TKeyvaleTree once;
        ASSERT_TRUE(MergeTrees(first, ours, theirs, kTheirTime, once).merged);
        ASSERT_EQ(once.NodeCount(),
                  TreeFrom("F\n  A | login=1\n  A2 | login=2\n  B | login=1").NodeCount());
        TKeyvaleTree twice;
        const TMergeResult again = MergeTrees(nullptr, once, theirs, kTheirTime + 600, twice);
        ASSERT_TRUE(again.merged);
        EXPECT_EQ(Describe(twice, kTheirTime), Describe(once, kTheirTime));
        EXPECT_EQ(DescribeConflicts(again.report), "");
    }
    // A different version of theirs is still kept beside ours.
    TKeyvaleTree once;
    ASSERT_TRUE(MergeTrees(&base, ours, theirs, kTheirTime, once).merged);
    const TKeyvaleTree newer = TreeFrom("F\n  A | login=newer\n  B | login=1");
    TKeyvaleTree result;
    const TMergeResult merge = MergeTrees(nullptr, once, newer, kTheirTime, result);
    EXPECT_EQ(DescribeConflicts(merge.report), "Fields F/A [login] beside: A (theirs)");
}

// Icons follow the merged structure, and unchanged records keep their data
// texts byte for byte, so that a merge that takes nothing writes ours again.
TEST(MergeTrees, ResultIsATreeOfItsOwnWithOursTextsKept) {
    const TKeyvaleTree base = TreeFrom("F\n  R | login=1\nE | login=2");
    TKeyvaleTree ours;
    CopyTree(base, ours);
    const TKeyvaleTree theirs = TreeFrom("F\n  R | login=1\nE");
    TKeyvaleTree result = TreeFrom("Old result | login=gone");
    const TMergeResult merge = MergeTrees(&base, ours, theirs, kTheirTime, result);
    ASSERT_TRUE(merge.merged);
    EXPECT_EQ(Describe(result), "F\n  R | login=1\nE\n");
    EXPECT_EQ(Outline(result), "F [0]\n  R [2]\n    #data [1]\nE [1]\n");
    const TNodeHandle oursR = FindByName(ours, "R");
    const TNodeHandle resultR = FindByName(result, "R");
    EXPECT_EQ(result.Text(result.FirstChild(resultR)), ours.Text(ours.FirstChild(oursR)));
}

// A session may merge into its own tree: that tree is replaced on success and
// stays as it was on a refusal.
TEST(MergeTrees, MergesIntoOursItself) {
    const TKeyvaleTree base = TreeFrom("A | login=1");
    TKeyvaleTree ours = TreeFrom("A | login=2");
    const TKeyvaleTree theirs = TreeFrom("A | login=1\nB | login=3");
    ASSERT_TRUE(MergeTrees(&base, ours, theirs, kTheirTime, ours).merged);
    EXPECT_EQ(Describe(ours), "A | login=2\nB | login=3\n");

    TKeyvaleTree deep;
    AddRecord(deep, AddChain(deep, kMaximumLevel), "too deep");
    EXPECT_FALSE(MergeTrees(&base, ours, deep, kTheirTime, ours).merged);
    EXPECT_EQ(Describe(ours), "A | login=2\nB | login=3\n");
}

TEST(MergeTrees, ChangedFieldsAreEncodedAfresh) {
    const TKeyvaleTree base = TreeFrom("R | login=1 password=1");
    const TKeyvaleTree ours = TreeFrom("R | login=2 password=1");
    const TKeyvaleTree theirs = TreeFrom("R | login=1 password=2");
    TKeyvaleTree result;
    ASSERT_TRUE(MergeTrees(&base, ours, theirs, kTheirTime, result).merged);
    const TNodeHandle data = result.FirstChild(FindByName(result, "R"));
    EXPECT_EQ(RecordDataDecode(result.Text(data)), (TRecordFields{"2", "2", "", "", ""}));
}

// A data text whose fields are cut short decodes to what is left; rewriting
// it from that would drop the rest of it from the file.
TEST(MergeTrees, ARecordCutShortIsKeptWholeBesideOurs) {
    const TKeyvaleTree base = TreeFrom("R | login=a password=p");
    const TKeyvaleTree ours = TreeFrom("R | login=a password=q");
    // The login promises 300 characters; 200 are there.
    const std::string cut = KvEncipherText("0300" + std::string(16, 'x') + std::string(200, 'L'));
    TKeyvaleTree theirs;
    AddRecord(theirs, kNoNode, "R");
    theirs.SetText(theirs.FirstChild(theirs.First()), cut);

    TKeyvaleTree result;
    const TMergeResult merge = MergeTrees(&base, ours, theirs, kTheirTime, result);
    ASSERT_TRUE(merge.merged);
    ASSERT_EQ(result.ChildCount(kNoNode), 2);
    const TNodeHandle kept = result.Child(kNoNode, 0);
    const TNodeHandle beside = result.Child(kNoNode, 1);
    EXPECT_EQ(RecordDataDecode(result.Text(result.FirstChild(kept))),
              (TRecordFields{"a", "q", "", "", ""}));
    EXPECT_EQ(result.Text(beside), TheirVersionName("R", kTheirTime));
    EXPECT_EQ(result.Text(result.FirstChild(beside)), cut);
    EXPECT_EQ(DescribeConflicts(merge.report),
              "Fields R [login password email url note] beside: R (theirs)");
}

TEST(TheirVersionName, StampsLocalTimeAndKeepsTheNameLimit) {
    std::time_t when = kTheirTime;
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M", &local);
    EXPECT_EQ(TheirVersionName("Gmail", when), std::string("Gmail (their version ") + stamp + ")");

    const std::string umlauts(300, 'x');
    const std::string cut = TheirVersionName("\xC3\xBC" + umlauts, when);
    EXPECT_EQ(Utf16Length(cut), kMaximumNameLength);
    EXPECT_EQ(cut.rfind("\xC3\xBCxx", 0), 0u);
    EXPECT_EQ(NameProblem(cut), "");
}

// ---- Refusals -----------------------------------------------------------------

// `count` records of one node each under a folder: 2 * count + 1 nodes.
TKeyvaleTree FolderOfRecords(const std::string& prefix, int count) {
    TKeyvaleTree tree;
    TNodeHandle folder = AddFolder(tree, kNoNode, "F");
    for (int i = 0; i < count; ++i) {
        AddRecord(tree, folder, prefix + std::to_string(i),
                  {"l" + std::to_string(i), "", "", "", ""});
    }
    P_Arrange_Icons_for_TreeView(tree);
    return tree;
}

TEST(MergeTrees, RefusesAResultBeyondTheLimitsAndChangesNothing) {
    struct Refusal {
        const char* title;
        TKeyvaleTree base, ours, theirs;
        std::string reason;
    };
    std::vector<Refusal> refusals;
    // 2 * 2500 + 1 nodes on each side, 10001 once joined.
    refusals.push_back({"more than 10000 nodes", TreeFrom("F"), FolderOfRecords("ours", 2500),
                        FolderOfRecords("theirs", 2500),
                        "the merged database would hold more than 10000 nodes"});
    {
        // A path keeps its depth in the merge, so only a side that is too
        // deep already (a damaged file) can make the result too deep.
        TKeyvaleTree ours;
        AddChain(ours, kMaximumLevel);
        TKeyvaleTree theirs;
        TNodeHandle deepest = AddChain(theirs, kMaximumLevel - 1);
        TNodeHandle added = AddFolder(theirs, deepest, "extra");
        AddRecord(theirs, added, "too deep");
        P_Arrange_Icons_for_TreeView(ours);
        P_Arrange_Icons_for_TreeView(theirs);
        TKeyvaleTree base;
        refusals.push_back({"deeper than level 15", std::move(base), std::move(ours),
                            std::move(theirs),
                            "the merged database would nest nodes deeper than level 15"});
    }
    for (Refusal& r : refusals) {
        SCOPED_TRACE(r.title);
        const std::string oursBefore = Describe(r.ours);
        const std::string theirsBefore = Describe(r.theirs);
        TKeyvaleTree result = TreeFrom("Stale");
        const TMergeResult merge = MergeTrees(&r.base, r.ours, r.theirs, kTheirTime, result);
        EXPECT_FALSE(merge.merged);
        EXPECT_EQ(merge.refusal, r.reason);
        EXPECT_TRUE(result.IsEmpty());
        EXPECT_TRUE(merge.report.NothingTaken());
        EXPECT_EQ(Describe(r.ours), oursBefore);
        EXPECT_EQ(Describe(r.theirs), theirsBefore);
    }
}

TEST(MergeTrees, JustWithinTheLimitsIsMerged) {
    // 2 * 2499 + 1 + 2 * 2500 = 9999 nodes; nesting exactly to level 15.
    const TKeyvaleTree ours = FolderOfRecords("ours", 2499);
    const TKeyvaleTree theirs = FolderOfRecords("theirs", 2500);
    TKeyvaleTree result;
    const TMergeResult merge = MergeTrees(nullptr, ours, theirs, kTheirTime, result);
    ASSERT_TRUE(merge.merged) << merge.refusal;
    EXPECT_EQ(result.NodeCount(), 9999u);
    EXPECT_EQ(merge.report.recordsAdded, 2500u);

    TKeyvaleTree deep;
    AddRecord(deep, AddChain(deep, kMaximumLevel - 1), "on level 15");
    P_Arrange_Icons_for_TreeView(deep);
    TKeyvaleTree empty;
    ASSERT_TRUE(MergeTrees(nullptr, empty, deep, kTheirTime, result).merged);
    EXPECT_EQ(result.Level(FindByName(result, "on level 15")), kMaximumLevel);
}

// ---- Copying and wiping ----------------------------------------------------

TEST(CopyTree, CopiesNamesDataOrderAndIconsUnderNewHandles) {
    TKeyvaleTree from = TreeFrom("F\n  R | login=1\n  E\nG | #g");
    from.SetIcon(FindByName(from, "E"), 7); // icons are copied, not recomputed
    TKeyvaleTree to = TreeFrom("Old");
    CopyTree(from, to);
    EXPECT_EQ(Outline(to), Outline(from));
    for (TNodeHandle a = from.First(), b = to.First(); a != kNoNode;
         a = from.NextInPreOrder(a), b = to.NextInPreOrder(b)) {
        EXPECT_EQ(to.Text(b), from.Text(a));
    }
    EXPECT_EQ(FindByName(to, "Old"), kNoNode);
}

} // namespace
