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
#include "fuzz_keys.h"
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

const char* const kFileName = "fuzz.kvdb";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const TKeyMaterial& keys = FuzzKeys();
    TByteArray file(data + 1, data + size);
    const bool enciphered = data[0] != 0;
    if (enciphered) {
        TByteArray key = KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH);
        Check(
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
        Check(!enciphered);
        Check(result.message == KvWrongPasswordText);
        Check(tree.NodeCount() == 1 && tree.Text(tree.First()) == "sentinel");
        return 0;
    case TDatabaseLoadStatus::Failed:
        Check(result.message.rfind(failurePrefix, 0) == 0);
        Check(tree.IsEmpty());
        return 0;
    case TDatabaseLoadStatus::Loaded:
        break;
    }
    Check(result.message == std::string("Database has been loaded from file [") + kFileName + "].");
    Check(result.databaseEmpty == tree.IsEmpty());
    for (TNodeHandle root = tree.First(); root != kNoNode; root = tree.NextSibling(root)) {
        Check(tree.TextLength(root) < kDataNodeMinimumLength);
    }

    TByteArray saved;
    Check(EncryptDatabase(tree, keys, saved).empty());
    TKeyvaleTree reloaded;
    TDatabaseLoadResult again = DecryptDatabase(saved, kFileName, keys, reloaded);
    Check(again.status == TDatabaseLoadStatus::Loaded);
    Check(FuzzOutline(reloaded) == FuzzOutline(tree));
    return 0;
}
