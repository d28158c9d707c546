#include "U_Keyvale_TreeView_Data_Kinds.h"

#include <algorithm>
#include <utility>
#include <vector>

int F_Get_Icon_Number(const TKeyvaleTree& tree, TNodeHandle object_Node) {
    TNodeHandle first = tree.FirstChild(object_Node);
    if (first == kNoNode) {
        return kIconEmpty;
    }
    return tree.TextLength(first) <= kMaximumNameLength ? kIconFolder : kIconRecord;
}

bool F_Node_is_File(const TKeyvaleTree& tree, TNodeHandle object_Node) {
    if (!tree.Contains(object_Node)) {
        return false;
    }
    if (tree.Icon(object_Node) == kIconRecord) {
        return true;
    }
    TNodeHandle first = tree.FirstChild(object_Node);
    return first != kNoNode && tree.TextLength(first) >= kDataNodeMinimumLength;
}

std::uint16_t F_Get_Maximum_Level_of_Children(const TKeyvaleTree& tree, TNodeHandle o_Node) {
    if (!tree.Contains(o_Node) || F_Node_is_File(tree, o_Node) || tree.ChildCount(o_Node) == 0) {
        return 0;
    }
    // Walk the subtree in pre-order with the depth below o_Node; only nodes
    // that have children and are not records count, so a data node never
    // adds a level.
    int deepest = 0;
    std::vector<std::pair<TNodeHandle, int>> pending{{o_Node, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        int children = tree.ChildCount(node);
        if (children == 0 || F_Node_is_File(tree, node)) {
            continue;
        }
        deepest = std::max(deepest, depth);
        for (int row = 0; row < children; ++row) {
            pending.emplace_back(tree.Child(node, row), depth + 1);
        }
    }
    return static_cast<std::uint16_t>(deepest + 1);
}

void P_Arrange_Icons_for_TreeView(TKeyvaleTree& tree) {
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        tree.SetIcon(node, F_Get_Icon_Number(tree, node));
    }
}

bool MayExpand(const TKeyvaleTree& tree, TNodeHandle node) {
    TNodeHandle first = tree.FirstChild(node);
    return first == kNoNode || tree.TextLength(first) <= kMaximumNameLength;
}
