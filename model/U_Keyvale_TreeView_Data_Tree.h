// The tree of a database: named nodes in order, several roots, each node with
// an icon number and a stable 32-bit handle.
//
// This is the whole content of an open database. The window wraps it in an
// item model, so it answers what such a model asks (parent, row, child count,
// child at a row, lookup by handle) in constant time, and it knows nothing of
// any toolkit. The rules of folders and records live in the files beside it;
// this class only keeps the structure consistent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Stable identifier of a node while it exists; never reused within a tree's
// life. kNoNode (the lowest 32-bit value) stands for "no node": the parent of
// a root node, and "nothing pending" for the record panel's edits.
using TNodeHandle = std::int32_t;
inline constexpr TNodeHandle kNoNode = std::numeric_limits<std::int32_t>::min();

class TKeyvaleTree {
  public:
    TKeyvaleTree() = default;
    TKeyvaleTree(const TKeyvaleTree&) = delete;
    TKeyvaleTree& operator=(const TKeyvaleTree&) = delete;
    TKeyvaleTree(TKeyvaleTree&&) noexcept = default;
    TKeyvaleTree& operator=(TKeyvaleTree&&) noexcept = default;

    // ---- Queries. A handle that is not in the tree gives the neutral answer
    // (empty text, kNoNode, 0, -1) rather than undefined behaviour.
    std::size_t NodeCount() const { return nodes_.size(); }
    bool IsEmpty() const { return nodes_.empty(); }
    bool Contains(TNodeHandle node) const { return Find(node) != nullptr; }

    const std::string& Text(TNodeHandle node) const;
    std::size_t TextLength(TNodeHandle node) const; // in 16-bit code units
    int Icon(TNodeHandle node) const;

    TNodeHandle Parent(TNodeHandle node) const;           // kNoNode for a root node
    int Row(TNodeHandle node) const;                      // place among its siblings, -1 if none
    int ChildCount(TNodeHandle parent) const;             // parent kNoNode: the roots
    TNodeHandle Child(TNodeHandle parent, int row) const; // kNoNode when out of range
    TNodeHandle FirstChild(TNodeHandle parent) const { return Child(parent, 0); }
    TNodeHandle NextSibling(TNodeHandle node) const;
    TNodeHandle PreviousSibling(TNodeHandle node) const;
    int Level(TNodeHandle node) const; // 0 for a root node, -1 if none

    // The first root node, and the node after `node` in depth-first pre-order
    // (a node, its subtree, then its next sibling); kNoNode after the last.
    TNodeHandle First() const { return Child(kNoNode, 0); }
    TNodeHandle NextInPreOrder(TNodeHandle node) const;

    // True when `ancestor` is `node` itself or stands above it.
    bool IsSelfOrAncestor(TNodeHandle ancestor, TNodeHandle node) const;

    // ---- Changes.
    // Adds a node at `row` of the parent's children (kNoNode: the roots; a row
    // out of range: the end). Returns its handle, or kNoNode when the parent
    // does not exist.
    TNodeHandle Insert(TNodeHandle parent, int row, std::string text, int icon);
    TNodeHandle AddChild(TNodeHandle parent, std::string text, int icon) {
        return Insert(parent, -1, std::move(text), icon);
    }
    void SetText(TNodeHandle node, std::string text);
    void SetIcon(TNodeHandle node, int icon);

    // Moves the node with its subtree to `row` of the new parent's children
    // (counted after the node has left its old place; out of range: the end).
    // Refuses, returning false, to move a node into its own subtree.
    bool Move(TNodeHandle node, TNodeHandle newParent, int row);

    // Room for this many nodes in all, so that a load does not rehash.
    void Reserve(std::size_t nodeCount) { nodes_.reserve(nodeCount); }

    void DeleteChildren(TNodeHandle node);
    void Delete(TNodeHandle node); // the node with its whole subtree
    void Clear();
    // Overwrites every node's text with zeros where it lies, then clears: a
    // new text given to SetText would leave the old one behind unwiped.
    void WipeAndClear();

  private:
    struct Node {
        std::string text;
        std::size_t textLength = 0;
        int icon = 1;
        TNodeHandle handle = kNoNode;
        Node* parent = nullptr;
        int row = 0;
        std::vector<Node*> children;
    };

    Node* Find(TNodeHandle node) const;
    std::vector<Node*>& SiblingsOf(Node* node);
    const std::vector<Node*>& ChildrenOf(TNodeHandle parent, bool& exists) const;
    static void Renumber(std::vector<Node*>& list, std::size_t from);
    void Detach(Node* node);
    void EraseSubtree(Node* node);
    TNodeHandle NewHandle();

    std::unordered_map<TNodeHandle, std::unique_ptr<Node>> nodes_;
    std::vector<Node*> roots_;
    TNodeHandle lastHandle_ = 0;
};
