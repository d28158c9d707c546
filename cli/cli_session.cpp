#include "cli_session.h"

#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Check.h"
#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Session_Files.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_terminal.h"

#include <chrono>
#include <iostream>

namespace cli {

namespace {

// How long a command waits for other writers of the same file. Each holds
// the lock only for its own read, change and save, so even a queue of many
// commands moves on within this.
constexpr auto kLockPatience = std::chrono::seconds(60);

} // namespace

int WriteSession::Report(const std::string& command, const TSessionResult& result) {
    if (result.outcome == TSessionOutcome::Done) {
        for (const TSessionMessage& message : result.messages) {
            std::cout << message.text << "\n";
        }
        return kExitOk;
    }
    // Saved aside counts as a failure here: the file named on the command
    // line does not hold the change, and a script must not go on as if it did.
    // Only a program that ignores the lock can bring this about.
    if (result.outcome == TSessionOutcome::SavedAside) {
        return Fail(command,
                    "Error! The database file [" + file_ +
                        "] has been changed by another program since it was read here, so it "
                        "has not been overwritten. The change has been saved as [" +
                        session_.FileName() + "] instead.",
                    kExitRuntimeError);
    }
    for (const TSessionMessage& message : result.messages) {
        Fail(command, message.text, kExitRuntimeError);
    }
    return kExitRuntimeError;
}

int WriteSession::Open(const std::string& command, const std::string& file) {
    if (int code = CheckReadable(command, file); code != kExitOk) {
        return code;
    }
    if (std::string problem = DatabaseReplaceProblem(file); !problem.empty()) {
        return Fail(command, "cannot change " + file + ": " + problem, kExitRuntimeError);
    }
    std::optional<std::string> password = ReadSecretLine("Main password: ");
    if (!password) {
        return Fail(command, "no main password given.", kExitRuntimeError);
    }
    if (backup_) {
        session_.SetBackupFolder(PathFolder(file));
    }
    session_.HoldLockWhileOpen(kLockPatience);
    file_ = file;
    TSessionResult result = session_.Open(file, *password);
    KvSecureWipe(*password);
    if (!session_.BackupProblem().empty()) {
        // The change goes on; the user learns that no backup stands behind it.
        std::cerr << "keyvale-cli " << command << ": " << session_.BackupProblem() << "\n";
    }
    if (result.outcome == TSessionOutcome::WrongPassword && !result.messages.empty()) {
        return Fail(command, result.messages.front().text + kWrongPasswordCause, kExitRuntimeError);
    }
    if (result.outcome != TSessionOutcome::Done) {
        return Report(command, result);
    }
    return kExitOk;
}

int WriteSession::Create(const std::string& command, const std::string& file,
                         const std::string& password) {
    TSessionResult result = session_.Create(file, password);
    if (result.outcome == TSessionOutcome::Done && !result.messages.empty()) {
        // The window's welcome to an empty database means nothing here.
        result.messages.erase(result.messages.begin(), result.messages.end() - 1);
    }
    return Report(command, result);
}

int WriteSession::Save(const std::string& command, const std::string& done) {
    session_.MarkChanged();
    const int code = Report(command, session_.Save());
    if (code == kExitOk && !done.empty()) {
        std::cout << done << "\n";
    }
    return code;
}

int WriteSession::ChangePassword(const std::string& command, const std::string& newPassword) {
    TSessionResult result = session_.ChangePassword(newPassword);
    for (TSessionMessage& message : result.messages) {
        if (message.text == kPasswordKeptText) {
            // Nothing stays open after a command.
            message.text = "Error! Main password has not been changed: the database could not be "
                           "saved. The file keeps its old main password.";
        }
    }
    return Report(command, result);
}

SaveMessagesToStandardError::SaveMessagesToStandardError(bool asJson)
    : kept_(asJson ? std::cout.rdbuf(std::cerr.rdbuf()) : nullptr) {}

SaveMessagesToStandardError::~SaveMessagesToStandardError() {
    if (kept_ != nullptr) {
        std::cout.rdbuf(kept_);
    }
}

int CreateWithTree(const std::string& command, const std::string& file, const TKeyvaleTree& tree,
                   const TKeyMaterial& keys) {
    TDatabaseWriteLock lock(file);
    if (!lock.Held()) {
        return Fail(command, "Error! Cannot create the database [" + file + "]." + lock.Error(),
                    kExitRuntimeError);
    }
    TDatabaseSaveResult saved = SaveNewDatabaseFile(file, tree, keys);
    if (!saved.saved) {
        return Fail(command,
                    saved.existed ? "cannot create " + file +
                                        ": The file appeared meanwhile. An existing file is "
                                        "never overwritten."
                                  : saved.message.text,
                    kExitRuntimeError);
    }
    std::cout << saved.message.text << "\n";
    return kExitOk;
}

} // namespace cli
