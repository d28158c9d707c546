// Paths of nodes on the command line: names joined by "/". A "/" or "\"
// inside a name is written "\/" or "\\", so every node has exactly one path
// and every path names one place. A leading or trailing "/" is accepted. A
// control character, which a name may hold only from an older file, is
// written "\xHH" (C1 characters as their two UTF-8 bytes), so that printing a
// path never sends the terminal a command.
#pragma once

#include "U_Keyvale_TreeView_Data_Tree.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

// The names of a path, unescaped; "" and "/" give none (the top of the tree).
// The result is empty on success, otherwise what is wrong with the path.
std::string SplitPath(const std::string& path, std::vector<std::string>& names);

// A name as it stands in a path.
std::string EscapeName(const std::string& name);

// The path of a node, its names escaped and joined by "/".
std::string PathOf(const TKeyvaleTree& tree, TNodeHandle node);

// The user node the names lead to from the top of the tree: at each level the
// first child of that name in tree order. Data nodes are never matched.
// Nothing when a name is missing; kNoNode (the top) for no names.
std::optional<TNodeHandle> FindNames(const TKeyvaleTree& tree,
                                     const std::vector<std::string>& names);

} // namespace cli
