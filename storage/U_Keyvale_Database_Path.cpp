#include "U_Keyvale_Database_Path.h"

#include "U_Keyvale_Read_Write_Names.h"

std::string WithDatabaseExtension(const std::string& path) {
    if (HasDatabaseExtension(path)) {
        return path;
    }
    return path + kDatabaseExtension;
}

std::string PathDirectory(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string PathFolder(const std::string& path) {
    const std::string directory = PathDirectory(path);
    const std::size_t last = directory.find_last_not_of('/');
    if (directory.empty()) {
        return ".";
    }
    return last == std::string::npos ? "/" : directory.substr(0, last + 1);
}

std::string PathFileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
