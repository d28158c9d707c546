// Where the lock and the socket live, the lock itself, and the second
// start's side of the hand-off.
#include "U_Single_Instance.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalSocket>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "U_Hand_Off_Request.h"

namespace {

constexpr int kConnectRetryMs = 50;

// lstat: a link is never taken for what it points to.
bool Status(const QString& path, struct stat& status) {
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

bool IsOwnSocket(const QString& path) {
    struct stat status {};
    return Status(path, status) && S_ISSOCK(status.st_mode) && status.st_uid == ::geteuid();
}

bool Exists(const QString& path) {
    struct stat status {};
    return Status(path, status);
}

} // namespace

bool IsPrivateFolder(const QString& folder) {
    struct stat status {};
    return !folder.isEmpty() && Status(folder, status) && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 0077) == 0;
}

QString PrivateRuntimeFolder() {
    const QString folder = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (QDir::isRelativePath(folder) || !IsPrivateFolder(folder)) {
        return {};
    }
    return folder;
}

QString KeyvaleLockFilePath() {
    const QString folder = PrivateRuntimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("keyvale.lock"));
}

QString KeyvaleHandOffSocketPath() {
    const QString folder = PrivateRuntimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("keyvale/handoff"));
}

bool IsAnotherInstanceRunning(const QString& lockFilePath) {
    if (lockFilePath.isEmpty() || !IsPrivateFolder(QFileInfo(lockFilePath).absolutePath())) {
        return false;
    }
    // Never through a link: it would make the file wherever the link points.
    const QByteArray path = QFile::encodeName(lockFilePath);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // Only a file of the user's own counts: one made by somebody else could
    // be held by them for as long as they like.
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
        ::close(fd);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return false; // ours now; fd stays open until the process ends
    }
    const bool heldByOther = errno == EWOULDBLOCK;
    ::close(fd);
    return heldByOther;
}

bool HandOffToRunningCopy(const QString& socketPath, const QString& filePath, int timeoutMs) {
    const QByteArray request = EncodeHandOffRequest(filePath);
    if (socketPath.isEmpty() || request.size() > kLongestHandOffRequest + 1) {
        return false;
    }
    const QString folder = QFileInfo(socketPath).absolutePath();
    enum TEnd { kNoAnswer, kTaken };
    QEventLoop loop;
    QLocalSocket socket;
    QByteArray answer;
    QTimer retry;
    retry.setSingleShot(true);
    retry.setInterval(kConnectRetryMs);

    // The running copy may hold the lock but not listen yet (it is
    // starting): try again until the deadline, checking every time where
    // the request would go.
    const auto attempt = [&] {
        if (!IsPrivateFolder(folder)) {
            loop.exit(kNoAnswer);
        } else if (!Exists(socketPath)) {
            retry.start();
        } else if (!IsOwnSocket(socketPath)) {
            loop.exit(kNoAnswer);
        } else {
            socket.connectToServer(socketPath);
        }
    };
    QObject::connect(&retry, &QTimer::timeout, &loop, attempt);
    QObject::connect(&socket, &QLocalSocket::connected, &loop, [&] {
        if (PeerUserId(int(socket.socketDescriptor())) != ::geteuid()) {
            socket.abort();
            loop.exit(kNoAnswer);
            return;
        }
        socket.write(request);
    });
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        answer += socket.readAll();
        if (answer.size() >= kHandOffAnswer.size()) {
            loop.exit(answer.startsWith(kHandOffAnswer) ? kTaken : kNoAnswer);
        }
    });
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, [&] {
        if (answer.size() < kHandOffAnswer.size()) {
            socket.abort();
            retry.start();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, [&] { loop.exit(kNoAnswer); });
    QTimer::singleShot(0, &loop, attempt);
    const int end = loop.exec();
    socket.abort();
    return end == kTaken;
}
