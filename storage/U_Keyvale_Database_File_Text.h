// The tree as indented text: the plaintext inside a database file.
//
// One line per node in pre-order, as many TABs as the node's depth, the node's
// text, CR LF. A saved text begins and ends with a special folder line: a root
// line of 211 to 419 random characters of the 90-character alphabet, drawn
// fresh for every save. They frame the tree so that a file whose enciphered
// part was damaged is recognised instead of loading as a garbage tree, and
// they are removed again after every load.
#pragma once

#include "U_Keyvale_TreeView_Data_Tree.h"

#include <cstddef>
#include <string>
#include <vector>

inline constexpr std::size_t kSpecialFolderMinimumLength = 211;
inline constexpr std::size_t kSpecialFolderMaximumLength = 419;

// The tree's lines alone, without special folder lines.
std::string TreeToText(const TKeyvaleTree& tree);

// A fresh special folder text (reseeds the random source from the clock).
std::string MakeSpecialFolderText();

// The whole plaintext of a save: a special folder line, the tree's lines,
// another special folder line.
std::string F_Keyvale_Special_Folder_Create(const TKeyvaleTree& tree);

// Removes every root node whose text has 210 characters or more, with its
// subtree.
void F_Keyvale_Special_Folder_Delete(TKeyvaleTree& tree);

// Whether the text could be a special folder line: 211 to 419 characters, all
// of the 90-character alphabet.
bool IsSpecialFolderText(const std::string& text);

struct TTreeTextLine {
    std::size_t level = 0; // leading TABs and spaces
    std::string text;      // the rest of the line, valid UTF-8
};

// Splits a plaintext into lines. The encoding follows a byte-order mark
// (UTF-16 LE or BE, UTF-8) and is UTF-8 without one; a line that is not valid
// UTF-8 was written on Windows and is read as Windows-1252, which sets
// *convertedFromWindows1252 when given. Lines end at CR LF, a lone CR or a
// lone LF; a NUL ends the text; a final line break adds no empty line.
std::vector<TTreeTextLine> SplitTreeText(const std::string& bytes,
                                         bool* convertedFromWindows1252 = nullptr);

// Whether the lines begin and end with special folder lines at root level.
bool HasSpecialFolderFrame(const std::vector<TTreeTextLine>& lines);

// Fills the (empty) tree from the lines: the first line is a root; each later
// line is a sibling of the previous node (same level), its child (one deeper)
// or a sibling of its ancestor at that level (shallower). A line two or more
// levels deeper stops the rebuild: the result is the failure description
// naming the level and the node text, empty on success. Icons are not set.
// The line texts are moved into the tree.
std::string BuildTreeFromLines(std::vector<TTreeTextLine> lines, TKeyvaleTree& tree);

// The failure class named in the load message of a failed rebuild.
inline constexpr const char* kTreeTextErrorClass = "TreeTextError";
