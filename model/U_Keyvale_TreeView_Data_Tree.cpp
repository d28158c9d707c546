#include "U_Keyvale_TreeView_Data_Tree.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <algorithm>

TKeyvaleTree::Node* TKeyvaleTree::Find(TNodeHandle node) const {
    auto found = nodes_.find(node);
    return found == nodes_.end() ? nullptr : found->second.get();
}

std::vector<TKeyvaleTree::Node*>& TKeyvaleTree::SiblingsOf(Node* node) {
    return node->parent ? node->parent->children : roots_;
}

const std::vector<TKeyvaleTree::Node*>& TKeyvaleTree::ChildrenOf(TNodeHandle parent,
                                                                 bool& exists) const {
    static const std::vector<Node*> none;
    exists = true;
    if (parent == kNoNode) {
        return roots_;
    }
    const Node* found = Find(parent);
    if (!found) {
        exists = false;
        return none;
    }
    return found->children;
}

void TKeyvaleTree::Renumber(std::vector<Node*>& list, std::size_t from) {
    for (std::size_t i = from; i < list.size(); ++i) {
        list[i]->row = static_cast<int>(i);
    }
}

const std::string& TKeyvaleTree::Text(TNodeHandle node) const {
    static const std::string empty;
    const Node* found = Find(node);
    return found ? found->text : empty;
}

std::size_t TKeyvaleTree::TextLength(TNodeHandle node) const {
    const Node* found = Find(node);
    return found ? found->textLength : 0;
}

int TKeyvaleTree::Icon(TNodeHandle node) const {
    const Node* found = Find(node);
    return found ? found->icon : 0;
}

TNodeHandle TKeyvaleTree::Parent(TNodeHandle node) const {
    const Node* found = Find(node);
    return found && found->parent ? found->parent->handle : kNoNode;
}

int TKeyvaleTree::Row(TNodeHandle node) const {
    const Node* found = Find(node);
    return found ? found->row : -1;
}

int TKeyvaleTree::ChildCount(TNodeHandle parent) const {
    bool exists = false;
    return static_cast<int>(ChildrenOf(parent, exists).size());
}

TNodeHandle TKeyvaleTree::Child(TNodeHandle parent, int row) const {
    bool exists = false;
    const std::vector<Node*>& children = ChildrenOf(parent, exists);
    if (row < 0 || static_cast<std::size_t>(row) >= children.size()) {
        return kNoNode;
    }
    return children[static_cast<std::size_t>(row)]->handle;
}

TNodeHandle TKeyvaleTree::NextSibling(TNodeHandle node) const {
    const Node* found = Find(node);
    return found ? Child(Parent(node), found->row + 1) : kNoNode;
}

TNodeHandle TKeyvaleTree::PreviousSibling(TNodeHandle node) const {
    const Node* found = Find(node);
    return found ? Child(Parent(node), found->row - 1) : kNoNode;
}

int TKeyvaleTree::Level(TNodeHandle node) const {
    const Node* found = Find(node);
    if (!found) {
        return -1;
    }
    int level = 0;
    for (const Node* up = found->parent; up; up = up->parent) {
        ++level;
    }
    return level;
}

TNodeHandle TKeyvaleTree::NextInPreOrder(TNodeHandle node) const {
    const Node* current = Find(node);
    if (!current) {
        return kNoNode;
    }
    if (!current->children.empty()) {
        return current->children.front()->handle;
    }
    for (; current; current = current->parent) {
        const std::vector<Node*>& siblings = current->parent ? current->parent->children : roots_;
        std::size_t next = static_cast<std::size_t>(current->row) + 1;
        if (next < siblings.size()) {
            return siblings[next]->handle;
        }
    }
    return kNoNode;
}

bool TKeyvaleTree::IsSelfOrAncestor(TNodeHandle ancestor, TNodeHandle node) const {
    for (const Node* up = Find(node); up; up = up->parent) {
        if (up->handle == ancestor) {
            return true;
        }
    }
    return false;
}

TNodeHandle TKeyvaleTree::NewHandle() {
    // Handles count up and are never reused, so a handle kept by the window
    // (a pending edit, a selection) can never name a newer node by accident.
    // After 2^31 nodes the count wraps and skips handles still in use.
    do {
        lastHandle_ = lastHandle_ == std::numeric_limits<TNodeHandle>::max() ? 1 : lastHandle_ + 1;
    } while (nodes_.count(lastHandle_) != 0);
    return lastHandle_;
}

TNodeHandle TKeyvaleTree::Insert(TNodeHandle parent, int row, std::string text, int icon) {
    Node* parentNode = nullptr;
    if (parent != kNoNode) {
        parentNode = Find(parent);
        if (!parentNode) {
            return kNoNode;
        }
    }
    auto node = std::make_unique<Node>();
    node->textLength = Utf16Length(text);
    node->text = std::move(text);
    node->icon = icon;
    node->handle = NewHandle();
    node->parent = parentNode;

    std::vector<Node*>& list = parentNode ? parentNode->children : roots_;
    std::size_t place = row < 0 || static_cast<std::size_t>(row) > list.size()
                            ? list.size()
                            : static_cast<std::size_t>(row);
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(place), node.get());
    Renumber(list, place);

    TNodeHandle handle = node->handle;
    nodes_.emplace(handle, std::move(node));
    return handle;
}

void TKeyvaleTree::SetText(TNodeHandle node, std::string text) {
    if (Node* found = Find(node)) {
        found->textLength = Utf16Length(text);
        found->text = std::move(text);
    }
}

void TKeyvaleTree::SetIcon(TNodeHandle node, int icon) {
    if (Node* found = Find(node)) {
        found->icon = icon;
    }
}

void TKeyvaleTree::Detach(Node* node) {
    std::vector<Node*>& siblings = SiblingsOf(node);
    std::size_t place = static_cast<std::size_t>(node->row);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(place));
    Renumber(siblings, place);
    node->parent = nullptr;
}

bool TKeyvaleTree::Move(TNodeHandle node, TNodeHandle newParent, int row) {
    Node* moving = Find(node);
    Node* target = newParent == kNoNode ? nullptr : Find(newParent);
    if (!moving || (newParent != kNoNode && !target) || IsSelfOrAncestor(node, newParent)) {
        return false;
    }
    Detach(moving);
    moving->parent = target;
    std::vector<Node*>& list = target ? target->children : roots_;
    std::size_t place = row < 0 || static_cast<std::size_t>(row) > list.size()
                            ? list.size()
                            : static_cast<std::size_t>(row);
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(place), moving);
    Renumber(list, place);
    return true;
}

void TKeyvaleTree::EraseSubtree(Node* node) {
    // Iterative, so a deep tree read from a damaged file cannot exhaust the stack.
    std::vector<Node*> pending{node};
    while (!pending.empty()) {
        Node* current = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), current->children.begin(), current->children.end());
        nodes_.erase(current->handle);
    }
}

void TKeyvaleTree::DeleteChildren(TNodeHandle node) {
    Node* found = Find(node);
    if (!found) {
        return;
    }
    std::vector<Node*> children;
    children.swap(found->children);
    for (Node* child : children) {
        EraseSubtree(child);
    }
}

void TKeyvaleTree::Delete(TNodeHandle node) {
    Node* found = Find(node);
    if (!found) {
        return;
    }
    Detach(found);
    EraseSubtree(found);
}

void TKeyvaleTree::Clear() {
    roots_.clear();
    nodes_.clear();
}

void TKeyvaleTree::WipeAndClear() {
    for (auto& [handle, node] : nodes_) {
        KvSecureWipe(node->text);
        node->textLength = 0;
    }
    Clear();
}
