#include "U_Keyvale_TreeView_Data_Merge.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <array>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

// ---- What a node holds ------------------------------------------------------

// An empty node fits both other kinds: a folder without children, or a record
// whose five fields are empty.
enum class TKind { Empty, Folder, Record };

TKind KindOf(const TKeyvaleTree& tree, TNodeHandle node) {
    if (node == kNoNode) {
        return TKind::Empty;
    }
    TNodeHandle first = tree.FirstChild(node);
    if (first == kNoNode) {
        return TKind::Empty;
    }
    return tree.TextLength(first) >= kDataNodeMinimumLength ? TKind::Record : TKind::Folder;
}

const std::string& DataTextOf(const TKeyvaleTree& tree, TNodeHandle node) {
    static const std::string none;
    return KindOf(tree, node) == TKind::Record ? tree.Text(tree.FirstChild(node)) : none;
}

// A leaf's content as the merge compares it.
struct TLeaf {
    bool opaque = false; // undecodable: equal to another only by its text
    TRecordFields fields;
};

// The user children of a node, or the roots for kNoNode; a record's data node
// is part of its content and never listed.
std::vector<TNodeHandle> UserChildren(const TKeyvaleTree& tree, TNodeHandle parent) {
    std::vector<TNodeHandle> children;
    if (parent != kNoNode && KindOf(tree, parent) == TKind::Record) {
        return children;
    }
    const int count = tree.ChildCount(parent);
    children.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        children.push_back(tree.Child(parent, row));
    }
    return children;
}

std::size_t RecordsIn(const TKeyvaleTree& tree, TNodeHandle top) {
    std::size_t records = 0;
    std::vector<TNodeHandle> pending{top};
    while (!pending.empty()) {
        TNodeHandle node = pending.back();
        pending.pop_back();
        switch (KindOf(tree, node)) {
        case TKind::Record:
            ++records;
            break;
        case TKind::Folder:
            for (TNodeHandle child : UserChildren(tree, node)) {
                pending.push_back(child);
            }
            break;
        case TKind::Empty:
            break;
        }
    }
    return records;
}

// ---- One list of siblings, keyed --------------------------------------------

// A node is known in its list by its name and by how many same-named siblings
// come before it.
struct TKey {
    std::string_view name;
    int occurrence = 0;
    bool operator==(const TKey&) const = default;
};

struct TKeyHash {
    std::size_t operator()(const TKey& key) const {
        return std::hash<std::string_view>{}(key.name) * 31u +
               static_cast<std::size_t>(key.occurrence);
    }
};

struct TKeyedList {
    std::vector<TNodeHandle> nodes;
    std::vector<TKey> keys;
    std::unordered_map<TKey, std::size_t, TKeyHash> index;

    TKeyedList(const TKeyvaleTree& tree, TNodeHandle parent) : nodes(UserChildren(tree, parent)) {
        std::unordered_map<std::string_view, int> seen;
        keys.reserve(nodes.size());
        index.reserve(nodes.size());
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            std::string_view name = tree.Text(nodes[i]);
            TKey key{name, seen[name]++};
            keys.push_back(key);
            index.emplace(key, i);
        }
    }

    TNodeHandle Find(const TKey& key) const {
        auto found = index.find(key);
        return found == index.end() ? kNoNode : nodes[found->second];
    }
};

// What a conflict's sibling is named by, before the time of their version.
constexpr std::string_view kTheirVersionWords = " (their version ";

std::string NestingRefusal() {
    return "the merged database would nest nodes deeper than level " +
           std::to_string(kMaximumLevel);
}

// ---- The merge ----------------------------------------------------------------

enum TSide { kBase, kOurs, kTheirs };

