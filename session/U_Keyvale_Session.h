// The open database: its file, its key material, its tree, whether it has
// changed since the last save, how the last save went, and whether the next
// request to quit may leave without saving.
//
// Everything that creates, opens, re-keys, saves or closes a database goes
// through this one type, in the window and in keyvale-cli alike, so the rules
// that keep the user's data are written and tested once, without a display:
// - new key material is derived aside and replaces the old only once it has
//   done its work, so a refused or wrong password changes nothing;
// - a new database never replaces or follows anything at its name;
// - a save never overwrites another writer's work: a file changed since we
//   read or wrote it is read with our keys and merged field by field with our
//   tree (against the base, the tree as we last read or wrote it), under the
//   file's lock from that read to the write; only a file our keys cannot read,
//   a damaged one, or a merge refused for a limit of the tree makes the save
//   go beside it as a conflict copy;
// - a failed save at exit refuses to quit once, and only the very next
//   request, with nothing saved or changed in between, quits without saving.
//
// Each operation returns its outcome and the messages to print, in order,
// each with what it is about; where a message shows, and with which sound,
// is the caller's decision.
#pragma once

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Session_Files.h"
#include "U_Keyvale_TreeView_Data_Merge.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TDatabaseSaveResult;

// What a message is about.
enum class TSessionTopic {
    Database, // the open database: its saves and its state
    File,     // the file named to be created or opened: why it failed, or that it loaded
    Password, // the password given: refused, wrong, or the old one kept
};

struct TSessionMessage {
    TSessionTopic topic = TSessionTopic::Database;
    std::string text;
    bool alert = false; // also show the desktop alert

    bool operator==(const TSessionMessage&) const = default;
};

enum class TSessionOutcome {
    Done,          // created, opened, re-keyed, saved, or nothing was needed
    SavedAside,    // saved, but as a conflict copy that is now the open file
    Refused,       // the password was refused before anything changed
    WrongPassword, // open: the file is under another password
    Exists,        // create: something stands at the name already
    Failed,        // nothing changed in memory; see the messages
    KeptOpen,      // switch: the open database could not be saved, so it stays open
    Busy,          // a save is already under way; nothing was done
};

struct TSessionResult {
    TSessionOutcome outcome = TSessionOutcome::Done;
    std::vector<TSessionMessage> messages;
    // The session's tree was replaced (merged with another writer's file, or
    // read again from it): every handle into it is gone, and a view of it must
    // be rebuilt (by path, to keep the selection and the open folders).
    bool treeReplaced = false;
    // Save and ApplyMerge: what the other side brought, when a merge was made.
    std::optional<TMergeReport> merge;

    // Done or SavedAside: the data is on disk.
    bool Succeeded() const {
        return outcome == TSessionOutcome::Done || outcome == TSessionOutcome::SavedAside;
    }
};

// A switch to another database: the save of the one open until then, and
// what became of the switch itself.
struct TSwitchResult {
    TSessionResult savedFirst; // no messages when no database was open
    TSessionResult done;
};

// How the last save went, for whoever asks later (the quit policy, a status).
enum class TLastSave { None, Saved, SavedAside, Failed };

struct TQuitDecision {
    bool quit = false;
    TSessionResult save; // the save that was tried, if any
};

// What a confirmed main password is for.
enum class TPasswordMode { Create, Open, ChangePassword };

// Why a path cannot be opened or created, found before a password is asked.
enum class TPathProblem {
    None,
    NoName,      // the path names no file (empty or blank file name)
    BadName,     // a file name no database may have
    NotFound,    // open: nothing, or a folder, at the path
    Unreadable,  // open: it cannot be read, or cannot be a database; see the cause
    AlreadyOpen, // open: it is the open database
    Exists,      // create: something stands at the name already
    CannotCreate // create: no new file can be written there; see the cause
};

struct TPathCheck {
    TPathProblem problem = TPathProblem::None;
    std::string cause; // the system's words, where there are some

    bool Ok() const { return problem == TPathProblem::None; }
};

inline constexpr int kMinimumPasswordLength = 5;
inline constexpr const char* kPasswordChangedText =
    "Main password of your database has been changed.";
inline constexpr const char* kPasswordKeptText =
    "Error! Main password has not been changed: the database could not be saved. It stays open "
    "under its old main password.";
inline constexpr const char* kQuitRefusedText =
    "Error! Your database could not be saved, so the program has not been closed. If you close "
    "it again, it quits without saving.";
// Followed by the conflict copy's name and kQuitAsideEndText.
inline constexpr const char* kQuitAsideText = "Warning! Your database has been saved as [";
inline constexpr const char* kQuitAsideEndText =
    "], not over the file another program changed, so the program has not been closed. If you "
    "close it again, it quits.";
