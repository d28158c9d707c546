// The import on any file content, as CSV and JSON of every format: reading
// never crashes, every entry is counted once (added, skipped or refused),
// and what is added keeps the tree's rules.
#include "U_Keyvale_Import_Plan.h"
#include "U_Keyvale_Import_Source.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte chooses the format, as --format would.
    const TImportFormat formats[] = {TImportFormat::Detect,        TImportFormat::Chromium,
                                     TImportFormat::Firefox,       TImportFormat::BitwardenCsv,
                                     TImportFormat::BitwardenJson, TImportFormat::KeePassXC,
                                     TImportFormat::GenericCsv,    TImportFormat::Keyvale};
    const TImportFormat format = formats[data[0] % std::size(formats)];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    TImportData imported;
    if (!ReadImportData(text, format, {}, imported).empty()) {
        return 0;
    }
    const std::size_t entries = imported.entries.size();
    TKeyvaleTree tree;
    tree.AddChild(tree.AddChild(kNoNode, "Existing", kIconRecord),
                  RecordDataEncode("a", "b", "", "https://x", ""), kIconEmpty);
    TImportOptions options;
    options.date = "2026-12-10";
    TImportPlan plan = PlanImport(tree, imported, options);
    if (!plan.error.empty()) {
        FUZZ_CHECK(!plan.HasChanges());
        return 0;
    }
    FUZZ_CHECK(plan.records + plan.emptyNodes + plan.skipped.size() + plan.refused.size() ==
               entries);
    ApplyImportPlan(tree, plan);
    FUZZ_CHECK(tree.NodeCount() <= kMaximumNodeCount);
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (!IsUserNode(tree, node)) {
            continue;
        }
        FUZZ_CHECK(NameProblem(tree.Text(node)).empty());
        FUZZ_CHECK(tree.Level(node) <= kMaximumLevel);
        if (F_Node_is_File(tree, node)) {
            const TRecordFields fields = RecordDataDecode(tree.Text(tree.FirstChild(node)));
            for (const TRecordFieldRule& rule : kRecordFieldRules) {
                FUZZ_CHECK(FieldProblem(rule, fields.*rule.member).empty());
            }
        }
    }
    return 0;
}
