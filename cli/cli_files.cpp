#include "cli_files.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Read_Write_Bounded.h"
#include "U_Keyvale_Read_Write_Files.h"

#include <iostream>

namespace cli {

std::string ReadInputFile(const std::string& path, std::string& content, std::size_t limit,
                          const std::string& limitReason) {
    // Standard input through the stream the password prompts read too, so
    // that nothing they buffered is lost; a named file, a pipe or a device
    // as the import reads its exports, never waiting to open one.
    const TBoundedRead read = path == "-" ? ReadStreamUpTo(std::cin, limit, content)
                                          : ReadFileUpTo(path, limit, content, TFileKinds::Any);
    if (read.tooLarge) {
        return "It holds more than " + std::to_string(limit) + " bytes" + limitReason + ".";
    }
    return read.problem;
}

std::string WritePrivateFile(const std::string& path, const std::string& content) {
    TByteArray bytes(content.begin(), content.end());
    std::string error = SaveBytesToPrivateFile(bytes, path);
    KvSecureWipe(bytes);
    if (!error.empty()) {
        // " [FileWriteError] Cannot write ..." reads better without the class.
        std::size_t close = error.find("] ");
        return close == std::string::npos ? error : error.substr(close + 2);
    }
    return "";
}

} // namespace cli
