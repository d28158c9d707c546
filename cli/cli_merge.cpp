// keyvale-cli conflicts and merge: the copies that writers leave beside a
// database when two of them changed it at once, and bringing such a copy (or
// any other version of the database) back into it. The merge itself is the
// session's, as in the window; this file asks for passwords, checks the files
// named and prints what the merge did.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Conflict_Copies.h"
#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "U_Keyvale_Session.h"
#include "U_Keyvale_Session_Files.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_paths.h"
#include "cli_session.h"
#include "cli_terminal.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>
#include <limits>

namespace {

using Json = nlohmann::ordered_json;
using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

// A merge that kept conflicts side by side: the file holds everything, and
// the user has records to look at.
constexpr int kExitConflictsKept = 1;
// A merge that wrote nothing, for whatever reason: a script must be able to
// tell it from one that worked.
constexpr int kExitNothingWritten = 2;

// ---- conflicts ----------------------------------------------------------------

// Refuses a FILE that cannot be a database: the copies are found by its name.
int CheckDatabaseName(const std::string& command, const std::string& file) {
    const TPathCheck check = TKeyvaleSession::CheckFileToOpen(file);
    if (check.problem == TPathProblem::NotFound || check.problem == TPathProblem::NoName) {
        return Fail(command, "no database file " + file + ".", kExitUsage);
    }
    if (check.problem == TPathProblem::BadName || !HasDatabaseExtension(PathFileName(file))) {
        return Fail(command,
                    "\"" + PathFileName(file) + "\" is no database name: it ends in \"" +
                        kDatabaseExtension + "\".",
                    kExitUsage);
    }
    return kExitOk;
}

int RunConflicts(const cli::ParsedArguments& args) {
    const std::string& file = args.positional[0];
    if (int code = CheckDatabaseName("conflicts", file); code != kExitOk) {
        return code;
    }
    const std::vector<std::string> copies = ListConflictCopies(file);
    if (args.Has("json")) {
        std::cout << Json(copies).dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    } else {
        for (const std::string& copy : copies) {
            std::cout << WithControlsEscaped(copy, "") << "\n";
        }
    }
    return copies.empty() ? kExitOk : kExitRuntimeError;
}

// ---- merge --------------------------------------------------------------------

struct MergeRequest {
    std::string file;
    std::vector<std::string> others;
    std::string base; // empty: the two-way merge
    bool dryRun = false;
    bool asJson = false;
};

// One OTHER brought in, as the JSON and the summary tell it.
struct MergeDone {
    std::string other;
    TMergeReport report;
    std::vector<std::string> messages; // the session's words
};

// Each kind of conflict: its name in the JSON, and what the summary says of it.
struct ConflictKindText {
    TMergeConflictKind kind;
    const char* name;
    const char* said;
};

constexpr ConflictKindText kConflictKinds[] = {
    {TMergeConflictKind::Fields, "fields", "changed on both sides:"},
    {TMergeConflictKind::BothAdded, "both-added", "added on both sides"},
    {TMergeConflictKind::KindDiffers, "kind-differs",
     "a folder on one side, a record on the other"},
    {TMergeConflictKind::RemovedHereChanged, "removed-here-changed",
     "removed here, changed there: kept with their change"},
    {TMergeConflictKind::RemovedThereChanged, "removed-there-changed",
     "removed there, changed here: kept with this change"},
};

const ConflictKindText& KindText(TMergeConflictKind kind) {
    for (const ConflictKindText& text : kConflictKinds) {
        if (text.kind == kind) {
            return text;
        }
    }
    return kConflictKinds[0];
}

std::string PathText(const std::vector<std::string>& names) {
    std::string path;
    for (const std::string& name : names) {
        path += (path.empty() ? "" : "/") + cli::EscapeName(name);
    }
    return path;
}

// Names only: a conflict's values stay in the database.
Json ConflictJson(const TMergeConflict& conflict) {
    return {{"kind", KindText(conflict.kind).name},
            {"path", conflict.path},
            {"fields", conflict.fields},
            {"theirVersion",
             conflict.theirVersionName.empty() ? Json(nullptr) : Json(conflict.theirVersionName)}};
}

void PrintJson(const MergeRequest& request, const std::vector<MergeDone>& done, bool written) {
    Json merges = Json::array();
    for (const MergeDone& merge : done) {
        Json conflicts = Json::array();
        for (const TMergeConflict& conflict : merge.report.conflicts) {
            conflicts.push_back(ConflictJson(conflict));
        }
        merges.push_back({{"other", merge.other},
                          {"recordsAdded", merge.report.recordsAdded},
                          {"recordsChanged", merge.report.recordsChanged},
                          {"recordsRemoved", merge.report.recordsRemoved},
                          {"conflicts", conflicts}});
    }
    const Json report = {{"dryRun", request.dryRun},
                         {"file", request.file},
                         {"base", request.base.empty() ? Json(nullptr) : Json(request.base)},
                         {"written", written},
                         {"merges", merges}};
    std::cout << report.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

void PrintSummary(const std::vector<MergeDone>& done) {
    for (const MergeDone& merge : done) {
        for (const std::string& message : merge.messages) {
            std::cout << WithControlsEscaped(message, "\n") << "\n";
        }
        // "  Mail/a: changed on both sides: login, password; theirs beside it
        // as "a (their version 2026-12-11 14-30)""
        for (const TMergeConflict& conflict : merge.report.conflicts) {
            std::string line = "  " + PathText(conflict.path) + ": " + KindText(conflict.kind).said;
            for (std::size_t i = 0; i < conflict.fields.size(); ++i) {
                line += (i == 0 ? " " : ", ") + conflict.fields[i];
            }
            if (!conflict.theirVersionName.empty()) {
                line += "; theirs beside it as \"" + conflict.theirVersionName + "\"";
            }
            std::cout << WithControlsEscaped(line, "") << "\n";
        }
    }
}

// Whether two paths lead to one file (links followed, hard links too).
bool SameFile(const std::string& a, const std::string& b) {
    const TFileIdentity first = ReadFileIdentity(a);
    const TFileIdentity second = ReadFileIdentity(b);
    return first.exists && second.exists && first.device == second.device &&
           first.inode == second.inode;
}

// Everything that can be known wrong before a password is asked. The
// reasons are said here; every one of them leaves the file unwritten.
int CheckFiles(const MergeRequest& request) {
    std::vector<std::string> read = {request.file};
    read.insert(read.end(), request.others.begin(), request.others.end());
    if (!request.base.empty()) {
        read.push_back(request.base);
    }
    for (const std::string& file : read) {
        if (cli::CheckReadable("merge", file) != kExitOk) {
            return kExitNothingWritten;
        }
    }
    for (const std::string& other : request.others) {
        if (SameFile(other, request.file)) {
            return Fail("merge",
                        other + " is " + request.file +
                            " itself; name another version of it to merge.",
                        kExitNothingWritten);
        }
    }
    return kExitOk;
}

// Plans the merge of one OTHER: with the open database's keys first, then,
// when they do not open it, with its own password, asked as the main one was.
int PlanOne(TKeyvaleSession& session, const MergeRequest& request, const std::string& other,
            TMergePlan& plan, TSessionResult& result) {
    result = session.PlanMerge(other, "", request.base, plan);
    if (result.outcome == TSessionOutcome::WrongPassword) {
        const std::string prompt =
            "Password of " + other + (request.base.empty() ? "" : " and " + request.base) + ": ";
        std::optional<std::string> password = cli::ReadSecretLine(prompt);
        if (!password) {
            return Fail("merge",
                        "the main password of " + request.file + " does not open " + other +
                            ", and no other password was given." + cli::kWrongPasswordCause,
                        kExitNothingWritten);
        }
        result = session.PlanMerge(other, *password, request.base, plan);
        KvSecureWipe(*password);
    }
    if (result.outcome != TSessionOutcome::Done) {
        // A damaged file fails the same check as a wrong password does.
        const std::string cause =
            result.outcome == TSessionOutcome::WrongPassword ? cli::kWrongPasswordCause : "";
        for (const TSessionMessage& message : result.messages) {
            Fail("merge", message.text + cause, kExitNothingWritten);
        }
        if (result.messages.empty()) {
            Fail("merge", "cannot merge " + other + ".", kExitNothingWritten);
        }
        return kExitNothingWritten;
    }
    return kExitOk;
}

int RunMerge(const cli::ParsedArguments& args) {
    MergeRequest request;
    request.file = args.positional[0];
    request.others.assign(args.positional.begin() + 1, args.positional.end());
    request.base = args.Value("base").value_or("");
    request.dryRun = args.Has("dry-run");
    request.asJson = args.Has("json");
    if (args.Has("base") && request.base.empty()) {
        return Fail("merge", "--base names no file.", kExitUsage);
    }
    if (int code = CheckFiles(request); code != kExitOk) {
        return code;
    }

    cli::WriteSession session;
    if (request.dryRun) {
        session.WithoutBackup();
    }
    if (session.Open("merge", request.file) != kExitOk) {
        return kExitNothingWritten;
    }
    // Each OTHER merges into the tree the ones before it left, so that the
    // file gets them all in one write, or none of them.
    std::vector<MergeDone> done;
    for (const std::string& other : request.others) {
        TMergePlan plan;
        TSessionResult planned;
        if (int code = PlanOne(session.Session(), request, other, plan, planned); code != kExitOk) {
            return code;
        }
        MergeDone merge{other, plan.merge.report, {}};
        // Applied in a dry run too, in memory only, so that the next OTHER
        // is planned against this one's result.
        const TSessionResult applied = session.Session().ApplyMerge(plan);
        if (applied.outcome != TSessionOutcome::Done) {
            for (const TSessionMessage& message : applied.messages) {
                Fail("merge", message.text, kExitNothingWritten);
            }
            return kExitNothingWritten;
        }
        // "... can be merged" before the write, "... has been merged" after it.
        for (const TSessionMessage& message : (request.dryRun ? planned : applied).messages) {
            merge.messages.push_back(message.text);
        }
        done.push_back(std::move(merge));
    }

    // Written even when no record was taken: the counts leave out folders,
    // and a folder an OTHER added must not be dropped.
    bool written = false;
    if (!request.dryRun) {
        cli::SaveMessagesToStandardError quiet(request.asJson);
        if (session.Save("merge") != kExitOk) {
            return kExitNothingWritten;
        }
        written = true;
    }
    if (request.asJson) {
        PrintJson(request, done, written);
    } else {
        PrintSummary(done);
        if (request.dryRun) {
            std::cout << "Nothing has been written (--dry-run).\n";
        }
    }
    const bool conflicts = std::any_of(done.begin(), done.end(), [](const MergeDone& merge) {
        return merge.report.HasConflicts();
    });
    return conflicts ? kExitConflictsKept : kExitOk;
}

const char* const kPatterns =
    "  NAME (conflict YYYY-MM-DD HH-MM-SS[ N]).kvdb      Keyvale\n"
    "  NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.kvdb   Syncthing\n"
    "  NAME (... conflicted copy ...).kvdb             Dropbox, Nextcloud\n"
    "  NAME_conflict-YYYYMMDD-HHMMSS.kvdb              ownCloud, Nextcloud\n";

const cli::CliRegistration conflictsCommand({
    "conflicts",
    "FILE",
    "the conflict copies beside a database",
    std::string("Lists the copies that writers left beside FILE (NAME.kvdb) when two of them\n"
                "changed it at once, one path per line, sorted by name:\n") +
        kPatterns +
        "No password is asked. Exit code 0 when there are none, 1 when some are\n"
        "listed, 2 when FILE is missing or no database name. \"keyvale-cli merge\"\n"
        "brings a copy back in.\n",
    {{"json", 0, cli::TOptionValue::None, "", "print the paths as a JSON array"}},
    1,
    1,
    RunConflicts,
});

const cli::CliRegistration mergeCommand({
    "merge",
    "FILE OTHER...",
    "bring the changes of other versions of a database into it",
    "Merges each OTHER (a conflict copy, a sync tool's copy, any other version of\n"
    "FILE) into FILE, field by field, and writes FILE once, as every change is:\n"
    "under its lock, after a backup copy. A field changed on one side takes that\n"
    "side's value; a field both sides changed differently keeps FILE's value and\n"
    "puts OTHER's record beside it as \"NAME (their version YYYY-MM-DD HH-MM)\".\n"
    "A rename or a move counts as a removal plus an addition; nothing is lost.\n"
    "Without --base the merge is two-way: a node on one side only is kept, and a\n"
    "field that differs is a conflict. With --base, the version both came from,\n"
    "it is three-way: what one side removed or changed since BASE is taken.\n"
    "The main password is asked first (one line of standard input when that is\n"
    "no terminal); when it does not open an OTHER or BASE, one more password is\n"
    "asked the same way and tried on both. A merge that would break a limit of\n"
    "the tree is refused whole. --dry-run writes nothing (no backup either) and\n"
    "prints what would be done; --json prints it as JSON, alone on standard\n"
    "output: the counts, and the conflicts by path, field names and kind, never\n"
    "a value. OTHER and BASE are never changed or deleted.\n"
    "Exit code 0 merged without conflicts, 1 merged with conflicts kept side by\n"
    "side, 2 nothing written (usage error, wrong password, unreadable file,\n"
    "merge refused, FILE named as an OTHER).\n",
    {{"base", 0, cli::TOptionValue::Required, "BASE", "the common version: a three-way merge"},
     {"dry-run", 'n', cli::TOptionValue::None, "", "write nothing, print what would happen"},
     {"json", 0, cli::TOptionValue::None, "", "print the result as JSON"}},
    2,
    std::numeric_limits<std::size_t>::max(),
    RunMerge,
});

} // namespace
