#include "U_Keyvale_Import_Sniff.h"

#include "U_KV_Hash_and_RAT_01.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.substr(0, kByteOrderMark.size()) == kByteOrderMark
               ? text.substr(kByteOrderMark.size())
               : text;
}

// A JSON export is told by the keys its program writes near its start: the
// whole document is not parsed, as it holds the passwords.
std::optional<TImportFormat> SniffJson(std::string_view text) {
    if (text.find("\"format\"") != std::string_view::npos &&
        text.find("\"keyvale\"") != std::string_view::npos) {
        return TImportFormat::Keyvale;
    }
    if (text.find("\"items\"") != std::string_view::npos ||
        text.find("\"encrypted\"") != std::string_view::npos ||
        text.find("\"folders\"") != std::string_view::npos) {
        return TImportFormat::BitwardenJson;
    }
    return std::nullopt;
}

// A CSV export by its header line, read as the import reads it; the line
// holds column names only.
std::optional<TImportFormat> SniffCsv(std::string_view text) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        return std::nullopt; // no whole header within the start
    }
    TImportData data;
    if (!ReadImportData(text.substr(0, end + 1), TImportFormat::Detect, {}, data).empty()) {
        return std::nullopt;
    }
    return data.format;
}

} // namespace

std::optional<TImportFormat> SniffExportFormat(std::string_view start) {
    const std::string_view text = WithoutByteOrderMark(start.substr(0, kExportSniffBytes));
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    return text[first] == '{' ? SniffJson(text) : SniffCsv(text);
}

std::optional<TImportFormat> SniffExportFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string start(kExportSniffBytes, '\0');
    std::size_t got = 0;
    while (got < start.size()) {
        const ssize_t n = ::read(fd, start.data() + got, start.size() - got);
        if (n <= 0) {
            break;
        }
        got += std::size_t(n);
    }
    ::close(fd);
    start.resize(got);
    const std::optional<TImportFormat> format = SniffExportFormat(start);
    KvSecureWipe(start); // an export's first entries, in plain text
    return format;
}

std::string ExportDescription(TImportFormat format) {
    switch (format) {
    case TImportFormat::BitwardenJson:
        return "a Bitwarden export (JSON)";
    case TImportFormat::Keyvale:
        return "a Keyvale export (JSON)";
    case TImportFormat::GenericCsv:
        return "a CSV file";
    default:
        return "a " + ImportSourceName(format) + " export (CSV)";
    }
}
