#include "U_Keyvale_Import_Text.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Url_Host.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <string>

namespace {

std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string NameFromUrl(const std::string& url) {
    const std::string text = TrimSpaces(url);
    const std::size_t scheme = text.find("://");
    const std::size_t end = text.find_first_of("/?#");
    const bool hasScheme = scheme != std::string::npos && end >= scheme;
    if (hasScheme || text.substr(0, end).find_first_of(" \t") == std::string::npos) {
        return UrlHost(text);
    }
    // Words, not a host: a name the user gave the place ("home router").
    return TrimSpaces(text.substr(0, end));
}

bool LooksLikeEmailAddress(const std::string& text) {
    const std::size_t at = text.find('@');
    if (at == 0 || at == std::string::npos || text.find('@', at + 1) != std::string::npos) {
        return false;
    }
    const std::size_t dot = text.find('.', at + 1);
    return dot != std::string::npos && dot > at + 1 && dot + 1 < text.size() &&
           text.find_first_of(" \t\r\n<>,;") == std::string::npos;
}

std::vector<std::string> SplitFolderPath(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    const auto finish = [&] {
        if (std::string trimmed = TrimSpaces(name); !trimmed.empty()) {
            names.push_back(std::move(trimmed));
        }
        name.clear();
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '\\' && i + 1 < path.size() && (path[i + 1] == '/' || path[i + 1] == '\\')) {
            name += path[++i];
        } else if (c == '/') {
            finish();
        } else {
            name += c;
        }
    }
    finish();
    return names;
}

std::vector<std::string> SplitBitwardenPath(const std::string& name,
                                            const std::set<std::string>& known) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t slash = name.find('/', start);
        parts.push_back(name.substr(start, slash - start));
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    // Walk down the parts: a part nests below the folders before it only
    // where those, up to it, form the name of a folder of their own.
    std::vector<std::string> names;
    std::string above;   // the full name of the folder the next name goes into
    bool atTop = true;   // none yet
    std::string current; // the parts not nested yet, one name so far
    bool holding = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        current = holding ? current + "/" + parts[i] : parts[i];
        holding = true;
        if (i + 1 == parts.size()) {
            break;
        }
        const std::string full = atTop ? current : above + "/" + current;
        if (known.count(full) != 0) {
            names.push_back(current);
            above = full;
            atTop = false;
            holding = false;
        }
    }
    names.push_back(current);
    std::vector<std::string> trimmed;
    for (const std::string& part : names) {
        if (std::string text = TrimSpaces(part); !text.empty()) {
            trimmed.push_back(std::move(text));
        }
    }
    return trimmed;
}

std::string EscapeFolderName(const std::string& name) {
    std::string escaped;
    escaped.reserve(name.size());
    for (char c : name) {
        if (c == '/' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string JoinFolderPath(const std::vector<std::string>& names) {
    std::string path;
    for (const std::string& name : names) {
        if (!path.empty()) {
            path += '/';
        }
        path += EscapeFolderName(name);
    }
    return path;
}

std::string LabelledLine(const std::string& label, const std::string& value) {
    // One block of the largest size the line can take: it may hold a secret.
    std::string line;
    line.reserve(label.size() + 2 + 3 * value.size());
    line += label;
    line += ": ";
    for (char c : value) {
        if (c == '\r') {
            continue;
        }
        line += c;
        if (c == '\n') {
            line += "  ";
        }
    }
    return line;
}

void AddNoteLine(std::vector<TNoteLine>& lines, TNoteLine&& line) {
    if (lines.size() == lines.capacity()) {
        std::vector<TNoteLine> larger;
        larger.reserve(std::max<std::size_t>(8, 2 * lines.capacity()));
        for (TNoteLine& moving : lines) {
            larger.push_back(std::move(moving));
            KvSecureWipe(moving.text);
        }
        lines.swap(larger);
    }
    lines.push_back(std::move(line));
    KvSecureWipe(line.text);
}

TNoteLine NoteLine(const std::string& label, const std::string& value, bool minor) {
    return {label, LabelledLine(label, value), minor};
}

TNoteLine NoteBlock(const std::string& label, const std::string& value) {
    // One block of its final size: the value is a secret (a private key).
    std::string text;
    text.reserve(label.size() + 2 + value.size());
    text += label;
    text += ":\n";
    for (char c : value) {
        if (c != '\r') {
            text += c;
        }
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return {label, std::move(text), false};
}

std::string MillisecondsAsUtcText(const std::string& milliseconds) {
    long long value = 0;
    const char* end = milliseconds.data() + milliseconds.size();
    auto [rest, error] = std::from_chars(milliseconds.data(), end, value);
    if (error != std::errc() || rest != end || value < 0) {
        return milliseconds;
    }
    const std::time_t seconds = static_cast<std::time_t>(value / 1000);
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr) {
        return milliseconds;
    }
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

std::string IsoTimeAsUtcText(const std::string& time) {
    // "YYYY-MM-DDTHH:MM:SS", a fraction of a second at will, then "Z".
    const char* const pattern = "dddd-dd-ddTdd:dd:dd";
    const std::size_t length = std::char_traits<char>::length(pattern);
    if (time.size() < length + 1 || time.back() != 'Z') {
        return time;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const bool digit = time[i] >= '0' && time[i] <= '9';
        if (pattern[i] == 'd' ? !digit : time[i] != pattern[i]) {
            return time;
        }
    }
    std::size_t rest = length;
    if (time[rest] == '.') {
        ++rest;
        while (rest < time.size() && time[rest] >= '0' && time[rest] <= '9') {
            ++rest;
        }
    }
    if (rest + 1 != time.size()) {
        return time;
    }
    return time.substr(0, 10) + " " + time.substr(11, 8) + " UTC";
}
