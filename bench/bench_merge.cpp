// Speed of the tree merge on a large database that both writers changed, and
// of the record decode it uses when two data texts differ.
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Merge.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFolders = 49;
constexpr int kRecordsPerFolder = 100; // 4900 records

TRecordFields FieldsOf(int folder, int record) {
    const std::string id = std::to_string(folder) + "-" + std::to_string(record);
    return {"user" + id, "pw" + id + "-Xq7!vB2#", "user" + id + "@mail.example",
            "https://site" + id + ".example/login", "note of record " + id};
}

std::string RecordName(int record) {
    return "Record " + std::to_string(record);
}

TKeyvaleTree Base() {
    TKeyvaleTree tree;
    for (int folder = 0; folder < kFolders; ++folder) {
        const TNodeHandle parent =
            tree.AddChild(kNoNode, "Folder " + std::to_string(folder), kIconFolder);
        for (int record = 0; record < kRecordsPerFolder; ++record) {
            const TNodeHandle node = tree.AddChild(parent, RecordName(record), kIconRecord);
            tree.AddChild(node, RecordDataEncode(FieldsOf(folder, record)), kIconEmpty);
        }
    }
    return tree;
}

TNodeHandle RecordAt(const TKeyvaleTree& tree, int folder, int record) {
    const TNodeHandle parent = tree.Child(kNoNode, folder);
    for (int row = 0; row < tree.ChildCount(parent); ++row) {
        const TNodeHandle node = tree.Child(parent, row);
        if (tree.Text(node) == RecordName(record)) {
            return node;
        }
    }
    return kNoNode;
}

void SetField(TKeyvaleTree& tree, int folder, int record, std::string TRecordFields::*field,
              const std::string& value) {
    const TNodeHandle node = RecordAt(tree, folder, record);
    const TNodeHandle data = tree.FirstChild(node);
    TRecordFields fields = RecordDataDecode(tree.Text(data));
    fields.*field = value;
    tree.SetText(data, RecordDataEncode(fields));
}

// Each side makes 500 changes: 300 field edits, 100 removals, 100 new
// records. 100 records are edited on both sides, 50 of them in the same
// field (conflicts kept side by side), 50 in different fields (merged).
struct Scenario {
    TKeyvaleTree base, ours, theirs;

    Scenario() {
        base = Base();
        CopyTree(base, ours);
        CopyTree(base, theirs);
        std::vector<std::pair<int, int>> records;
        for (int folder = 0; folder < kFolders; ++folder) {
            for (int record = 0; record < kRecordsPerFolder; ++record) {
                records.emplace_back(folder, record);
            }
        }
        std::shuffle(records.begin(), records.end(), std::mt19937(29));
        auto edit = [&](TKeyvaleTree& tree, int from, int to, std::string TRecordFields::*field,
                        const char* side) {
            for (int k = from; k < to; ++k) {
                const auto [folder, record] = records[static_cast<std::size_t>(k)];
                SetField(tree, folder, record, field, side + std::to_string(k));
            }
        };
        edit(ours, 0, 50, &TRecordFields::password, "ours");
        edit(theirs, 0, 50, &TRecordFields::password, "theirs");
        edit(ours, 50, 100, &TRecordFields::login, "ours");
        edit(theirs, 50, 100, &TRecordFields::url, "theirs");
        edit(ours, 100, 300, &TRecordFields::note, "ours");
        edit(theirs, 300, 500, &TRecordFields::email, "theirs");
        auto remove = [&](TKeyvaleTree& tree, int from, int to) {
            for (int k = from; k < to; ++k) {
                const auto [folder, record] = records[static_cast<std::size_t>(k)];
                tree.Delete(RecordAt(tree, folder, record));
            }
        };
        remove(ours, 500, 600);
        remove(theirs, 600, 700);
        auto add = [](TKeyvaleTree& tree, const std::string& side) {
            for (int k = 0; k < 100; ++k) {
                const TNodeHandle parent = tree.Child(kNoNode, k % kFolders);
                const TNodeHandle node =
                    tree.Insert(parent, k % 7, "New " + side + std::to_string(k), kIconRecord);
                tree.AddChild(node, RecordDataEncode(FieldsOf(1000 + k, side.size())), kIconEmpty);
            }
        };
        add(ours, "ours");
        add(theirs, "theirs");
    }
};

void BM_Merge4900RecordsWith500ChangesEachSide(benchmark::State& state) {
    static const Scenario scenario;
    TMergeReport report;
    std::size_t nodes = 0;
    for (auto _ : state) {
        TKeyvaleTree result;
        TMergeResult merge = MergeTrees(&scenario.base, scenario.ours, scenario.theirs, 0, result);
        if (!merge.merged) {
            state.SkipWithError(merge.refusal.c_str());
            break;
        }
        nodes = result.NodeCount();
        report = std::move(merge.report);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["added"] = static_cast<double>(report.recordsAdded);
    state.counters["changed"] = static_cast<double>(report.recordsChanged);
    state.counters["removed"] = static_cast<double>(report.recordsRemoved);
    state.counters["conflicts"] = static_cast<double>(report.conflicts.size());
}
BENCHMARK(BM_Merge4900RecordsWith500ChangesEachSide)->Unit(benchmark::kMillisecond);

// The part of a merge that is not decoding: keying, comparing texts and
// building the result of 9849 nodes.
void BM_Merge4900RecordsUnchanged(benchmark::State& state) {
    static const Scenario scenario;
    TKeyvaleTree same;
    CopyTree(scenario.base, same);
    for (auto _ : state) {
        TKeyvaleTree result;
        benchmark::DoNotOptimize(MergeTrees(&scenario.base, same, scenario.base, 0, result).merged);
    }
}
BENCHMARK(BM_Merge4900RecordsUnchanged)->Unit(benchmark::kMillisecond);

void BM_RecordDataDecode(benchmark::State& state) {
    const std::string text = RecordDataEncode(FieldsOf(12, 34));
    for (auto _ : state) {
        TRecordFields fields = RecordDataDecode(text);
        benchmark::DoNotOptimize(fields.login.data());
    }
}
BENCHMARK(BM_RecordDataDecode)->Unit(benchmark::kMicrosecond);

} // namespace