// What one node of the result is made from.
struct TItem {
    enum class TAction {
        CopyOurs,    // ours' node with its subtree as it is
        CopyTheirs,  // theirs' node with its subtree as it is
        JoinFolders, // a folder whose children merge in turn
        NewLeaf,     // a record of merged fields (or an empty node)
    };
    TAction action = TAction::CopyOurs;
    TNodeHandle ours = kNoNode;
    TNodeHandle theirs = kNoNode;
    std::optional<TNodeHandle> baseParent; // JoinFolders: whose children are the base
    std::string name;                      // empty: the source node's own name
    std::string dataText;                  // NewLeaf: the data node text, empty for none
};

using TGroup = std::vector<TItem>;

class TMerger {
  public:
    TMerger(const TKeyvaleTree* base, const TKeyvaleTree& ours, const TKeyvaleTree& theirs,
            std::time_t theirTime, TKeyvaleTree& result)
        : trees_{base, &ours, &theirs}, theirTime_(theirTime), result_(result) {}

    void MergeRoots() {
        std::optional<TNodeHandle> baseRoots;
        if (trees_[kBase]) {
            baseRoots = kNoNode;
        }
        MergeList(kNoNode, baseRoots, kNoNode, kNoNode, 0);
    }

    TMergeReport& Report() { return report_; }
    const std::string& Refusal() const { return refusal_; }

  private:
    const TKeyvaleTree& Tree(TSide side) const { return *trees_[side]; }

    // The merged children of ours' and theirs' nodes (kNoNode: the roots) go
    // under `parent` of the result, at `level`.
    void MergeList(TNodeHandle parent, std::optional<TNodeHandle> baseParent,
                   TNodeHandle oursParent, TNodeHandle theirsParent, int level) {
        std::optional<TKeyedList> base;
        if (baseParent) {
            base.emplace(Tree(kBase), *baseParent);
        }
        const TKeyedList ours(Tree(kOurs), oursParent);
        const TKeyedList theirs(Tree(kTheirs), theirsParent);
        if (level > kMaximumLevel && (!ours.nodes.empty() || !theirs.nodes.empty())) {
            // Refused below; no need to go deeper into a tree that is too deep.
            if (refusal_.empty()) {
                refusal_ = NestingRefusal();
            }
            return;
        }

        // Ours' order, unless ours left the list as the base had it: then a
        // reordering of theirs is the only change to the order, and it is taken.
        const bool oursFirst = !base || !SameKeys(ours, *base);
        const TKeyedList& first = oursFirst ? ours : theirs;
        const TKeyedList& second = oursFirst ? theirs : ours;

        oursList_ = &ours; // for the decisions below, not for the lists they emit
        std::vector<TGroup> groups(first.nodes.size());
        for (std::size_t i = 0; i < first.nodes.size(); ++i) {
            groups[i] = Decide(first.keys[i], base ? &*base : nullptr, ours, theirs);
        }
        // A node only the second list has goes after its nearest previous
        // sibling there that is in the result, at the start when none is.
        std::vector<TGroup> after(first.nodes.size() + 1);
        std::size_t anchor = 0;
        for (std::size_t j = 0; j < second.nodes.size(); ++j) {
            auto found = first.index.find(second.keys[j]);
            if (found != first.index.end()) {
                anchor = found->second + 1;
                continue;
            }
            TGroup group = Decide(second.keys[j], base ? &*base : nullptr, ours, theirs);
            for (TItem& item : group) {
                after[anchor].push_back(std::move(item));
            }
        }

        oursList_ = nullptr;
        for (std::size_t i = 0; i <= first.nodes.size(); ++i) {
            for (TItem& item : after[i]) {
                Emit(item, parent, level);
            }
            if (i < first.nodes.size()) {
                for (TItem& item : groups[i]) {
                    Emit(item, parent, level);
                }
            }
        }
    }

    static bool SameKeys(const TKeyedList& a, const TKeyedList& b) { return a.keys == b.keys; }

