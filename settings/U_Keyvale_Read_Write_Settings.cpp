#include "U_Keyvale_Read_Write_Settings.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <unistd.h>

namespace {

constexpr const char* kIniFileName = "Keyvale.ini";

// One line of the file: its text without the line ending, and the ending as
// found ("\r\n", "\n" or "" for a last line without one), so a rewrite keeps it.
struct IniLine {
    std::string text;
    std::string ending;
};

bool ReadWholeFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        return false;
    }
    content = buffer.str();
    return true;
}

std::vector<IniLine> SplitLines(const std::string& content) {
    std::vector<IniLine> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t newline = content.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({content.substr(start), ""});
            break;
        }
        bool crlf = newline > start && content[newline - 1] == '\r';
        std::size_t end = crlf ? newline - 1 : newline;
        lines.push_back({content.substr(start, end - start), crlf ? "\r\n" : "\n"});
        start = newline + 1;
    }
    return lines;
}

std::string TrimBlanks(const std::string& text) {
    const char* blanks = " \t";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') {
            x = static_cast<char>(x - 'a' + 'A');
        }
        if (y >= 'a' && y <= 'z') {
            y = static_cast<char>(y - 'a' + 'A');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// The section name of a "[name]" line, or false when the line is no header.
bool SectionName(const std::string& line, std::string& name) {
    std::string trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() != '[') {
        return false;
    }
    std::size_t close = trimmed.find(']');
    if (close == std::string::npos) {
        return false;
    }
    name = TrimBlanks(trimmed.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line and the position of its '='; comments and
// lines without '=' are no key lines.
bool KeyOfLine(const std::string& line, std::string& key, std::size_t& equals) {
    std::string trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
        return false;
    }
    equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    key = TrimBlanks(line.substr(0, equals));
    return true;
}

// Where the section and the key stand in the file; the first section of the
// name counts, as with the system's own profile functions.
struct IniPosition {
    bool sectionFound = false;
    std::size_t lastLineOfSection = 0; // last non-blank line of the section
    bool keyFound = false;
    std::size_t keyLine = 0;
    std::size_t equals = 0;
};

IniPosition Locate(const std::vector<IniLine>& lines, const std::string& key) {
    IniPosition position;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (SectionName(lines[i].text, name)) {
            if (inSection) {
                break;
            }
            inSection = EqualsIgnoringAsciiCase(name, kIniSection);
            if (inSection) {
                position.sectionFound = true;
                position.lastLineOfSection = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!TrimBlanks(lines[i].text).empty()) {
            position.lastLineOfSection = i;
        }
        std::string lineKey;
        std::size_t equals = 0;
        if (!position.keyFound && KeyOfLine(lines[i].text, lineKey, equals) &&
            EqualsIgnoringAsciiCase(lineKey, key)) {
            position.keyFound = true;
            position.keyLine = i;
            position.equals = equals;
        }
    }
    return position;
}

// The ending to give a line that had none because it was the file's last. A
// text ending in CR keeps that CR only when a full CR LF follows it: a bare
// LF would turn it into part of the line ending and change the value.
std::string EndingForLastLine(const std::string& text, const std::string& newLineEnding) {
    return !text.empty() && text.back() == '\r' ? std::string("\r\n") : newLineEnding;
}

bool IsWritableKey(const std::string& key) {
    if (TrimBlanks(key).empty() || key != TrimBlanks(key)) {
        return false;
    }
    if (key.front() == '[' || key.front() == ';' || key.front() == '#') {
        return false;
    }
    return key.find_first_of("=\r\n") == std::string::npos;
}

} // namespace

std::string IniFilePathFor(const std::string& executableDirectory, bool executableFolderWritable,
                           const char* xdgConfigHome, const char* home) {
    const std::filesystem::path beside = std::filesystem::path(executableDirectory) / kIniFileName;
    if (executableFolderWritable) {
        return beside.string();
    }
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
        return (std::filesystem::path(xdgConfigHome) / "keyvale" / kIniFileName).string();
    }
    if (home != nullptr && home[0] == '/') {
        return (std::filesystem::path(home) / ".config" / "keyvale" / kIniFileName).string();
    }
    return beside.string(); // nowhere better: writes fail silently as before
}

std::string IniFilePath() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return kIniFileName;
    }
    const std::string folder = executable.parent_path().string();
    const std::string beside = (executable.parent_path() / kIniFileName).string();
    const bool writable =
        IsWritableFolder(folder) || (IniFileExists(beside) && access(beside.c_str(), W_OK) == 0);
    return IniFilePathFor(folder, writable, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

bool IsWritableFolder(const std::string& folder) {
    std::error_code error;
    // Making a file in a folder needs both: write to add the name, search to reach it.
    return std::filesystem::is_directory(folder, error) && access(folder.c_str(), W_OK | X_OK) == 0;
}

bool IniWriteString(const std::string& iniPath, const std::string& key, const std::string& value) {
    if (!IsWritableKey(key) || value.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    std::string content;
    if (IniFileExists(iniPath) && !ReadWholeFile(iniPath, content)) {
        return false;
    }
    std::vector<IniLine> lines = SplitLines(content);
    std::string newLineEnding =
        lines.empty() || lines.front().ending.empty() ? std::string("\n") : lines.front().ending;
    IniPosition position = Locate(lines, key);
    IniLine keyLine{key + "=" + value, newLineEnding};

    if (position.keyFound) {
        IniLine& line = lines[position.keyLine];
        line.text = line.text.substr(0, position.equals + 1) + value;
    } else if (position.sectionFound) {
        std::size_t after = position.lastLineOfSection + 1;
        IniLine& last = lines[position.lastLineOfSection];
        if (last.ending.empty()) {
            last.ending = EndingForLastLine(last.text, newLineEnding);
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), keyLine);
    } else {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = EndingForLastLine(lines.back().text, newLineEnding);
        }
        if (!lines.empty() && !TrimBlanks(lines.back().text).empty()) {
            lines.push_back({"", newLineEnding});
        }
        lines.push_back({std::string("[") + kIniSection + "]", newLineEnding});
        lines.push_back(keyLine);
    }

    std::string output;
    for (const IniLine& line : lines) {
        output += line.text;
        output += line.ending;
    }
    std::ofstream out(iniPath, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        return false;
    }
    out.write(output.data(), static_cast<std::streamsize>(output.size()));
    out.close();
    return !out.fail();
}

