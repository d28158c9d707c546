// TFormMain: another writer (keyvale-cli, a sync tool, this program on
// another machine) changes the open database's file. With nothing unsaved in
// the window, the change is read in as soon as it has settled, so that the
// tree shown is never older than the file; with an unsaved edit it is left
// for the next save, which merges the two.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

#include "U_Merge_Preview_Dialog.h"
#include "U_Tree_Places.h"

namespace {

// A writer's save comes as a burst (a temporary file written, renamed over
// the old one); the file is read once the burst has settled this long.
constexpr int kFileChangeSettleMs = 250;
// While a preview keeps the tree still, the change waits this long before
// it is looked at again.
constexpr int kTreeBusyRetryMs = 1000;

} // namespace

void TFormMain::P_Watch_Database_File() {
    if (o_Database_Watcher == nullptr) {
        o_Timer_Database_Changed.setObjectName(QStringLiteral("o_Timer_Database_Changed"));
        o_Timer_Database_Changed.setSingleShot(true);
        connect(&o_Timer_Database_Changed, &QTimer::timeout, this,
                &TFormMain::o_Timer_Database_ChangedTimer);
        o_Database_Watcher = new QFileSystemWatcher(this);
        o_Database_Watcher->setObjectName(QStringLiteral("o_Database_Watcher"));
        const auto settle = [this] { o_Timer_Database_Changed.start(kFileChangeSettleMs); };
        connect(o_Database_Watcher, &QFileSystemWatcher::fileChanged, this, settle);
        connect(o_Database_Watcher, &QFileSystemWatcher::directoryChanged, this, settle);
    }
    o_Timer_Database_Changed.stop();
    fileProblemShown_.clear();
    for (const QStringList& paths :
         {o_Database_Watcher->files(), o_Database_Watcher->directories()}) {
        if (!paths.isEmpty()) {
            o_Database_Watcher->removePaths(paths);
        }
    }
    if (!o_Session.IsOpen()) {
        return;
    }
    const QFileInfo file(DatabaseFile());
    // A file renamed over the database ends the watch on the file it
    // replaced; the folder's watch sees that and the file is watched anew.
    o_Database_Watcher->addPath(file.absolutePath());
    o_Database_Watcher->addPath(file.absoluteFilePath());
}

void TFormMain::o_Timer_Database_ChangedTimer() {
    if (!o_Session.IsOpen() || o_Session.IsSaving()) {
        return;
    }
    const QString file = QFileInfo(DatabaseFile()).absoluteFilePath();
    if (!o_Database_Watcher->files().contains(file) && QFileInfo::exists(file)) {
        o_Database_Watcher->addPath(file);
    }
    // A sync tool puts its copies beside the file; the database's folder
    // need not be the one whose file list the window follows.
    P_Find_Conflict_Copies(false);
    if (o_Page_Database->ImportUnderWay() || o_Merge_Preview) {
        // Their plans name nodes of the tree as it is now.
        o_Timer_Database_Changed.start(kTreeBusyRetryMs);
        return;
    }
    if (o_Session.IsChanged() || o_Page_Database->HasUnsavedEdit()) {
        return; // the next save merges the file with what is typed here
    }
    const TViewPlaces places = o_Page_Database->RememberPlaces();
    const TSessionResult result = o_Session.TakeInFileChange();
    P_Follow_Replaced_Tree(result, places);
    if (result.outcome == TSessionOutcome::Failed) {
        // An unreadable file stays so until its writer is done with it: the
        // log says so once, not on each of its changes.
        QString problem;
        for (const TSessionMessage& message : result.messages) {
            problem += QString::fromStdString(message.text);
        }
        if (problem == fileProblemShown_) {
            return;
        }
        fileProblemShown_ = problem;
    } else {
        fileProblemShown_.clear();
    }
    P_Print_Session_Messages(result);
}

void TFormMain::P_Follow_Replaced_Tree(const TSessionResult& result, const TViewPlaces& places) {
    if (result.treeReplaced) {
        o_Page_Database->ShowReplacedTree(places);
    }
}