    // The nodes of the result for one key of the list.
    TGroup Decide(const TKey& key, const TKeyedList* baseList, const TKeyedList& oursList,
                  const TKeyedList& theirsList) {
        const TNodeHandle base = baseList ? baseList->Find(key) : kNoNode;
        const TNodeHandle ours = oursList.Find(key);
        const TNodeHandle theirs = theirsList.Find(key);
        const std::string name(key.name);

        if (ours != kNoNode && theirs != kNoNode) {
            return base != kNoNode ? ChangedOnBothSides(name, base, ours, theirs)
                                   : AddedOnBothSides(name, ours, theirs);
        }
        if (ours != kNoNode) {
            if (base == kNoNode) {
                return {Copy(kOurs, ours)}; // our addition
            }
            if (DeepEqual(kOurs, ours, kBase, base)) {
                report_.recordsRemoved += RecordsIn(Tree(kBase), base);
                return {};
            }
            Conflict(TMergeConflictKind::RemovedThereChanged, name);
            return {Copy(kOurs, ours)};
        }
        if (base != kNoNode) {
            if (DeepEqual(kTheirs, theirs, kBase, base)) {
                return {}; // we removed it, they left it alone
            }
            Conflict(TMergeConflictKind::RemovedHereChanged, name);
        }
        report_.recordsAdded += RecordsIn(Tree(kTheirs), theirs);
        return {Copy(kTheirs, theirs)};
    }

    TGroup ChangedOnBothSides(const std::string& name, TNodeHandle base, TNodeHandle ours,
                              TNodeHandle theirs) {
        const TKind baseKind = KindOf(Tree(kBase), base);
        const TKind oursKind = KindOf(Tree(kOurs), ours);
        const TKind theirsKind = KindOf(Tree(kTheirs), theirs);
        const bool anyFolder = oursKind == TKind::Folder || theirsKind == TKind::Folder;
        const bool anyRecord = oursKind == TKind::Record || theirsKind == TKind::Record;

        if (!anyRecord) {
            TItem item = Join(ours, theirs);
            if (baseKind != TKind::Record) {
                item.baseParent = base;
            }
            return {std::move(item)};
        }
        if (!anyFolder) {
            return MergeLeaves(name, baseKind == TKind::Folder ? kNoNode : base, ours, theirs);
        }
        // One side made a folder of it, the other a record.
        if (DeepEqual(kOurs, ours, kBase, base)) {
            report_.recordsRemoved += RecordsIn(Tree(kBase), base);
            report_.recordsAdded += RecordsIn(Tree(kTheirs), theirs);
            return {Copy(kTheirs, theirs)};
        }
        if (DeepEqual(kTheirs, theirs, kBase, base)) {
            return {Copy(kOurs, ours)};
        }
        return KeepBoth(TMergeConflictKind::KindDiffers, name, ours, theirs, {});
    }

    TGroup AddedOnBothSides(const std::string& name, TNodeHandle ours, TNodeHandle theirs) {
        if (DeepEqual(kOurs, ours, kTheirs, theirs)) {
            return {Copy(kOurs, ours)};
        }
        if (KindOf(Tree(kOurs), ours) != TKind::Record &&
            KindOf(Tree(kTheirs), theirs) != TKind::Record) {
            return {Join(ours, theirs)}; // two folders (or a folder and an empty node)
        }
        if (KindOf(Tree(kOurs), ours) == TKind::Folder ||
            KindOf(Tree(kTheirs), theirs) == TKind::Folder) {
            return KeepBoth(TMergeConflictKind::BothAdded, name, ours, theirs, {});
        }
        // Two records: without a base (the two-way merge) this is a record
        // both versions hold with fields that differ, so it is said so.
        const TMergeConflictKind kind =
            trees_[kBase] ? TMergeConflictKind::BothAdded : TMergeConflictKind::Fields;
        return KeepBoth(kind, name, ours, theirs, DifferingFields(ours, theirs));
    }

