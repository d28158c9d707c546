// keyvale-cli health: the password health report, for people and scripts.
// Exit codes as grep uses them: 0 nothing found, 1 findings, 2 trouble.
#ifdef KEYVALE_HAVE_HEALTH

#include "U_Keyvale_Password_Health.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <iostream>

namespace {

using Json = nlohmann::ordered_json;

// The findings of a row as one text: "weak; reused in Mail/a, Shop".
std::string ReasonsText(const TKeyvaleTree& tree, const THealthRow& row) {
    std::string text;
    for (THealthFinding finding : row.findings) {
        if (!text.empty()) {
            text += "; ";
        }
        if (finding == THealthFinding::Reused) {
            text += "reused in ";
            for (std::size_t i = 0; i < row.reusedWith.size(); ++i) {
                text += (i > 0 ? ", " : "") + cli::PathOf(tree, row.reusedWith[i]);
            }
        } else {
            text += HealthFindingText(finding);
        }
    }
    return text;
}

// Folders with listed records, in tree order.
std::vector<TNodeHandle> FoldersWithFindings(const TKeyvaleTree& tree,
                                             const THealthReport& report) {
    std::vector<TNodeHandle> folders;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (report.folderCounts.count(node) != 0) {
            folders.push_back(node);
        }
    }
    return folders;
}

Json ReportJson(const TKeyvaleTree& tree, const THealthReport& report) {
    Json rows = Json::array();
    for (const THealthRow& row : report.rows) {
        Json findings = Json::array();
        for (THealthFinding finding : row.findings) {
            findings.push_back(HealthFindingText(finding));
        }
        Json reused = Json::array();
        for (TNodeHandle other : row.reusedWith) {
            reused.push_back(cli::PathOf(tree, other));
        }
        // An empty password has nothing to estimate.
        const Json guesses = row.Severity() == THealthFinding::Empty
                                 ? Json(nullptr)
                                 : Json(std::round(row.guessesLog10 * 10) / 10);
        rows.push_back({{"path", cli::PathOf(tree, row.node)},
                        {"findings", findings},
                        {"guesses_log10", guesses},
                        {"reused_with", reused}});
    }
    Json folders = Json::array();
    for (TNodeHandle folder : FoldersWithFindings(tree, report)) {
        folders.push_back({{"path", cli::PathOf(tree, folder)},
                           {"records_with_findings", report.folderCounts.at(folder)}});
    }
    return {{"records_checked", report.recordsChecked},
            {"records_with_findings", report.rows.size()},
            {"rows", rows},
            {"folders", folders}};
}

void PrintText(const TKeyvaleTree& tree, const THealthReport& report) {
    for (const THealthRow& row : report.rows) {
        const std::string guesses =
            row.Severity() == THealthFinding::Empty
                ? "-"
                : "10^" + std::to_string(static_cast<long>(std::floor(row.guessesLog10)));
        std::cout << cli::PathOf(tree, row.node) << "\t" << guesses << "\t"
                  << ReasonsText(tree, row) << "\n";
    }
    const std::vector<TNodeHandle> folders = FoldersWithFindings(tree, report);
    if (!folders.empty()) {
        std::cout << "\nFolders:\n";
        for (TNodeHandle folder : folders) {
            std::cout << cli::PathOf(tree, folder) << "\t" << report.folderCounts.at(folder)
                      << "\n";
        }
    }
    std::cout << "\n"
              << report.rows.size() << " of " << report.recordsChecked
              << " records have findings.\n";
}

int RunHealth(const cli::ParsedArguments& args) {
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("health", args.positional[0], database);
        code != cli::kExitOk) {
        // A file that cannot be read must not look like a database with
        // findings to a script testing for 1.
        return code == cli::kExitRuntimeError ? cli::kExitUsage : code;
    }
    const THealthReport report = BuildHealthReport(database.tree);
    if (args.Has("json")) {
        std::cout
            << ReportJson(database.tree, report).dump(2, ' ', false, Json::error_handler_t::replace)
            << "\n";
    } else {
        PrintText(database.tree, report);
    }
    return report.rows.empty() ? cli::kExitOk : cli::kExitRuntimeError;
}

const cli::CliRegistration healthCommand({
    "health",
    "FILE",
    "weak, reused and guessable passwords",
    "Lists every record whose password is empty, very weak (fewer than 10^6\n"
    "estimated guesses), reused in other records, weak (fewer than 10^10),\n"
    "contains the record's name, login or site, or is shorter than 12\n"
    "characters: one line per record, most severe first, with its path, the\n"
    "estimated guesses as a power of ten and all its findings, separated by\n"
    "TABs; then the folders with how many of their records are listed.\n"
    "Strength is zxcvbn's estimate, with the record's own words as known words.\n"
    "No password is printed. Exit code 0 when nothing is found, 1 when some\n"
    "record is listed, 2 for usage errors and databases that cannot be read.\n"
    "The main password is typed without echo on a terminal; otherwise it is read\n"
    "as one line of standard input.\n",
    {{"json", 0, cli::TOptionValue::None, "", "print JSON"}},
    1,
    1,
    RunHealth,
});

} // namespace

#endif
