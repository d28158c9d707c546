// Small helpers to build trees in tests and to compare them as outlines.
#pragma once

#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <string>

// One line per node in pre-order: two spaces per level, the name (or "#data"
// for a data node) and the icon number in brackets.
inline std::string Outline(const TKeyvaleTree& tree) {
    std::string out;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        out.append(static_cast<std::size_t>(tree.Level(node)) * 2, ' ');
        out += IsUserNode(tree, node) ? tree.Text(node) : std::string("#data");
        out += " [" + std::to_string(tree.Icon(node)) + "]\n";
    }
    return out;
}

// A folder (icon 0 once it has children, 1 until then); parent kNoNode: root.
inline TNodeHandle AddFolder(TKeyvaleTree& tree, TNodeHandle parent, const std::string& name) {
    if (parent != kNoNode) {
        tree.SetIcon(parent, kIconFolder);
    }
    return tree.AddChild(parent, name, kIconEmpty);
}

// A record with its data node.
inline TNodeHandle AddRecord(TKeyvaleTree& tree, TNodeHandle parent, const std::string& name,
                             const TRecordFields& fields = {"login", "pw", "", "", ""}) {
    TNodeHandle node = AddFolder(tree, parent, name);
    tree.SetIcon(node, kIconRecord);
    tree.AddChild(node, RecordDataEncode(fields), kIconEmpty);
    return node;
}

inline TNodeHandle FindByName(const TKeyvaleTree& tree, const std::string& name) {
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (tree.Text(node) == name) {
            return node;
        }
    }
    return kNoNode;
}

// A chain of folders "L0" .. "L<deepest>", each the only child of the one before.
inline TNodeHandle AddChain(TKeyvaleTree& tree, int deepest) {
    TNodeHandle node = kNoNode;
    for (int level = 0; level <= deepest; ++level) {
        node = AddFolder(tree, node, "L" + std::to_string(level));
    }
    return node;
}
