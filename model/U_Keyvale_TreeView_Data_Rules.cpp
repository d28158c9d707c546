#include "U_Keyvale_TreeView_Data_Rules.h"

#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Text.h"

namespace {

bool HoldsLineBreak(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

} // namespace

const TRecordFieldRule* FindRecordFieldRule(const std::string& name) {
    for (const TRecordFieldRule& rule : kRecordFieldRules) {
        if (name == rule.name) {
            return &rule;
        }
    }
    return nullptr;
}

std::string RecordFieldNames() {
    std::string names;
    const std::size_t count = std::size(kRecordFieldRules);
    for (std::size_t i = 0; i < count; ++i) {
        names += i == 0 ? "" : (i + 1 == count ? " and " : ", ");
        names += kRecordFieldRules[i].name;
    }
    return names;
}

namespace {
constexpr const char* kEmptyNameReplacement = "< >";
} // namespace

std::string NormalizeNodeName(const std::string& name) {
    std::string text = name;
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    std::size_t first = text.find_first_not_of(" \t");
    text = first == std::string::npos ? std::string() : text.substr(first);
    text = Utf8Left(SanitizeUtf8(text), kMaximumNameLength);
    return text.empty() ? kEmptyNameReplacement : text;
}

std::string NameProblem(const std::string& name) {
    if (name.empty()) {
        return "its name is empty";
    }
    if (name.front() == ' ' || name.front() == '\t') {
        return "its name begins with a space or TAB";
    }
    if (HoldsLineBreak(name)) {
        return "its name holds a line break";
    }
    if (!IsValidUtf8(name)) {
        return "its name is not valid UTF-8";
    }
    if (HoldsControlCharacter(name)) {
        return "its name holds a control character";
    }
    if (Utf16Length(name) > kMaximumNameLength) {
        return "its name has more than " + std::to_string(kMaximumNameLength) + " characters";
    }
    return NormalizeNodeName(name) == name ? "" : "its name is not acceptable";
}

std::string FieldProblem(const TRecordFieldRule& field, const std::string& value) {
    if (!IsValidUtf8(value)) {
        return "is not valid UTF-8";
    }
    if (Utf16Length(value) > field.limit) {
        return "has more than " + std::to_string(field.limit) + " characters";
    }
    if (field.singleLine && HoldsLineBreak(value)) {
        return "holds a line break";
    }
    if (HoldsControlCharacter(value, field.singleLine ? "" : "\t\r\n")) {
        return "holds a control character";
    }
    return "";
}
