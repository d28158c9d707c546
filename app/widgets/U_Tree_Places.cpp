#include "U_Tree_Places.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Tree_Model.h"

namespace {

void Wipe(TNodePlace& place) {
    for (TNodeStep& step : place) {
        KvSecureWipe(step.name);
    }
    place.clear();
}

} // namespace

TNodePlace PlaceOf(const TKeyvaleTree& tree, TNodeHandle node) {
    TNodePlace place;
    for (; tree.Contains(node); node = tree.Parent(node)) {
        TNodeStep step{tree.Text(node), 0};
        for (TNodeHandle before = tree.PreviousSibling(node); before != kNoNode;
             before = tree.PreviousSibling(before)) {
            step.sameNamedBefore += tree.Text(before) == step.name ? 1 : 0;
        }
        place.insert(place.begin(), std::move(step));
    }
    return place;
}

TNodeHandle NodeAtPlace(const TKeyvaleTree& tree, const TNodePlace& place, std::size_t depth) {
    TNodeHandle parent = kNoNode;
    for (std::size_t level = 0; level < place.size() && level < depth; ++level) {
        const TNodeStep& step = place[level];
        TNodeHandle found = kNoNode;
        int sameNamed = 0;
        for (TNodeHandle child = tree.FirstChild(parent); child != kNoNode;
             child = tree.NextSibling(child)) {
            if (tree.Text(child) == step.name && sameNamed++ == step.sameNamedBefore) {
                found = child;
                break;
            }
        }
        if (found == kNoNode) {
            return kNoNode;
        }
        parent = found;
    }
    return parent;
}

TViewPlaces::~TViewPlaces() {
    Wipe(selected_);
    for (TNodePlace& place : expanded_) {
        Wipe(place);
    }
}

TViewPlaces TViewPlaces::Remember(const TKeyvaleTreeView& view) {
    TViewPlaces places;
    const TKeyvaleTreeModel* model = view.TreeModel();
    const TKeyvaleTree& tree = model->Tree();
    places.selected_ = PlaceOf(tree, view.SelectedNode());
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        const QModelIndex index = model->IndexOf(node);
        if (index.isValid() && view.isExpanded(index)) {
            places.expanded_.push_back(PlaceOf(tree, node));
        }
    }
    return places;
}

TNodeHandle TViewPlaces::Restore(TKeyvaleTreeView& view) const {
    const TKeyvaleTreeModel* model = view.TreeModel();
    const TKeyvaleTree& tree = model->Tree();
    for (const TNodePlace& place : expanded_) {
        const TNodeHandle folder = NodeAtPlace(tree, place);
        if (folder != kNoNode) {
            view.expand(model->IndexOf(folder));
        }
    }
    // A selected node the other writer removed gives way to the folder that
    // held it, so that the user still looks at the same part of the tree.
    for (std::size_t depth = selected_.size(); depth > 0; --depth) {
        const TNodeHandle node = NodeAtPlace(tree, selected_, depth);
        if (node != kNoNode && view.SelectNode(node)) {
            return node;
        }
    }
    view.SelectNode(kNoNode);
    return kNoNode;
}