    // The names of the fields in which two records differ; all five when
    // one of them cannot be read.
    std::vector<std::string> DifferingFields(TNodeHandle ours, TNodeHandle theirs) {
        const TLeaf& oursLeaf = Leaf(kOurs, ours);
        const TLeaf& theirsLeaf = Leaf(kTheirs, theirs);
        std::vector<std::string> names;
        for (const TRecordFieldRule& rule : kRecordFieldRules) {
            if (oursLeaf.opaque || theirsLeaf.opaque ||
                oursLeaf.fields.*rule.member != theirsLeaf.fields.*rule.member) {
                names.emplace_back(rule.name);
            }
        }
        return names;
    }

    // Each field three-way; `base` kNoNode: five empty fields.
    TGroup MergeLeaves(const std::string& name, TNodeHandle base, TNodeHandle ours,
                       TNodeHandle theirs) {
        // A side whose data text is the base's changed nothing, whatever the
        // other did; most records of a merge are settled here, undecoded.
        const std::string& baseText = DataTextOf(Tree(kBase), base);
        if (DataTextOf(Tree(kTheirs), theirs) == baseText) {
            return {Copy(kOurs, ours)};
        }
        if (DataTextOf(Tree(kOurs), ours) == baseText) {
            if (LeafEqual(kTheirs, theirs, kBase, base)) {
                return {Copy(kOurs, ours)}; // written anew with the same fields
            }
            ++report_.recordsChanged;
            TItem item = Copy(kTheirs, theirs);
            item.name = name;
            return {std::move(item)};
        }
        if (LeafEqual(kOurs, ours, kTheirs, theirs)) {
            return {Copy(kOurs, ours)};
        }
        const TLeaf& baseLeaf = Leaf(kBase, base);
        const TLeaf& oursLeaf = Leaf(kOurs, ours);
        const TLeaf& theirsLeaf = Leaf(kTheirs, theirs);

        if (baseLeaf.opaque || oursLeaf.opaque || theirsLeaf.opaque) {
            // What cannot be read is taken or kept whole, never rewritten.
            if (LeafEqual(kOurs, ours, kBase, base)) {
                ++report_.recordsChanged;
                return {Copy(kTheirs, theirs)};
            }
            if (LeafEqual(kTheirs, theirs, kBase, base)) {
                return {Copy(kOurs, ours)};
            }
            std::vector<std::string> all;
            for (const TRecordFieldRule& rule : kRecordFieldRules) {
                all.emplace_back(rule.name);
            }
            return KeepBoth(TMergeConflictKind::Fields, name, ours, theirs, std::move(all));
        }

        TRecordFields merged;
        bool tookTheirs = false;
        std::vector<std::string> conflicting;
        for (const TRecordFieldRule& rule : kRecordFieldRules) {
            const std::string& b = baseLeaf.fields.*rule.member;
            const std::string& o = oursLeaf.fields.*rule.member;
            const std::string& t = theirsLeaf.fields.*rule.member;
            std::string& m = merged.*rule.member;
            if (o == t || t == b) {
                m = o;
            } else if (o == b) {
                m = t;
                tookTheirs = true;
            } else {
                m = o;
                conflicting.emplace_back(rule.name);
            }
        }
        if (tookTheirs) {
            ++report_.recordsChanged;
        }

        TGroup group;
        if (merged == oursLeaf.fields) {
            group.push_back(Copy(kOurs, ours)); // ours' text, byte for byte
        } else if (merged == theirsLeaf.fields) {
            group.push_back(Copy(kTheirs, theirs));
            group.back().name = name;
        } else {
            group.push_back(NewLeaf(name, merged));
        }
        if (!conflicting.empty() && !TheirVersionInView(name, theirs)) {
            group.push_back(TheirVersion(name, theirs));
            Conflict(TMergeConflictKind::Fields, name, std::move(conflicting), group.back().name);
        }
        return group;
    }

