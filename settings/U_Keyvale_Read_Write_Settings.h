// The settings file Keyvale.ini: a small INI reader and writer, and the rules
// that turn its two keys into the window's skin and hash length and back.
//
// The file lives next to the executable and holds section "Keyvale" with the
// keys "SN" (1-based skin number) and "HL" (hash calculator length). It keeps
// no secret, so every failure is silent: a read gives "", a write gives false.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Where Keyvale.ini lives. Beside the executable while that folder (or the
// file already in it) can be written, as for a program started from its own
// folder. An installed program's folder cannot be written, so its settings go
// to the user's configuration folder: "$XDG_CONFIG_HOME/keyvale", or
// "<home>/.config/keyvale" when that variable is unset, empty or relative.
std::string IniFilePathFor(const std::string& executableDirectory, bool executableFolderWritable,
                           const char* xdgConfigHome, const char* home);

// IniFilePathFor with the running executable's folder and the environment.
std::string IniFilePath();

// Whether the folder exists and this process may create files in it.
bool IsWritableFolder(const std::string& folder);

// Each call opens the file, does one operation and closes it again; all work
// in section "Keyvale". Section and key names compare ASCII case-insensitively.

// Writes key=value, keeping every other section, key, comment and line ending
// of the file intact; creates the file (and the section) when missing. False
// on any error, and for a key or value that would break the line structure
// (an empty key, a key with '=' or a leading '[' or ';', a line break anywhere).
bool IniWriteString(const std::string& iniPath, const std::string& key, const std::string& value);

// The value exactly as stored after '=' (no trimming: "7 " stays "7 "); empty
// when the file, the section or the key is missing, or on any error.
std::string IniReadString(const std::string& iniPath, const std::string& key);

bool IniFileExists(const std::string& iniPath);

// An empty text passes. Otherwise the text must be a plain decimal integer
// (an optional '-' and digits only, nothing else, no overflow) within
// [minimum, maximum]: "0050" passes 10..1000, "7 " and "+7" fail.
bool IsIntegerInRange(const std::string& text, std::int64_t minimum, std::int64_t maximum);

// ---- What the window loads and saves ------------------------------------

inline constexpr const char* kIniSection = "Keyvale";
inline constexpr const char* kIniKeySkin = "SN";
inline constexpr const char* kIniKeyHashLength = "HL";
inline constexpr int kDefaultSkinIndex = 39;            // 0-based entry of the skin list
inline constexpr const char* kDefaultHashLength = "30"; // text of the length field
inline constexpr std::int64_t kMinimumHashLength = 10;
inline constexpr std::int64_t kMaximumHashLength = 1000;

// 0-based skin index for the stored "SN": the first i in 1..skinCount whose
// decimal form equals sn exactly gives i - 1; anything else ("", "07", "7 ",
// "0", out of range) gives kDefaultSkinIndex.
int SkinIndexFromSetting(const std::string& sn, int skinCount);

// A length the calculator takes: not empty and IsIntegerInRange(text, 10,
// 1000) ("0050" is one, "" and "50 " are not).
bool IsHashLength(const std::string& text);

// Text for the calculator's length field: hl exactly as read when
// IsHashLength(hl) holds, otherwise "30".
std::string HashLengthFromSetting(const std::string& hl);

// The length the calculator works with while `typed` is in its field: what
// was typed when it is a length, else the last length taken (`accepted`, as
// HashLengthFromSetting reads it). An entry on its way ("1" towards "100"),
// or an emptied field, never replaces the length in use.
std::string HashLengthInUse(const std::string& typed, const std::string& accepted);

// The save decisions. "SN" is written when the skin is not the default or the
// file exists; "HL" when the length text is not exactly "30" or the file exists
// (tested after "SN" was written, so the file may exist by then).
bool ShouldWriteSkin(int selectedSkinIndex, bool iniFileExists);
bool ShouldWriteHashLength(const std::string& lengthText, bool iniFileExists);

// The clipboard and locking choices of the Settings page. A copied secret is
// taken off the clipboard after that many seconds (0: never); the open
// database is locked after that many minutes of desktop idle (0: never).
// The clipboard's default and longest delay hold for keyvale-cli's clip too:
// 10 s is time enough to switch windows and paste, and past 10 minutes a
// copied password is no longer on its way somewhere but lying around, open to
// every program that reads the clipboard.
inline constexpr const char* kIniKeyClipboardClearSeconds = "ClipboardClearSeconds";
inline constexpr const char* kIniKeyLockAfterIdleMinutes = "LockAfterIdleMinutes";
inline constexpr int kDefaultClipboardClearSeconds = 10;
inline constexpr int kMaximumClipboardClearSeconds = 600;
inline constexpr int kDefaultLockAfterIdleMinutes = 0;
inline constexpr std::array<int, 6> kLockAfterIdleChoices = {0, 1, 2, 5, 10, 30};

// A stored value that is not a plain decimal in 0..600 gives the default 10.
int ClipboardClearSecondsFromSetting(const std::string& value);
// A stored value that is not exactly one of the choices gives 0 (off).
int LockAfterIdleMinutesFromSetting(const std::string& value);

struct TLoadedSettings {
    int skinIndex = kDefaultSkinIndex;
    std::string hashLengthText = kDefaultHashLength;
    int clipboardClearSeconds = kDefaultClipboardClearSeconds;
    int lockAfterIdleMinutes = kDefaultLockAfterIdleMinutes;
};

// Reads both keys and applies the rules above; a missing or unreadable file
// gives the defaults.
TLoadedSettings LoadSettingsFromIni(const std::string& iniPath, int skinCount);

// Writes the keys the save decisions call for, "SN" first. Failed writes are
// ignored: an unwritable file silently loses the choices. So a user who never
// changes the defaults leaves no file behind.
void SaveSettingsToIni(const std::string& iniPath, int selectedSkinIndex,
                       const std::string& lengthText);

// All the window's settings: "SN" and "HL" as above, then the clipboard and
// locking keys by the same rule (written when not the default or once the
// file exists). The settings folder is created first when something is to be
// written and it is missing (the configuration folder of a first run).
void SaveSettingsToIni(const std::string& iniPath, const TLoadedSettings& settings);
