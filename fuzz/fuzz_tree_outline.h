// The shape and texts of a tree as one string, to compare two trees.
#pragma once

#include "U_Keyvale_TreeView_Data_Tree.h"

#include <string>

inline std::string FuzzOutline(const TKeyvaleTree& tree) {
    std::string out;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        out += std::to_string(tree.Level(node)) + ":" + std::to_string(tree.Icon(node)) + ":" +
               tree.Text(node) + '\n';
    }
    return out;
}
