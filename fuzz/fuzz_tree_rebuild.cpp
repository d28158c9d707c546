// Plaintext of any shape either rebuilds into a tree of one node per line or
// is refused; a rebuilt tree written out as text and read again keeps its
// shape, and inside a frame, as every save writes it, its texts exactly.
#include "U_Keyvale_Database_File_Text.h"
#include "fuzz_tree_outline.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::vector<TTreeTextLine> lines = SplitTreeText(bytes);
    const std::size_t lineCount = lines.size();
    TKeyvaleTree tree;
    std::string error = BuildTreeFromLines(std::move(lines), tree);
    if (!error.empty()) {
        return 0;
    }
    Check(tree.NodeCount() == lineCount);

    const std::string text = TreeToText(tree);
    TKeyvaleTree again;
    Check(BuildTreeFromLines(SplitTreeText(text), again).empty());
    Check(again.NodeCount() == tree.NodeCount());
    // Texts may be normalised once (an empty name, a leading byte-order mark
    // at the start of an unframed text); the shape never changes.
    for (TNodeHandle a = tree.First(), b = again.First(); a != kNoNode;
         a = tree.NextInPreOrder(a), b = again.NextInPreOrder(b)) {
        Check(b != kNoNode && tree.Level(a) == again.Level(b));
    }

    // Framing with special folder lines and removing them again restores it.
    std::string framed = F_Keyvale_Special_Folder_Create(again);
    std::vector<TTreeTextLine> framedLines = SplitTreeText(framed);
    Check(HasSpecialFolderFrame(framedLines));
    TKeyvaleTree unframed;
    Check(BuildTreeFromLines(std::move(framedLines), unframed).empty());
    F_Keyvale_Special_Folder_Delete(unframed);
    // Roots of 210 characters or more are removed with the frame, by design.
    F_Keyvale_Special_Folder_Delete(again);
    Check(FuzzOutline(unframed) == FuzzOutline(again));
    return 0;
}
