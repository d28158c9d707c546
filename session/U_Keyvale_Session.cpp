#include "U_Keyvale_Session.h"

#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Database_File_Check.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <utility>

namespace {

// More conflict copies than this within one second means something is wrong
// with the folder, not that the user is busy.
constexpr int kConflictAttempts = 100;

const char* const kNoFileNameText =
    "Error! Cannot save database because the name of the database file is empty!";
const char* const kCreateFailedPrefix = "Error! Cannot create a database file. ";

TSessionResult Result(TSessionOutcome outcome, std::vector<TSessionMessage> messages) {
    TSessionResult result;
    result.outcome = outcome;
    result.messages = std::move(messages);
    return result;
}

// A failure the user meets on the password panel, about the file it named.
std::vector<TSessionMessage> AboutTheFile(const std::string& text) {
    return {{TSessionTopic::File, text, true}};
}

// Marks a save as under way for as long as it runs, so that a caller who
// re-enters meanwhile (a timer, a second click) is told instead of starting
// a second save of the same file.
class TSavingFlag {
  public:
    explicit TSavingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TSavingFlag() { flag_ = false; }
    TSavingFlag(const TSavingFlag&) = delete;
    TSavingFlag& operator=(const TSavingFlag&) = delete;

  private:
    bool& flag_;
};

std::string ChangedUnderneathText(const std::string& file) {
    return "The database file [" + file +
           "] has been changed by another program since it was opened or last saved here, so "
           "it has not been overwritten.";
}

// The write lock Open takes: held until the save for a one-shot writer,
// otherwise only while the file is read.
std::unique_ptr<TDatabaseWriteLock>
OpeningLock(const std::string& path, const std::optional<std::chrono::milliseconds>& holdPatience) {
    return holdPatience ? std::make_unique<TDatabaseWriteLock>(path, *holdPatience)
                        : std::make_unique<TDatabaseWriteLock>(path);
}

// What the user is told about the database just opened, besides the load's
// own message.
void AddOpenNotices(TSessionResult& result, const TDatabaseLoadResult& load,
                    const std::string& path) {
    if (load.databaseEmpty) {
        result.messages.push_back({TSessionTopic::Database, kDatabaseEmptyMessage, true});
    }
    if (load.convertedFromWindows1252) {
        result.messages.push_back({TSessionTopic::Database, kConvertedMessage, false});
    }
    if (!DatabaseReplaceProblem(path).empty()) {
        // Said now, not at the first save after the user's work.
        result.messages.push_back({TSessionTopic::Database,
                                   "Warning! You may not write to the database file [" + path +
                                       "]. You can read it, but your changes cannot be saved "
                                       "there.",
                                   true});
    }
}

} // namespace

TKeyvaleSession::~TKeyvaleSession() {
    keys_.Wipe();
    WipeTree(tree_);
    WipeTree(base_);
}

bool TKeyvaleSession::PasswordTooShort(const std::string& password) {
    return Utf16Length(password) < static_cast<std::size_t>(kMinimumPasswordLength);
}

std::string TKeyvaleSession::PasswordProblem(const std::string& password,
                                             const std::string* repeat) {
    if (PasswordTooShort(password)) {
        return "Error! Your password is too short. Password must be at least " +
               std::to_string(kMinimumPasswordLength) + " characters long.";
    }
    if (repeat && *repeat != password) {
        return "Error! Your password does not match password verification field.";
    }
    return "";
}

std::string TKeyvaleSession::PasswordRefusal(const std::string& password) {
    if (password.empty()) {
        return KvPasswordEmptyText;
    }
    if (password.size() > KvMaximumPasswordBytes) {
        return KvPasswordTooLongText;
    }
    return "";
}

void TKeyvaleSession::Adopt(const std::string& path, TKeyMaterial& keys, TKeyvaleTree& tree) {
    keys_.Wipe();
    std::swap(keys_, keys);
    keys.Wipe();
    heldLock_.reset();
    ReplaceTree(tree);
    RememberTreeAsBase();
    file_ = path;
    changed_ = false;
    quitArmed_ = false;
    lastSave_ = TLastSave::None;
}

void TKeyvaleSession::RememberTreeAsBase() {
    WipeTree(base_);
    CopyTree(tree_, base_);
}

void TKeyvaleSession::ReplaceTree(TKeyvaleTree& tree) {
    WipeTree(tree_);
    tree_ = std::move(tree);
    ++treeVersion_;
}

void TKeyvaleSession::NoteSaved(TLastSave how) {
    lastSave_ = how;
    changed_ = false;
    quitArmed_ = false;
}

