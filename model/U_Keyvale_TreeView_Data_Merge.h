// Joining two versions of one database, field by field, so that nothing
// either writer set is lost.
//
// Three trees take part: the base (the tree as this program last read it from
// or wrote it to the file), ours (the tree edited since) and theirs (the file
// as another writer left it). Without a base the merge is two-way: no common
// ancestor is known, so a node on one side only is added and a field that
// differs is a conflict.
//
// A node is known by its path of names from the root, with its place among
// same-named siblings where names repeat. A rename or a move is therefore a
// removal plus an addition; both ends keep their values.
//
// - Each of a record's five fields merges on its own: changed on one side
//   only, that side's value; changed on both sides alike, that value; changed
//   on both sides differently, a conflict: ours stays in the record, and the
//   whole of theirs goes into a sibling record named
//   "<name> (their version <YYYY-MM-DD HH-MM>)" right after it.
// - A node removed on one side and unchanged on the other is removed; removed
//   on one side and changed on the other, it is kept with the change, and the
//   report says so.
// - Nodes added on both sides at one path: the same content is one node; two
//   folders are joined (their children merge as without a base); otherwise
//   both are kept, theirs named as a conflict.
// - Order: ours, with theirs' new nodes after their previous sibling.
// - A result that would break a limit of the tree (node count, nesting, name
//   rules, field lengths) is refused whole, with the reason.
#pragma once

#include "U_Keyvale_TreeView_Data_Tree.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// What a conflict kept side by side is about.
enum class TMergeConflictKind {
    Fields,             // both sides changed fields of one record differently
    BothAdded,          // both sides added a node at one path, with different content
    KindDiffers,        // one side made a record of it, the other a folder
    RemovedHereChanged, // we removed it, they changed it: kept, with their change
    RemovedThereChanged // they removed it, we changed it: kept, with our change
};

struct TMergeConflict {
    TMergeConflictKind kind = TMergeConflictKind::Fields;
    // The node's names from the root down, the node's own last.
    std::vector<std::string> path;
    // Fields: the names of the fields in conflict ("login", "password", ...),
    // in the record panel's order. Empty for the other kinds.
    std::vector<std::string> fields;
    // The name of the sibling that holds their version (Fields, BothAdded,
    // KindDiffers); empty when nothing was added beside the node.
    std::string theirVersionName;
};

// What theirs brought into ours, counted in records (folders are not counted),
// and the conflicts.
struct TMergeReport {
    std::size_t recordsAdded = 0;   // records only theirs has, now in the result
    std::size_t recordsChanged = 0; // records whose fields took at least one of their values
    std::size_t recordsRemoved = 0; // records they removed, gone from the result
    std::vector<TMergeConflict> conflicts;

    bool HasConflicts() const { return !conflicts.empty(); }
    // Nothing of theirs changed ours: the result is ours as it was.
    bool NothingTaken() const {
        return recordsAdded == 0 && recordsChanged == 0 && recordsRemoved == 0 && conflicts.empty();
    }
};

struct TMergeResult {
    bool merged = false;
    // Why the merge was refused, when it was: "the merged database would hold
    // more than 10000 nodes", ... (reads after "Cannot merge: ").
    std::string refusal;
    TMergeReport report;
};

// Merges theirs into ours. `base` null: the two-way merge. `theirTime` names
// the conflict records (local time; the caller passes the time their version
// was written). On success `result` holds the merged tree (icons set); on a
// refusal it is left empty and ours is untouched. The three inputs are not
// changed.
TMergeResult MergeTrees(const TKeyvaleTree* base, const TKeyvaleTree& ours,
                        const TKeyvaleTree& theirs, std::time_t theirTime, TKeyvaleTree& result);

// "<name> (their version <YYYY-MM-DD HH-MM>)" at local time `when`, the name
// cut so that the whole keeps the 200-character limit of a name.
std::string TheirVersionName(const std::string& name, std::time_t when);

// The same nodes with the same texts and icons, at the same places: whether
// a merge's result differs from ours at all (a report counts records only,
// so a merge that changed only folders reads as if it took nothing).
bool SameTree(const TKeyvaleTree& a, const TKeyvaleTree& b);

// A copy of the tree: names, data nodes, order and icons (new handles). For
// the base a session keeps.
void CopyTree(const TKeyvaleTree& from, TKeyvaleTree& to);

// Overwrites every node's text with zeros, then clears the tree: for a copy
// of names that is no longer needed.
void WipeTree(TKeyvaleTree& tree);