    TItem NewLeaf(const std::string& name, const TRecordFields& fields) {
        TItem item;
        item.action = TItem::TAction::NewLeaf;
        item.name = name;
        bool empty = true;
        for (const TRecordFieldRule& rule : kRecordFieldRules) {
            const std::string& value = fields.*rule.member;
            empty = empty && value.empty();
            if (Utf16Length(value) > kMaximumEncodableFieldLength && refusal_.empty()) {
                refusal_ = "the " + std::string(rule.name) + " of \"" + name +
                           "\" would hold more than " +
                           std::to_string(kMaximumEncodableFieldLength) + " characters";
            }
        }
        // A record with nothing in it is an empty node, as the record panel
        // leaves it.
        if (!empty) {
            item.dataText = RecordDataEncode(fields);
        }
        return item;
    }

    TGroup KeepBoth(TMergeConflictKind kind, const std::string& name, TNodeHandle ours,
                    TNodeHandle theirs, std::vector<std::string> fields) {
        if (TheirVersionInView(name, theirs)) {
            return {Copy(kOurs, ours)};
        }
        TGroup group{Copy(kOurs, ours), TheirVersion(name, theirs)};
        Conflict(kind, name, std::move(fields), group.back().name);
        return group;
    }

    // Whether ours already holds this version of theirs beside the node: a
    // sibling named as a version of theirs, with the same content. Merging
    // the same copy twice must not add it twice; nothing of theirs is lost.
    bool TheirVersionInView(const std::string& name, TNodeHandle theirs) {
        const std::string named = TheirVersionName(name, 0);
        const std::string prefix =
            named.substr(0, named.rfind(kTheirVersionWords) + kTheirVersionWords.size());
        for (TNodeHandle sibling : oursList_->nodes) {
            if (Tree(kOurs).Text(sibling).starts_with(prefix) &&
                DeepEqual(kOurs, sibling, kTheirs, theirs)) {
                return true;
            }
        }
        return false;
    }

    TItem TheirVersion(const std::string& name, TNodeHandle theirs) {
        TItem item = Copy(kTheirs, theirs);
        item.name = TheirVersionName(name, theirTime_);
        return item;
    }

    static TItem Copy(TSide side, TNodeHandle node) {
        TItem item;
        item.action = side == kOurs ? TItem::TAction::CopyOurs : TItem::TAction::CopyTheirs;
        (side == kOurs ? item.ours : item.theirs) = node;
        return item;
    }

    static TItem Join(TNodeHandle ours, TNodeHandle theirs) {
        TItem item;
        item.action = TItem::TAction::JoinFolders;
        item.ours = ours;
        item.theirs = theirs;
        return item;
    }

    void Conflict(TMergeConflictKind kind, const std::string& name,
                  std::vector<std::string> fields = {}, std::string theirVersionName = {}) {
        TMergeConflict conflict;
        conflict.kind = kind;
        conflict.path = path_;
        conflict.path.push_back(name);
        conflict.fields = std::move(fields);
        conflict.theirVersionName = std::move(theirVersionName);
        report_.conflicts.push_back(std::move(conflict));
    }

    // ---- Building the result ----

    void Emit(TItem& item, TNodeHandle parent, int level) {
        switch (item.action) {
        case TItem::TAction::CopyOurs:
            CopySubtree(Tree(kOurs), item.ours, parent, item.name);
            break;
        case TItem::TAction::CopyTheirs:
            CopySubtree(Tree(kTheirs), item.theirs, parent, item.name);
            break;
        case TItem::TAction::NewLeaf: {
            TNodeHandle node = result_.AddChild(parent, item.name, kIconEmpty);
            if (!item.dataText.empty()) {
                result_.AddChild(node, std::move(item.dataText), kIconEmpty);
            }
            break;
        }
        case TItem::TAction::JoinFolders: {
            const std::string& name = Tree(kOurs).Text(item.ours);
            TNodeHandle node = result_.AddChild(parent, name, kIconEmpty);
            path_.push_back(name);
            MergeList(node, item.baseParent, item.ours, item.theirs, level + 1);
            path_.pop_back();
            break;
        }
        }
    }

