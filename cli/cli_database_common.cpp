#include "cli_database_common.h"

#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Check.h"
#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "U_Keyvale_Session.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Operations.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "cli_commands.h"
#include "cli_terminal.h"

#include <iostream>

namespace cli {

int Fail(const std::string& command, const std::string& message, int code) {
    // Messages quote names and paths as given or stored; a control character
    // among them must reach the terminal as text, not as a command.
    std::cerr << "keyvale-cli " << command << ": " << WithControlsEscaped(message, "\n") << "\n";
    return code;
}

int CheckReadable(const std::string& command, const std::string& file) {
    const TPathCheck check = TKeyvaleSession::CheckFileToOpen(file);
    if (check.problem == TPathProblem::BadName) {
        const std::string name = PathFileName(file);
        return Fail(command,
                    "the file name \"" + name + "\" is not acceptable. " + FileNameRefusal(name),
                    kExitUsage);
    }
    if (!check.Ok()) {
        // Nothing there, a folder, or a file that cannot be read: the
        // system's own words say which.
        const std::string problem =
            check.cause.empty() ? DatabaseFileReadProblem(file) : check.cause;
        return Fail(command, "Error! Cannot read data from file [" + file + "]. " + problem,
                    kExitRuntimeError);
    }
    return kExitOk;
}

int OpenExisting(const std::string& command, const std::string& file, OpenDatabase& database) {
    if (int code = CheckReadable(command, file); code != kExitOk) {
        return code;
    }
    std::optional<std::string> password = ReadSecretLine("Main password: ");
    if (!password) {
        return Fail(command, "no main password given.", kExitRuntimeError);
    }
    // The reading commands never save, and a record reads the same in either
    // encoding: no need to encipher Windows-1252 records anew.
    TDatabaseLoadResult result = LoadDatabaseFileWithPassword(
        file, *password, database.keys, database.tree, TLegacyRecords::AsStored);
    KvSecureWipe(*password);
    if (result.status == TDatabaseLoadStatus::WrongPassword) {
        return Fail(command, result.message + kWrongPasswordCause, kExitRuntimeError);
    }
    if (result.status != TDatabaseLoadStatus::Loaded) {
        return Fail(command, result.message, kExitRuntimeError);
    }
    if (result.convertedFromWindows1252) {
        std::cerr << "keyvale-cli " << command << ": " << kConvertedMessage << "\n";
    }
    return kExitOk;
}

int AskNewPassword(const std::string& command, std::string& password) {
    std::optional<std::string> first = ReadSecretLine("New main password: ");
    std::optional<std::string> second =
        first ? ReadSecretLine("Retype new main password: ") : std::nullopt;
    if (!first || !second) {
        if (first) {
            KvSecureWipe(*first);
        }
        return Fail(command, "the new main password must be given twice.", kExitRuntimeError);
    }
    int code = kExitOk;
    if (std::string problem = TKeyvaleSession::PasswordProblem(*first, &*second);
        !problem.empty()) {
        code = Fail(command, problem, kExitRuntimeError);
    } else if (!IsValidUtf8(*first)) {
        // Windows-1252 is how databases written on Windows hold their text;
        // a new password here is UTF-8, or the window could not type it.
        code = Fail(command, "the new main password is not valid UTF-8.", kExitRuntimeError);
    } else {
        password = std::move(*first);
    }
    if (first) {
        KvSecureWipe(*first);
    }
    KvSecureWipe(*second);
    return code;
}

int CheckNewFile(const std::string& command, const std::string& file) {
    const TPathCheck check = TKeyvaleSession::CheckCreate(file);
    switch (check.problem) {
    case TPathProblem::None:
        return kExitOk;
    case TPathProblem::NoName:
    case TPathProblem::BadName:
        return Fail(command, "the file name \"" + PathFileName(file) + "\" is not acceptable.",
                    kExitUsage);
    case TPathProblem::Exists:
        if (check.cause.find("exists") != std::string::npos) {
            return Fail(command,
                        "cannot create " + file + ": " + check.cause +
                            " An existing file is never overwritten.",
                        kExitRuntimeError);
        }
        [[fallthrough]];
    default:
        return Fail(command, "cannot create " + file + ": " + check.cause, kExitRuntimeError);
    }
}

int ResolvePath(const std::string& command, const TKeyvaleTree& tree, const std::string& path,
                TNodeHandle& node) {
    std::vector<std::string> names;
    if (std::string problem = SplitPath(path, names); !problem.empty()) {
        return Fail(command, "\"" + path + "\": " + problem + ".", kExitUsage);
    }
    std::optional<TNodeHandle> found = FindNames(tree, names);
    if (!found) {
        return Fail(command, "no folder or record \"" + path + "\".", kExitRuntimeError);
    }
    node = *found;
    return kExitOk;
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
