// Speed of the database file: the tree text alone, and save and load of a
// typical large database with all of their cryptography.
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Text.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// 50 folders holding 4975 records with 40-character fields: 10000 nodes
// counting the data nodes.
const TKeyvaleTree& LargeTree() {
    static const TKeyvaleTree tree = [] {
        TKeyvaleTree t;
        const std::string field(40, 'f');
        for (int folder = 0; folder < 50; ++folder) {
            TNodeHandle parent =
                t.AddChild(kNoNode, "Folder " + std::to_string(folder), kIconFolder);
            for (int record = 0; record < (folder < 25 ? 100 : 99); ++record) {
                TNodeHandle node =
                    t.AddChild(parent, "Record " + std::to_string(record), kIconRecord);
                t.AddChild(node, RecordDataEncode(field, field, field, field, field), kIconEmpty);
            }
        }
        return t;
    }();
    return tree;
}

const TKeyMaterial& Keys() {
    static const TKeyMaterial keys = [] {
        TKeyMaterial k;
        KvDeriveKeyMaterial("benchmark password", k);
        return k;
    }();
    return keys;
}

std::string BenchFile() {
    return (std::filesystem::temp_directory_path() / "keyvale_bench_storage.kvdb").string();
}

void BM_TreeToText10000(benchmark::State& state) {
    const TKeyvaleTree& tree = LargeTree();
    for (auto _ : state) {
        std::string text = TreeToText(tree);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}
BENCHMARK(BM_TreeToText10000)->Unit(benchmark::kMillisecond);

void BM_TextToTree10000(benchmark::State& state) {
    const std::string text = F_Keyvale_Special_Folder_Create(LargeTree());
    for (auto _ : state) {
        TKeyvaleTree tree;
        std::string error = BuildTreeFromLines(SplitTreeText(text), tree);
        benchmark::DoNotOptimize(error.data());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_TextToTree10000)->Unit(benchmark::kMillisecond);

void BM_SaveDatabase10000(benchmark::State& state) {
    const TKeyvaleTree& tree = LargeTree();
    const TKeyMaterial& keys = Keys();
    const std::string file = BenchFile();
    for (auto _ : state) {
        TDatabaseSaveResult result = SaveDatabaseFile(file, tree, keys);
        if (!result.saved) {
            state.SkipWithError(result.message.text.c_str());
        }
    }
}
BENCHMARK(BM_SaveDatabase10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadDatabase10000(benchmark::State& state) {
    const TKeyMaterial& keys = Keys();
    const std::string file = BenchFile();
    SaveDatabaseFile(file, LargeTree(), keys);
    for (auto _ : state) {
        TKeyvaleTree tree;
        TDatabaseLoadResult result = LoadDatabaseFile(file, keys, tree);
        if (result.status != TDatabaseLoadStatus::Loaded) {
            state.SkipWithError(result.message.c_str());
        }
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_LoadDatabase10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordDataEncodeDecode(benchmark::State& state) {
    const std::string field(40, 'f');
    for (auto _ : state) {
        TRecordFields fields =
            RecordDataDecode(RecordDataEncode(field, field, field, field, field));
        benchmark::DoNotOptimize(fields.note.data());
    }
}
BENCHMARK(BM_RecordDataEncodeDecode)->Unit(benchmark::kMicrosecond);

// What keyvale-cli import does after reading the JSON: 4950 records built
// and encoded one by one (each encoding draws its random length codes and
// filler), then the whole database enciphered and written. The key
// derivation is left out; it costs the same for every database.
void BM_ImportRecords4950(benchmark::State& state) {
    const TKeyMaterial& keys = Keys();
    const std::string file = BenchFile();
    for (auto _ : state) {
        TKeyvaleTree tree;
        for (int folder = 0; folder < 99; ++folder) {
            TNodeHandle parent =
                tree.AddChild(kNoNode, "Folder " + std::to_string(folder), kIconFolder);
            for (int record = 0; record < 50; ++record) {
                TNodeHandle node =
                    tree.AddChild(parent, "Record " + std::to_string(record), kIconRecord);
                tree.AddChild(node,
                              RecordDataEncode("user" + std::to_string(record), "pass word",
                                               "user@example.org", "https://example.org", "note"),
                              kIconEmpty);
            }
        }
        std::filesystem::remove(file);
        TDatabaseSaveResult result = SaveDatabaseFile(file, tree, keys);
        if (!result.saved) {
            state.SkipWithError(result.message.text.c_str());
        }
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_ImportRecords4950)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
