// TKeyvaleSession: another version of the open database brought into it.
// A save that finds the file changed by another writer merges that writer's
// tree with ours; a change on disk with nothing unsaved here is taken in as
// it is; and another file (a conflict copy, a sync tool's copy) is merged
// on request, previewed first.
#include "U_Keyvale_Session.h"

#include "U_Keyvale_Database_File.h"

#include <future>
#include <system_error>
#include <utility>

namespace {

TSessionResult Result(TSessionOutcome outcome, std::vector<TSessionMessage> messages) {
    TSessionResult result;
    result.outcome = outcome;
    result.messages = std::move(messages);
    return result;
}

// A tree read for one merge only: its names are wiped however the merge ends.
struct TScratchTree {
    TKeyvaleTree tree;

    TScratchTree() = default;
    TScratchTree(const TScratchTree&) = delete;
    TScratchTree& operator=(const TScratchTree&) = delete;
    ~TScratchTree() { WipeTree(tree); }
};

std::string Quoted(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "\"" : ", \"") + name + "\"";
    }
    return text;
}

// "2 records added, 1 changed, 0 removed.", then the records kept side by
// side and those kept though one side removed them, by name. Only names:
// they are shown in the tree anyway, while field values never leave it.
std::string ReportText(const TMergeReport& report) {
    const std::size_t added = report.recordsAdded;
    std::string text = std::to_string(added) + (added == 1 ? " record" : " records") + " added, " +
                       std::to_string(report.recordsChanged) + " changed, " +
                       std::to_string(report.recordsRemoved) + " removed.";
    std::vector<std::string> besides;
    std::vector<std::string> keptChanged;
    for (const TMergeConflict& conflict : report.conflicts) {
        const std::string name = conflict.path.empty() ? std::string() : conflict.path.back();
        const bool removedOnOneSide = conflict.kind == TMergeConflictKind::RemovedHereChanged ||
                                      conflict.kind == TMergeConflictKind::RemovedThereChanged;
        (removedOnOneSide ? keptChanged : besides).push_back(name);
    }
    if (!besides.empty()) {
        text += " Kept side by side: " + Quoted(besides) + ".";
    }
    if (!keptChanged.empty()) {
        text +=
            " Kept, changed on one side though removed on the other: " + Quoted(keptChanged) + ".";
    }
    return text;
}

TSessionMessage MergedMessage(std::string text, const TMergeReport& report) {
    // Conflicts need the user's eye: the two versions now stand side by side.
    return {TSessionTopic::Database, std::move(text) + ReportText(report), report.HasConflicts()};
}

std::string WhyNotMergedText(const std::string& file) {
    return "Error! Your changes cannot be merged with the database file [" + file +
           "], which another program has changed: ";
}

// Reads a file to merge: with the open database's keys, else with its own
// password when one is given. The key material derived for it is wiped here.
// Records written on Windows are left as stored: the merge reads both
// encodings and deciphers only the records that differ, while converting
// would decipher every record of the file.
TSessionResult ReadToMerge(const std::string& path, const TKeyMaterial& keys,
                           const std::string& password, TKeyvaleTree& tree) {
    TDatabaseLoadResult load = LoadDatabaseFile(path, keys, tree, TLegacyRecords::AsStored);
    if (load.status == TDatabaseLoadStatus::WrongPassword && !password.empty()) {
        TKeyMaterial ownKeys;
        load =
            LoadDatabaseFileWithPassword(path, password, ownKeys, tree, TLegacyRecords::AsStored);
        ownKeys.Wipe();
    }
    if (load.status == TDatabaseLoadStatus::WrongPassword) {
        return Result(TSessionOutcome::WrongPassword,
                      {{TSessionTopic::Password,
                        "Error! Wrong password. Cannot open the database file [" + path +
                            "]: it is encrypted by another password.",
                        true}});
    }
    if (load.status == TDatabaseLoadStatus::Failed) {
        return Result(TSessionOutcome::Failed, {{TSessionTopic::File, load.message, true}});
    }
    return Result(TSessionOutcome::Done, {});
}

} // namespace

