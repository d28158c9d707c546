#include "U_Keyvale_Import_Plan.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Text.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <map>
#include <unordered_map>
#include <unordered_set>

namespace {

std::string WithoutCarriageReturns(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            result += '\n'; // a lone CR, as old Mac files end lines
        } else {
            result += text[i];
        }
    }
    return result;
}

// Leading blanks would read as nesting in the database file, so they go;
// trailing blanks stay, as a rename in the window keeps them. Control
// characters stay too, for the name rule to refuse.
std::string TrimmedName(const std::string& name) {
    const std::size_t first = name.find_first_not_of(" \t");
    return first == std::string::npos ? "" : name.substr(first);
}

// What makes an entry the same as a record: its place below the import's
// destination, its name and its five fields. Each part is written with its
// length, so that no text can run into the next.
std::string DuplicateKey(const std::vector<std::string>& folders, const std::string& name,
                         const TRecordFields& fields) {
    // One block for the whole key: it holds the password.
    std::size_t size = 24 + name.size();
    for (const std::string& folder : folders) {
        size += folder.size() + 24;
    }
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        size += (fields.*rule.member).size() + 24;
    }
    std::string key;
    key.reserve(size);
    const auto add = [&key](const std::string& part) {
        key += std::to_string(part.size());
        key += ':';
        key += part;
    };
    add(std::to_string(folders.size()));
    for (const std::string& folder : folders) {
        add(folder);
    }
    add(name);
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        add(fields.*rule.member);
    }
    return key;
}

// The window's fields count 16-bit code units where a user counts
// characters; the two differ at emoji and other characters beyond U+FFFF.
// A message about a limit says which it counts.
constexpr const char* kCountedAs =
    "as the window counts them: an emoji or another character beyond U+FFFF counts as two";

// "its note has 8002 characters where 8000 fit (as the window counts ...)";
// empty when the text fits.
std::string TooLong(const std::string& what, const std::string& text, std::size_t limit) {
    if (!IsValidUtf8(text)) {
        return "";
    }
    const std::size_t length = Utf16Length(text);
    if (length <= limit) {
        return "";
    }
    return what + " has " + std::to_string(length) + " characters where " + std::to_string(limit) +
           " fit (" + kCountedAs + ")";
}

// The entry's note: the source's own text, then as many of the lines the
// import adds as the field has room for. Lines are left out from the last,
// minor ones (times, marks) before the others; their labels go to
// `leftOut`, in the order of the note. A source note too long by itself is
// kept whole, alone, for the field's rule to refuse.
std::string FittedNote(const TImportEntry& entry, std::vector<std::string>& leftOut) {
    std::string trimmed = TrimBlanksAndControls(entry.fields.note);
    std::string note = WithoutCarriageReturns(trimmed);
    KvSecureWipe(trimmed);
    const std::size_t base = Utf16Length(note);
    if (entry.lines.empty() || base > kMaximumNoteLength) {
        return note;
    }
    const std::size_t count = entry.lines.size();
    // Reserved whole: a vector that grows leaves copies of its texts behind.
    std::vector<std::string> texts;
    texts.reserve(count);
    std::vector<std::size_t> lengths;
    std::size_t linesLength = 0;
    std::size_t bytes = note.size() + 2;
    for (const TNoteLine& line : entry.lines) {
        texts.push_back(WithoutCarriageReturns(line.text));
        lengths.push_back(Utf16Length(texts.back()));
        linesLength += lengths.back();
        bytes += texts.back().size() + 1;
    }
    std::vector<bool> kept(count, true);
    std::size_t keptCount = count;
    // The note, an empty line, then the lines one below the other.
    const auto total = [&] {
        return keptCount == 0 ? base : base + (base > 0 ? 2 : 0) + linesLength + (keptCount - 1);
    };
    for (const bool minorOnly : {true, false}) {
        for (std::size_t i = count; i-- > 0 && total() > kMaximumNoteLength;) {
            if (kept[i] && (entry.lines[i].minor || !minorOnly)) {
                kept[i] = false;
                --keptCount;
                linesLength -= lengths[i];
            }
        }
    }
    note.reserve(bytes);
    bool first = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (!kept[i]) {
            leftOut.push_back(entry.lines[i].label);
        } else {
            note += first ? (note.empty() ? "" : "\n\n") : "\n";
            note += texts[i];
            first = false;
        }
        KvSecureWipe(texts[i]);
    }
    std::string fitted = TrimBlanksAndControls(note);
    KvSecureWipe(note);
    return fitted;
}

