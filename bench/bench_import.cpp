// Speed of an import inside one process: a Chrome CSV of 10,000 rows read,
// planned against a database of 500 records (each decoded once for the
// duplicate check) and added; and the reading alone of 64 MiB files no
// database could take (rows of empty values, a Bitwarden JSON of that size),
// which stops after the entries a tree can hold. The whole keyvale-cli process, with its key
// derivation, load and save, is timed by bench/import_10000.sh.
#include "U_Keyvale_Import_Plan.h"
#include "U_Keyvale_Import_Source.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string ChromeCsv(int rows) {
    std::string csv = "name,url,username,password,note\r\n";
    for (int row = 0; row < rows; ++row) {
        const std::string n = std::to_string(row);
        csv += "site" + n + ".example,https://site" + n + ".example/login,user" + n +
               "@example.org,\"pass,word " + n + "\",\r\n";
    }
    return csv;
}

void FillExisting(TKeyvaleTree& tree) {
    TNodeHandle folder = tree.AddChild(kNoNode, "Existing", kIconFolder);
    for (int record = 0; record < 500; ++record) {
        TNodeHandle node = tree.AddChild(folder, "Record " + std::to_string(record), kIconRecord);
        tree.AddChild(node,
                      RecordDataEncode("user", "pw" + std::to_string(record), "", "https://x", ""),
                      kIconEmpty);
    }
}

void BM_ImportChromeCsv10000Rows(benchmark::State& state) {
    const std::string csv = ChromeCsv(10000);
    for (auto _ : state) {
        state.PauseTiming();
        TKeyvaleTree tree;
        FillExisting(tree);
        state.ResumeTiming();
        TImportData data;
        ReadImportData(csv, TImportFormat::Detect, {}, data);
        TImportOptions options;
        options.date = "2026-12-10";
        TImportPlan plan = PlanImport(tree, data, options);
        ApplyImportPlan(tree, plan);
        benchmark::DoNotOptimize(tree.NodeCount());
    }
}
BENCHMARK(BM_ImportChromeCsv10000Rows)->Unit(benchmark::kMillisecond);

std::string Repeated(const std::string& head, const std::string& item, const std::string& tail) {
    std::string text = head;
    const std::size_t size = (std::size_t{64} << 20) - head.size() - tail.size();
    text.reserve(head.size() + size + tail.size());
    while (text.size() + item.size() <= size) {
        text += item;
    }
    return text + tail;
}

void BM_Read64MiBOfEmptyRows(benchmark::State& state) {
    const std::string csv = Repeated("name,url,username,password\n", "a,,,\n", "");
    for (auto _ : state) {
        TImportData data;
        ReadImportData(csv, TImportFormat::Detect, {}, data);
        benchmark::DoNotOptimize(data.entries.size());
    }
}
BENCHMARK(BM_Read64MiBOfEmptyRows)->Unit(benchmark::kMillisecond);

void BM_Read64MiBOfBitwardenJson(benchmark::State& state) {
    const std::string json =
        Repeated("{\"items\": [", "{\"name\": \"a\", \"login\": {\"password\": \"pw\"}},", "{}]}");
    for (auto _ : state) {
        TImportData data;
        ReadImportData(json, TImportFormat::Detect, {}, data);
        benchmark::DoNotOptimize(data.entries.size());
    }
}
BENCHMARK(BM_Read64MiBOfBitwardenJson)->Unit(benchmark::kMillisecond);

} // namespace
