// The password health report: which records hold a weak, reused or guessable
// password, judged with the record's own words (its name, login, e-mail and
// site), so that "GitHub2024!" in a record for github.com counts as weak.
//
// Building it has two steps. CollectHealthInputs reads the records out of the
// tree on the caller's thread (the window's tree is not shared with other
// threads); BuildHealthReport deciphers and judges them, on several threads
// when there are many records, wiping every field it deciphered. The report
// itself holds no password: reuse is found by comparing hashes keyed
// afresh for each build.
#pragma once

#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One reason a record is listed, most severe first; a row's severity is its
// most severe finding.
enum class THealthFinding : std::uint8_t {
    Empty,         // no password at all
    VeryWeak,      // fewer than 10^6 estimated guesses
    Reused,        // the same password in other records
    Weak,          // fewer than 10^10 estimated guesses
    ContainsName,  // the record's name stands in the password
    ContainsLogin, // its login or the name of its e-mail address
    ContainsSite,  // the host of its URL or e-mail address
    Short,         // fewer than 12 characters
};

inline constexpr double kVeryWeakGuessesLog10 = 6;
inline constexpr double kWeakGuessesLog10 = 10;
inline constexpr std::size_t kShortPasswordLength = 12; // characters, as the field counts them

// The finding as the report names it: "very weak", "reused", ...
const char* HealthFindingText(THealthFinding finding);

struct THealthRow {
    TNodeHandle node = kNoNode;
    std::string name;
    std::vector<THealthFinding> findings; // most severe first, each once
    double guessesLog10 = 0;              // estimated guesses as a power of ten
    std::vector<TNodeHandle> reusedWith;  // the other records, in tree order

    THealthFinding Severity() const { return findings.front(); }
    bool Has(THealthFinding finding) const;
};

struct THealthReport {
    std::vector<THealthRow> rows; // by severity, then name; records without findings left out
    std::size_t recordsChecked = 0;
    // For every folder above a listed record: how many of its records (at any
    // depth) are listed.
    std::unordered_map<TNodeHandle, int> folderCounts;
    // The build was stopped before every record was judged: nothing is listed.
    bool stopped = false;
};

// A record as the report needs it: its fields still enciphered as the tree
// holds them, so that they are read (and wiped again) on the threads that
// judge them, and the caller's thread only copies texts.
struct THealthInput {
    TNodeHandle node = kNoNode;
    std::string name;
    std::string data;                 // the text of its data node
    std::vector<TNodeHandle> folders; // the folders above it, nearest first
};

std::vector<THealthInput> CollectHealthInputs(const TKeyvaleTree& tree);

// threads 0: as many as the processor has, for large databases. Setting
// `stop` (from any thread) ends the build after the records being judged, so
// that a report nobody will see neither holds up the program's end nor keeps
// deciphering the records of a database that was closed.
THealthReport BuildHealthReport(const std::vector<THealthInput>& inputs, unsigned threads = 0,
                                const std::atomic<bool>* stop = nullptr);

inline THealthReport BuildHealthReport(const TKeyvaleTree& tree) {
    return BuildHealthReport(CollectHealthInputs(tree));
}

// The record's own words the estimate treats as known to an attacker: name,
// login, e-mail address and its parts, the URL's host and its parts;
// lower-case, each once.
std::vector<std::string> RecordWords(const std::string& name, const TRecordFields& fields);

// zxcvbn's estimate of the guesses needed, as a power of ten, with the
// record's words as known words.
double EstimateGuessesLog10(const std::string& password, const std::vector<std::string>& words);