    void CopySubtree(const TKeyvaleTree& from, TNodeHandle top, TNodeHandle parent,
                     const std::string& name) {
        TNodeHandle copy =
            result_.AddChild(parent, name.empty() ? from.Text(top) : name, from.Icon(top));
        std::vector<std::pair<TNodeHandle, TNodeHandle>> pending{{top, copy}};
        while (!pending.empty()) {
            auto [source, target] = pending.back();
            pending.pop_back();
            const int count = from.ChildCount(source);
            for (int row = 0; row < count; ++row) {
                TNodeHandle child = from.Child(source, row);
                pending.emplace_back(child,
                                     result_.AddChild(target, from.Text(child), from.Icon(child)));
            }
        }
    }

    // ---- Comparing ----

    // Decoded once per distinct text: the base and an unchanged side share
    // their texts, and decoding is the costly part of a merge.
    const TLeaf& Leaf(TSide side, TNodeHandle node) {
        static const TLeaf empty;
        const std::string& text = DataTextOf(*trees_[side], node);
        if (text.empty()) {
            return empty;
        }
        auto [found, added] = leaves_.try_emplace(text);
        if (added) {
            if (std::optional<TRecordFields> fields = RecordDataDecodeWhole(text)) {
                found->second.fields = *fields;
            } else {
                found->second.opaque = true;
            }
        }
        return found->second;
    }

    // Equal data texts are equal records; different ones (the filler is
    // random) are compared by their decoded fields.
    bool LeafEqual(TSide a, TNodeHandle aNode, TSide b, TNodeHandle bNode) {
        if (DataTextOf(*trees_[a], aNode) == DataTextOf(*trees_[b], bNode)) {
            return true;
        }
        const TLeaf& aLeaf = Leaf(a, aNode);
        const TLeaf& bLeaf = Leaf(b, bNode);
        return !aLeaf.opaque && !bLeaf.opaque && aLeaf.fields == bLeaf.fields;
    }

    // Same kinds, same names in the same order, same records, all the way down.
    bool DeepEqual(TSide a, TNodeHandle aTop, TSide b, TNodeHandle bTop) {
        const TKeyvaleTree& aTree = *trees_[a];
        const TKeyvaleTree& bTree = *trees_[b];
        std::vector<std::pair<TNodeHandle, TNodeHandle>> pending{{aTop, bTop}};
        while (!pending.empty()) {
            auto [aNode, bNode] = pending.back();
            pending.pop_back();
            const TKind aKind = KindOf(aTree, aNode);
            const TKind bKind = KindOf(bTree, bNode);
            if (aKind != TKind::Folder && bKind != TKind::Folder) {
                if (!LeafEqual(a, aNode, b, bNode)) {
                    return false;
                }
                continue;
            }
            const int count = aTree.ChildCount(aNode);
            if (aKind != bKind || count != bTree.ChildCount(bNode)) {
                return false;
            }
            for (int row = 0; row < count; ++row) {
                TNodeHandle aChild = aTree.Child(aNode, row);
                TNodeHandle bChild = bTree.Child(bNode, row);
                if (aTree.Text(aChild) != bTree.Text(bChild)) {
                    return false;
                }
                pending.emplace_back(aChild, bChild);
            }
        }
        return true;
    }

    std::array<const TKeyvaleTree*, 3> trees_;
    std::unordered_map<std::string_view, TLeaf> leaves_; // views of the inputs' texts
    std::time_t theirTime_;
    TKeyvaleTree& result_;
    TMergeReport report_;
    std::vector<std::string> path_;        // names of the folder whose list is merging
    const TKeyedList* oursList_ = nullptr; // ours' list whose keys are being decided
    std::string refusal_;
};

