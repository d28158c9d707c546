// Findings per record: zxcvbn's estimate with the record's own words, the
// record's words inside the password, reuse by keyed hashes, length.
#include "U_Keyvale_Password_Health.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Keyed_Hash_01.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "U_Keyvale_TreeView_Data_Url_Host.h"

#include <zxcvbn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

struct TFindingText {
    THealthFinding finding;
    const char* text;
};

constexpr TFindingText kFindingTexts[] = {
    {THealthFinding::Empty, "empty"},
    {THealthFinding::VeryWeak, "very weak"},
    {THealthFinding::Reused, "reused"},
    {THealthFinding::Weak, "weak"},
    {THealthFinding::ContainsName, "contains the name"},
    {THealthFinding::ContainsLogin, "contains the login"},
    {THealthFinding::ContainsSite, "contains the site"},
    {THealthFinding::Short, "shorter than 12 characters"},
};

// Words shorter than this, cut out of a longer text, say too little: "com",
// "my", "net" would flag half of all passwords.
constexpr std::size_t kMinimumPartLength = 4;
// A whole login or name of this length is still the user's own word.
constexpr std::size_t kMinimumWholeLength = 3;
// Below this many records one thread is quicker than starting more.
constexpr std::size_t kRecordsPerThread = 200;

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool IsWordByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || u >= 0x80;
}

void AddWord(std::vector<std::string>& words, const std::string& word, std::size_t minimum) {
    if (word.size() >= minimum && std::find(words.begin(), words.end(), word) == words.end()) {
        words.push_back(word);
    }
}

// The whole text, and its runs of letters and digits long enough to mean
// something on their own.
void AddTextWords(std::vector<std::string>& words, const std::string& text) {
    const std::string lower = LowerAscii(TrimBlanksAndControls(text));
    AddWord(words, lower, kMinimumWholeLength);
    std::string part;
    for (char c : lower + " ") {
        if (IsWordByte(c)) {
            part += c;
        } else {
            AddWord(words, part, kMinimumPartLength);
            part.clear();
        }
    }
}

// The site a URL names; an IPv6 address names none, and gives no words.
std::string SiteHostOf(const std::string& url) {
    const std::string host = UrlHost(url);
    return !host.empty() && host.front() == '[' ? "" : host;
}

// The host and its labels, without "www" and the last label ("com", "org"):
// those are in every address and say nothing of this one.
void AddHostWords(std::vector<std::string>& words, const std::string& host) {
    if (host.find('.') == std::string::npos) {
        return;
    }
    AddWord(words, host, kMinimumWholeLength);
    std::vector<std::string> labels;
    std::size_t start = 0;
    for (std::size_t dot; (dot = host.find('.', start)) != std::string::npos; start = dot + 1) {
        labels.push_back(host.substr(start, dot - start));
    }
    for (const std::string& label : labels) {
        if (label != "www") {
            AddWord(words, label, kMinimumWholeLength);
        }
    }
}

struct TRecordWordSets {
    std::vector<std::string> name, login, site;
};

TRecordWordSets WordSets(const std::string& name, const TRecordFields& record) {
    TRecordWordSets sets;
    AddTextWords(sets.name, name);
    AddHostWords(sets.name, SiteHostOf(name));
    AddTextWords(sets.login, record.login);
    const std::string email = LowerAscii(TrimBlanksAndControls(record.email));
    const auto at = email.rfind('@');
    if (at != std::string::npos) {
        AddTextWords(sets.login, email.substr(0, at));
        AddHostWords(sets.site, email.substr(at + 1));
    }
    AddHostWords(sets.site, SiteHostOf(record.url));
    return sets;
}

bool ContainsAny(const std::string& lowerPassword, const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
        return lowerPassword.find(w) != std::string::npos;
    });
}

// What one record's password yields, without the password.
struct TAssessment {
    std::vector<THealthFinding> findings;
    double guessesLog10 = 0;
    std::uint64_t hash = 0;
};

TAssessment AssessFields(const std::string& name, const TRecordFields& record,
                         const TKeyedHashKey& key) {
    TAssessment a;
    if (record.password.empty()) {
        a.findings.push_back(THealthFinding::Empty);
        return a;
    }
    a.hash = KvKeyedHash(key, record.password);
    std::vector<std::string> words = RecordWords(name, record);
    a.guessesLog10 = EstimateGuessesLog10(record.password, words);
    for (std::string& word : words) {
        KvSecureWipe(word); // the record's login and address are its owner's business too
    }
    if (a.guessesLog10 < kVeryWeakGuessesLog10) {
        a.findings.push_back(THealthFinding::VeryWeak);
    } else if (a.guessesLog10 < kWeakGuessesLog10) {
        a.findings.push_back(THealthFinding::Weak);
    }
    std::string lower = LowerAscii(record.password);
    const TRecordWordSets sets = WordSets(name, record);
    const std::pair<THealthFinding, const std::vector<std::string>*> contains[] = {
        {THealthFinding::ContainsName, &sets.name},
        {THealthFinding::ContainsLogin, &sets.login},
        {THealthFinding::ContainsSite, &sets.site},
    };
    for (const auto& [finding, words] : contains) {
        if (ContainsAny(lower, *words)) {
            a.findings.push_back(finding);
        }
    }
    KvSecureWipe(lower);
    if (Utf16Length(record.password) < kShortPasswordLength) {
        a.findings.push_back(THealthFinding::Short);
    }
    return a;
}

