// keyvale-cli import: the passwords of a browser, another password program
// or a Keyvale export, into a new database or added to an existing one.
// Reading, the rules and the change itself are storage's; this file asks for
// passwords, prints what the plan says and writes through the session.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Plan.h"
#include "U_Keyvale_Import_Report.h"
#include "U_Keyvale_Import_Source.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_paths.h"
#include "cli_session.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <iostream>

#include <sys/stat.h>

namespace {

using Json = nlohmann::ordered_json;
using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

bool Exists(const std::string& file) {
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0;
}

Json NamedEntries(const std::vector<TImportRefusal>& entries) {
    Json list = Json::array();
    for (const TImportRefusal& entry : entries) {
        list.push_back({{"where", entry.where}, {"reason", entry.reason}});
    }
    return list;
}

void PrintPlan(const TImportPlan& plan, const std::string& source, bool done, bool asJson,
               bool dryRun) {
    if (asJson) {
        Json report = {{"dryRun", dryRun},
                       {"source", source},
                       {"destination", plan.destination},
                       {"records", plan.records},
                       {"emptyNodes", plan.emptyNodes},
                       {"folders", plan.folders},
                       {"duplicates", plan.duplicates},
                       {"renamed", plan.renamed},
                       {"skipped", NamedEntries(plan.skipped)},
                       {"shortened", NamedEntries(plan.shortened)},
                       {"refused", NamedEntries(plan.refused)}};
        std::cout << report.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
        return;
    }
    for (const std::string& line : ImportSummary(plan, source, done)) {
        std::cout << line << "\n";
    }
    for (const std::string& line : ImportRefusalLines(plan.refused)) {
        std::cout << "  " << line << "\n";
    }
    if (plan.duplicates > 0 && !done) {
        std::cout << "(--keep-duplicates imports the duplicates too.)\n";
    }
}

// After the file holds the import (or, for a dry run, would): the plain-text
// source should go, and a partial import must not look like a whole one to a
// script. A note that lacks lines of the source is partial too. A dry run
// ends with the status the import itself would have.
int Finish(const std::string& sourceFile, const TImportPlan& plan, bool dryRun) {
    if (!plan.refused.empty() || !plan.shortened.empty()) {
        // "2 entries were" after the import, "2 entries would be" before it.
        const auto counted = [dryRun](std::size_t count, const char* one, const char* many) {
            return std::to_string(count) + " " + (count == 1 ? one : many) +
                   (dryRun ? " would" : (count == 1 ? " was" : " were"));
        };
        std::string what;
        if (!plan.refused.empty()) {
            what = counted(plan.refused.size(), "entry", "entries") +
                   (dryRun ? " not be imported" : " not imported");
        }
        if (!plan.shortened.empty()) {
            what += (what.empty() ? "" : " and ") +
                    counted(plan.shortened.size(), "entry", "entries") + (dryRun ? " be" : "") +
                    " imported without some lines of the note";
        }
        if (dryRun) {
            return Fail("import", what + " (listed above).", kExitRuntimeError);
        }
        return Fail("import",
                    what + " (listed above); keep " + sourceFile +
                        " until you have brought them in another way.",
                    kExitRuntimeError);
    }
    if (!dryRun && sourceFile != "-") {
        std::cerr << "keyvale-cli import: " << sourceFile
                  << " holds your passwords in plain text; delete it once you no longer need it "
                     "(keyvale-cli has not deleted it).\n";
    }
    return kExitOk;
}

struct ImportRequest {
    std::string sourceFile;
    std::string file;
    TImportOptions options;
    bool dryRun = false;
    bool asJson = false;
};

int IntoNewFile(const ImportRequest& request, TImportData& data) {
    if (int code = cli::CheckNewFile("import", request.file); code != kExitOk) {
        return code;
    }
    TImportOptions options = request.options;
    if (data.exactTree && !options.folder) {
        options.folder = std::vector<std::string>{}; // a Keyvale export is the whole tree
    }
    TKeyvaleTree tree;
    TImportPlan plan = PlanImport(tree, data, options);
    const std::string source = ImportSourceName(data.format);
    if (!plan.error.empty()) {
        return Fail("import", "rejected: " + plan.error, kExitRuntimeError);
    }
    if (request.dryRun) {
        PrintPlan(plan, source, false, request.asJson, true);
        return Finish(request.sourceFile, plan, true);
    }
    std::string password;
    int code = cli::AskNewPassword("import", password);
    TKeyMaterial keys;
    if (code == kExitOk) {
        std::string refused = KvDeriveKeyMaterial(password, keys);
        if (refused.empty()) {
            ApplyImportPlan(tree, plan);
            cli::SaveMessagesToStandardError quiet(request.asJson);
            code = cli::CreateWithTree("import", request.file, tree, keys);
        } else {
            code = Fail("import", refused, kExitRuntimeError);
        }
    }
    KvSecureWipe(password);
    keys.Wipe();
    if (code != kExitOk) {
        return code;
    }
    PrintPlan(plan, source, true, request.asJson, false);
    return Finish(request.sourceFile, plan, false);
}

int IntoExistingFile(const ImportRequest& request, TImportData& data) {
    const std::string source = ImportSourceName(data.format);
    if (request.dryRun) {
        // Reading is enough to know what would happen; nothing is written.
        cli::OpenDatabase database;
        if (int code = cli::OpenExisting("import", request.file, database); code != kExitOk) {
            return code;
        }
        TImportPlan plan = PlanImport(database.tree, data, request.options);
        if (!plan.error.empty()) {
            return Fail("import", "rejected: " + plan.error, kExitRuntimeError);
        }
        PrintPlan(plan, source, false, request.asJson, true);
        return Finish(request.sourceFile, plan, true);
    }
    cli::WriteSession session;
    if (int code = session.Open("import", request.file); code != kExitOk) {
        return code;
    }
    TImportPlan plan = PlanImport(session.Tree(), data, request.options);
    if (!plan.error.empty()) {
        return Fail("import", "rejected: " + plan.error, kExitRuntimeError);
    }
    if (plan.HasChanges()) {
        ApplyImportPlan(session.Tree(), plan);
        cli::SaveMessagesToStandardError quiet(request.asJson);
        if (int code = session.Save("import"); code != kExitOk) {
            return code;
        }
    }
    PrintPlan(plan, source, true, request.asJson, false);
    return Finish(request.sourceFile, plan, false);
}

int RunImport(const cli::ParsedArguments& args) {
    ImportRequest request;
    request.sourceFile = args.positional[0];
    request.file = args.positional[1];
    request.dryRun = args.Has("dry-run");
    request.asJson = args.Has("json");
    request.options.keepDuplicates = args.Has("keep-duplicates");
    request.options.date = Today();

    TImportFormat format = TImportFormat::Detect;
    if (std::optional<std::string> name = args.Value("format")) {
        std::optional<TImportFormat> known = ImportFormatFromName(*name);
        if (!known) {
            return Fail("import",
                        "unknown format \"" + *name + "\"; use one of " + ImportFormatNames() + ".",
                        kExitUsage);
        }
        format = *known;
    }
    TColumnMap map;
    if (std::optional<std::string> text = args.Value("map")) {
        if (std::string problem = ParseColumnMap(*text, map); !problem.empty()) {
            return Fail("import", "--map: " + problem + ".", kExitUsage);
        }
    }
    if (std::optional<std::string> folder = args.Value("folder")) {
        std::vector<std::string> names;
        if (std::string problem = cli::SplitPath(*folder, names); !problem.empty()) {
            return Fail("import", "--folder \"" + *folder + "\": " + problem + ".", kExitUsage);
        }
        request.options.folder = std::move(names);
    }

    // Passwords are read from standard input too; it cannot carry both.
    if (request.sourceFile == "-" && !(request.dryRun && !Exists(request.file))) {
        return Fail("import",
                    "SOURCE \"-\" would take standard input, from which the main password is "
                    "read; give the export as a file.",
                    kExitUsage);
    }
    std::string text;
    if (std::string problem = ReadImportFile(request.sourceFile, text); !problem.empty()) {
        return Fail("import", "cannot read " + request.sourceFile + ": " + problem,
                    kExitRuntimeError);
    }
    TImportData data;
    std::string problem = ReadImportData(text, format, map, data);
    KvSecureWipe(text);
    if (!problem.empty()) {
        return Fail("import", "cannot import " + request.sourceFile + ": " + problem + ".",
                    kExitRuntimeError);
    }
    const bool exists = Exists(request.file);
    return exists ? IntoExistingFile(request, data) : IntoNewFile(request, data);
}

const cli::CliRegistration importCommand({
    "import",
    "SOURCE FILE",
    "add the passwords of a browser or password program",
    "Reads SOURCE (\"-\", standard input, only with --dry-run into a new FILE:\n"
    "passwords are read from standard input), an export of\n"
    "  Chrome, Chromium, Edge, Brave, Opera, Vivaldi (CSV name,url,username,password,note)\n"
    "  Firefox (CSV \"url\",\"username\",\"password\",\"httpRealm\",...)\n"
    "  Bitwarden (CSV folder,favorite,type,name,notes,..., an organisation's\n"
    "    collections,type,name,notes,..., or unencrypted JSON)\n"
    "  KeePassXC (CSV \"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",...)\n"
    "  any other CSV file whose columns --map names\n"
    "  Keyvale (the JSON that export writes)\n"
    "and tells which it is from the file itself. --format names it instead:\n"
    "chrome (also chromium, edge, brave, opera, vivaldi), firefox, bitwarden,\n"
    "bitwarden-json, keepassxc, csv or keyvale-json.\n"
    "A missing FILE becomes a new database (its new main password is asked\n"
    "twice); an existing FILE gets the entries added (its main password is asked\n"
    "once), written as every change is, after a backup copy.\n"
    "The entries go into a new top folder \"Imported from SOURCE YYYY-MM-DD\",\n"
    "below it into the source's folders (Bitwarden folders, KeePassXC groups);\n"
    "--folder names another folder (made where missing; \"/\" is the top). A\n"
    "Keyvale export into a new FILE is the whole tree, exactly as exported.\n"
    "A record's name is the source's title, else the URL's host (or the words\n"
    "written there), else the login, else \"Imported\"; a login that is an e-mail\n"
    "address is the E-Mail too; what a record has no field for (TOTP, custom\n"
    "fields, further URLs, Bitwarden's SSH keys, earlier passwords and passkeys'\n"
    "sites and users, times) ends the note as labelled lines. When the note cannot\n"
    "hold them all, the source's note stays whole and added lines are left out,\n"
    "times and marks first, and listed. Bitwarden folders and an organisation's\n"
    "collections nest at \"/\" as Bitwarden nests them; an item in several\n"
    "collections stands in the first, the others noted. Names that would repeat in\n"
    "a folder get \" (2)\", \" (3)\". An entry equal in every field (folder, name\n"
    "and the five fields) to a record where it would go, or to an earlier entry,\n"
    "is skipped and listed (--keep-duplicates imports it); so is Firefox's login\n"
    "for its own account.\n"
    "An entry that breaks a rule of the tree (names of 1 to 200 characters\n"
    "without control characters, levels 0 to 15, 10000 nodes, the fields'\n"
    "limits, line breaks in the note only) is not imported and is listed with its\n"
    "line and the reason; nothing is cut. Lengths count as the window does: an\n"
    "emoji counts two. In a Keyvale export such a node, or two of one name in a\n"
    "folder, refuses the whole file.\n"
    "--dry-run changes nothing and prints what would happen (--json: as JSON,\n"
    "alone on standard output, with or without --dry-run).\n"
    "Exit status 1 when entries were refused or notes lack added lines (the rest\n"
    "is saved), so that the export is not deleted before they are brought in;\n"
    "--dry-run exits as the import would.\n"
    "--map FIELD=COLUMN,... names the columns of a CSV file: FIELD is name,\n"
    "login, password, email, url, note or folder (a path with \"/\"); other\n"
    "columns end the note.\n",
    {{"format", 'f', cli::TOptionValue::Required, "F", "read SOURCE as F (see above)"},
     {"folder", 0, cli::TOptionValue::Required, "PATH", "import into this folder"},
     {"map", 0, cli::TOptionValue::Required, "MAP", "the columns of a CSV file, FIELD=COLUMN,..."},
     {"keep-duplicates", 0, cli::TOptionValue::None, "", "import entries equal to a record too"},
     {"dry-run", 'n', cli::TOptionValue::None, "", "change nothing, print what would happen"},
     {"json", 0, cli::TOptionValue::None, "", "print the result as JSON"}},
    2,
    2,
    RunImport,
});

} // namespace