// Why the tree breaks a hard limit of a database, or empty when it keeps them.
std::string LimitProblem(const TKeyvaleTree& tree) {
    if (tree.NodeCount() > kMaximumNodeCount) {
        return "the merged database would hold more than " + std::to_string(kMaximumNodeCount) +
               " nodes";
    }
    std::vector<std::pair<TNodeHandle, int>> pending;
    for (int row = tree.ChildCount(kNoNode) - 1; row >= 0; --row) {
        pending.emplace_back(tree.Child(kNoNode, row), 0);
    }
    while (!pending.empty()) {
        auto [node, level] = pending.back();
        pending.pop_back();
        if (!IsUserNode(tree, node)) {
            continue;
        }
        if (level > kMaximumLevel) {
            return NestingRefusal();
        }
        const std::size_t length = tree.TextLength(node);
        if (length == 0) {
            return "a node of the merged database would have an empty name";
        }
        if (length > kMaximumNameLength) {
            return "the name \"" + Utf8Left(tree.Text(node), 40) + "...\" would be longer than " +
                   std::to_string(kMaximumNameLength) + " characters";
        }
        for (int row = tree.ChildCount(node) - 1; row >= 0; --row) {
            pending.emplace_back(tree.Child(node, row), level + 1);
        }
    }
    return {};
}

bool IsInput(const TKeyvaleTree& tree, const TKeyvaleTree* base, const TKeyvaleTree& ours,
             const TKeyvaleTree& theirs) {
    return &tree == base || &tree == &ours || &tree == &theirs;
}

} // namespace

TMergeResult MergeTrees(const TKeyvaleTree* base, const TKeyvaleTree& ours,
                        const TKeyvaleTree& theirs, std::time_t theirTime, TKeyvaleTree& result) {
    // Built apart, so that a refusal leaves every tree passed in as it was.
    TKeyvaleTree merged;
    TMerger merger(base, ours, theirs, theirTime, merged);
    merger.MergeRoots();

    TMergeResult outcome;
    outcome.refusal = merger.Refusal();
    if (outcome.refusal.empty()) {
        outcome.refusal = LimitProblem(merged);
    }
    if (!outcome.refusal.empty()) {
        WipeTree(merged);
        if (!IsInput(result, base, ours, theirs)) {
            WipeTree(result);
        }
        return outcome;
    }
    P_Arrange_Icons_for_TreeView(merged);
    WipeTree(result);
    result = std::move(merged);
    outcome.merged = true;
    outcome.report = std::move(merger.Report());
    return outcome;
}

std::string TheirVersionName(const std::string& name, std::time_t when) {
    std::tm local{};
    if (!localtime_r(&when, &local)) {
        gmtime_r(&when, &local);
    }
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M", &local);
    const std::string suffix = std::string(kTheirVersionWords) + stamp + ")";
    const std::size_t room = kMaximumNameLength - suffix.size();
    return (Utf16Length(name) > room ? Utf8Left(name, room) : name) + suffix;
}

bool SameTree(const TKeyvaleTree& a, const TKeyvaleTree& b) {
    if (a.NodeCount() != b.NodeCount()) {
        return false;
    }
    TNodeHandle x = a.First();
    TNodeHandle y = b.First();
    for (; x != kNoNode && y != kNoNode; x = a.NextInPreOrder(x), y = b.NextInPreOrder(y)) {
        if (a.Level(x) != b.Level(y) || a.Icon(x) != b.Icon(y) || a.Text(x) != b.Text(y)) {
            return false;
        }
    }
    return x == kNoNode && y == kNoNode;
}

void CopyTree(const TKeyvaleTree& from, TKeyvaleTree& to) {
    to.WipeAndClear();
    to.Reserve(from.NodeCount());
    std::unordered_map<TNodeHandle, TNodeHandle> copies;
    copies.reserve(from.NodeCount() + 1);
    copies.emplace(kNoNode, kNoNode);
    // Pre-order meets a parent before its children, and each list in order.
    for (TNodeHandle node = from.First(); node != kNoNode; node = from.NextInPreOrder(node)) {
        copies.emplace(node,
                       to.AddChild(copies.at(from.Parent(node)), from.Text(node), from.Icon(node)));
    }
}

void WipeTree(TKeyvaleTree& tree) {
    tree.WipeAndClear();
}
