#include "U_Keyvale_Conflict_Copies.h"

#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"

#include <algorithm>
#include <filesystem>
#include <regex>

namespace {

// What stands between "<name>" and ".kvdb" in a copy's name, one pattern
// per kind of writer that leaves copies.
const std::regex& CopyMarks() {
    static const std::regex marks(
        // Keyvale: " (conflict 2026-12-10 14-30-06)", a second one in the
        // same second " (conflict 2026-12-10 14-30-06 2)"
        R"( \(conflict \d{4}-\d{2}-\d{2} \d{2}-\d{2}-\d{2}( [1-9]\d*)?\))"
        // Syncthing: ".sync-conflict-20261210-143006-ABCDEFG"
        R"(|\.sync-conflict-\d{8}-\d{6}-[A-Za-z0-9]+)"
        // Dropbox, Nextcloud: " (Ann's conflicted copy 2026-12-10)"
        R"(| \(.*conflicted copy.*\))"
        // ownCloud, Nextcloud: "_conflict-20261210-143006"
        R"(|_conflict-\d{8}-\d{6})");
    return marks;
}

// The database's name without its extension, as the copies begin.
std::string StemOf(const std::string& databaseFile) {
    std::string stem = PathFileName(databaseFile);
    if (HasDatabaseExtension(stem)) {
        stem.resize(stem.size() - std::string(kDatabaseExtension).size());
    }
    return stem;
}

bool IsCopyName(const std::string& name, const std::string& stem) {
    const std::string extension = kDatabaseExtension;
    if (name.size() <= stem.size() + extension.size() || !name.starts_with(stem) ||
        !name.ends_with(extension)) {
        return false;
    }
    const std::string marks =
        name.substr(stem.size(), name.size() - stem.size() - extension.size());
    return std::regex_match(marks, CopyMarks());
}

} // namespace

std::vector<std::string> ListConflictCopies(const std::string& databaseFile) {
    namespace fs = std::filesystem;
    std::vector<std::string> copies;
    const std::string stem = StemOf(databaseFile);
    const std::string directory = PathDirectory(databaseFile);
    std::error_code error;
    fs::directory_iterator entries(directory.empty() ? "." : directory, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        std::error_code ignored;
        if (IsCopyName(name, stem) && entries->is_regular_file(ignored)) {
            copies.push_back(directory + name);
        }
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}
