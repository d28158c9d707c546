// The program's entry: one running copy, then the main window and its event
// loop until the window closes.
#pragma once

#include <QString>

#include <functional>

#include "U_FormMain_Keyvale.h"

// Shows the second-copy notice to the user (a message box in the program).
using TNoticeFunction = std::function<void(const QString& text)>;

// Needs a QApplication. Returns the event loop's exit code, or 0 at once when
// another copy runs (after showing the notice).
int RunKeyvale(const TNoticeFunction& showNotice, const QString& lockFilePath,
               TFormMain::TServices services = TFormMain::DefaultServices());
