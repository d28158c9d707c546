// One running copy per user: the first copy holds an exclusive lock on a file
// in the user's runtime directory for as long as it lives. The operating
// system drops the lock when the process ends, however it ends, so a crashed
// copy never blocks the next start.
#pragma once

#include <QString>

// The lock file used by the program: "<runtime dir>/keyvale.lock".
QString KeyvaleLockFilePath();

// True when another process holds the lock. Otherwise takes the lock and
// keeps it (the descriptor is never closed) and answers false. A lock file
// that cannot be created is ignored: the program then runs unguarded.
bool IsAnotherInstanceRunning(const QString& lockFilePath = KeyvaleLockFilePath());

constexpr const char* KeyvaleAlreadyRunningText = " This program has been already executed. ";
