#include "U_Keyvale_Import_Json.h"

#include "U_Keyvale_TreeView_Data_Text.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

const char* const kWhatAValueIs =
    "a value (a text in quotes, a number, an object, an array, true, false or null)";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of the UTF-8 sequence at `at`, or 0 when the bytes there are
// none (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const unsigned first = byte(0);
    const auto continuation = [&](std::size_t i) { return (byte(i) & 0xC0u) == 0x80u; };
    if (first < 0x80) {
        return 1;
    }
    if (first >= 0xC2 && first <= 0xDF) {
        return continuation(1) ? 2 : 0;
    }
    if (first >= 0xE0 && first <= 0xEF) {
        const unsigned second = byte(1);
        const bool fits = (first == 0xE0 && second >= 0xA0) || (first == 0xED && second < 0xA0) ||
                          (first != 0xE0 && first != 0xED);
        return continuation(1) && continuation(2) && fits ? 3 : 0;
    }
    if (first >= 0xF0 && first <= 0xF4) {
        const unsigned second = byte(1);
        const bool fits = (first == 0xF0 && second >= 0x90) || (first == 0xF4 && second < 0x90) ||
                          (first != 0xF0 && first != 0xF4);
        return continuation(1) && continuation(2) && continuation(3) && fits ? 4 : 0;
    }
    return 0;
}

// Reads one value, descending into arrays and objects no deeper than
// kMaximumJsonDepth. On a refusal it keeps where and why; nothing of the
// text read goes into the message.
class JsonReader {
  public:
    JsonReader(std::string_view text, const std::atomic<bool>* stop) : text_(text), stop_(stop) {}

