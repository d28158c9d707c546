// The program's entry: one running copy, then the main window and its event
// loop until the window closes.
#pragma once

#include <QString>

#include <functional>

#include "U_FormMain_Keyvale.h"
#include "U_Single_Instance.h"

class TQuitSignals;

// Shows the second-copy notice to the user (a message box in the program)
// without waiting for it, and calls `closed` once the user has closed it.
using TNoticeFunction =
    std::function<void(const QString& text, const std::function<void()>& closed)>;

// Where a start finds the running copy, and what it was asked to open. Empty
// paths (no private runtime folder) mean no lock and no hand-off.
struct TKeyvaleStart {
    QString lockFilePath = KeyvaleLockFilePath();
    QString socketPath = KeyvaleHandOffSocketPath();
    QString filePath; // absolute; empty when no file was given
};

// The ways of leaving other than the window's own: a termination signal and
// the end of the desktop session save and close as the Exit tab does. When
// the save fails, the window stays with its message (and a session manager
// that allows it is asked to cancel the logout); the next request quits.
void ConnectLeaveRequests(TFormMain& window, TQuitSignals& quitSignals);

// Requests of later starts reach the window: to the front, and the file opened.
void ConnectHandOff(TFormMain& window, TInstanceServer& server);

// What a start without a private runtime folder says on its standard error.
constexpr const char* kNoHandOffText =
    "keyvale: $XDG_RUNTIME_DIR is not a folder of this user's alone; this window takes no "
    "files from later starts, which open windows of their own.\n";

// Needs a QApplication. When another copy runs, hands the request to it and
// returns 0 once it was taken; only when that copy does not answer is the
// notice shown (and 0 returned once it is closed). Otherwise shows the
// window, asks for the given file's password, and returns the event loop's
// exit code. Either way the program's one event loop does the waiting.
int RunKeyvale(const TNoticeFunction& showNotice, const TKeyvaleStart& start,
               TFormMain::TServices services = TFormMain::DefaultServices());