std::string IniReadString(const std::string& iniPath, const std::string& key) {
    std::string content;
    if (!ReadWholeFile(iniPath, content)) {
        return "";
    }
    std::vector<IniLine> lines = SplitLines(content);
    IniPosition position = Locate(lines, key);
    if (!position.keyFound) {
        return "";
    }
    return lines[position.keyLine].text.substr(position.equals + 1);
}

bool IniFileExists(const std::string& iniPath) {
    std::error_code error;
    return std::filesystem::is_regular_file(iniPath, error);
}

bool IsIntegerInRange(const std::string& text, std::int64_t minimum, std::int64_t maximum) {
    if (text.empty()) {
        return true;
    }
    std::int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) {
        return false;
    }
    return minimum <= value && value <= maximum;
}

int SkinIndexFromSetting(const std::string& sn, int skinCount) {
    for (int number = 1; number <= skinCount; ++number) {
        if (sn == std::to_string(number)) {
            return number - 1;
        }
    }
    return kDefaultSkinIndex;
}

bool IsHashLength(const std::string& text) {
    return !text.empty() && IsIntegerInRange(text, kMinimumHashLength, kMaximumHashLength);
}

std::string HashLengthFromSetting(const std::string& hl) {
    return IsHashLength(hl) ? hl : kDefaultHashLength;
}

std::string HashLengthInUse(const std::string& typed, const std::string& accepted) {
    return IsHashLength(typed) ? typed : HashLengthFromSetting(accepted);
}

bool ShouldWriteSkin(int selectedSkinIndex, bool iniFileExists) {
    return selectedSkinIndex != kDefaultSkinIndex || iniFileExists;
}

bool ShouldWriteHashLength(const std::string& lengthText, bool iniFileExists) {
    return lengthText != kDefaultHashLength || iniFileExists;
}

int ClipboardClearSecondsFromSetting(const std::string& value) {
    if (value.empty() || !IsIntegerInRange(value, 0, kMaximumClipboardClearSeconds)) {
        return kDefaultClipboardClearSeconds;
    }
    return std::stoi(value);
}

int LockAfterIdleMinutesFromSetting(const std::string& value) {
    for (int minutes : kLockAfterIdleChoices) {
        if (value == std::to_string(minutes)) {
            return minutes;
        }
    }
    return kDefaultLockAfterIdleMinutes;
}

TLoadedSettings LoadSettingsFromIni(const std::string& iniPath, int skinCount) {
    TLoadedSettings settings;
    settings.skinIndex = SkinIndexFromSetting(IniReadString(iniPath, kIniKeySkin), skinCount);
    settings.hashLengthText = HashLengthFromSetting(IniReadString(iniPath, kIniKeyHashLength));
    settings.clipboardClearSeconds =
        ClipboardClearSecondsFromSetting(IniReadString(iniPath, kIniKeyClipboardClearSeconds));
    settings.lockAfterIdleMinutes =
        LockAfterIdleMinutesFromSetting(IniReadString(iniPath, kIniKeyLockAfterIdleMinutes));
    return settings;
}

void SaveSettingsToIni(const std::string& iniPath, int selectedSkinIndex,
                       const std::string& lengthText) {
    if (ShouldWriteSkin(selectedSkinIndex, IniFileExists(iniPath))) {
        IniWriteString(iniPath, kIniKeySkin, std::to_string(selectedSkinIndex + 1));
    }
    if (ShouldWriteHashLength(lengthText, IniFileExists(iniPath))) {
        IniWriteString(iniPath, kIniKeyHashLength, lengthText);
    }
}

void SaveSettingsToIni(const std::string& iniPath, const TLoadedSettings& settings) {
    const bool anythingToWrite = IniFileExists(iniPath) ||
                                 ShouldWriteSkin(settings.skinIndex, false) ||
                                 ShouldWriteHashLength(settings.hashLengthText, false) ||
                                 settings.clipboardClearSeconds != kDefaultClipboardClearSeconds ||
                                 settings.lockAfterIdleMinutes != kDefaultLockAfterIdleMinutes;
    if (!anythingToWrite) {
        return;
    }
    const std::filesystem::path folder = std::filesystem::path(iniPath).parent_path();
    std::error_code ignored;
    if (!folder.empty() && !std::filesystem::exists(folder, ignored)) {
        std::filesystem::create_directories(folder, ignored);
    }
    SaveSettingsToIni(iniPath, settings.skinIndex, settings.hashLengthText);
    if (settings.clipboardClearSeconds != kDefaultClipboardClearSeconds || IniFileExists(iniPath)) {
        IniWriteString(iniPath, kIniKeyClipboardClearSeconds,
                       std::to_string(settings.clipboardClearSeconds));
    }
    if (settings.lockAfterIdleMinutes != kDefaultLockAfterIdleMinutes || IniFileExists(iniPath)) {
        IniWriteString(iniPath, kIniKeyLockAfterIdleMinutes,
                       std::to_string(settings.lockAfterIdleMinutes));
    }
}