TSessionResult TKeyvaleSession::MergeWithChangedFile(const TKeyMaterial& fileKeys,
                                                     const TFileIdentity& now) {
    // Why a merge cannot be made goes to the log only: the alert is kept for
    // the conflict copy's warning that follows, which says where the work went.
    TScratchTree theirs;
    const TDatabaseLoadResult load =
        LoadDatabaseFile(file_, fileKeys, theirs.tree, TLegacyRecords::AsStored);
    if (load.status == TDatabaseLoadStatus::WrongPassword) {
        return SaveAside({{TSessionTopic::Database,
                           WhyNotMergedText(file_) +
                               "your main password does not open it any more. Its main password "
                               "has been changed, or the file is damaged.",
                           false}});
    }
    if (load.status == TDatabaseLoadStatus::Failed) {
        return SaveAside(
            {{TSessionTopic::Database,
              WhyNotMergedText(file_) + "it cannot be read and may be damaged. " + load.message,
              false}});
    }
    TScratchTree merged;
    const TMergeResult merge = MergeTrees(
        &base_, tree_, theirs.tree, static_cast<std::time_t>(now.modifiedSeconds), merged.tree);
    if (!merge.merged) {
        return SaveAside(
            {{TSessionTopic::Database,
              WhyNotMergedText(file_) + "Cannot merge: " + merge.refusal + ".", false}});
    }
    // Their version is now the last we have read of the file. Should the
    // write below fail, the next save starts from it and merges only what
    // changes after it.
    identity_ = now;
    std::swap(base_, theirs.tree);

    TSessionResult result;
    if (!SameTree(merged.tree, tree_)) {
        // Unsaved until written: a failed write must not let the merged
        // tree be left without a save.
        ReplaceTree(merged.tree);
        changed_ = true;
        result.treeReplaced = true;
        result.merge = merge.report;
        // Folders are not counted: a merge that changed only folders would
        // otherwise read as if nothing had been merged.
        result.messages.push_back(
            merge.report.NothingTaken()
                ? TSessionMessage{TSessionTopic::Database,
                                  "Changes another program made to the folders of [" + file_ +
                                      "] have been merged.",
                                  false}
                : MergedMessage("Changes another program made to [" + file_ +
                                    "] have been merged: ",
                                merge.report));
    }
    return FinishSave(SaveDatabaseFile(file_, tree_, keys_, checkpoint_), std::move(result));
}

TSessionResult TKeyvaleSession::TakeInFileChange() {
    if (!IsOpen() || changed_) {
        return Result(TSessionOutcome::Done, {});
    }
    if (saving_) {
        return Result(TSessionOutcome::Busy, {});
    }
    // A writer that keeps the lock is never caught halfway through its save.
    std::optional<TDatabaseWriteLock> ownLock;
    if (!heldLock_) {
        ownLock.emplace(file_);
    }
    const TDatabaseWriteLock& lock = heldLock_ ? *heldLock_ : *ownLock;
    if (!lock.Held()) {
        return Result(TSessionOutcome::Failed,
                      {{TSessionTopic::Database,
                        "Error! Cannot read the database file [" + file_ +
                            "] again after another program changed it." + lock.Error(),
                        true}});
    }
    // Taken before the read, as Open does: a change during the read shows at
    // the next look.
    const TFileIdentity now = ReadFileIdentity(file_);
    if (!now.exists || now == identity_) {
        // Gone (the next save writes it again), or as we know it.
        return Result(TSessionOutcome::Done, {});
    }
    TScratchTree theirs;
    const TDatabaseLoadResult load = LoadDatabaseFile(file_, keys_, theirs.tree);
    const std::string stays =
        " Your database stays here as it was; saving it will write it beside that file.";
    if (load.status == TDatabaseLoadStatus::WrongPassword) {
        return Result(TSessionOutcome::Failed,
                      {{TSessionTopic::Database,
                        "Warning! The database file [" + file_ +
                            "] has been changed by another program, and your main password "
                            "does not open it any more: its main password has been changed, or "
                            "the file is damaged." +
                            stays,
                        true}});
    }
    if (load.status == TDatabaseLoadStatus::Failed) {
        return Result(TSessionOutcome::Failed,
                      {{TSessionTopic::Database,
                        "Warning! The database file [" + file_ +
                            "] has been changed by another program and cannot be read. " +
                            load.message + stays,
                        true}});
    }
    identity_ = now;
    if (SameTree(theirs.tree, tree_)) {
        return Result(TSessionOutcome::Done, {}); // written again as it was
    }
    ReplaceTree(theirs.tree);
    RememberTreeAsBase();
    TSessionResult result =
        Result(TSessionOutcome::Done, {{TSessionTopic::Database,
                                        "The database file [" + file_ +
                                            "] has been changed by another program. Its "
                                            "changes are shown now.",
                                        false}});
    result.treeReplaced = true;
    return result;
}