TSessionResult TKeyvaleSession::Create(const std::string& path, const std::string& password) {
    TKeyMaterial keys;
    const std::string refused = KvDeriveKeyMaterial(password, keys);
    if (!refused.empty()) {
        return Result(TSessionOutcome::Refused, {{TSessionTopic::Password, refused, true}});
    }
    TKeyvaleTree empty;
    const TDatabaseSaveResult saved = SaveNewDatabaseFile(path, empty, keys, checkpoint_);
    if (saved.existed) {
        keys.Wipe();
        return Result(TSessionOutcome::Exists,
                      AboutTheFile(kCreateFailedPrefix + ("The file [" + path +
                                                          "] exists already. It has not been "
                                                          "changed; you may open it instead.")));
    }
    if (!saved.saved) {
        keys.Wipe();
        return Result(TSessionOutcome::Failed, AboutTheFile(kCreateFailedPrefix + saved.error));
    }
    Adopt(path, keys, empty);
    identity_ = ReadFileIdentity(path);
    lastSave_ = TLastSave::Saved;
    return Result(TSessionOutcome::Done,
                  {{TSessionTopic::Database,
                    "[" + path +
                        "]. Your new database is empty. You may begin your work with your "
                        "secret data: create and manipulate your folders and records.",
                    true},
                   {TSessionTopic::Database, saved.message.text, false}});
}

void TKeyvaleSession::BackUpOpenedFile(const std::string& path, TSessionResult& result) {
    backupProblem_.clear();
    if (!backupFolder_.empty()) {
        // The copy of the file as it was opened. Without it the user would
        // trust a backup that is not there, so a failure is said, though the
        // database itself is open and fine.
        backupProblem_ = MakeBackupCopy(backupFolder_, path);
        if (!backupProblem_.empty()) {
            result.messages.push_back({TSessionTopic::Database, backupProblem_, true});
        }
    }
}

TSessionResult TKeyvaleSession::Open(const std::string& path, const std::string& password) {
    if (const std::string refused = PasswordRefusal(password); !refused.empty()) {
        return Result(TSessionOutcome::Refused, {{TSessionTopic::Password, refused, true}});
    }
    TKeyMaterial keys;
    TKeyvaleTree loaded;
    TFileIdentity identity;
    TDatabaseLoadResult load;
    // Not in the middle of another writer's save. Reading needs no lock of
    // its own, so a folder where none can be made is no obstacle, unless the
    // lock is to be held until the save.
    auto lock = OpeningLock(path, holdLockPatience_);
    if (holdLockPatience_ && !lock->Held()) {
        keys.Wipe();
        return Result(
            TSessionOutcome::Failed,
            AboutTheFile("Error! Cannot open the database file [" + path + "]." + lock->Error()));
    }
    // Taken before the read: if the file changed while it was read, the next
    // save sees a difference and keeps both versions.
    identity = ReadFileIdentity(path);
    load = LoadDatabaseFileWithPassword(path, password, keys, loaded, legacyRecords_);
    if (!holdLockPatience_ || load.status != TDatabaseLoadStatus::Loaded) {
        lock.reset();
    }
    if (load.status == TDatabaseLoadStatus::WrongPassword) {
        return Result(TSessionOutcome::WrongPassword,
                      {{TSessionTopic::Password, load.message, true}});
    }
    if (load.status == TDatabaseLoadStatus::Failed) {
        return Result(TSessionOutcome::Failed, AboutTheFile(load.message));
    }
    Adopt(path, keys, loaded);
    identity_ = identity;
    heldLock_ = std::move(lock);
    TSessionResult result =
        Result(TSessionOutcome::Done, {{TSessionTopic::File, load.message, false}});
    AddOpenNotices(result, load, path);
    BackUpOpenedFile(path, result);
    return result;
}

TSessionResult TKeyvaleSession::ChangePassword(const std::string& newPassword) {
    if (!IsOpen()) {
        return Save(); // says that there is no file
    }
    TKeyMaterial otherKeys; // the new ones, then the old ones, then wiped
    const std::string refused = KvDeriveKeyMaterial(newPassword, otherKeys);
    if (!refused.empty()) {
        return Result(TSessionOutcome::Refused, {{TSessionTopic::Password, refused, true}});
    }
    std::swap(keys_, otherKeys);
    // Written under the new keys; a version another writer left in the file
    // meanwhile is still under the old ones.
    TSessionResult result = SaveUnder(otherKeys);
    if (!result.Succeeded()) {
        std::swap(keys_, otherKeys);
        result.messages.push_back({TSessionTopic::Password, kPasswordKeptText, true});
    }
    otherKeys.Wipe();
    return result;
}

TSessionResult TKeyvaleSession::Save() {
    return SaveUnder(keys_);
}

