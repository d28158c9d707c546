// keyvale-cli create and passwd: writing a database under a new main password.
#include "cli_commands.h"
#include "cli_database_common.h"

#include <iostream>

namespace {

using cli::Fail;
using cli::kExitOk;
using cli::kExitUsage;

int RunCreate(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Fail("create", "usage: keyvale-cli create FILE", kExitUsage);
    }
    if (int code = cli::CheckNewFile("create", args[0]); code != kExitOk) {
        return code;
    }
    cli::OpenDatabase database;
    if (int code = cli::AskNewPassword("create", database.keys); code != kExitOk) {
        return code;
    }
    if (int code = cli::CheckNewFile("create", args[0]); code != kExitOk) {
        return code;
    }
    return cli::SaveTree("create", args[0], database.tree, database.keys);
}

int RunPasswd(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Fail("passwd", "usage: keyvale-cli passwd FILE", kExitUsage);
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("passwd", args[0], database); code != kExitOk) {
        return code;
    }
    TKeyMaterial newKeys;
    int code = cli::AskNewPassword("passwd", newKeys);
    if (code == kExitOk) {
        code = cli::SaveTree("passwd", args[0], database.tree, newKeys);
    }
    if (code == kExitOk) {
        std::cout << "Main password of your database has been changed.\n";
    }
    newKeys.Wipe();
    return code;
}

const char* const kNewPasswordInput =
    "The new main password is asked twice and both must match (at least 5\n"
    "characters). On a terminal passwords are typed without echo; otherwise each\n"
    "password prompt reads one line of standard input.\n";

const cli::CliRegistration createCommand({
    "create",
    "create FILE                a new, empty database",
    std::string("Usage: keyvale-cli create FILE\n\n"
                "Creates the empty database FILE under a new main password. An existing\n"
                "file is never overwritten.\n") +
        kNewPasswordInput,
    RunCreate,
});

const cli::CliRegistration passwdCommand({
    "passwd",
    "passwd FILE                change the main password of a database",
    std::string("Usage: keyvale-cli passwd FILE\n\n"
                "Asks for the current main password, then for the new one, and rewrites the\n"
                "database under the new password. The old file is replaced only once the\n"
                "new one is completely written.\n") +
        kNewPasswordInput,
    RunPasswd,
});

} // namespace
