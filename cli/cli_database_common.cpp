#include "cli_database_common.h"

#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "cli_commands.h"
#include "cli_terminal.h"

#include <filesystem>
#include <iostream>

namespace cli {

namespace {

constexpr std::size_t kMinimumPasswordLength = 5;

std::string NamePart(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FindUnder(const TKeyvaleTree& tree, TNodeHandle parent, const std::string& rest,
               TNodeHandle& found) {
    for (int row = 0; row < tree.ChildCount(parent); ++row) {
        TNodeHandle child = tree.Child(parent, row);
        const std::string& name = tree.Text(child);
        if (!IsUserNode(tree, child) || rest.compare(0, name.size(), name) != 0) {
            continue;
        }
        if (rest.size() == name.size()) {
            found = child;
            return true;
        }
        if (rest[name.size()] == '/' &&
            FindUnder(tree, child, rest.substr(name.size() + 1), found)) {
            return true;
        }
    }
    return false;
}

} // namespace

int Fail(const std::string& command, const std::string& message, int code) {
    std::cerr << "keyvale-cli " << command << ": " << message << "\n";
    return code;
}

int OpenExisting(const std::string& command, const std::string& file, OpenDatabase& database) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return Fail(command, "File not found: " + file, kExitRuntimeError);
    }
    std::optional<std::string> password = ReadSecretLine("Main password: ");
    if (!password) {
        return Fail(command, "no main password given.", kExitRuntimeError);
    }
    TDatabaseLoadResult result =
        LoadDatabaseFileWithPassword(file, *password, database.keys, database.tree);
    KvSecureWipe(*password);
    if (result.status != TDatabaseLoadStatus::Loaded) {
        return Fail(command, result.message, kExitRuntimeError);
    }
    if (result.convertedFromWindows1252) {
        std::cerr << "keyvale-cli " << command << ": " << kConvertedMessage << "\n";
    }
    return kExitOk;
}

int AskNewPassword(const std::string& command, TKeyMaterial& keys) {
    std::optional<std::string> first = ReadSecretLine("New main password: ");
    std::optional<std::string> second =
        first ? ReadSecretLine("Retype new main password: ") : std::nullopt;
    if (!first || !second) {
        return Fail(command, "the new main password must be given twice.", kExitRuntimeError);
    }
    int code = kExitOk;
    if (Utf16Length(*first) < kMinimumPasswordLength) {
        code = Fail(command,
                    "Error! Your password is too short. Password must be at least " +
                        std::to_string(kMinimumPasswordLength) + " characters long.",
                    kExitRuntimeError);
    } else if (*first != *second) {
        code = Fail(command, "Error! Your password does not match password verification field.",
                    kExitRuntimeError);
    } else {
        std::string derivation = KvDeriveKeyMaterial(*first, keys);
        if (!derivation.empty()) {
            code = Fail(command, derivation, kExitRuntimeError);
        }
    }
    KvSecureWipe(*first);
    KvSecureWipe(*second);
    return code;
}

int CheckNewFile(const std::string& command, const std::string& file) {
    std::string name = NamePart(file);
    if (!IsValidFileName(name)) {
        return Fail(command, "the file name \"" + name + "\" is not acceptable.", kExitUsage);
    }
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(file, error))) {
        return Fail(command, "the file " + file + " exists already; it is never overwritten.",
                    kExitRuntimeError);
    }
    return kExitOk;
}

int SaveTree(const std::string& command, const std::string& file, const TKeyvaleTree& tree,
             const TKeyMaterial& keys) {
    TDatabaseSaveResult result = SaveDatabaseFile(file, tree, keys);
    if (!result.saved) {
        return Fail(command, result.message.text, kExitRuntimeError);
    }
    std::cout << result.message.text << "\n";
    return kExitOk;
}

std::optional<TNodeHandle> FindPath(const TKeyvaleTree& tree, const std::string& path) {
    if (path.empty() || path == "/") {
        return kNoNode;
    }
    TNodeHandle found = kNoNode;
    if (FindUnder(tree, kNoNode, path, found)) {
        return found;
    }
    return std::nullopt;
}

std::string PathOf(const TKeyvaleTree& tree, TNodeHandle node) {
    std::string path = tree.Text(node);
    for (TNodeHandle up = tree.Parent(node); up != kNoNode; up = tree.Parent(up)) {
        path = tree.Text(up) + "/" + path;
    }
    return path;
}

std::string KindOf(const TKeyvaleTree& tree, TNodeHandle node) {
    switch (tree.Icon(node)) {
    case kIconFolder:
        return "folder";
    case kIconRecord:
        return "record";
    default:
        return "empty";
    }
}

} // namespace cli
