#include "U_Keyvale_TreeView_Data_Operations.h"

#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Text.h"

namespace {

constexpr std::size_t kDeletedNameShown = 100;

} // namespace

TFolderCreateResult FolderCreate(TKeyvaleTree& tree, TNodeHandle selected,
                                 const std::string& s_Folder_Name) {
    TFolderCreateResult result;
    result.selectAfter = selected;
    if (tree.NodeCount() >= kMaximumNodeCount) {
        result.messages.push_back({"Your database has too many folders. Cannot add one more "
                                   "folder. Delete unnecessary folders and try to add a new one.",
                                   true});
        return result;
    }
    if (s_Folder_Name.empty()) {
        result.messages.push_back(
            {"Folder name is empty! It is not allowed to add a new folder with empty name!",
             false});
        return result;
    }
    if (HoldsControlCharacter(NormalizeNodeName(s_Folder_Name))) {
        // A pasted terminal escape would be obeyed when keyvale-cli lists it.
        result.messages.push_back({"Folder name holds a control character! It is not allowed to "
                                   "add a new folder with such a name!",
                                   false});
        return result;
    }
    bool selectedIsRecord = false;
    TNodeHandle parent = kNoNode;
    if (tree.Contains(selected)) {
        TNodeHandle first = tree.FirstChild(selected);
        selectedIsRecord = first != kNoNode && tree.TextLength(first) >= kDataNodeMinimumLength;
        parent = selectedIsRecord ? tree.Parent(selected) : selected;
    }
    if (parent != kNoNode && tree.Level(parent) >= kMaximumLevel) {
        result.messages.push_back({"Cannot add a folder. Nesting level too deep.", true});
        return result;
    }
    if (parent != kNoNode) {
        tree.SetIcon(parent, kIconFolder);
    }
    result.created = true;
    result.parent = parent;
    result.newNode = tree.AddChild(parent, NormalizeNodeName(s_Folder_Name), kIconEmpty);
    result.selectAfter = !selectedIsRecord && parent != kNoNode ? parent : result.newNode;
    if (!selectedIsRecord) {
        result.messages.push_back({"A new folder has been created.", false});
    }
    return result;
}