inline constexpr const char* kCurrentKeptOpenText =
    "Error! Your current database could not be saved, so it stays open. Nothing else has been "
    "done.";

// Another database file merged into the open one, before it is applied.
struct TMergePlan {
    std::string other;  // the file merged in
    TMergeResult merge; // its counts and conflicts, or the refusal
    TKeyvaleTree tree;  // the open tree as the merge would leave it
    // The state of the open tree it was made from: a plan made before the
    // tree changed (an edit, a save that merged, a change taken in) would
    // drop that change, so it is not applied.
    std::uint64_t treeVersion = 0;
};

class TKeyvaleSession {
  public:
    TKeyvaleSession() = default;
    ~TKeyvaleSession();
    TKeyvaleSession(const TKeyvaleSession&) = delete;
    TKeyvaleSession& operator=(const TKeyvaleSession&) = delete;

    // Shorter than a main password may be (counted in characters as typed).
    static bool PasswordTooShort(const std::string& password);

    // What is wrong with a main password typed for a new database (repeat
    // given) or for opening one (no repeat): too short, or not repeated
    // exactly. Empty when nothing is; a too long one is refused by the key
    // derivation before it changes anything.
    static std::string PasswordProblem(const std::string& password,
                                       const std::string* repeat = nullptr);

    // The refusal the key derivation would give (an empty password, or one
    // over 1000 bytes), without deriving: lets a caller refuse before it
    // saves or closes anything. Empty when the password can be used.
    static std::string PasswordRefusal(const std::string& password);

    // Makes a new, empty database at `path` and makes it the open one. The
    // keys are derived first; the file is written whole and then given its
    // name only if nothing stands there. The open database, if any, is not
    // saved here (the caller saves it first) and stays open unless this succeeds.
    TSessionResult Create(const std::string& path, const std::string& password);

    // Opens the database at `path` under `password`. Keys and tree are built
    // aside and replace the open ones only on success; then the backup copy is
    // made (when a backup folder is set). On any failure the open database,
    // if any, is exactly as it was.
    TSessionResult Open(const std::string& path, const std::string& password);

    // Re-keys the open database: saves it under keys derived from the new
    // password and keeps them only if that save succeeded.
    TSessionResult ChangePassword(const std::string& newPassword);

    // Saves the open database (see the type's rules). Also with no database
    // open, reporting that there is no file name.
    TSessionResult Save();

    // What stands in the way of opening `path`, or of creating a new
    // database there, before any password is asked for it.
    TPathCheck CheckOpen(const std::string& path) const;
    // CheckOpen without the open database: what keyvale-cli, which opens
    // one file per command, checks before it reads one. A file whose name no
    // database may have is refused here for every program alike.
    static TPathCheck CheckFileToOpen(const std::string& path);
    static TPathCheck CheckCreate(const std::string& path);

    // Makes `path` the open database under `password` (Create, Open) or
    // re-keys the open one (ChangePassword; `path` is not used). A password
    // the keys cannot come from is refused before anything is saved. The
    // database open until now is saved first if it changed; if that fails
    // it stays open and nothing else is done (KeptOpen).
    TSwitchResult SwitchTo(const std::string& path, const std::string& password,
                           TPasswordMode mode);

    // Whether a save is under way (a caller re-entered while it runs).
    bool IsSaving() const { return saving_; }
    // Saves the open database before it is left (locked, closed, replaced by
    // another): only when it has changed since it was opened or last saved.
    // Nothing changed answers Done with no messages and writes nothing.
    TSessionResult SaveBeforeLeaving();
    // Before another database takes the open one's place: saves it as
    // SaveBeforeLeaving does; if that fails, `done` is KeptOpen with the
    // message that it stays open. With no database open there is nothing to do.
    TSwitchResult SaveBeforeSwitching();

    // Wipes the keys and forgets tree, file and identity.
    void Close();

    // The user asks to leave: saves the open database if it has changed. A
    // failed save, or one that went to a conflict copy the user has not yet
    // seen named, refuses once; the request right after such a refusal quits
    // without saving.
    TQuitDecision RequestQuit();
    // Whether the next RequestQuit leaves without saving.
    bool QuitWithoutSavingArmed() const { return quitArmed_; }

    // Another writer changed the file (a watcher saw it): with nothing unsaved
    // here, the file is read again with our keys under its lock and its tree
    // replaces ours (treeReplaced). With unsaved changes nothing is done: the
    // next save merges. A file our keys cannot read, or a damaged one, is
    // said (Failed) and nothing here changes. Done without treeReplaced when
    // the file is as we last read or wrote it.
    TSessionResult TakeInFileChange();