// "its note keeps the source's text; the lines "TOTP" and "Favorite" the
// import adds were left out for want of room (...)".
std::string LeftOutReason(const std::vector<std::string>& labels) {
    std::string names;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        names += i == 0 ? "" : i + 1 == labels.size() ? " and " : ", ";
        const std::string left = Utf8Left(labels[i], 60);
        names +=
            "\"" + WithControlsEscaped(left) + (left.size() < labels[i].size() ? "...\"" : "\"");
    }
    const bool one = labels.size() == 1;
    return "its note keeps the source's text; the " + std::string(one ? "line " : "lines ") +
           names + " the import adds " + (one ? "was" : "were") +
           " left out for want of room (a note holds " + std::to_string(kMaximumNoteLength) +
           " characters, " + kCountedAs + ")";
}

void WipeFields(TRecordFields& fields) {
    KvSecureWipe(fields.login);
    KvSecureWipe(fields.password);
    KvSecureWipe(fields.email);
    KvSecureWipe(fields.url);
    KvSecureWipe(fields.note);
}

} // namespace

std::string ImportFieldsProblem(const TRecordFields& fields) {
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        const std::string& value = fields.*rule.member;
        if (std::string problem = FieldProblem(rule, value); !problem.empty()) {
            const std::string what = std::string("its ") + rule.name;
            std::string tooLong = TooLong(what, value, rule.limit);
            return tooLong.empty() ? what + " " + problem : tooLong;
        }
    }
    return "";
}

std::string ImportFolderName(TImportFormat format, const std::string& date) {
    return "Imported from " + ImportSourceName(format) + " " + date;
}

TImportPlan::~TImportPlan() {
    for (Step& step : steps_) {
        if (step.fields) {
            WipeFields(*step.fields);
        }
    }
}

class TImportPlanner {
  public:
    TImportPlanner(const TKeyvaleTree& tree, TImportPlan& plan, bool exact)
        : tree_(tree), plan_(plan), exact_(exact), nodeCount_(tree.NodeCount()) {}

    ~TImportPlanner() {
        while (!known_.empty()) {
            auto node = known_.extract(known_.begin());
            KvSecureWipe(node.key());
        }
    }

    // The destination: a new top folder, or the folder the names lead to.
    // False (with the plan's error) when those names cannot lead anywhere.
    bool SetDestination(const TImportOptions& options, TImportFormat format) {
        keepDuplicates_ = options.keepDuplicates;
        if (!options.folder) {
            newTopFolder_ = true;
            prefix_ = {ImportFolderName(format, options.date)};
            plan_.destination = UniqueName(Place{}, prefix_[0]);
            return true;
        }
        prefix_ = *options.folder;
        plan_.destination = JoinFolderPath(prefix_);
        for (const std::string& name : prefix_) {
            if (std::string problem = NameProblem(name); !problem.empty()) {
                plan_.error =
                    "the folder \"" + WithControlsEscaped(name) + "\" cannot be made: " + problem;
                return false;
            }
        }
        Place place;
        for (std::size_t i = 0; i < prefix_.size(); ++i) {
            std::optional<Place> existing = ExistingFolder(place, prefix_[i]);
            if (!existing) {
                if (NamesOf(place).count(prefix_[i]) != 0) {
                    plan_.error = "\"" +
                                  JoinFolderPath({prefix_.begin(), prefix_.begin() + i + 1}) +
                                  "\" is a record, not a folder";
                    return false;
                }
                return true; // a new folder: nothing is there yet
            }
            place = *existing;
        }
        std::vector<std::string> below;
        LearnRecordsBelow(place.node, below);
        return true;
    }

    void Add(TImportEntry& entry, std::size_t index) {
        entryIndex_ = index;
        if (!entry.problem.empty()) {
            Note(plan_.refused, entry, entry.problem);
            return;
        }
        if (!entry.skip.empty()) {
            Note(plan_.skipped, entry, entry.skip);
            return;
        }
        std::vector<std::string> leftOut;
        TRecordFields fields = exact_ ? std::move(entry.fields) : Normalized(entry, leftOut);
        const std::string name = exact_ ? entry.name : ChosenName(entry.name, fields);
        std::string problem = Problem(name, entry.folders, fields);
        std::string key = problem.empty() ? DuplicateKey(entry.folders, name, fields) : "";
        auto same = problem.empty() && !keepDuplicates_ ? known_.find(key) : known_.end();
        if (same != known_.end()) {
            ++plan_.duplicates;
            Note(plan_.skipped, entry,
                 same->second.empty()
                     ? "a record of this name with the same fields is there already"
                     : "the same in every field as " + same->second);
        } else if (problem.empty() && !exact_ && !RecordHasContent(fields) &&
                   FolderExists(entry.folders, name)) {
            // An empty folder of the source that is there already brings
            // nothing: it is not made again as "name (2)".
            ++plan_.duplicates;
            Note(plan_.skipped, entry, "it is there already");
        } else if (problem.empty()) {
            problem = PlaceEntry(entry.folders, name, fields);
            if (problem.empty()) {
                known_.try_emplace(std::move(key), entry.where);
                if (!leftOut.empty()) {
                    Note(plan_.shortened, entry, LeftOutReason(leftOut));
                }
            }
        }
        WipeFields(fields);
        KvSecureWipe(key);
        if (!problem.empty()) {
            Note(plan_.refused, entry, problem);
        }
    }

