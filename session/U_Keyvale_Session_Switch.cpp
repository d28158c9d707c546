// TKeyvaleSession: the way from one database to the next. The checks made
// before a password is asked for a path, and the switch itself: the open
// database is saved first, and only then is another one created or opened
// (or the open one re-keyed).
#include "U_Keyvale_Session.h"

#include "U_Keyvale_Database_File_Check.h"
#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"

#include <sys/stat.h>

namespace {

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

// Nothing there, or a folder: there is no file to open.
bool NoFileThere(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode);
}

TPathCheck Problem(TPathProblem problem, std::string cause = {}) {
    return {problem, std::move(cause)};
}

} // namespace

TPathCheck TKeyvaleSession::CheckOpen(const std::string& path) const {
    if (TPathCheck check = CheckFileToOpen(path); !check.Ok()) {
        return check;
    }
    if (IsOpen() && path == file_) {
        return Problem(TPathProblem::AlreadyOpen);
    }
    return {};
}

TPathCheck TKeyvaleSession::CheckFileToOpen(const std::string& path) {
    const std::string name = PathFileName(path);
    if (IsBlank(name)) {
        return Problem(TPathProblem::NoName);
    }
    if (NoFileThere(path)) {
        return Problem(TPathProblem::NotFound);
    }
    if (!IsValidFileName(name)) {
        return Problem(TPathProblem::BadName);
    }
    if (std::string cause = DatabaseFileReadProblem(path); !cause.empty()) {
        return Problem(TPathProblem::Unreadable, std::move(cause));
    }
    return {};
}

TPathCheck TKeyvaleSession::CheckCreate(const std::string& path) {
    const std::string name = PathFileName(path);
    if (IsBlank(name)) {
        return Problem(TPathProblem::NoName);
    }
    if (!IsValidFileName(name)) {
        return Problem(TPathProblem::BadName);
    }
    // A file or folder there is for opening; a link pointing nowhere is
    // neither, and is not followed to create a file elsewhere.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return Problem(TPathProblem::Exists,
                       S_ISDIR(info.st_mode) ? "It is a directory." : "The file exists already.");
    }
    if (std::string cause = DatabaseDestinationProblem(path); !cause.empty()) {
        return Problem(TPathProblem::CannotCreate, std::move(cause));
    }
    return {};
}

TSwitchResult TKeyvaleSession::SwitchTo(const std::string& path, const std::string& password,
                                        TPasswordMode mode) {
    TSwitchResult result;
    // Refused before anything is saved, closed or created: the user may
    // simply type a better one.
    if (const std::string refused = PasswordRefusal(password); !refused.empty()) {
        result.done.outcome = TSessionOutcome::Refused;
        result.done.messages.push_back({TSessionTopic::Password, refused, true});
        return result;
    }
    if (mode == TPasswordMode::ChangePassword) {
        result.done = ChangePassword(password);
        return result;
    }
    result = SaveBeforeSwitching();
    if (result.done.outcome == TSessionOutcome::KeptOpen) {
        return result;
    }
    result.done = mode == TPasswordMode::Create ? Create(path, password) : Open(path, password);
    return result;
}

TSwitchResult TKeyvaleSession::SaveBeforeSwitching() {
    TSwitchResult result;
    if (!IsOpen()) {
        return result;
    }
    result.savedFirst = SaveBeforeLeaving();
    if (!result.savedFirst.Succeeded()) {
        result.done.outcome = TSessionOutcome::KeptOpen;
        result.done.messages.push_back({TSessionTopic::Password, kCurrentKeptOpenText, true});
    }
    return result;
}