    std::string Read(TJson& document) {
        if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            position_ = kByteOrderMark.size();
        }
        SkipBlanks();
        if (!ReadValue(document, 0)) {
            return Refusal();
        }
        SkipBlanks();
        if (position_ < text_.size()) {
            Fail(position_, "expected the end of the file after the JSON value");
            return Refusal();
        }
        return "";
    }

  private:
    struct TMember {
        std::size_t at = 0; // where its name begins, for a refusal
        TWipedString name;
        TJson value;
    };

    bool Fail(std::size_t at, std::string what) {
        failedAt_ = at;
        failure_ = std::move(what);
        return false;
    }

    // "line 3, column 17: ..."; columns count characters, from 1.
    std::string Refusal() const {
        std::size_t line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < failedAt_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
        }
        std::size_t column = 1;
        for (std::size_t i = lineStart; i < failedAt_ && i < text_.size(); ++i) {
            if ((static_cast<unsigned char>(text_[i]) & 0xC0u) != 0x80u) {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
               failure_;
    }

    bool AtEnd() const { return position_ >= text_.size(); }
    char Here() const { return text_[position_]; }

    void SkipBlanks() {
        while (!AtEnd() && IsBlank(Here())) {
            ++position_;
        }
    }

    bool ReadValue(TJson& out, std::size_t depth) {
        if (++values_ > kMaximumJsonValues) {
            return Fail(position_, "the file holds more than " +
                                       std::to_string(kMaximumJsonValues) +
                                       " values, more than an export of the largest database "
                                       "can; reading stopped here");
        }
        if (stop_ != nullptr && (values_ & 4095u) == 0 && stop_->load(std::memory_order_relaxed)) {
            return Fail(position_, "the reading was cancelled");
        }
        if (AtEnd()) {
            return Fail(position_,
                        std::string("the file ends where ") + kWhatAValueIs + " was expected");
        }
        switch (Here()) {
        case '{':
            return ReadObject(out, depth + 1);
        case '[':
            return ReadArray(out, depth + 1);
        case '"': {
            TWipedString text;
            if (!ReadString(text)) {
                return false;
            }
            out = std::move(text);
            return true;
        }
        case 't':
            return ReadWord("true", TJson(true), out);
        case 'f':
            return ReadWord("false", TJson(false), out);
        case 'n':
            return ReadWord("null", TJson(nullptr), out);
        default:
            if (Here() == '-' || IsDigit(Here())) {
                return ReadNumber(out);
            }
            return Fail(position_, std::string("expected ") + kWhatAValueIs);
        }
    }

    bool Opened(std::size_t depth) {
        if (depth > kMaximumJsonDepth) {
            return Fail(position_, "arrays and objects nest deeper than " +
                                       std::to_string(kMaximumJsonDepth) +
                                       " levels here; no export nests so deep");
        }
        ++position_;
        SkipBlanks();
        return true;
    }

    // The members are gathered first and checked for a name given twice
    // (which value would be the right password?), then stored in the file's
    // order without the object's own search for each name, which would take
    // time growing with the square of their number.
    bool ReadObject(TJson& out, std::size_t depth) {
        if (!Opened(depth)) {
            return false;
        }
        std::vector<TMember, TWipingAllocator<TMember>> members;
        if (!AtEnd() && Here() == '}') {
            ++position_;
            out = TJson(TJson::value_t::object);
            return true;
        }
        for (;;) {
            if (AtEnd() || Here() != '"') {
                return Fail(position_, "expected a member name in quotes");
            }
            TMember member;
            member.at = position_;
            if (!ReadString(member.name)) {
                return false;
            }
            SkipBlanks();
            if (AtEnd() || Here() != ':') {
                return Fail(position_, "expected \":\" after the member name");
            }
            ++position_;
            SkipBlanks();
            if (!ReadValue(member.value, depth)) {
                return false;
            }
            members.push_back(std::move(member));
            SkipBlanks();
            if (!AtEnd() && Here() == ',') {
                ++position_;
                SkipBlanks();
                continue;
            }
            if (!AtEnd() && Here() == '}') {
                ++position_;
                return StoreMembers(members, out);
            }
            return Fail(position_, "expected \",\" or the \"}\" that ends the object");
        }
    }

    template <typename Members> bool StoreMembers(Members& members, TJson& out) {
        std::vector<std::size_t> order(members.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return members[a].name != members[b].name ? members[a].name < members[b].name : a < b;
        });
        for (std::size_t i = 1; i < order.size(); ++i) {
            if (members[order[i]].name == members[order[i - 1]].name) {
                return Fail(members[order[i]].at,
                            "this member name stands twice in one object; an export names "
                            "each member once");
            }
        }
        out = TJson(TJson::value_t::object);
        auto& stored = static_cast<TJson::object_t::Container&>(out.get_ref<TJson::object_t&>());
        stored.reserve(members.size());
        for (TMember& member : members) {
            stored.emplace_back(std::move(member.name), std::move(member.value));
        }
        return true;
    }

    bool ReadArray(TJson& out, std::size_t depth) {
        if (!Opened(depth)) {
            return false;
        }
        out = TJson(TJson::value_t::array);
        if (!AtEnd() && Here() == ']') {
            ++position_;
            return true;
        }
        for (;;) {
            TJson value;
            if (!ReadValue(value, depth)) {
                return false;
            }
            out.push_back(std::move(value));
            SkipBlanks();
            if (!AtEnd() && Here() == ',') {
                ++position_;
                SkipBlanks();
                continue;
            }
            if (!AtEnd() && Here() == ']') {
                ++position_;
                return true;
            }
            return Fail(position_, "expected \",\" or the \"]\" that ends the array");
        }
    }

    // The raw length up to the closing quote, so that the text is built in
    // one allocation: it never holds more than the raw characters.
    std::size_t RawLength() const {
        std::size_t i = position_ + 1;
        while (i < text_.size() && text_[i] != '"') {
            i += text_[i] == '\\' ? 2 : 1;
        }
        return i - position_ - 1;
    }

    bool ReadString(TWipedString& out) {
        out.reserve(RawLength());
        ++position_; // the opening quote
        for (;;) {
            if (AtEnd()) {
                return Fail(position_, "a text in quotes is not closed before the end of the file");
            }
            const char c = Here();
            if (c == '"') {
                ++position_;
                return true;
            }
            if (c == '\\') {
                if (!ReadEscape(out)) {
                    return false;
                }
                continue;
            }
            if (c == '\n' || c == '\r') {
                return Fail(position_, "a line break inside a text in quotes; JSON writes it "
                                       "as \\n");
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return Fail(position_, "a control character inside a text in quotes; JSON "
                                       "writes it as \\u and four hexadecimal digits");
            }
            const std::size_t length = Utf8SequenceLength(text_, position_);
            if (length == 0) {
                return Fail(position_, "the text is not UTF-8; save the file as UTF-8");
            }
            out.append(text_.data() + position_, length);
            position_ += length;
        }
    }

    bool ReadEscape(TWipedString& out) {
        const std::size_t start = position_;
        if (position_ + 1 >= text_.size()) {
            return Fail(start, "a text in quotes is not closed before the end of the file");
        }
        const char kind = text_[position_ + 1];
        position_ += 2;
        static constexpr std::pair<char, char> kSimple[] = {{'"', '"'},  {'\\', '\\'}, {'/', '/'},
                                                            {'b', '\b'}, {'f', '\f'},  {'n', '\n'},
                                                            {'r', '\r'}, {'t', '\t'}};
        for (const auto& [letter, meaning] : kSimple) {
            if (kind == letter) {
                out += meaning;
                return true;
            }
        }
        if (kind != 'u') {
            return Fail(start, "a backslash in a text in quotes starts no escape JSON knows; "
                               "expected one of \\\" \\\\ \\/ \\b \\f \\n \\r \\t or \\u and "
                               "four hexadecimal digits");
        }
        std::uint32_t codePoint = 0;
        if (!ReadHex(start, codePoint)) {
            return false;
        }
        if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
            return Fail(start, "a \\u escape stands for the second half of a surrogate pair "
                               "without the first");
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
            const char* const unpaired =
                "a \\u escape stands for the first half of a surrogate pair without the second";
            if (text_.substr(position_, 2) != "\\u") {
                return Fail(start, unpaired);
            }
            position_ += 2;
            std::uint32_t low = 0;
            if (!ReadHex(start, low)) {
                return false;
            }
            if (low < 0xDC00 || low > 0xDFFF) {
                return Fail(start, unpaired);
            }
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, codePoint);
        return true;
    }

    bool ReadHex(std::size_t escapeStart, std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i, ++position_) {
            const int digit = AtEnd() ? -1 : HexValue(Here());
            if (digit < 0) {
                return Fail(escapeStart, "\\u in a text in quotes must be followed by four "
                                         "hexadecimal digits");
            }
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, as JSON writes numbers.
    bool ReadNumber(TJson& out) {
        const std::size_t start = position_;
        const auto digits = [&]() {
            const std::size_t first = position_;
            while (!AtEnd() && IsDigit(Here())) {
                ++position_;
            }
            return position_ > first;
        };
        if (Here() == '-') {
            ++position_;
        }
        if (!AtEnd() && Here() == '0') {
            ++position_;
        } else if (!digits()) {
            return Fail(position_, "expected a digit of the number");
        }
        bool integer = true;
        if (!AtEnd() && Here() == '.') {
            ++position_;
            integer = false;
            if (!digits()) {
                return Fail(position_, "expected a digit after the decimal point");
            }
        }
        if (!AtEnd() && (Here() == 'e' || Here() == 'E')) {
            ++position_;
            integer = false;
            if (!AtEnd() && (Here() == '+' || Here() == '-')) {
                ++position_;
            }
            if (!digits()) {
                return Fail(position_, "expected a digit of the exponent");
            }
        }
        const char* first = text_.data() + start;
        const char* last = text_.data() + position_;
        if (integer) {
            // As the JSON library keeps them: unsigned when not negative.
            if (*first != '-') {
                std::uint64_t value = 0;
                if (std::from_chars(first, last, value).ec == std::errc()) {
                    out = value;
                    return true;
                }
            } else {
                std::int64_t value = 0;
                if (std::from_chars(first, last, value).ec == std::errc()) {
                    out = value;
                    return true;
                }
            }
        }
        double value = 0;
        if (std::from_chars(first, last, value).ec != std::errc()) {
            return Fail(start, "the number is out of range");
        }
        out = value;
        return true;
    }

    bool ReadWord(std::string_view word, TJson value, TJson& out) {
        if (text_.substr(position_, word.size()) != word) {
            return Fail(position_, std::string("expected ") + kWhatAValueIs);
        }
        position_ += word.size();
        out = std::move(value);
        return true;
    }

    std::string_view text_;
    const std::atomic<bool>* stop_;
    std::size_t position_ = 0;
    std::size_t values_ = 0;
    std::size_t failedAt_ = 0;
    std::string failure_;
};

} // namespace

std::string ParseImportJson(std::string_view text, TJson& document, const std::atomic<bool>* stop) {
    document = TJson();
    std::string refusal = JsonReader(text, stop).Read(document);
    if (!refusal.empty()) {
        document = TJson();
    }
    return refusal;
}