TSessionResult TKeyvaleSession::SaveUnder(const TKeyMaterial& fileKeys) {
    if (!IsOpen()) {
        return Result(TSessionOutcome::Failed, {{TSessionTopic::Database, kNoFileNameText, true}});
    }
    if (saving_) {
        return Result(TSessionOutcome::Busy, {});
    }
    TSavingFlag saving(saving_);
    // Held from the moment we look at the file until ours is written, so
    // that no cooperating writer can slip in between.
    std::optional<TDatabaseWriteLock> ownLock;
    if (!heldLock_) {
        ownLock.emplace(file_);
    }
    const TDatabaseWriteLock& lock = heldLock_ ? *heldLock_ : *ownLock;
    if (!lock.Held()) {
        lastSave_ = TLastSave::Failed;
        return Result(
            TSessionOutcome::Failed,
            {{TSessionTopic::Database,
              "Error! Cannot save your database to file [" + file_ + "]. " + lock.Error(), true}});
    }
    const TFileIdentity now = ReadFileIdentity(file_);
    if (now.exists && now != identity_) {
        return MergeWithChangedFile(fileKeys, now);
    }
    if (now.exists) {
        return FinishSave(SaveDatabaseFile(file_, tree_, keys_, checkpoint_), {});
    }
    // Deleted or moved away meanwhile: nothing there to overwrite, so the
    // database goes back to its name, unless something took it meanwhile.
    TDatabaseSaveResult saved = SaveNewDatabaseFile(file_, tree_, keys_, checkpoint_);
    if (saved.existed) {
        return SaveAside();
    }
    return FinishSave(saved, {});
}

TSessionResult TKeyvaleSession::FinishSave(const TDatabaseSaveResult& saved,
                                           TSessionResult result) {
    if (!saved.saved) {
        lastSave_ = TLastSave::Failed;
        result.outcome = TSessionOutcome::Failed;
        result.messages.insert(result.messages.begin(),
                               {TSessionTopic::Database, saved.message.text, saved.message.alert});
        return result;
    }
    identity_ = ReadFileIdentity(file_);
    RememberTreeAsBase();
    NoteSaved(TLastSave::Saved);
    result.outcome = TSessionOutcome::Done;
    result.messages.insert(result.messages.begin(),
                           {TSessionTopic::Database, saved.message.text, false});
    return result;
}

TSessionResult TKeyvaleSession::SaveAside(std::vector<TSessionMessage> why) {
    const std::time_t when = clock_ ? clock_() : std::time(nullptr);
    std::string aside;
    TDatabaseSaveResult saved;
    for (int attempt = 1; attempt <= kConflictAttempts; ++attempt) {
        aside = ConflictFileName(file_, when, attempt);
        saved = SaveNewDatabaseFile(aside, tree_, keys_, checkpoint_);
        if (!saved.existed) {
            break;
        }
    }
    if (!saved.saved) {
        lastSave_ = TLastSave::Failed;
        why.push_back({TSessionTopic::Database, "Error! " + ChangedUnderneathText(file_), true});
        why.push_back({TSessionTopic::Database, saved.message.text, true});
        return Result(TSessionOutcome::Failed, std::move(why));
    }
    const std::string original = file_;
    file_ = aside;
    identity_ = ReadFileIdentity(aside);
    // The copy is the open file now: what we wrote there is what we know of it.
    RememberTreeAsBase();
    NoteSaved(TLastSave::SavedAside);
    why.push_back({TSessionTopic::Database, saved.message.text, false});
    why.push_back({TSessionTopic::Database,
                   "Warning! " + ChangedUnderneathText(original) +
                       " Your database has been saved as [" + aside +
                       "], which is now your open database.",
                   true});
    return Result(TSessionOutcome::SavedAside, std::move(why));
}

TSessionResult TKeyvaleSession::SaveBeforeLeaving() {
    if (IsOpen() && !changed_) {
        // Writing an unchanged tree again gains nothing and can only fail (a
        // read-only file) or leave a stale conflict copy (another writer).
        return Result(TSessionOutcome::Done, {});
    }
    return Save();
}

void TKeyvaleSession::Close() {
    keys_.Wipe();
    heldLock_.reset();
    WipeTree(tree_);
    WipeTree(base_);
    ++treeVersion_;
    file_.clear();
    identity_ = {};
    changed_ = false;
    quitArmed_ = false;
    lastSave_ = TLastSave::None;
}

TQuitDecision TKeyvaleSession::RequestQuit() {
    TQuitDecision decision;
    if (!IsOpen() || quitArmed_) {
        // Leaving after a refusal is the user's answer to that one refusal.
        quitArmed_ = false;
        decision.quit = true;
        return decision;
    }
    decision.save = SaveBeforeLeaving();
    if (decision.save.outcome == TSessionOutcome::SavedAside) {
        // The work is safe, but in a file the user has not chosen; leaving at
        // once would hide where it went.
        quitArmed_ = true;
        decision.save.messages.push_back(
            {TSessionTopic::Database, kQuitAsideText + file_ + kQuitAsideEndText, true});
        return decision;
    }
    decision.quit = decision.save.Succeeded();
    if (!decision.quit) {
        quitArmed_ = true;
        decision.save.messages.push_back({TSessionTopic::Database, kQuitRefusedText, true});
    }
    return decision;
}

void TKeyvaleSession::MarkChanged() {
    changed_ = true;
    ++treeVersion_;
    quitArmed_ = false;
}
