// Trees written as indented text, for the merge's tests: two spaces a level,
// a name, and for a record " |" followed by its non-empty fields:
//
//   Mail
//     Gmail | login=ann password=pw1
//     Old
//   Bank | url=bank.example note=pin
//
// A line without " |" is a folder when lines below it are indented further,
// an empty node otherwise. "| #tag" stands for a data node that cannot be
// decoded (its text is "#tag" padded with '!'). Values hold no blanks.
#pragma once

#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Merge.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <algorithm>
#include <ctime>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

inline constexpr char kOpaqueFiller = '!';

inline std::string OpaqueDataText(const std::string& tag) {
    std::string text = tag;
    text.resize(300, kOpaqueFiller);
    return text;
}

// The description with its common indentation removed, so expectations can
// be written as indented raw strings.
inline std::string Dedent(const std::string& text) {
    std::istringstream lines(text);
    std::vector<std::string> kept;
    std::size_t common = std::string::npos;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) {
            continue;
        }
        common = std::min(common, start);
        kept.push_back(line);
    }
    std::string out;
    for (const std::string& line : kept) {
        out += line.substr(common) + "\n";
    }
    return out;
}

inline TKeyvaleTree TreeFrom(const std::string& description) {
    TKeyvaleTree tree;
    std::vector<TNodeHandle> parents; // parents[level]: the last node on that level
    std::istringstream lines(Dedent(description));
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) {
            continue;
        }
        const std::size_t level = start / 2;
        if (level > parents.size()) {
            throw std::invalid_argument("indented too far: " + line);
        }
        parents.resize(level);
        const TNodeHandle parent = level == 0 ? kNoNode : parents.back();
        std::string rest = line.substr(start);
        const std::size_t bar = rest.find(" |");
        const std::string name = rest.substr(0, bar);
        TNodeHandle node = tree.AddChild(parent, name, kIconEmpty);
        parents.push_back(node);
        if (bar == std::string::npos) {
            continue;
        }
        std::istringstream words(rest.substr(bar + 2));
        std::string word;
        TRecordFields fields;
        std::string data;
        while (words >> word) {
            if (word[0] == '#') {
                data = OpaqueDataText(word);
                continue;
            }
            const std::size_t equals = word.find('=');
            const TRecordFieldRule* rule = FindRecordFieldRule(word.substr(0, equals));
            if (!rule || equals == std::string::npos) {
                throw std::invalid_argument("not a field: " + word);
            }
            fields.*rule->member = word.substr(equals + 1);
        }
        tree.AddChild(node, data.empty() ? RecordDataEncode(fields) : data, kIconEmpty);
    }
    P_Arrange_Icons_for_TreeView(tree);
    return tree;
}

// The tree in the same notation, with decoded fields, so that two trees of
// equal content print alike whatever their data texts. A name made by
// TheirVersionName prints as "<name> (theirs)".
inline std::string Describe(const TKeyvaleTree& tree, std::time_t theirTime = 0) {
    const std::string theirSuffix = TheirVersionName("x", theirTime).substr(1);
    std::string out;
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (!IsUserNode(tree, node)) {
            continue;
        }
        out.append(static_cast<std::size_t>(tree.Level(node)) * 2, ' ');
        std::string name = tree.Text(node);
        if (theirTime != 0 && name.size() > theirSuffix.size() &&
            name.compare(name.size() - theirSuffix.size(), theirSuffix.size(), theirSuffix) == 0) {
            name = name.substr(0, name.size() - theirSuffix.size()) + " (theirs)";
        }
        out += name;
        const TNodeHandle first = tree.FirstChild(node);
        if (first != kNoNode && !IsUserNode(tree, first)) {
            out += " |";
            const std::string& text = tree.Text(first);
            if (text.find(kOpaqueFiller) != std::string::npos) {
                out += " " + text.substr(0, text.find(kOpaqueFiller));
            } else {
                const TRecordFields fields = RecordDataDecode(text);
                for (const TRecordFieldRule& rule : kRecordFieldRules) {
                    if (!(fields.*rule.member).empty()) {
                        out += std::string(" ") + rule.name + "=" + fields.*rule.member;
                    }
                }
            }
        }
        out += "\n";
    }
    return out;
}
