// The whole way from file bytes to a tree, with fixed key material.
//
// The first input byte chooses what the rest is: 0 the file content as read
// from disk (almost never past the verifier), anything else the plaintext
// inside a file, enciphered first under the fixed keys so that the frame
// check and the tree rebuild see it. Every outcome must be a loaded tree or
// one of the load failures; a loaded tree must survive another save and load
// unchanged, and a failure must leave no half tree behind.
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "fuzz_check.h"
#include "fuzz_keys.h"
#include "fuzz_tree_outline.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const char* const kFileName = "fuzz.kvdb";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const TKeyMaterial& keys = FuzzKeys();
    TByteArray file(data + 1, data + size);
    const bool enciphered = data[0] != 0;
    if (enciphered && file.empty()) {
        return 0; // every saved plaintext holds at least its frame
    }
    if (enciphered) {
        TByteArray key = KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH);
        FUZZ_CHECK(
            KvCryptPayload(file, key, keys.A_GLOBAL_TH, keys.A_GLOBAL_SH1, keys.A_GLOBAL_SH2, true)
                .empty());
        KvSecureWipe(key);
    }

    TKeyvaleTree tree;
    tree.AddChild(kNoNode, "sentinel", 1);
    TDatabaseLoadResult result = DecryptDatabase(file, kFileName, keys, tree);
    const std::string failurePrefix =
        std::string("Error! Cannot read data from file [") + kFileName + "]. ";
    switch (result.status) {
    case TDatabaseLoadStatus::WrongPassword:
        FUZZ_CHECK(!enciphered);
        FUZZ_CHECK(result.message == KvWrongPasswordText);
        FUZZ_CHECK(tree.NodeCount() == 1 && tree.Text(tree.First()) == "sentinel");
        return 0;
    case TDatabaseLoadStatus::Failed:
        FUZZ_CHECK(result.message.rfind(failurePrefix, 0) == 0);
        FUZZ_CHECK(tree.IsEmpty());
        return 0;
    case TDatabaseLoadStatus::Loaded:
        break;
    }
    FUZZ_CHECK(result.message ==
               std::string("Database has been loaded from file [") + kFileName + "].");
    FUZZ_CHECK(result.databaseEmpty == tree.IsEmpty());
    for (TNodeHandle root = tree.First(); root != kNoNode; root = tree.NextSibling(root)) {
        FUZZ_CHECK(tree.TextLength(root) < kDataNodeMinimumLength);
    }

    TByteArray saved;
    FUZZ_CHECK(EncryptDatabase(tree, keys, saved).empty());
    TKeyvaleTree reloaded;
    TDatabaseLoadResult again = DecryptDatabase(saved, kFileName, keys, reloaded);
    FUZZ_CHECK(again.status == TDatabaseLoadStatus::Loaded);
    // A blank line of a file not written by Keyvale loads as an empty name,
    // which the next save writes as "< >", the window's name for an empty
    // one; nothing else may change.
    for (TNodeHandle n = tree.First(); n != kNoNode; n = tree.NextInPreOrder(n)) {
        if (tree.Text(n).empty()) {
            tree.SetText(n, "< >");
        }
    }
    FUZZ_CHECK(FuzzOutline(reloaded) == FuzzOutline(tree));
    return 0;
}
