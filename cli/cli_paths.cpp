#include "cli_paths.h"

#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Text.h"

namespace cli {

namespace {

// The byte of "xHH" at `at`, or -1 when no such escape stands there.
int HexByteAt(const std::string& text, std::size_t at) {
    if (at + 2 >= text.size() || text[at] != 'x') {
        return -1;
    }
    const int high = HexValue(text[at + 1]);
    const int low = HexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

} // namespace

std::string SplitPath(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    std::string name;
    bool pending = false; // a name has begun (possibly to be checked for emptiness)
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '\\') {
            if (int byte = HexByteAt(path, i + 1); byte >= 0) {
                name += static_cast<char>(byte);
                i += 3;
            } else if (i + 1 == path.size() || (path[i + 1] != '/' && path[i + 1] != '\\')) {
                return "a \"\\\" in a path is written \"\\\\\" (and a \"/\" inside a name "
                       "\"\\/\")";
            } else {
                name += path[++i];
            }
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
    return WithControlsEscaped(EscapeFolderName(name));
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