std::string UpperCaseAsciiLetters(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

TFindResult FindFolder(const TKeyvaleTree& tree, TNodeHandle selected, const std::string& text) {
    TFindResult result;
    if (tree.IsEmpty()) {
        return result;
    }
    result.searched = true;
    if (!tree.Contains(selected)) {
        selected = tree.First();
    }
    result.selectAfter = selected;
    if (TrimBlanksAndControls(text).empty()) {
        result.messages.push_back({"No name of folder (record) is specified.", false});
        return result;
    }
    result.messages.push_back({text + " ... searching ... ", false});
    std::string wanted = UpperCaseAsciiLetters(text);
    const auto matches = [&](TNodeHandle node) {
        return IsUserNode(tree, node) &&
               UpperCaseAsciiLetters(tree.Text(node)).find(wanted) != std::string::npos;
    };
    for (TNodeHandle start : {tree.NextInPreOrder(selected), tree.First()}) {
        for (TNodeHandle node = start; node != kNoNode; node = tree.NextInPreOrder(node)) {
            if (matches(node)) {
                result.found = node;
                break;
            }
        }
        if (result.found != kNoNode) {
            break;
        }
    }
    if (result.found != kNoNode) {
        result.selectAfter = result.found;
        result.messages.push_back({tree.Text(result.found), false});
    } else {
        result.messages.push_back({"No folders found (" + text + ")", false});
    }
    result.runSelectionEvent = true;
    return result;
}

std::string DropProblem(const TKeyvaleTree& tree, TNodeHandle dragged, TNodeHandle target) {
    if (!tree.Contains(dragged) || !tree.Contains(target)) {
        return "there is no such node.";
    }
    if (F_Node_is_File(tree, target)) {
        return "It is not allowed to add object to a record!";
    }
    if (tree.IsSelfOrAncestor(dragged, target)) {
        return "a folder cannot go into itself or its own subtree.";
    }
    if (tree.Parent(dragged) == target) {
        return "it is there already.";
    }
    if (F_Get_Maximum_Level_of_Children(tree, dragged) + tree.Level(target) + 1 > kMaximumLevel) {
        return "Cannot add a folder. Nesting level too deep.";
    }
    return "";
}

bool CanDropNode(const TKeyvaleTree& tree, TNodeHandle dragged, TNodeHandle target) {
    return DropProblem(tree, dragged, target).empty();
}

TMoveResult DropNode(TKeyvaleTree& tree, TNodeHandle dragged, TNodeHandle target) {
    TMoveResult result;
    if (!tree.Contains(target)) {
        return result;
    }
    if (F_Node_is_File(tree, target)) {
        result.messages.push_back({"It is not allowed to add object to a record!", false});
        return result;
    }
    if (!CanDropNode(tree, dragged, target)) {
        return result;
    }
    TNodeHandle oldParent = tree.Parent(dragged);
    result.moved = tree.Move(dragged, target, -1);
    tree.SetIcon(target, kIconFolder);
    if (oldParent != kNoNode && tree.ChildCount(oldParent) == 0) {
        tree.SetIcon(oldParent, kIconEmpty);
    }
    return result;
}

TMoveResult MoveNodeToRoot(TKeyvaleTree& tree, TNodeHandle node) {
    TMoveResult result;
    TNodeHandle oldParent = tree.Parent(node);
    if (!tree.Contains(node) || oldParent == kNoNode) {
        return result;
    }
    result.moved = tree.Move(node, kNoNode, -1);
    result.messages.push_back({"Replaced to root: " + tree.Text(node), false});
    tree.SetIcon(oldParent, F_Get_Icon_Number(tree, oldParent));
    return result;
}

bool MoveNodeUp(TKeyvaleTree& tree, TNodeHandle node) {
    if (!tree.Contains(node) || node == tree.First()) {
        return false;
    }
    TNodeHandle parent = tree.Parent(node);
    int row = tree.Row(node);
    if (row > 0) {
        return tree.Move(node, parent, row - 1);
    }
    bool moved = tree.Move(node, kNoNode, 0);
    tree.SetIcon(parent, F_Get_Icon_Number(tree, parent));
    return moved;
}

bool MoveNodeDown(TKeyvaleTree& tree, TNodeHandle node) {
    if (tree.NextSibling(node) == kNoNode) {
        return false;
    }
    return tree.Move(node, tree.Parent(node), tree.Row(node) + 1);
}

std::string DeletionWarningText(const TKeyvaleTree& tree, TNodeHandle node) {
    int icon = tree.Icon(node);
    std::string kind = icon == kIconRecord ? "record" : "folder";
    std::string prefix =
        icon == kIconFolder ? "All sub-folders of this folder also will be deleted! " : "";
    return prefix + "Deleted " + kind + " cannot be restored.\nYou want this " + kind +
           " to be deleted ?";
}

TNodeHandle DeletionPreviewChild(const TKeyvaleTree& tree, TNodeHandle node) {
    TNodeHandle first = tree.FirstChild(node);
    if (tree.Icon(node) != kIconFolder || first == kNoNode || !IsUserNode(tree, first)) {
        return kNoNode;
    }
    return first;
}

TDeleteResult FolderDelete(TKeyvaleTree& tree, TNodeHandle selected) {
    TDeleteResult result;
    if (!tree.Contains(selected)) {
        return result;
    }
    result.parent = tree.Parent(selected);
    result.selectAfter = tree.NextSibling(selected);
    if (result.selectAfter == kNoNode) {
        result.selectAfter = tree.PreviousSibling(selected);
    }
    if (result.selectAfter == kNoNode) {
        result.selectAfter = result.parent;
    }
    std::string kind = F_Node_is_File(tree, selected) ? "Record" : "Folder";
    result.message = {
        kind + " has been deleted: " + Utf8Left(tree.Text(selected), kDeletedNameShown), true};
    tree.Delete(selected);
    result.deleted = true;
    if (result.parent != kNoNode && tree.ChildCount(result.parent) == 0) {
        tree.SetIcon(result.parent, kIconEmpty);
    }
    return result;
}

bool RecordFieldsEditable(const TKeyvaleTree& tree, TNodeHandle node) {
    TNodeHandle first = tree.FirstChild(node);
    return tree.Contains(node) && (first == kNoNode || tree.TextLength(first) > kMaximumNameLength);
}
