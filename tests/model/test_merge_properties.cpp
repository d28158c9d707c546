// The merge checked against random edits of a random tree on both sides:
// what must hold whatever the two writers did.
#include "merge_fixture.h"

#include "U_Keyvale_TreeView_Data_Text.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::time_t kTheirTime = 1772357400;
constexpr int kRounds = 300;
constexpr int kDeepestLevel = 4; // the random trees stay well inside the limits

// Few names, so that namesakes (and their occurrence keys) are common.
const char* const kNames[] = {"A", "B", "C", "D", "E"};

enum class Kind { Empty, Folder, Record };

Kind KindOf(const TKeyvaleTree& tree, TNodeHandle node) {
    const TNodeHandle first = tree.FirstChild(node);
    if (first == kNoNode) {
        return Kind::Empty;
    }
    return IsUserNode(tree, first) ? Kind::Folder : Kind::Record;
}

std::vector<TNodeHandle> UserNodes(const TKeyvaleTree& tree) {
    std::vector<TNodeHandle> nodes;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (IsUserNode(tree, node)) {
            nodes.push_back(node);
        }
    }
    return nodes;
}

int SubtreeHeight(const TKeyvaleTree& tree, TNodeHandle top) {
    int height = 0;
    const int topLevel = tree.Level(top);
    for (TNodeHandle node = top; node != kNoNode && tree.IsSelfOrAncestor(top, node);
         node = tree.NextInPreOrder(node)) {
        if (IsUserNode(tree, node)) {
            height = std::max(height, tree.Level(node) - topLevel);
        }
    }
    return height;
}

// Makes random edits with values no other edit uses ("<side><n>"), so that
// every value can be traced to the side that set it.
class Editor {
  public:
    Editor(std::mt19937& random, std::string side) : random_(random), side_(std::move(side)) {}

    std::string FreshValue() { return side_ + std::to_string(++values_); }

    void AddNode(TKeyvaleTree& tree) {
        const TNodeHandle parent = PickParent(tree, kNoNode, 0);
        const int row = Pick(tree.ChildCount(parent) + 1);
        const TNodeHandle node = tree.Insert(parent, row, kNames[Pick(5)], kIconEmpty);
        switch (Pick(4)) {
        case 0:
            break; // an empty node
        case 1:
            if (tree.Level(node) < kDeepestLevel) {
                tree.AddChild(node, kNames[Pick(5)], kIconEmpty);
                EditField(tree, tree.FirstChild(node));
            }
            break;
        default:
            EditField(tree, node);
        }
    }

    void Edit(TKeyvaleTree& tree) {
        const std::vector<TNodeHandle> nodes = UserNodes(tree);
        if (nodes.empty()) {
            AddNode(tree);
            return;
        }
        const TNodeHandle node =
            nodes[static_cast<std::size_t>(Pick(static_cast<int>(nodes.size())))];
        switch (Pick(5)) {
        case 0:
            AddNode(tree);
            break;
        case 1:
            tree.SetText(node, kNames[Pick(5)]);
            break;
        case 2: {
            const TNodeHandle parent = PickParent(tree, node, SubtreeHeight(tree, node));
            if (parent == kNoNode || !tree.IsSelfOrAncestor(node, parent)) {
                tree.Move(node, parent, Pick(tree.ChildCount(parent) + 1));
            }
            break;
        }
        case 3:
            tree.Delete(node);
            break;
        default:
            if (KindOf(tree, node) != Kind::Folder) {
                EditField(tree, node);
            }
        }
    }

    // Sets one field of a record or an empty node to a fresh value.
    void EditField(TKeyvaleTree& tree, TNodeHandle node) {
        TRecordFields fields;
        if (KindOf(tree, node) == Kind::Record) {
            fields = RecordDataDecode(tree.Text(tree.FirstChild(node)));
        }
        fields.*kRecordFieldRules[Pick(5)].member = FreshValue();
        tree.DeleteChildren(node);
        tree.AddChild(node, RecordDataEncode(fields), kIconEmpty);
    }

  private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

    // The roots or a node that may take children, deep enough below the
    // level limit for a subtree of `height` more levels; never in `moving`.
    TNodeHandle PickParent(const TKeyvaleTree& tree, TNodeHandle moving, int height) {
        std::vector<TNodeHandle> parents{kNoNode};
        for (TNodeHandle node : UserNodes(tree)) {
            if (KindOf(tree, node) != Kind::Record &&
                tree.Level(node) + 1 + height <= kDeepestLevel &&
                (moving == kNoNode || !tree.IsSelfOrAncestor(moving, node))) {
                parents.push_back(node);
            }
        }
        return parents[static_cast<std::size_t>(Pick(static_cast<int>(parents.size())))];
    }

