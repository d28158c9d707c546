#include "U_Keyvale_Import_Source.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Source_Readers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TFormatName {
    TImportFormat format;
    const char* name;   // on the command line
    const char* source; // as the user knows the program
};

// The first name of each format is the one help texts show.
constexpr TFormatName kFormatNames[] = {
    {TImportFormat::Chromium, "chrome", "Chrome"},
    {TImportFormat::Chromium, "chromium", "Chrome"},
    {TImportFormat::Chromium, "edge", "Chrome"},
    {TImportFormat::Chromium, "brave", "Chrome"},
    {TImportFormat::Chromium, "opera", "Chrome"},
    {TImportFormat::Chromium, "vivaldi", "Chrome"},
    {TImportFormat::Firefox, "firefox", "Firefox"},
    {TImportFormat::BitwardenCsv, "bitwarden", "Bitwarden"},
    {TImportFormat::BitwardenJson, "bitwarden-json", "Bitwarden"},
    {TImportFormat::KeePassXC, "keepassxc", "KeePassXC"},
    {TImportFormat::GenericCsv, "csv", "CSV"},
    {TImportFormat::Keyvale, "keyvale-json", "Keyvale"},
};

const char* const kMapFields[] = {"name", "login", "password", "email", "url", "note", "folder"};

bool LooksLikeJson(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '{';
}

bool IsCsvFormat(TImportFormat format) {
    return format != TImportFormat::BitwardenJson && format != TImportFormat::Keyvale;
}

} // namespace

TImportEntry::~TImportEntry() {
    KvSecureWipe(fields.login);
    KvSecureWipe(fields.password);
    KvSecureWipe(fields.email);
    KvSecureWipe(fields.url);
    KvSecureWipe(fields.note);
    for (TNoteLine& line : lines) {
        KvSecureWipe(line.text);
    }
}

std::optional<TImportFormat> ImportFormatFromName(const std::string& name) {
    for (const TFormatName& entry : kFormatNames) {
        if (name == entry.name) {
            return entry.format;
        }
    }
    return std::nullopt;
}

std::string ImportFormatNames() {
    std::string names;
    for (const TFormatName& entry : kFormatNames) {
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    }
    return names;
}

std::string ImportSourceName(TImportFormat format) {
    for (const TFormatName& entry : kFormatNames) {
        if (entry.format == format) {
            return entry.source;
        }
    }
    return "a file";
}

std::string ParseColumnMap(const std::string& text, TColumnMap& map) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        const std::string pair = text.substr(start, comma - start);
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == pair.size()) {
            return "\"" + pair + "\" is not FIELD=COLUMN";
        }
        const std::string field = pair.substr(0, equals);
        bool known = false;
        for (const char* name : kMapFields) {
            known = known || field == name;
        }
        if (!known) {
            return "\"" + field +
                   "\" is no field; the fields are name, login, password, email, "
                   "url, note and folder";
        }
        if (!map.emplace(field, pair.substr(equals + 1)).second) {
            return "\"" + field + "\" is named twice";
        }
        start = comma + 1;
    }
    return "";
}

std::string ReadImportData(std::string_view text, TImportFormat format, const TColumnMap& map,
                           TImportData& data) {
    data = TImportData();
    if (!map.empty() && format != TImportFormat::Detect && format != TImportFormat::GenericCsv) {
        return "--map names the columns of a generic CSV file, not of " + ImportSourceName(format) +
               "'s export";
    }
    if (!IsCsvFormat(format) ||
        (format == TImportFormat::Detect && map.empty() && LooksLikeJson(text))) {
        TJson document;
        try {
            document = TJson::parse(text);
        } catch (const TJson::exception& error) {
            return std::string("it is no valid JSON: ") + error.what();
        }
        const bool keyvale = document.is_object() && document.value("format", TJson()) == "keyvale";
        if (format == TImportFormat::Keyvale || (format == TImportFormat::Detect && keyvale)) {
            return ReadKeyvaleJson(document, data);
        }
        return ReadBitwardenJson(document, data);
    }
    if (IsCsvFormat(format) || format == TImportFormat::Detect) {
        TCsvTable table;
        if (std::string problem = ReadCsv(text, table); !problem.empty()) {
            return problem;
        }
        return ReadCsvImport(table, format, map, data);
    }
    return "unknown format";
}

std::string ReadImportFile(const std::string& path, std::string& content) {
    content.clear();
    const int fd = path == "-" ? ::dup(STDIN_FILENO) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::string(std::strerror(errno)) + ".";
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return "It is a directory.";
    }
    if (S_ISREG(info.st_mode)) {
        // One allocation, so that no outgrown copy of the passwords is freed
        // unwiped on the way.
        content.reserve(
            std::min<std::size_t>(static_cast<std::size_t>(info.st_size), kMaximumImportFileSize) +
            1);
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            KvSecureWipe(content);
            return std::string(std::strerror(error)) + ".";
        }
        if (got == 0) {
            break;
        }
        if (content.size() + static_cast<std::size_t>(got) > kMaximumImportFileSize) {
            ::close(fd);
            KvSecureWipe(content);
            explicit_bzero(buffer, sizeof buffer);
            return "It is larger than " + std::to_string(kMaximumImportFileSize >> 20) +
                   " MiB, more than an export of the largest database can be; reading stopped.";
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    explicit_bzero(buffer, sizeof buffer);
    return "";
}