    // Merging another database file into the open one: a conflict copy, a
    // sync tool's copy, or a file given to keyvale-cli merge. PlanMerge reads
    // `other` with the open database's keys or, when they do not open it,
    // with `otherPassword` (when not empty): WrongPassword when neither does.
    // With a `base` file (read the same way) the merge is three-way,
    // otherwise two-way. The open tree is not touched; `plan` holds the
    // result and its report (or the refusal: Failed with the reason).
    TSessionResult PlanMerge(const std::string& other, const std::string& otherPassword,
                             const std::string& base, TMergePlan& plan);
    // Takes a planned merge's tree as the open tree (treeReplaced): a change
    // like an edit, written by the next save. The plan is emptied.
    TSessionResult ApplyMerge(TMergePlan& plan);

    // The user changed the tree. Also withdraws a pending quit-anyway: what
    // was just changed must not be left unsaved by the next close.
    void MarkChanged();
    bool IsChanged() const { return changed_; }
    TLastSave LastSave() const { return lastSave_; }

    bool IsOpen() const { return !file_.empty(); }
    const std::string& FileName() const { return file_; }
    const TKeyMaterial& Keys() const { return keys_; }
    TKeyvaleTree& Tree() { return tree_; }
    const TKeyvaleTree& Tree() const { return tree_; }
    // The file as it was when we last read or wrote it.
    const TFileIdentity& Identity() const { return identity_; }

    // For one-shot writers (keyvale-cli): Open takes the file's write lock,
    // waiting up to `patience` for other writers, and keeps it until Close, so
    // a second writer waits for our save instead of meeting our change and
    // saving a conflict copy. The window, open for hours, does not: it takes
    // the lock only for each read and each save.
    void HoldLockWhileOpen(std::chrono::milliseconds patience) { holdLockPatience_ = patience; }

    // Records written on Windows are enciphered anew as UTF-8 when a database
    // is opened, which deciphers every record. A one-shot writer that changes
    // only some records (keyvale-cli merge) may leave them as stored: they
    // read the same either way.
    void KeepLegacyRecordsAsStored() { legacyRecords_ = TLegacyRecords::AsStored; }

    // Backups of opened databases go to <folder>/Keyvale_Backup; empty (the
    // default) makes none. A backup that cannot be made is reported among the
    // messages of Open (the open itself succeeds) and by BackupProblem.
    void SetBackupFolder(std::string folder) { backupFolder_ = std::move(folder); }
    // Why the backup of the last Open could not be made; empty when it was.
    const std::string& BackupProblem() const { return backupProblem_; }
    // The time that names conflict copies (the system clock by default).
    void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
    // Runs inside every save between writing the new bytes and giving them
    // the file's name; a non-empty text fails the save there. For tests that
    // need a save to fail the way a full disk makes it fail.
    void SetSaveCheckpoint(std::function<std::string()> checkpoint) {
        checkpoint_ = std::move(checkpoint);
    }

  private:
    // Save, with the keys the file on disk is under: the session's own, or
    // during a change of main password the old ones (keys_ already hold the
    // new ones, which are what the file is written under).
    TSessionResult SaveUnder(const TKeyMaterial& fileKeys);
    // The file changed since we last read or wrote it (`now`): its tree
    // merged with ours and written over it, or the conflict copy.
    TSessionResult MergeWithChangedFile(const TKeyMaterial& fileKeys, const TFileIdentity& now);
    // The end of a save over or at the file's name.
    TSessionResult FinishSave(const TDatabaseSaveResult& saved, TSessionResult result);
    // `why`: what made the save go aside, said before where it went.
    TSessionResult SaveAside(std::vector<TSessionMessage> why = {});
    void Adopt(const std::string& path, TKeyMaterial& keys, TKeyvaleTree& tree);
    void BackUpOpenedFile(const std::string& path, TSessionResult& result);
    void NoteSaved(TLastSave how);
    // base_ becomes a copy of tree_ (the old base wiped).
    void RememberTreeAsBase();
    // tree_ becomes `tree` (the old one wiped); handles into it are gone.
    void ReplaceTree(TKeyvaleTree& tree);

    std::string file_;
    TKeyMaterial keys_;
    TKeyvaleTree tree_;
    // The tree as last read from or written to the file: the common ancestor
    // of ours and another writer's. Its names are wiped when it goes.
    TKeyvaleTree base_;
    TFileIdentity identity_;
    // Counts the changes of the open tree, for merge plans made from it.
    std::uint64_t treeVersion_ = 0;
    bool changed_ = false;
    bool quitArmed_ = false;
    bool saving_ = false;
    TLastSave lastSave_ = TLastSave::None;
    std::string backupFolder_;
    std::string backupProblem_;
    std::optional<std::chrono::milliseconds> holdLockPatience_;
    TLegacyRecords legacyRecords_ = TLegacyRecords::ConvertToUtf8;
    std::unique_ptr<TDatabaseWriteLock> heldLock_;
    std::function<std::time_t()> clock_;
    std::function<std::string()> checkpoint_;
};
