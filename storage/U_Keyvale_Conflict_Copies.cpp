#include "U_Keyvale_Conflict_Copies.h"

#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

// A copy's name is the database's name without ".kvdb", then what its writer
// adds, then ".kvdb". The name is compared as plain text, never turned into a
// pattern, so a name holding "+", "(" or "*" matches only itself. Each reader
// below takes the added part and either consumes a piece from its front (true)
// or refuses it (false).

bool TakeText(std::string_view& rest, std::string_view text) {
    if (!rest.starts_with(text)) {
        return false;
    }
    rest.remove_prefix(text.size());
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number of exactly `digits` digits between `low` and `high`: stamps are
// written with leading zeros, and a month 13 or an hour 24 is no stamp.
bool TakeNumber(std::string_view& rest, int digits, int low, int high) {
    if (rest.size() < static_cast<std::size_t>(digits)) {
        return false;
    }
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        if (!IsDigit(rest[i])) {
            return false;
        }
        value = value * 10 + (rest[i] - '0');
    }
    rest.remove_prefix(digits);
    return value >= low && value <= high;
}

// A date "YYYY<sep>MM<sep>DD" and a time "HH<sep>MM<sep>SS"; an empty
// separator for the stamps written as one run of digits.
bool TakeDate(std::string_view& rest, std::string_view separator) {
    return TakeNumber(rest, 4, 1970, 9999) && TakeText(rest, separator) &&
           TakeNumber(rest, 2, 1, 12) && TakeText(rest, separator) && TakeNumber(rest, 2, 1, 31);
}

bool TakeTime(std::string_view& rest, std::string_view separator) {
    return TakeNumber(rest, 2, 0, 23) && TakeText(rest, separator) && TakeNumber(rest, 2, 0, 59) &&
           TakeText(rest, separator) && TakeNumber(rest, 2, 0, 59);
}

// " (conflict 2026-12-11 14-30-05)" or, for a later copy in the same second,
// " (conflict 2026-12-11 14-30-05 2)".
bool IsKeyvaleCopy(std::string_view rest) {
    if (!(TakeText(rest, " (conflict ") && TakeDate(rest, "-") && TakeText(rest, " ") &&
          TakeTime(rest, "-"))) {
        return false;
    }
    if (TakeText(rest, " ")) {
        const std::size_t digits = rest.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos || rest[0] == '0') {
            return false;
        }
        rest.remove_prefix(digits);
    }
    return rest == ")";
}

// ".sync-conflict-20261211-143005-ABCDEF1": the device is the start of the
// writing machine's ID, capital letters and digits.
bool IsSyncthingCopy(std::string_view rest) {
    if (!(TakeText(rest, ".sync-conflict-") && TakeDate(rest, "") && TakeText(rest, "-") &&
          TakeTime(rest, "") && TakeText(rest, "-"))) {
        return false;
    }
    return !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) {
        return IsDigit(c) || (c >= 'A' && c <= 'Z');
    });
}

// " (Jane Doe's conflicted copy 2026-12-11)" from Dropbox, " (conflicted copy
// 2026-12-11 143005)" from Nextcloud's desktop client. The words around
// "conflicted copy" vary with the tool and its language settings; they hold
// no parenthesis, so that "a (x) (... conflicted copy ...)" stays the copy of
// "a (x).kvdb" and is not taken for one of "a.kvdb".
bool IsConflictedCopy(std::string_view rest) {
    if (!TakeText(rest, " (") || !rest.ends_with(")")) {
        return false;
    }
    rest.remove_suffix(1);
    return rest.find("conflicted copy") != std::string_view::npos &&
           rest.find_first_of("()") == std::string_view::npos;
}

// "_conflict-20261211-143005" from ownCloud and Nextcloud's server.
bool IsOwnCloudCopy(std::string_view rest) {
    return TakeText(rest, "_conflict-") && TakeDate(rest, "") && TakeText(rest, "-") &&
           TakeTime(rest, "") && rest.empty();
}

// Whether `fileName` is a conflict copy of the database named `baseName`
// (its name without ".kvdb").
bool IsConflictCopyName(std::string_view fileName, std::string_view baseName) {
    const std::string_view extension = kDatabaseExtension;
    if (!fileName.starts_with(baseName) || !fileName.ends_with(extension) ||
        fileName.size() < baseName.size() + extension.size()) {
        return false;
    }
    std::string_view added = fileName.substr(baseName.size());
    added.remove_suffix(extension.size());
    constexpr bool (*kPatterns[])(std::string_view) = {IsKeyvaleCopy, IsSyncthingCopy,
                                                       IsConflictedCopy, IsOwnCloudCopy};
    return std::any_of(std::begin(kPatterns), std::end(kPatterns),
                       [&](auto isCopy) { return isCopy(added); });
}

} // namespace

std::vector<std::string> ListConflictCopies(const std::string& databaseFile) {
    namespace fs = std::filesystem;
    std::vector<std::string> copies;
    const std::string fileName = PathFileName(databaseFile);
    if (!HasDatabaseExtension(fileName)) {
        return copies;
    }
    const std::string_view baseName = std::string_view(fileName).substr(
        0, fileName.size() - std::string_view(kDatabaseExtension).size());

    std::error_code error;
    fs::directory_iterator entries(PathFolder(databaseFile), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (!IsConflictCopyName(name, baseName)) {
            continue;
        }
        std::error_code statusError;
        if (fs::is_regular_file(entries->path(), statusError)) {
            copies.push_back(PathDirectory(databaseFile) + name);
        }
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}
