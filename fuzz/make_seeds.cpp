// Writes the seed corpora of the fuzz targets, made by Keyvale's own code:
//   make_seeds <corpus directory>
#include "U_KV_Hash_and_RAT_01.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#if KEYVALE_FUZZ_WITH_STORAGE
#include "fuzz_seeds_storage.h"
#endif

namespace fs = std::filesystem;

void WriteSeed(const fs::path& dir, const std::string& name, const std::string& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds <corpus directory>\n";
        return 2;
    }
    const fs::path root = argv[1];
    const std::vector<std::string> texts = {
        "a", "abc", "0105K1b5", std::string(210, 'x'), "line 1\r\nline 2", "\xc3\xa9t\xc3\xa9"};
    int k = 0;
    for (const auto& t : texts) {
        WriteSeed(root / "fuzz_base64_decipher", "seed" + std::to_string(k++), KvEncipherText(t));
    }
#if KEYVALE_FUZZ_WITH_STORAGE
    WriteStorageSeeds(root);
#endif
    return 0;
}