    // The folder the import went into, for the caller to select.
    void Finish() {
        auto found = resolved_.find(prefix_);
        if (prefix_.empty()) {
            plan_.destinationNode_ = kNoNode;
        } else if (found != resolved_.end()) {
            plan_.destinationStep_ = found->second.step;
            plan_.destinationNode_ = found->second.node;
        }
    }

  private:
    struct Place {
        int step = -1;              // a folder the plan makes
        TNodeHandle node = kNoNode; // or a node of the tree (kNoNode: the top)
        bool operator==(const Place&) const = default;
    };
    struct PlaceHash {
        std::size_t operator()(const Place& place) const {
            return std::hash<long long>()((static_cast<long long>(place.step) << 32) ^
                                          static_cast<unsigned>(place.node));
        }
    };
    struct PlaceNames {
        std::unordered_set<std::string> names;
        std::unordered_map<std::string, Place> folders; // existing children that take more
    };

    // The record panel's way of storing: blanks around every field but the
    // password dropped, line ends as LF, and a login that is an e-mail address
    // also the E-Mail. The note gets the import's lines as far as they fit.
    static TRecordFields Normalized(TImportEntry& entry, std::vector<std::string>& leftOut) {
        TRecordFields fields;
        fields.login = TrimBlanksAndControls(entry.fields.login);
        fields.password = std::move(entry.fields.password);
        fields.email = TrimBlanksAndControls(entry.fields.email);
        fields.url = TrimBlanksAndControls(entry.fields.url);
        fields.note = FittedNote(entry, leftOut);
        if (fields.email.empty() && !entry.emailGiven && LooksLikeEmailAddress(fields.login)) {
            fields.email = fields.login;
        }
        return fields;
    }

    // The source's name, else one the import chooses: the URL's host (or the
    // words standing for it), else the login, else "Imported". A chosen name
    // is one the tree takes, so that no entry is refused for it.
    static std::string ChosenName(const std::string& given, const TRecordFields& fields) {
        if (std::string name = TrimmedName(given); !name.empty()) {
            return name;
        }
        for (const std::string& candidate : {NameFromUrl(fields.url), fields.login}) {
            if (std::string name = TrimmedName(candidate);
                !name.empty() && NameProblem(name).empty()) {
                return name;
            }
        }
        return "Imported";
    }

    static std::string Problem(const std::string& name, const std::vector<std::string>& folders,
                               const TRecordFields& fields) {
        if (std::string problem = NameProblem(name); !problem.empty()) {
            return NameLimitSaid(problem, "its name", name);
        }
        for (std::size_t i = 0; i < folders.size(); ++i) {
            if (std::string problem = NameProblem(folders[i]); !problem.empty()) {
                return "its folder \"" +
                       WithControlsEscaped(
                           JoinFolderPath({folders.begin(), folders.begin() + i + 1})) +
                       "\": " + NameLimitSaid(problem, "its name", folders[i]).substr(4);
            }
        }
        return ImportFieldsProblem(fields);
    }

    // A name over its length, said in the unit the limit counts.
    static std::string NameLimitSaid(const std::string& problem, const std::string& what,
                                     const std::string& name) {
        if (problem.find("more than") == std::string::npos) {
            return problem;
        }
        std::string tooLong = TooLong(what, name, kMaximumNameLength);
        return tooLong.empty() ? problem : tooLong;
    }

    // Every record below the destination, by its place there, name and fields.
    void LearnRecordsBelow(TNodeHandle parent, std::vector<std::string>& folders) {
        for (int row = 0; row < tree_.ChildCount(parent); ++row) {
            const TNodeHandle child = tree_.Child(parent, row);
            if (!IsUserNode(tree_, child)) {
                continue;
            }
            if (F_Node_is_File(tree_, child)) {
                TRecordFields fields = RecordDataDecode(tree_.Text(tree_.FirstChild(child)));
                known_.try_emplace(DuplicateKey(folders, tree_.Text(child), fields), "");
                WipeFields(fields);
            } else if (tree_.ChildCount(child) > 0) {
                folders.push_back(tree_.Text(child));
                LearnRecordsBelow(child, folders);
                folders.pop_back();
            }
        }
    }