    std::mt19937& random_;
    std::string side_;
    int values_ = 0;
};

TKeyvaleTree RandomBase(std::mt19937& random) {
    TKeyvaleTree tree;
    Editor editor(random, "b");
    const int nodes = std::uniform_int_distribution<int>(0, 25)(random);
    for (int i = 0; i < nodes; ++i) {
        editor.AddNode(tree);
    }
    P_Arrange_Icons_for_TreeView(tree);
    return tree;
}

TKeyvaleTree Edited(const TKeyvaleTree& base, std::mt19937& random, const std::string& side) {
    TKeyvaleTree tree;
    CopyTree(base, tree);
    Editor editor(random, side);
    const int edits = std::uniform_int_distribution<int>(0, 8)(random);
    for (int i = 0; i < edits; ++i) {
        editor.Edit(tree);
    }
    P_Arrange_Icons_for_TreeView(tree);
    return tree;
}

std::set<std::string> ValuesIn(const TKeyvaleTree& tree) {
    std::set<std::string> values;
    for (TNodeHandle node : UserNodes(tree)) {
        if (KindOf(tree, node) == Kind::Record) {
            const TRecordFields fields = RecordDataDecode(tree.Text(tree.FirstChild(node)));
            for (const TRecordFieldRule& rule : kRecordFieldRules) {
                if (!(fields.*rule.member).empty()) {
                    values.insert(fields.*rule.member);
                }
            }
        }
    }
    return values;
}

// The node at the path of (name, place among namesakes) pairs, or kNoNode.
using KeyPath = std::vector<std::pair<std::string, int>>;

KeyPath KeyPathOf(const TKeyvaleTree& tree, TNodeHandle node) {
    KeyPath path;
    for (; node != kNoNode; node = tree.Parent(node)) {
        int before = 0;
        for (TNodeHandle sibling = tree.PreviousSibling(node); sibling != kNoNode;
             sibling = tree.PreviousSibling(sibling)) {
            before += tree.Text(sibling) == tree.Text(node) ? 1 : 0;
        }
        path.insert(path.begin(), {tree.Text(node), before});
    }
    return path;
}

TNodeHandle AtKeyPath(const TKeyvaleTree& tree, const KeyPath& path) {
    TNodeHandle node = kNoNode;
    for (const auto& [name, place] : path) {
        if (node != kNoNode && KindOf(tree, node) == Kind::Record) {
            return kNoNode;
        }
        int seen = 0;
        TNodeHandle found = kNoNode;
        for (int row = 0; row < tree.ChildCount(node) && found == kNoNode; ++row) {
            const TNodeHandle child = tree.Child(node, row);
            if (tree.Text(child) == name && seen++ == place) {
                found = child;
            }
        }
        if (found == kNoNode) {
            return kNoNode;
        }
        node = found;
    }
    return node;
}

std::string LimitBreach(const TKeyvaleTree& tree) {
    if (tree.NodeCount() > kMaximumNodeCount) {
        return "too many nodes";
    }
    for (TNodeHandle node : UserNodes(tree)) {
        if (tree.Level(node) > kMaximumLevel) {
            return "too deep: " + tree.Text(node);
        }
        if (!NameProblem(tree.Text(node)).empty()) {
            return "name " + tree.Text(node) + " " + NameProblem(tree.Text(node));
        }
        if (tree.Icon(node) != F_Get_Icon_Number(tree, node)) {
            return "icon of " + tree.Text(node);
        }
    }
    return {};
}

struct Round {
    unsigned seed;
    TKeyvaleTree base, ours, theirs;

    explicit Round(unsigned s) : seed(s) {
        std::mt19937 random(seed);
        base = RandomBase(random);
        ours = Edited(base, random, "o");
        theirs = Edited(base, random, "t");
    }

    std::string Trees(const TKeyvaleTree* result = nullptr) const {
        std::string out = "seed " + std::to_string(seed) + "\n--- base\n" + Describe(base) +
                          "--- ours\n" + Describe(ours) + "--- theirs\n" + Describe(theirs);
        if (result) {
            out += "--- result\n" + Describe(*result, kTheirTime);
        }
        return out;
    }
};

TKeyvaleTree Merged(const TKeyvaleTree& base, const TKeyvaleTree& ours, const TKeyvaleTree& theirs,
                    TMergeResult* outcome = nullptr) {
    TKeyvaleTree result;
    TMergeResult merge = MergeTrees(&base, ours, theirs, kTheirTime, result);
    EXPECT_TRUE(merge.merged) << merge.refusal;
    if (outcome) {
        *outcome = std::move(merge);
    }
    return result;
}

