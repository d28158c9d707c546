// The settings reader on any file content: reading never fails loudly and
// gives values the window can use; writing a key changes that key alone.
#include "U_Keyvale_Read_Write_Settings.h"
#include "fuzz_check.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kSkinCount = 60;

const std::string& IniPath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("keyvale_fuzz_settings_" + std::to_string(getpid()) + ".ini"))
                                        .string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = IniPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    const std::string sn = IniReadString(path, kIniKeySkin);
    const std::string hl = IniReadString(path, kIniKeyHashLength);
    // Lines end at LF (a CR before it belongs to the ending); a lone CR is
    // part of the value.
    FUZZ_CHECK(sn.find('\n') == std::string::npos && hl.find('\n') == std::string::npos);

    TLoadedSettings settings = LoadSettingsFromIni(path, kSkinCount);
    FUZZ_CHECK(settings.skinIndex >= 0 && settings.skinIndex < kSkinCount);
    FUZZ_CHECK(IsIntegerInRange(settings.hashLengthText, kMinimumHashLength, kMaximumHashLength));
    FUZZ_CHECK(!settings.hashLengthText.empty());

    // A write replaces or adds its key and leaves the other one as it was.
    FUZZ_CHECK(IniWriteString(path, kIniKeySkin, "17"));
    FUZZ_CHECK(IniReadString(path, kIniKeySkin) == "17");
    FUZZ_CHECK(IniReadString(path, kIniKeyHashLength) == hl);
    FUZZ_CHECK(IniWriteString(path, kIniKeyHashLength, "250"));
    FUZZ_CHECK(IniReadString(path, kIniKeyHashLength) == "250");
    FUZZ_CHECK(IniReadString(path, kIniKeySkin) == "17");
    TLoadedSettings written = LoadSettingsFromIni(path, kSkinCount);
    FUZZ_CHECK(written.skinIndex == 16 && written.hashLengthText == "250");
    return 0;
}
