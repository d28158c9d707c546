// The editing operations of the folder tree and of the trash can, as rules on
// the tree alone. The window plays the sounds, moves the selection and prints
// the messages these functions hand back; every refusal leaves the tree as it
// was.
#pragma once

#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <string>
#include <vector>

struct TTreeMessage {
    std::string text;
    bool alert = false; // also show the desktop alert

    bool operator==(const TTreeMessage&) const = default;
};

// ---- Adding a folder --------------------------------------------------------

struct TFolderCreateResult {
    bool created = false;
    TNodeHandle newNode = kNoNode;
    TNodeHandle parent = kNoNode;      // expand it one level (kNoNode: the root)
    TNodeHandle selectAfter = kNoNode; // the node left selected
    std::vector<TTreeMessage> messages;
};

// Adds a folder named s_Folder_Name (not trimmed by the caller). Its parent is
// the selected node, or the selected record's parent (the new node becomes the
// record's sibling), or the root when nothing is selected. Refused when the
// tree holds 10000 nodes, for an empty name, and under a parent on level 15.
TFolderCreateResult FolderCreate(TKeyvaleTree& tree, TNodeHandle selected,
                                 const std::string& s_Folder_Name);

// ---- Finding ----------------------------------------------------------------

struct TFindResult {
    bool searched = false; // false: the tree was empty, nothing happened
    TNodeHandle found = kNoNode;
    TNodeHandle selectAfter = kNoNode; // the node to select (the first node when none was)
    bool runSelectionEvent = false;
    std::vector<TTreeMessage> messages;
};

// Upper-cases the letters a to z only; every other character compares exactly.
std::string UpperCaseAsciiLetters(const std::string& text);

// Finds the next user node whose name contains `text` (letters a-z compared
// without case): first after the selected node to the end of the tree, then
// from the first node, so repeated searches walk all matches and wrap around.
TFindResult FindFolder(const TKeyvaleTree& tree, TNodeHandle selected, const std::string& text);

// ---- Drag and drop, moves -------------------------------------------------

// Whether `dragged` may be dropped onto `target`: both exist and differ, the
// target is no record and not the dragged node's parent nor inside its subtree,
// and no user node would end below level 15.
bool CanDropNode(const TKeyvaleTree& tree, TNodeHandle dragged, TNodeHandle target);
// Why CanDropNode refuses the drop, in words for the user; empty when it
// does not.
std::string DropProblem(const TKeyvaleTree& tree, TNodeHandle dragged, TNodeHandle target);

struct TMoveResult {
    bool moved = false;
    std::vector<TTreeMessage> messages;
};

// Moves `dragged` with its subtree to be the last child of `target`, which
// becomes a folder; an old parent left without children becomes empty. A record
// target gives "It is not allowed to add object to a record!"; any other drop
// that CanDropNode refuses does nothing.
TMoveResult DropNode(TKeyvaleTree& tree, TNodeHandle dragged, TNodeHandle target);

// Moves a non-root node to the end of the root level and logs "Replaced to
// root: " + its name; a root node stays where it is.
TMoveResult MoveNodeToRoot(TKeyvaleTree& tree, TNodeHandle node);

// Up: in front of its previous sibling; a first child of a folder goes to the
// first place of the root level. The first root node stays.
bool MoveNodeUp(TKeyvaleTree& tree, TNodeHandle node);

// Down: changes places with its next sibling; the last sibling stays.
bool MoveNodeDown(TKeyvaleTree& tree, TNodeHandle node);

// ---- Deleting through the trash can ----------------------------------------

// The question of the warning panel for the node: "[All sub-folders of this
// folder also will be deleted! ]Deleted <kind> cannot be restored.\nYou want
// this <kind> to be deleted ?", kind "record" for icon 2, "folder" otherwise.
std::string DeletionWarningText(const TKeyvaleTree& tree, TNodeHandle node);

// The one child the warning's preview shows under the node: the first child of
// a folder with content when it is a user node, else kNoNode.
TNodeHandle DeletionPreviewChild(const TKeyvaleTree& tree, TNodeHandle node);

struct TDeleteResult {
    bool deleted = false;
    TNodeHandle parent = kNoNode;
    // The selection passes on as in any tree: to the next sibling, else the
    // previous one, else the parent (kNoNode: the tree is empty).
    TNodeHandle selectAfter = kNoNode;
    TTreeMessage message; // "Record has been deleted: " / "Folder has been deleted: " + name
};

// Deletes the node with its whole subtree; a parent left without children
// becomes empty.
TDeleteResult FolderDelete(TKeyvaleTree& tree, TNodeHandle selected);

// ---- The selection event ---------------------------------------------------

// Whether the five record fields may be edited for the node: an empty node or
// a record, never a folder with user nodes.
bool RecordFieldsEditable(const TKeyvaleTree& tree, TNodeHandle node);
