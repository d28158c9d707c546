#include "U_Keyvale_Import_Report.h"

#include "U_Keyvale_Import_Text.h"

namespace {

std::string Counted(std::size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The number of "line 17"; 0 for other places ("item 3", "node ...").
std::size_t LineNumber(const std::string& where) {
    if (where.rfind("line ", 0) != 0) {
        return 0;
    }
    std::size_t number = 0;
    for (std::size_t i = 5; i < where.size(); ++i) {
        if (where[i] < '0' || where[i] > '9') {
            return 0;
        }
        number = number * 10 + static_cast<std::size_t>(where[i] - '0');
    }
    return number;
}

} // namespace

std::vector<std::string> ImportSummary(const TImportPlan& plan, const std::string& source,
                                       bool done) {
    std::vector<std::string> lines;
    const std::string into = plan.destination.empty()
                                 ? "the top of the tree"
                                 : "\"" + WithControlsEscaped(plan.destination) + "\"";
    if (plan.records == 0 && plan.emptyNodes == 0) {
        lines.push_back(std::string(done ? "Added" : "Adds") + " nothing from " + source + ".");
    } else {
        lines.push_back(
            std::string(done ? "Added " : "Adds ") + Counted(plan.records, "record", "records") +
            (plan.emptyNodes == 0
                 ? " and "
                 : ", " + Counted(plan.emptyNodes, "empty node", "empty nodes") + " and ") +
            Counted(plan.folders, "folder", "folders") + " from " + source + " into " + into + ".");
    }
    // Entries that came over differently than the file has them, or not at
    // all though the tree could hold them: each named, so nothing is lost
    // without a word.
    const auto listed = [&lines](const std::vector<TImportRefusal>& entries,
                                 const std::string& heading) {
        if (entries.empty()) {
            return;
        }
        lines.push_back(heading);
        for (const std::string& line : ImportRefusalLines(entries)) {
            lines.push_back("  " + line);
        }
    };
    listed(plan.skipped, "Skipped " + Counted(plan.skipped.size(), "entry", "entries") + ":");
    listed(plan.shortened, Counted(plan.shortened.size(), "entry", "entries") +
                               " without some lines the import adds to the note:");
    if (plan.renamed > 0) {
        lines.push_back(Counted(plan.renamed, "name", "names") +
                        " got a number, since the folder held the name already.");
    }
    if (!plan.refused.empty()) {
        lines.push_back("Refused " + Counted(plan.refused.size(), "entry", "entries") +
                        " (not imported):");
    }
    return lines;
}

std::vector<std::string> ImportRefusalLines(const std::vector<TImportRefusal>& refused) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < refused.size()) {
        // Rows that follow each other directly, for one reason, share a line.
        std::size_t last = i;
        while (LineNumber(refused[i].where) != 0 && last + 1 < refused.size() &&
               refused[last + 1].entry == refused[last].entry + 1 &&
               refused[last + 1].reason == refused[i].reason &&
               LineNumber(refused[last + 1].where) != 0) {
            ++last;
        }
        if (last > i) {
            lines.push_back("lines " + std::to_string(LineNumber(refused[i].where)) + " to " +
                            std::to_string(LineNumber(refused[last].where)) + ": " +
                            refused[i].reason);
        } else {
            lines.push_back(refused[i].where + ": " + refused[i].reason);
        }
        i = last + 1;
    }
    return lines;
}
