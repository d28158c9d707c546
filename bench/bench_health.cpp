// Speed of the password health report on 5,000 records: reading the records
// out of the tree (copies of their enciphered texts), and deciphering and
// judging them on one thread and on two.
#include "U_Keyvale_Password_Generator.h"
#include "U_Keyvale_Password_Health.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A mix as a real database holds it: generated passwords and passphrases,
// word-and-digit passwords, a few shared ones, in 50 folders.
std::string SamplePassword(int i) {
    std::string password;
    switch (i % 5) {
    case 0: {
        TPasswordRules rules;
        rules.length = 20;
        GeneratePassword(rules, password);
        break;
    }
    case 1:
        GeneratePassphrase({6, "-"}, password);
        break;
    case 2:
        password = "Summer" + std::to_string(2000 + i % 30) + "!";
        break;
    case 3:
        password = "shared-password-" + std::to_string(i % 40);
        break;
    default: {
        TPasswordRules rules;
        rules.length = 12;
        rules.lower = rules.digits = true;
        GeneratePassword(rules, password);
    }
    }
    return password;
}

const TKeyvaleTree& Records5000() {
    static const TKeyvaleTree tree = [] {
        TKeyvaleTree t;
        for (int folder = 0, i = 0; folder < 50; ++folder) {
            TNodeHandle parent =
                t.AddChild(kNoNode, "Folder " + std::to_string(folder), kIconFolder);
            for (int record = 0; record < 100; ++record, ++i) {
                const std::string name = "site" + std::to_string(i) + ".example.com";
                TNodeHandle node = t.AddChild(parent, name, kIconRecord);
                t.AddChild(node,
                           RecordDataEncode("user" + std::to_string(i), SamplePassword(i),
                                            "user" + std::to_string(i) + "@mail.example.org",
                                            "https://" + name + "/login", "a note"),
                           kIconEmpty);
            }
        }
        return t;
    }();
    return tree;
}

void BM_HealthCollect5000(benchmark::State& state) {
    Records5000(); // built once, outside the timing
    for (auto _ : state) {
        std::vector<THealthInput> inputs = CollectHealthInputs(Records5000());
        benchmark::DoNotOptimize(inputs.data());
    }
}
BENCHMARK(BM_HealthCollect5000)->Unit(benchmark::kMillisecond);

void BM_HealthBuild5000(benchmark::State& state) {
    const auto threads = static_cast<unsigned>(state.range(0));
    const std::vector<THealthInput> inputs = CollectHealthInputs(Records5000());
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = BuildHealthReport(inputs, threads).rows.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_HealthBuild5000)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
