// The program's entry: one running copy, then the main window and its event
// loop until the window closes.
#pragma once

#include <QString>

#include <functional>

#include "U_FormMain_Keyvale.h"

class TQuitSignals;

// Shows the second-copy notice to the user (a message box in the program).
using TNoticeFunction = std::function<void(const QString& text)>;

// The ways of leaving other than the window's own: a termination signal and
// the end of the desktop session save and close as the Exit tab does. When
// the save fails, the window stays with its message (and a session manager
// that allows it is asked to cancel the logout); the next request quits.
void ConnectLeaveRequests(TFormMain& window, TQuitSignals& quitSignals);

// Needs a QApplication. Returns the event loop's exit code, or 0 at once when
// another copy runs (after showing the notice).
int RunKeyvale(const TNoticeFunction& showNotice, const QString& lockFilePath,
               TFormMain::TServices services = TFormMain::DefaultServices());
