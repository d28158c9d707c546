// What an import would do to a tree, worked out before anything changes, and
// then done: the same plan gives the preview (counts, refused rows with their
// reasons) and the change, so they never disagree.
//
// The tree's rules hold for every entry: names of 1 to 200 characters without
// line breaks or control characters, levels 0 to 15, at most 10000 nodes,
// the fields' limits, line breaks in the note only. An entry that breaks one
// is refused and listed; nothing is cut. Sibling names that would repeat get
// " (2)", " (3)"; an entry whose URL host, login and password equal those of
// a record already there (or imported before it) is skipped as a duplicate.
#pragma once

#include "U_Keyvale_Import_Source.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct TImportOptions {
    // Where the entries go: nothing means a new top folder "Imported from
    // SOURCE DATE"; otherwise the folder these names lead to from the top
    // (made where missing; no names: the top of the tree itself).
    std::optional<std::vector<std::string>> folder;
    bool keepDuplicates = false;
    std::string date; // YYYY-MM-DD, for the new top folder's name
    // Set from another thread: planning stops at the next entry, and the
    // plan made so far is not to be used.
    const std::atomic<bool>* stop = nullptr;
};

struct TImportRefusal {
    std::string where; // "line 7"
    std::string reason;
    std::size_t entry = 0; // the entry's place among those of the file, from 0

    bool operator==(const TImportRefusal& other) const {
        return where == other.where && reason == other.reason;
    }
};

class TImportPlan {
  public:
    // A reason that stops the whole import (a Keyvale export that breaks a
    // rule, a --folder path that leads through a record); empty otherwise.
    std::string error;

    std::string destination; // the folder's path, "" for the top of the tree
    std::size_t records = 0; // records and empty nodes to add
    std::size_t folders = 0; // folders to make, the new top folder included
    std::size_t duplicates = 0;
    std::size_t renamed = 0; // names that get " (2)" and so on
    std::vector<TImportRefusal> refused;

    bool HasChanges() const { return !steps_.empty(); }

    TImportPlan() = default;
    TImportPlan(const TImportPlan&) = delete;
    TImportPlan& operator=(const TImportPlan&) = delete;
    TImportPlan(TImportPlan&&) = default;
    TImportPlan& operator=(TImportPlan&&) = default;
    ~TImportPlan();

  private:
    friend class TImportPlanner;
    friend TNodeHandle ApplyImportPlan(TKeyvaleTree& tree, TImportPlan& plan);

    // One node to add as the last child of its parent: an existing node
    // (parentStep < 0; kNoNode is the top) or one that an earlier step made.
    struct Step {
        int parentStep = -1;
        TNodeHandle parent = kNoNode;
        std::string name;
        bool folder = false;
        std::optional<TRecordFields> fields; // a record; none: an empty node
    };
    std::vector<Step> steps_;
    int destinationStep_ = -1; // the step that makes the destination, if one does
    TNodeHandle destinationNode_ = kNoNode;
};

// The plan for the entries of `data` in `tree` (which it does not change).
// The entries' fields are moved into the plan.
TImportPlan PlanImport(const TKeyvaleTree& tree, TImportData& data, const TImportOptions& options);

// Adds what the plan says to the tree it was made for, which must not have
// changed since; the plan's secrets are wiped. Returns the destination folder
// (kNoNode: the top of the tree).
TNodeHandle ApplyImportPlan(TKeyvaleTree& tree, TImportPlan& plan);

// "Imported from Chrome 2026-12-10".
std::string ImportFolderName(TImportFormat format, const std::string& date);

// What the field rules say against the first of the five fields that breaks
// one ("its login holds a line break"); empty when none does.
std::string ImportFieldsProblem(const TRecordFields& fields);
