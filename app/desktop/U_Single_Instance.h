// One running copy per user: the first copy holds an exclusive lock on a file
// in the user's runtime directory for as long as it lives. The operating
// system drops the lock when the process ends, however it ends, so a crashed
// copy never blocks the next start.
//
// A second start hands its request to the running copy through a local
// socket beside the lock ("bring yourself to the front", or "open this
// file") and ends; only a running copy that does not answer (an older
// version, a hung one) leaves the second start with the old notice.
//
// Both live only in a runtime folder that is the user's alone. Without one
// (XDG_RUNTIME_DIR unset, or a folder others may enter) there is no lock and
// no hand-off: each start opens its own window. A shared folder such as /tmp
// is never used, since whoever makes the files there first would receive the
// file names of later starts and could keep the program from starting.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QLocalSocket;
class QSocketNotifier;

// True for a folder only this user can use: a folder itself (not a link to
// one), owned by the effective user, with no permission for group or others.
// Owner and mode are compared, not tried: root may enter any folder.
bool IsPrivateFolder(const QString& folder);

// $XDG_RUNTIME_DIR when it is an absolute path to a private folder; empty
// otherwise.
QString PrivateRuntimeFolder();

// The lock file used by the program: "<runtime dir>/keyvale.lock"; empty
// without a private runtime folder.
QString KeyvaleLockFilePath();

// The hand-off socket: "<runtime dir>/keyvale/handoff", in a folder only the
// user can enter; empty without a private runtime folder.
QString KeyvaleHandOffSocketPath();

// True when another process holds the lock. Otherwise takes the lock and
// keeps it (the descriptor is never closed) and answers false. A lock that
// cannot be trusted (not in a private folder, a link, not the user's own
// file) or cannot be created is ignored: the program then runs unguarded.
bool IsAnotherInstanceRunning(const QString& lockFilePath);

constexpr const char* KeyvaleAlreadyRunningText = " This program has been already executed. ";

// How long a second start waits for the running copy to take its request.
constexpr int KeyvaleHandOffTimeoutMs = 2000;

// A second start's request to the running copy: to come to the front and,
// when filePath is not empty, to open that file (an absolute path). Nothing
// is sent unless the socket's folder is private and the process listening
// runs as the same user. It works from the event loop: Start returns at
// once, and `finished` says, once, whether the running copy confirmed it
// took the request (false when nobody answered within timeoutMs).
class THandOffClient : public QObject {
    Q_OBJECT
  public:
    explicit THandOffClient(QObject* parent = nullptr);

    void Start(const QString& socketPath, const QString& filePath,
               int timeoutMs = KeyvaleHandOffTimeoutMs);

  signals:
    void finished(bool taken);

  private:
    void Attempt();
    void Connected();
    void ReadAnswer();
    void Failed();
    void End(bool taken);

    QString socketPath_;
    QString folder_;
    QByteArray request_;
    QByteArray answer_;
    QLocalSocket* socket_ = nullptr;
    QTimer retry_;
    QTimer deadline_;
    bool ended_ = true;
};

// The running copy's side: listens on the socket and reports each request.
// Only the copy holding the lock starts one, so a socket left by a crashed
// copy is removed before listening.
//
// What a connection may cost is bounded: a few are read at a time (others
// are closed at once), each is closed after kRequestTimeoutMs without a
// complete line, a line longer than any request is refused, and a failed
// accept (out of descriptors) pauses listening instead of ending it.
class TInstanceServer : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMostOpenConnections = 8;
    static constexpr int kRequestTimeoutMs = 2000;

    explicit TInstanceServer(QObject* parent = nullptr);
    ~TInstanceServer() override;

    // False when the socket's folder is unsafe or the socket cannot be made;
    // the program then runs without taking requests.
    bool Listen(const QString& socketPath = KeyvaleHandOffSocketPath());

  signals:
    // A second start asked for the window; filePath is empty when it gave no file.
    void activationRequested(const QString& filePath);

  private:
    void AcceptConnections();
    void Serve(int descriptor);
    void ReadRequest(QLocalSocket* socket);
    void Close();

    int listener_ = -1;
    QByteArray socketPath_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer resumeAccepting_;
    int openConnections_ = 0;
};
