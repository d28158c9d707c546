#include "U_Keyvale_Import_Text.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string UrlHost(const std::string& url) {
    std::size_t start = url.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return "";
    }
    const std::size_t scheme = url.find("://", start);
    if (scheme != std::string::npos && url.find_first_of("/?#", start) >= scheme) {
        start = scheme + 3;
    }
    std::size_t end = url.find_first_of("/?# \t", start);
    if (end == std::string::npos) {
        end = url.size();
    }
    std::string authority = url.substr(start, end - start);
    if (std::size_t at = authority.rfind('@'); at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    if (!authority.empty() && authority.front() == '[') { // an IPv6 address keeps its colons
        authority = authority.substr(0, authority.find(']') + 1);
    } else if (std::size_t colon = authority.find(':'); colon != std::string::npos) {
        authority.erase(colon);
    }
    for (char& c : authority) {
        c = LowerAscii(c);
    }
    return authority;
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

std::string NoteWithLines(const std::string& note, const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return note;
    }
    // One block of the final size, and no joined temporaries: the lines
    // may hold secrets (hidden fields).
    std::size_t size = note.size() + 2;
    for (const std::string& line : lines) {
        size += line.size() + 1;
    }
    std::string result;
    result.reserve(size);
    result += note;
    if (!result.empty()) {
        result += "\n\n";
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) {
            result += '\n';
        }
        result += lines[i];
    }
    return result;
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

std::string WithControlsEscaped(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        unsigned code = 0x10000; // none
        if (c < 0x20 || c == 0x7F) {
            code = c;
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            code = static_cast<unsigned char>(text[++i]);
        }
        if (code == 0x10000) {
            result += text[i];
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
        result += escaped;
    }
    return result;
}
