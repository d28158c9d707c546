#include "U_Keyvale_Database_File_Text.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01.h"
#include "U_KV_Pseudo_Random_01_Source.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "U_Keyvale_Windows_1252.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace {

constexpr const char* kAlphabet90 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()\\/{}[]+-=_<>.,;:?~"
                                    "abcdefghijklmnopqrstuvwxyz0123456789";

const std::array<bool, 256>& Alphabet90Table() {
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> t{};
        for (const char* c = kAlphabet90; *c; ++c) {
            t[static_cast<std::uint8_t>(*c)] = true;
        }
        return t;
    }();
    return table;
}

// The text of a UTF-16 plaintext (after its byte-order mark) as UTF-8, up to
// the first NUL unit.
std::string Utf16BytesToUtf8(const std::string& bytes, std::size_t start, bool bigEndian) {
    std::u16string units;
    units.reserve((bytes.size() - start) / 2);
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        auto first = static_cast<std::uint8_t>(bytes[i]);
        auto second = static_cast<std::uint8_t>(bytes[i + 1]);
        char16_t unit = bigEndian ? static_cast<char16_t>(first << 8 | second)
                                  : static_cast<char16_t>(second << 8 | first);
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    std::string text = Utf16ToUtf8(units);
    KvSecureWipe(units);
    return text;
}

std::string DecodePlaintext(const std::string& bytes) {
    const auto startsWith = [&](std::initializer_list<std::uint8_t> mark) {
        if (bytes.size() < mark.size()) {
            return false;
        }
        std::size_t i = 0;
        for (std::uint8_t b : mark) {
            if (static_cast<std::uint8_t>(bytes[i++]) != b) {
                return false;
            }
        }
        return true;
    };
    if (startsWith({0xFF, 0xFE})) {
        return Utf16BytesToUtf8(bytes, 2, false);
    }
    if (startsWith({0xFE, 0xFF})) {
        return Utf16BytesToUtf8(bytes, 2, true);
    }
    std::size_t start = startsWith({0xEF, 0xBB, 0xBF}) ? 3 : 0;
    std::size_t end = bytes.find('\0', start);
    return bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The node text as one line. Names are kept free of leading blanks and line
// breaks where they are made; should one slip through anyway, it is written
// without them rather than let it reshape or break the tree on the next load.
bool BreaksALine(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

void AppendLineText(std::string& out, const std::string& text) {
    bool safe = !text.empty() && text.front() != ' ' && text.front() != '\t';
    for (std::size_t i = 0; safe && i < text.size(); ++i) {
        safe = !BreaksALine(text[i]);
    }
    if (safe) {
        out += text;
        return;
    }
    std::string line = text;
    for (char& c : line) {
        if (BreaksALine(c)) {
            c = ' ';
        }
    }
    std::size_t first = line.find_first_not_of(" \t");
    out += first == std::string::npos ? std::string("< >") : line.substr(first);
}

// Calls visit(node, depth) for every node in pre-order, with an explicit
// stack: a loaded tree may be deeper than any the window builds, and must not
// cost quadratic time.
template <typename Visit> void VisitPreOrder(const TKeyvaleTree& tree, Visit visit) {
    std::vector<std::pair<TNodeHandle, std::size_t>> pending;
    for (int row = tree.ChildCount(kNoNode) - 1; row >= 0; --row) {
        pending.emplace_back(tree.Child(kNoNode, row), 0);
    }
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        visit(node, depth);
        for (int row = tree.ChildCount(node) - 1; row >= 0; --row) {
            pending.emplace_back(tree.Child(node, row), depth + 1);
        }
    }
}

} // namespace

std::string TreeToText(const TKeyvaleTree& tree) {
    // The whole text is reserved up front, so that growing it never leaves
    // copies of the plaintext behind in released memory. A line is its TABs,
    // its text (or "< >" in place of an empty one) and CR LF.
    std::size_t size = 0;
    VisitPreOrder(tree, [&](TNodeHandle node, std::size_t depth) {
        size += depth + std::max<std::size_t>(tree.Text(node).size(), 3) + 2;
    });
    std::string text;
    text.reserve(size);
    VisitPreOrder(tree, [&](TNodeHandle node, std::size_t depth) {
        text.append(depth, '\t');
        AppendLineText(text, tree.Text(node));
        text += "\r\n";
    });
    return text;
}

