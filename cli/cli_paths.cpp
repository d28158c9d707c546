#include "cli_paths.h"

#include "U_Keyvale_TreeView_Data_Kinds.h"

namespace cli {

std::string SplitPath(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    std::string name;
    bool pending = false; // a name has begun (possibly to be checked for emptiness)
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '\\') {
            if (i + 1 == path.size() || (path[i + 1] != '/' && path[i + 1] != '\\')) {
                return "a \"\\\" in a path is written \"\\\\\" (and a \"/\" inside a name "
                       "\"\\/\")";
            }
            name += path[++i];
            pending = true;
        } else if (c == '/') {
            if (pending) {
                names.push_back(name);
            } else if (i != 0) {
                return "a path has no empty names (\"//\")";
            }
            name.clear();
            pending = false;
        } else {
            name += c;
            pending = true;
        }
    }
    if (pending) {
        names.push_back(name);
    }
    return "";
}

std::string EscapeName(const std::string& name) {
    std::string escaped;
    escaped.reserve(name.size());
    for (char c : name) {
        if (c == '/' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string PathOf(const TKeyvaleTree& tree, TNodeHandle node) {
    std::string path = EscapeName(tree.Text(node));
    for (TNodeHandle up = tree.Parent(node); up != kNoNode; up = tree.Parent(up)) {
        path = EscapeName(tree.Text(up)) + "/" + path;
    }
    return path;
}

std::optional<TNodeHandle> FindNames(const TKeyvaleTree& tree,
                                     const std::vector<std::string>& names) {
    TNodeHandle node = kNoNode;
    for (const std::string& name : names) {
        TNodeHandle match = kNoNode;
        for (int row = 0; row < tree.ChildCount(node); ++row) {
            TNodeHandle child = tree.Child(node, row);
            if (IsUserNode(tree, child) && tree.Text(child) == name) {
                match = child;
                break;
            }
        }
        if (match == kNoNode) {
            return std::nullopt;
        }
        node = match;
    }
    return node;
}

} // namespace cli