    void Note(std::vector<TImportRefusal>& list, const TImportEntry& entry,
              const std::string& reason) const {
        list.push_back({entry.where, reason, entryIndex_});
    }

    PlaceNames& NamesAt(const Place& place) {
        auto [found, inserted] = names_.try_emplace(place);
        if (inserted && place.step < 0) {
            for (int row = 0; row < tree_.ChildCount(place.node); ++row) {
                const TNodeHandle child = tree_.Child(place.node, row);
                if (!IsUserNode(tree_, child)) {
                    continue;
                }
                found->second.names.insert(tree_.Text(child));
                if (!F_Node_is_File(tree_, child)) {
                    found->second.folders.try_emplace(tree_.Text(child), Place{-1, child});
                }
            }
        }
        return found->second;
    }
    std::unordered_set<std::string>& NamesOf(const Place& place) { return NamesAt(place).names; }

    // Whether the names lead from the destination to a folder or an empty
    // node, of the database or made by this plan already.
    bool FolderExists(const std::vector<std::string>& folders, const std::string& name) {
        std::vector<std::string> path = prefix_;
        path.insert(path.end(), folders.begin(), folders.end());
        path.push_back(name);
        Place place;
        for (std::size_t i = 0; i < path.size(); ++i) {
            std::vector<std::string> key(path.begin(), path.begin() + i + 1);
            if (auto made = resolved_.find(key); made != resolved_.end()) {
                place = made->second;
                continue;
            }
            std::optional<Place> existing =
                newTopFolder_ && i == 0 ? std::nullopt : ExistingFolder(place, path[i]);
            if (!existing) {
                return false;
            }
            place = *existing;
        }
        return true;
    }

    std::optional<Place> ExistingFolder(const Place& place, const std::string& name) {
        if (place.step >= 0) {
            return std::nullopt;
        }
        PlaceNames& names = NamesAt(place);
        auto found = names.folders.find(name);
        return found == names.folders.end() ? std::nullopt : std::optional<Place>(found->second);
    }

    int LevelOf(const Place& place) const {
        if (place.step >= 0) {
            return stepLevels_[static_cast<std::size_t>(place.step)];
        }
        return place.node == kNoNode ? -1 : tree_.Level(place.node);
    }

    // The name itself when free among the place's children, else the first
    // free "name (n)"; empty when that would be too long.
    std::string UniqueName(const Place& place, const std::string& name) {
        const std::unordered_set<std::string>& names = NamesOf(place);
        if (names.count(name) == 0) {
            return name;
        }
        for (int n = 2;; ++n) {
            std::string candidate = name + " (" + std::to_string(n) + ")";
            if (Utf16Length(candidate) > kMaximumNameLength) {
                return "";
            }
            if (names.count(candidate) == 0) {
                return candidate;
            }
        }
    }

    // Adds the steps for one entry: the folders it needs that are not there
    // yet, then its node. Empty on success, otherwise why not (nothing added).
    std::string PlaceEntry(const std::vector<std::string>& folders, const std::string& name,
                           TRecordFields& fields) {
        std::vector<std::string> path = prefix_;
        path.insert(path.end(), folders.begin(), folders.end());
        // Walk down what exists or was made already; folders are told apart
        // by their path in the source, so two of one name stay two.
        Place place;
        std::size_t known = 0;
        for (; known < path.size(); ++known) {
            std::vector<std::string> key(path.begin(), path.begin() + known + 1);
            if (auto made = resolved_.find(key); made != resolved_.end()) {
                place = made->second;
                continue;
            }
            const bool mustBeNew = newTopFolder_ && known == 0;
            std::optional<Place> existing =
                mustBeNew ? std::nullopt : ExistingFolder(place, path[known]);
            if (!existing) {
                break;
            }
            place = *existing;
            resolved_.emplace(std::move(key), place);
        }
        const std::size_t toMake = path.size() - known;
        const bool content = RecordHasContent(fields);
        const std::size_t nodes = toMake + (content ? 2 : 1);
        if (nodeCount_ + nodes > kMaximumNodeCount) {
            return "the database would hold more than 10000 nodes (a record counts two)";
        }
        if (LevelOf(place) + static_cast<int>(toMake) + 1 > kMaximumLevel) {
            return "it would stand deeper than level 15";
        }
        // Names first, so that a refusal leaves the plan as it was.
        std::vector<std::string> madeNames;
        for (std::size_t i = known; i < path.size(); ++i) {
            // A new folder's siblings are those of its parent; only the first
            // new folder can meet any.
            std::string unique = i == known ? (newTopFolder_ && i == 0 ? plan_.destination
                                                                       : UniqueName(place, path[i]))
                                            : path[i];
            if (unique.empty()) {
                return "its folder \"" + path[i] +
                       "\" repeats a sibling's name and leaves no room for a number";
            }
            madeNames.push_back(std::move(unique));
        }
        Place parent = place;
        std::string unique = toMake > 0 ? name : UniqueName(place, name);
        if (unique.empty()) {
            return "its name repeats a sibling's and leaves no room for a number";
        }
        for (std::size_t i = 0; i < madeNames.size(); ++i) {
            parent = AddStep(parent, madeNames[i], true, nullptr, madeNames[i] != path[known + i]);
            resolved_.emplace(std::vector<std::string>(path.begin(), path.begin() + known + i + 1),
                              parent);
        }
        AddStep(parent, unique, false, content ? &fields : nullptr, unique != name);
        nodeCount_ += nodes;
        ++(content ? plan_.records : plan_.emptyNodes);
        return "";
    }

