// What an import would do to a tree, worked out before anything changes, and
// then done: the same plan gives the preview (counts, refused rows with their
// reasons) and the change, so they never disagree.
//
// The tree's rules hold for every entry: names of 1 to 200 characters without
// line breaks or control characters, levels 0 to 15, at most 10000 nodes,
// the fields' limits, line breaks in the note only. An entry that breaks one
// is refused and listed; nothing is cut. Only the lines the import adds to a
// note give way: when the note would be too long, the source's text stays
// and added lines are left out (minor ones first), listed by label. Sibling
// names that would repeat get " (2)", " (3)". An entry equal in everything
// (name, folder, the five fields) to a record already where it would go, or
// to an entry of the file before it, is skipped as a duplicate and listed;
// nothing else is skipped without a line saying why.
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

// One entry named with what happened to it: refused, skipped, or imported
// with lines left out of its note.
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

    std::string destination;               // the folder's path, "" for the top of the tree
    std::size_t records = 0;               // records to add
    std::size_t emptyNodes = 0;            // nodes without fields to add (a source's empty folder)
    std::size_t folders = 0;               // folders to make, the new top folder included
    std::size_t duplicates = 0;            // of the skipped entries, those that are there already
    std::size_t renamed = 0;               // names that get " (2)" and so on
    std::vector<TImportRefusal> skipped;   // not imported on purpose, and why
    std::vector<TImportRefusal> shortened; // imported, their note without some added lines
    std::vector<TImportRefusal> refused;   // not imported: a rule of the tree forbids it

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
