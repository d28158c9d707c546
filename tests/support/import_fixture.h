// Running an import the way keyvale-cli and the window run it, and reading
// the resulting tree back as lines a test can compare field by field.
#pragma once

#include "U_Keyvale_Import_Plan.h"
#include "U_Keyvale_Import_Source.h"
#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline constexpr const char* kImportDate = "2026-12-10";

// Every user node in tree order: its path, and for a record its five fields.
// "Mail/example.org | ann | pw | ann@x.org | https://x.org | note"
inline std::vector<std::string> Contents(const TKeyvaleTree& tree) {
    std::vector<std::string> lines;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (!IsUserNode(tree, node)) {
            continue;
        }
        std::vector<std::string> names;
        for (TNodeHandle up = node; up != kNoNode; up = tree.Parent(up)) {
            names.insert(names.begin(), tree.Text(up));
        }
        std::string line = JoinFolderPath(names);
        if (F_Node_is_File(tree, node)) {
            TRecordFields f = RecordDataDecode(tree.Text(tree.FirstChild(node)));
            line += " | " + f.login + " | " + f.password + " | " + f.email + " | " + f.url + " | " +
                    f.note;
        } else if (tree.ChildCount(node) == 0) {
            line += " (empty)";
        }
        lines.push_back(line);
    }
    return lines;
}

struct TImportRun {
    std::string readError;
    TImportPlan plan;
    TNodeHandle destination = kNoNode;
};

// Reads `text`, plans the import into `tree` and, unless `dryRun`, applies it.
inline TImportRun RunImport(TKeyvaleTree& tree, const std::string& text,
                            TImportOptions options = {},
                            TImportFormat format = TImportFormat::Detect,
                            const TColumnMap& map = {}, bool dryRun = false) {
    TImportRun run;
    if (options.date.empty()) {
        options.date = kImportDate;
    }
    TImportData data;
    run.readError = ReadImportData(text, format, map, data);
    if (!run.readError.empty()) {
        return run;
    }
    run.plan = PlanImport(tree, data, options);
    if (!dryRun && run.plan.error.empty()) {
        run.destination = ApplyImportPlan(tree, run.plan);
    }
    return run;
}
