// What a node is (folder, empty node, record), told by its first child, and
// the limits every editing operation keeps.
//
// A user node has a name of 1 to 200 characters. A record's five fields live
// in its one hidden child, the data node, whose text is always 210 characters
// or more; so the length of the first child tells the kinds apart.
#pragma once

#include "U_Keyvale_TreeView_Data_Tree.h"

#include <cstddef>
#include <cstdint>

// Icon numbers, also the order of the pictures in the window's image list.
inline constexpr int kIconFolder = 0; // has children; the first is a user node
inline constexpr int kIconEmpty = 1;  // no children: a new folder or a cleared record
inline constexpr int kIconRecord = 2; // exactly one child, its data node

inline constexpr std::size_t kMaximumNameLength = 200;     // user node names
inline constexpr std::size_t kDataNodeMinimumLength = 210; // data and special folder nodes
inline constexpr std::size_t kMaximumNodeCount = 10000;    // data nodes included
inline constexpr int kMaximumLevel = 15;                   // user nodes on levels 0..15

// The icon number the node's structure calls for: 1 without children, 0 when
// the first child's text has at most 200 characters, otherwise 2.
int F_Get_Icon_Number(const TKeyvaleTree& tree, TNodeHandle object_Node);

// Whether the node is a record: its icon number is 2, or its first child's
// text has 210 characters or more. False for kNoNode.
bool F_Node_is_File(const TKeyvaleTree& tree, TNodeHandle object_Node);

// The number of levels of user nodes below the node: 0 for a record or a
// childless node, 1 for a folder whose children are all childless or records,
// one more for each further level of folders.
std::uint16_t F_Get_Maximum_Level_of_Children(const TKeyvaleTree& tree, TNodeHandle o_Node);

// Sets every node's icon number, data nodes included, to F_Get_Icon_Number;
// the file keeps no icons, so this runs after every load.
void P_Arrange_Icons_for_TreeView(TKeyvaleTree& tree);

// True when the node is shown to the user (its text is not a data node's).
inline bool IsUserNode(const TKeyvaleTree& tree, TNodeHandle node) {
    return tree.TextLength(node) < kDataNodeMinimumLength;
}

// True when the node may be expanded: never when its first child is a data
// node, so data nodes are never shown.
bool MayExpand(const TKeyvaleTree& tree, TNodeHandle node);