TAssessment Assess(const THealthInput& input, const TKeyedHashKey& key) {
    TRecordFields fields = RecordDataDecode(input.data);
    TAssessment a = AssessFields(input.name, fields, key);
    for (std::string* field :
         {&fields.login, &fields.password, &fields.email, &fields.url, &fields.note}) {
        KvSecureWipe(*field);
    }
    return a;
}

// Each thread takes the next record until none is left. zxcvbn keeps no
// state between calls (its tables are read-only data), so the threads may
// call it at the same time.
void AssessAll(const std::vector<THealthInput>& inputs, std::vector<TAssessment>& results,
               const TKeyedHashKey& key, unsigned threads, const std::atomic<bool>* stop) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < inputs.size();) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                return;
            }
            results[i] = Assess(inputs[i], key);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        helpers.emplace_back(work);
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

unsigned ThreadsFor(std::size_t records, unsigned asked) {
    unsigned threads = asked != 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, records / kRecordsPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(threads, useful));
}

} // namespace

const char* HealthFindingText(THealthFinding finding) {
    for (const TFindingText& t : kFindingTexts) {
        if (t.finding == finding) {
            return t.text;
        }
    }
    return "";
}

bool THealthRow::Has(THealthFinding finding) const {
    return std::find(findings.begin(), findings.end(), finding) != findings.end();
}

std::vector<std::string> RecordWords(const std::string& name, const TRecordFields& fields) {
    TRecordWordSets sets = WordSets(name, fields);
    std::vector<std::string> words = std::move(sets.name);
    for (const std::vector<std::string>* more : {&sets.login, &sets.site}) {
        for (const std::string& w : *more) {
            AddWord(words, w, 1);
        }
    }
    return words;
}

double EstimateGuessesLog10(const std::string& password, const std::vector<std::string>& words) {
    std::vector<const char*> dictionary;
    for (const std::string& w : words) {
        dictionary.push_back(w.c_str());
    }
    dictionary.push_back(nullptr);
    const double bits = ZxcvbnMatch(password.c_str(), dictionary.data(), nullptr);
    return bits * std::log10(2.0);
}

std::vector<THealthInput> CollectHealthInputs(const TKeyvaleTree& tree) {
    std::vector<THealthInput> inputs;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (!IsUserNode(tree, node) || !F_Node_is_File(tree, node)) {
            continue;
        }
        THealthInput input;
        input.node = node;
        input.name = tree.Text(node);
        if (const TNodeHandle data = tree.FirstChild(node); !IsUserNode(tree, data)) {
            input.data = tree.Text(data);
        }
        for (TNodeHandle up = tree.Parent(node); up != kNoNode; up = tree.Parent(up)) {
            input.folders.push_back(up);
        }
        inputs.push_back(std::move(input));
    }
    return inputs;
}

THealthReport BuildHealthReport(const std::vector<THealthInput>& inputs, unsigned threads,
                                const std::atomic<bool>* stop) {
    THealthReport report;
    TKeyedHashKey key{};
    KvNewKeyedHashKey(key); // should the source fail, equal passwords still hash equal
    std::vector<TAssessment> results(inputs.size());
    AssessAll(inputs, results, key, ThreadsFor(inputs.size(), threads), stop);
    key.fill(0);
    if (stop != nullptr && stop->load()) {
        report.stopped = true;
        return report;
    }
    report.recordsChecked = inputs.size();

    std::unordered_map<std::uint64_t, std::vector<std::size_t>> byHash;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (results[i].findings.empty() || results[i].findings.front() != THealthFinding::Empty) {
            byHash[results[i].hash].push_back(i);
        }
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        THealthRow row;
        row.node = inputs[i].node;
        row.name = inputs[i].name;
        row.findings = std::move(results[i].findings);
        row.guessesLog10 = results[i].guessesLog10;
        const bool empty = !row.findings.empty() && row.Severity() == THealthFinding::Empty;
        if (auto same = byHash.find(results[i].hash);
            !empty && same != byHash.end() && same->second.size() > 1) {
            for (std::size_t other : same->second) {
                if (other != i) {
                    row.reusedWith.push_back(inputs[other].node);
                }
            }
            row.findings.push_back(THealthFinding::Reused);
            std::sort(row.findings.begin(), row.findings.end());
        }
        if (row.findings.empty()) {
            continue;
        }
        for (TNodeHandle folder : inputs[i].folders) {
            ++report.folderCounts[folder];
        }
        report.rows.push_back(std::move(row));
    }
    // Stable: rows of one severity and name stay in tree order.
    std::stable_sort(report.rows.begin(), report.rows.end(),
                     [](const THealthRow& a, const THealthRow& b) {
                         if (a.Severity() != b.Severity()) {
                             return a.Severity() < b.Severity();
                         }
                         return UpperCaseAsciiLetters(a.name) < UpperCaseAsciiLetters(b.name);
                     });
    return report;
}