    Place AddStep(const Place& parent, const std::string& name, bool folder, TRecordFields* fields,
                  bool renamed) {
        TImportPlan::Step step;
        step.parentStep = parent.step;
        step.parent = parent.node;
        step.name = name;
        step.folder = folder;
        if (fields != nullptr) {
            step.fields = std::move(*fields);
        }
        NamesOf(parent).insert(name);
        plan_.steps_.push_back(std::move(step));
        stepLevels_.push_back(LevelOf(parent) + 1);
        plan_.folders += folder ? 1 : 0;
        plan_.renamed += renamed ? 1 : 0;
        return {static_cast<int>(plan_.steps_.size()) - 1, kNoNode};
    }

    const TKeyvaleTree& tree_;
    TImportPlan& plan_;
    const bool exact_;
    bool keepDuplicates_ = false;
    bool newTopFolder_ = false;
    std::size_t entryIndex_ = 0;
    std::size_t nodeCount_;
    std::vector<std::string> prefix_; // the destination's names from the top
    // Duplicate keys of the records there and the entries placed: where the
    // entry stood in the file, empty for a record of the tree.
    std::unordered_map<std::string, std::string> known_;
    std::unordered_map<Place, PlaceNames, PlaceHash> names_;
    std::map<std::vector<std::string>, Place> resolved_;
    std::vector<int> stepLevels_;
};

TImportPlan PlanImport(const TKeyvaleTree& tree, TImportData& data, const TImportOptions& options) {
    TImportPlan plan;
    TImportPlanner planner(tree, plan, data.exactTree);
    if (!planner.SetDestination(options, data.format)) {
        return plan;
    }
    for (std::size_t i = 0; i < data.entries.size(); ++i) {
        if (options.stop != nullptr && *options.stop) {
            return plan;
        }
        planner.Add(data.entries[i], i);
    }
    planner.Finish();
    if (data.exactTree && !plan.refused.empty()) {
        // An exact tree comes whole or not at all.
        plan.error = plan.refused.front().where + ": " + plan.refused.front().reason;
        TImportPlan refused;
        refused.error = plan.error;
        return refused;
    }
    return plan;
}

TNodeHandle ApplyImportPlan(TKeyvaleTree& tree, TImportPlan& plan) {
    std::vector<TNodeHandle> made(plan.steps_.size(), kNoNode);
    for (std::size_t i = 0; i < plan.steps_.size(); ++i) {
        TImportPlan::Step& step = plan.steps_[i];
        const TNodeHandle parent =
            step.parentStep >= 0 ? made[static_cast<std::size_t>(step.parentStep)] : step.parent;
        if (parent != kNoNode) {
            tree.SetIcon(parent, kIconFolder);
        }
        made[i] = tree.AddChild(parent, step.name, kIconEmpty);
        if (step.fields) {
            tree.AddChild(made[i], RecordDataEncode(*step.fields), kIconEmpty);
            tree.SetIcon(made[i], kIconRecord);
            WipeFields(*step.fields);
        }
    }
    const TNodeHandle destination = plan.destinationStep_ >= 0
                                        ? made[static_cast<std::size_t>(plan.destinationStep_)]
                                        : plan.destinationNode_;
    plan.steps_.clear();
    return destination;
}
