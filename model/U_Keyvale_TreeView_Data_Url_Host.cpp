#include "U_Keyvale_TreeView_Data_Url_Host.h"

#include "U_Keyvale_TreeView_Data_Text.h"

namespace {

// Characters no host may hold, besides controls and the space.
constexpr std::string_view kForbiddenInHost = "#%/:<>?@[\\]^|";

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSlash(char c) {
    return c == '/' || c == '\\';
}

// The URL without the blanks and controls around it and without TAB, CR and
// LF inside it, as a browser reads what was pasted into its address bar.
std::string Cleaned(std::string_view url) {
    std::string text;
    for (char c : url) {
        if (c != '\t' && c != '\r' && c != '\n') {
            text += c;
        }
    }
    const auto isEdge = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && isEdge(text[first])) {
        ++first;
    }
    while (end > first && isEdge(text[end - 1])) {
        --end;
    }
    return text.substr(first, end - first);
}

// Where the authority begins: after "scheme://" (a letter, then letters,
// digits, "+", "-" or "."), after a leading "//", or at the start.
std::size_t AuthorityStart(const std::string& url) {
    std::size_t i = 0;
    if (!url.empty() && IsAsciiLetter(url[0])) {
        i = 1;
        while (i < url.size() && (IsAsciiLetter(url[i]) || IsDigit(url[i]) || url[i] == '+' ||
                                  url[i] == '-' || url[i] == '.')) {
            ++i;
        }
        if (i + 2 < url.size() && url[i] == ':' && IsSlash(url[i + 1]) && IsSlash(url[i + 2])) {
            i += 3;
        } else {
            i = 0;
        }
    } else if (url.size() >= 2 && IsSlash(url[0]) && IsSlash(url[1])) {
        i = 2;
    }
    // A browser skips any further slashes, as in "https:///example.com".
    while (i > 0 && i < url.size() && IsSlash(url[i])) {
        ++i;
    }
    return i;
}

// The host with each "%HH" decoded; false on a broken escape.
bool PercentDecoded(const std::string& host, std::string& decoded) {
    decoded.clear();
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (host[i] != '%') {
            decoded += host[i];
            continue;
        }
        const int high = i + 2 < host.size() ? HexValue(host[i + 1]) : -1;
        const int low = i + 2 < host.size() ? HexValue(host[i + 2]) : -1;
        if (high < 0 || low < 0) {
            return false;
        }
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool IsPort(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return true;
}

std::string Lowered(std::string text) {
    for (char& c : text) {
        c = LowerAscii(c);
    }
    return text;
}

// "[...]" and what may follow it: nothing or a port.
std::string BracketedHost(const std::string& hostAndPort) {
    const std::size_t close = hostAndPort.find(']');
    if (close == std::string::npos) {
        return "";
    }
    const std::string rest = hostAndPort.substr(close + 1);
    if (!rest.empty() && (rest[0] != ':' || !IsPort(std::string_view(rest).substr(1)))) {
        return "";
    }
    const std::string address = hostAndPort.substr(1, close - 1);
    if (address.find(':') == std::string::npos) {
        return "";
    }
    for (char c : address) {
        if (!(IsDigit(c) || (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f') || c == ':' ||
              c == '.')) {
            return "";
        }
    }
    return "[" + Lowered(address) + "]";
}

} // namespace

std::string UrlHost(std::string_view url) {
    const std::string text = Cleaned(url);
    const std::size_t start = AuthorityStart(text);
    std::size_t end = text.find_first_of("/?#\\", start);
    if (end == std::string::npos) {
        end = text.size();
    }
    std::string hostAndPort = text.substr(start, end - start);
    if (const std::size_t at = hostAndPort.rfind('@'); at != std::string::npos) {
        hostAndPort.erase(0, at + 1);
    }
    if (!hostAndPort.empty() && hostAndPort.front() == '[') {
        return BracketedHost(hostAndPort);
    }
    const std::size_t colon = hostAndPort.find(':');
    if (colon != std::string::npos && !IsPort(std::string_view(hostAndPort).substr(colon + 1))) {
        return "";
    }
    std::string host;
    if (!PercentDecoded(hostAndPort.substr(0, colon), host)) {
        return "";
    }
    for (char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || kForbiddenInHost.find(c) != std::string_view::npos) {
            return "";
        }
    }
    return Lowered(std::move(host));
}
