// Plaintext of any shape either rebuilds into a tree of one node per line or
// is refused; a rebuilt tree written out as text and read again keeps its
// shape, and inside a frame, as every save writes it, its texts exactly.
#include "U_Keyvale_Database_File_Text.h"
#include "fuzz_check.h"
#include "fuzz_tree_outline.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::vector<TTreeTextLine> lines = SplitTreeText(bytes);
    const std::size_t lineCount = lines.size();
    TKeyvaleTree tree;
    std::string error = BuildTreeFromLines(std::move(lines), tree);
    if (!error.empty()) {
        return 0;
    }
    FUZZ_CHECK(tree.NodeCount() == lineCount);

    const std::string text = TreeToText(tree);
    TKeyvaleTree again;
    FUZZ_CHECK(BuildTreeFromLines(SplitTreeText(text), again).empty());
    FUZZ_CHECK(again.NodeCount() == tree.NodeCount());
    // Texts may be normalised once (an empty name, a leading byte-order mark
    // at the start of an unframed text); the shape never changes.
    for (TNodeHandle a = tree.First(), b = again.First(); a != kNoNode;
         a = tree.NextInPreOrder(a), b = again.NextInPreOrder(b)) {
        FUZZ_CHECK(b != kNoNode && tree.Level(a) == again.Level(b));
    }

    // Framing with special folder lines and removing them again restores it.
    std::string framed = F_Keyvale_Special_Folder_Create(again);
    std::vector<TTreeTextLine> framedLines = SplitTreeText(framed);
    FUZZ_CHECK(HasSpecialFolderFrame(framedLines));
    TKeyvaleTree unframed;
    FUZZ_CHECK(BuildTreeFromLines(std::move(framedLines), unframed).empty());
    F_Keyvale_Special_Folder_Delete(unframed);
    // Roots of 210 characters or more are removed with the frame, by design.
    F_Keyvale_Special_Folder_Delete(again);
    // An empty name (what is left of a line holding only a byte-order mark)
    // is written as "< >".
    for (TNodeHandle n = again.First(); n != kNoNode; n = again.NextInPreOrder(n)) {
        if (again.Text(n).empty()) {
            again.SetText(n, "< >");
        }
    }
    FUZZ_CHECK(FuzzOutline(unframed) == FuzzOutline(again));
    return 0;
}