TSessionResult TKeyvaleSession::PlanMerge(const std::string& other,
                                          const std::string& otherPassword, const std::string& base,
                                          TMergePlan& plan) {
    if (!IsOpen()) {
        return Save(); // says that there is no file
    }
    // The two files are read at once, on two threads: reading is most of
    // the time a merge takes, and neither read needs the other.
    TScratchTree theirs;
    TScratchTree ancestor;
    std::future<TSessionResult> baseRead;
    const auto readBase = [&] { return ReadToMerge(base, keys_, otherPassword, ancestor.tree); };
    if (!base.empty()) {
        try {
            baseRead = std::async(std::launch::async, readBase);
        } catch (const std::system_error&) {
            baseRead = std::async(std::launch::deferred, readBase); // no thread to be had
        }
    }
    TSessionResult otherRead = ReadToMerge(other, keys_, otherPassword, theirs.tree);
    TSessionResult baseDone = baseRead.valid() ? baseRead.get() : TSessionResult{};
    if (otherRead.outcome != TSessionOutcome::Done) {
        return otherRead;
    }
    if (baseDone.outcome != TSessionOutcome::Done) {
        return baseDone;
    }
    const TFileIdentity written = ReadFileIdentity(other);
    TScratchTree merged;
    TMergeResult merge = MergeTrees(base.empty() ? nullptr : &ancestor.tree, tree_, theirs.tree,
                                    static_cast<std::time_t>(written.modifiedSeconds), merged.tree);
    WipeTree(plan.tree);
    plan.other = other;
    plan.treeVersion = treeVersion_;
    if (!merge.merged) {
        const std::string refusal = merge.refusal;
        plan.merge = std::move(merge);
        return Result(TSessionOutcome::Failed,
                      {{TSessionTopic::Database, "Error! Cannot merge: " + refusal + ".", true}});
    }
    plan.merge = std::move(merge);
    std::swap(plan.tree, merged.tree);
    return Result(
        TSessionOutcome::Done,
        {{TSessionTopic::Database,
          "[" + other + "] can be merged into your database: " + ReportText(plan.merge.report),
          false}});
}

TSessionResult TKeyvaleSession::ApplyMerge(TMergePlan& plan) {
    TSessionResult result;
    if (!IsOpen()) {
        result = Save(); // says that there is no file
    } else if (!plan.merge.merged) {
        result =
            Result(TSessionOutcome::Failed,
                   {{TSessionTopic::Database,
                     "Error! Nothing has been merged: there is no merge ready to apply.", true}});
    } else if (plan.treeVersion != treeVersion_) {
        result = Result(TSessionOutcome::Failed,
                        {{TSessionTopic::Database,
                          "Error! Nothing has been merged: your database has changed since the "
                          "merge of [" +
                              plan.other + "] was prepared. Prepare it again.",
                          true}});
    } else {
        const TMergeReport report = plan.merge.report;
        ReplaceTree(plan.tree);
        MarkChanged();
        result = Result(
            TSessionOutcome::Done,
            {MergedMessage("[" + plan.other + "] has been merged into your database: ", report)});
        result.treeReplaced = true;
        result.merge = report;
    }
    WipeTree(plan.tree);
    plan.other.clear();
    plan.merge = {};
    plan.treeVersion = 0;
    return result;
}
