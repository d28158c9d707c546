// One running copy per user: the first copy holds an exclusive lock on a file
// in the user's runtime directory for as long as it lives. The operating
// system drops the lock when the process ends, however it ends, so a crashed
// copy never blocks the next start.
//
// A second start hands its request to the running copy through a local
// socket beside the lock ("bring yourself to the front", or "open this
// file") and ends; only a running copy that does not answer (an older
// version, a hung one) leaves the second start with the old notice.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The lock file used by the program: "<runtime dir>/keyvale.lock".
QString KeyvaleLockFilePath();

// The hand-off socket: "<runtime dir>/keyvale/handoff", in a folder only the
// user can enter.
QString KeyvaleHandOffSocketPath();

// True when another process holds the lock. Otherwise takes the lock and
// keeps it (the descriptor is never closed) and answers false. A lock file
// that cannot be created is ignored: the program then runs unguarded.
bool IsAnotherInstanceRunning(const QString& lockFilePath = KeyvaleLockFilePath());

constexpr const char* KeyvaleAlreadyRunningText = " This program has been already executed. ";

// How long a second start waits for the running copy to take its request.
constexpr int KeyvaleHandOffTimeoutMs = 2000;

// Asks the running copy to come to the front and, when filePath is not empty,
// to open that file (an absolute path). True once the running copy confirmed
// it took the request; false when nobody answered within timeoutMs.
bool HandOffToRunningCopy(const QString& socketPath, const QString& filePath,
                          int timeoutMs = KeyvaleHandOffTimeoutMs);

// The running copy's side: listens on the socket and reports each request.
// Only the copy holding the lock starts one, so a socket left by a crashed
// copy is removed before listening.
class TInstanceServer : public QObject {
    Q_OBJECT
  public:
    explicit TInstanceServer(QObject* parent = nullptr);
    ~TInstanceServer() override;

    // False when the socket's folder is unsafe or the socket cannot be made;
    // the program then runs without taking requests.
    bool Listen(const QString& socketPath = KeyvaleHandOffSocketPath());

  signals:
    // A second start asked for the window; filePath is empty when it gave no file.
    void activationRequested(const QString& filePath);

  private:
    void AcceptConnection();
    void ReadRequest(QLocalSocket* socket);

    QLocalServer* o_Server;
};