TEST(MergeProperties, ASideThatChangedNothingGivesTheOther) {
    for (unsigned seed = 1; seed <= kRounds; ++seed) {
        const Round r(seed);
        TMergeResult outcome;
        EXPECT_EQ(Describe(Merged(r.base, r.ours, r.base, &outcome)), Describe(r.ours))
            << "merge(B, X, B)\n"
            << r.Trees();
        EXPECT_TRUE(outcome.report.NothingTaken()) << r.Trees();
        EXPECT_EQ(Describe(Merged(r.base, r.base, r.theirs)), Describe(r.theirs))
            << "merge(B, B, Y)\n"
            << r.Trees();
        EXPECT_EQ(Describe(Merged(r.base, r.ours, r.ours, &outcome)), Describe(r.ours))
            << "merge(B, X, X)\n"
            << r.Trees();
        EXPECT_TRUE(outcome.report.NothingTaken()) << r.Trees();
        if (HasFailure()) {
            return;
        }
    }
}

TEST(MergeProperties, NothingEitherSideWroteIsLost) {
    for (unsigned seed = 1; seed <= kRounds; ++seed) {
        const Round r(seed);
        const std::string oursBefore = Describe(r.ours);
        const std::string theirsBefore = Describe(r.theirs);
        const TKeyvaleTree result = Merged(r.base, r.ours, r.theirs);
        const std::set<std::string> kept = ValuesIn(result);

        // Every value either side set is somewhere in the result.
        const std::set<std::string> baseValues = ValuesIn(r.base);
        for (const TKeyvaleTree* side : {&r.ours, &r.theirs}) {
            for (const std::string& value : ValuesIn(*side)) {
                if (!baseValues.count(value)) {
                    EXPECT_TRUE(kept.count(value)) << value << " lost\n" << r.Trees(&result);
                }
            }
        }
        // A base record both sides still hold where it was keeps the values
        // neither side changed.
        for (TNodeHandle node : UserNodes(r.base)) {
            if (KindOf(r.base, node) != Kind::Record) {
                continue;
            }
            const KeyPath path = KeyPathOf(r.base, node);
            const TNodeHandle ours = AtKeyPath(r.ours, path);
            const TNodeHandle theirs = AtKeyPath(r.theirs, path);
            if (ours == kNoNode || theirs == kNoNode) {
                continue;
            }
            const TRecordFields b = RecordDataDecode(r.base.Text(r.base.FirstChild(node)));
            TRecordFields o, t;
            if (KindOf(r.ours, ours) == Kind::Record) {
                o = RecordDataDecode(r.ours.Text(r.ours.FirstChild(ours)));
            }
            if (KindOf(r.theirs, theirs) == Kind::Record) {
                t = RecordDataDecode(r.theirs.Text(r.theirs.FirstChild(theirs)));
            }
            for (const TRecordFieldRule& rule : kRecordFieldRules) {
                const std::string& value = b.*rule.member;
                if (!value.empty() && o.*rule.member == value && t.*rule.member == value) {
                    EXPECT_TRUE(kept.count(value)) << "base value " << value << " lost\n"
                                                   << r.Trees(&result);
                }
            }
        }
        EXPECT_EQ(LimitBreach(result), "") << r.Trees(&result);
        EXPECT_EQ(Describe(r.ours), oursBefore);
        EXPECT_EQ(Describe(r.theirs), theirsBefore);
        if (HasFailure()) {
            return;
        }
    }
}

// Without a base, every node of either side is added: all values of both
// sides survive, and a tree merged with itself stays as it is.
TEST(MergeProperties, TwoWayKeepsBothSides) {
    for (unsigned seed = 1; seed <= kRounds; ++seed) {
        const Round r(seed);
        TKeyvaleTree result;
        const TMergeResult merge = MergeTrees(nullptr, r.ours, r.theirs, kTheirTime, result);
        ASSERT_TRUE(merge.merged) << merge.refusal;
        const std::set<std::string> kept = ValuesIn(result);
        for (const TKeyvaleTree* side : {&r.ours, &r.theirs}) {
            for (const std::string& value : ValuesIn(*side)) {
                EXPECT_TRUE(kept.count(value)) << value << " lost\n" << r.Trees(&result);
            }
        }
        TKeyvaleTree same;
        const TMergeResult self = MergeTrees(nullptr, r.ours, r.ours, kTheirTime, same);
        EXPECT_EQ(Describe(same), Describe(r.ours)) << r.Trees();
        EXPECT_TRUE(self.report.NothingTaken());
        if (HasFailure()) {
            return;
        }
    }
}

} // namespace