std::string MakeSpecialFolderText() {
    KvReseedRandom();
    std::int32_t length = KvUniformRandom(1, 210) + 210;
    return KvRandomString90(length);
}

std::string F_Keyvale_Special_Folder_Create(const TKeyvaleTree& tree) {
    std::string last = MakeSpecialFolderText();
    std::string first = MakeSpecialFolderText();
    std::string body = TreeToText(tree);
    std::string text;
    text.reserve(first.size() + body.size() + last.size() + 4);
    text += first;
    text += "\r\n";
    text += body;
    text += last;
    text += "\r\n";
    KvSecureWipe(body);
    return text;
}

void F_Keyvale_Special_Folder_Delete(TKeyvaleTree& tree) {
    std::vector<TNodeHandle> special;
    for (int row = 0; row < tree.ChildCount(kNoNode); ++row) {
        TNodeHandle root = tree.Child(kNoNode, row);
        if (tree.TextLength(root) >= kDataNodeMinimumLength) {
            special.push_back(root);
        }
    }
    for (TNodeHandle root : special) {
        tree.Delete(root);
    }
}

bool IsSpecialFolderText(const std::string& text) {
    if (text.size() < kSpecialFolderMinimumLength || text.size() > kSpecialFolderMaximumLength) {
        return false;
    }
    const std::array<bool, 256>& alphabet = Alphabet90Table();
    for (char c : text) {
        if (!alphabet[static_cast<std::uint8_t>(c)]) {
            return false;
        }
    }
    return true;
}

std::vector<TTreeTextLine> SplitTreeText(const std::string& bytes, bool* convertedFromWindows1252) {
    std::string text = DecodePlaintext(bytes);
    bool converted = false;
    std::vector<TTreeTextLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        std::size_t next = end;
        if (end == text.size()) {
            next = end;
        } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            next = end + 2;
        } else {
            next = end + 1;
        }
        std::size_t body = text.find_first_not_of("\t ", start);
        if (body == std::string::npos || body > end) {
            body = end;
        }
        std::string lineText = text.substr(body, end - body);
        if (!IsValidUtf8(lineText)) {
            std::string legacy = std::move(lineText);
            lineText = TextFromUtf8OrWindows1252(legacy, converted);
            KvSecureWipe(legacy);
        }
        lines.push_back({body - start, std::move(lineText)});
        start = next;
    }
    KvSecureWipe(text);
    if (convertedFromWindows1252 != nullptr && converted) {
        *convertedFromWindows1252 = true;
    }
    return lines;
}

bool HasSpecialFolderFrame(const std::vector<TTreeTextLine>& lines) {
    return lines.size() >= 2 && lines.front().level == 0 && lines.back().level == 0 &&
           IsSpecialFolderText(lines.front().text) && IsSpecialFolderText(lines.back().text);
}

std::string BuildTreeFromLines(std::vector<TTreeTextLine> lines, TKeyvaleTree& tree) {
    // path[k] is the most recent node on level k along the previous node's
    // ancestry; path.back() is the previous node.
    std::vector<TNodeHandle> path;
    tree.Reserve(tree.NodeCount() + lines.size());
    for (TTreeTextLine& line : lines) {
        std::size_t level = line.level;
        TNodeHandle parent = kNoNode;
        if (path.empty()) {
            level = 0;
        } else {
            std::size_t previous = path.size() - 1;
            if (level > previous + 1) {
                return "Invalid level (" + std::to_string(level) + ") for item \"" + line.text +
                       "\"";
            }
            parent = level == 0 ? kNoNode : path[level - 1];
        }
        path.resize(level + 1);
        path[level] = tree.AddChild(parent, std::move(line.text), kIconEmpty);
    }
    return "";
}
