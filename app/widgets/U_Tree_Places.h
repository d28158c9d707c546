// Where a node stands in a tree, told by names: the way the tree view keeps
// its selection and its open folders when the tree under it is replaced by
// another (a merge with another writer's file, or the file read again), in
// which no handle of the old tree means anything.
//
// A step is a name with its place among the siblings of that name (0 for
// the first "Mail", 1 for the second), so that repeated names are told
// apart. The names are the database's: they are wiped when the places go.
#pragma once

#include <string>
#include <vector>

#include "U_Keyvale_TreeView_Data_Tree.h"

class TKeyvaleTreeView;

struct TNodeStep {
    std::string name;
    int sameNamedBefore = 0; // siblings of the same name before this one
};

// The steps from a root down to the node, the node's own last; empty for
// kNoNode or a node not in the tree.
using TNodePlace = std::vector<TNodeStep>;

TNodePlace PlaceOf(const TKeyvaleTree& tree, TNodeHandle node);
// The node at that place (at its first `depth` steps, when given), or
// kNoNode when the tree has none there.
TNodeHandle NodeAtPlace(const TKeyvaleTree& tree, const TNodePlace& place,
                        std::size_t depth = std::string::npos);

// What a view shows of its tree beyond the tree itself.
class TViewPlaces {
  public:
    TViewPlaces() = default;
    TViewPlaces(const TViewPlaces&) = delete;
    TViewPlaces& operator=(const TViewPlaces&) = delete;
    TViewPlaces(TViewPlaces&&) = default;
    ~TViewPlaces();

    // The selected node and the expanded folders of `view`, by name.
    static TViewPlaces Remember(const TKeyvaleTreeView& view);
    // Opens again the folders that the view's (new) tree still has at those
    // places and selects the node found at the selected place, or its
    // nearest ancestor that is left. Returns the node selected (kNoNode:
    // none).
    TNodeHandle Restore(TKeyvaleTreeView& view) const;

  private:
    TNodePlace selected_;
    std::vector<TNodePlace> expanded_;
};
