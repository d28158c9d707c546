#include "U_Single_Instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One request per connection: a line of UTF-8, then the running copy's answer.
//   "RAISE\n"          come to the front
//   "OPEN <path>\n"    come to the front and open the file at <path>
// A longer line than any path the system accepts is no request at all.
constexpr QByteArrayView kRaiseRequest = "RAISE";
constexpr QByteArrayView kOpenRequest = "OPEN ";
constexpr QByteArrayView kAnswer = "OK\n";
constexpr qint64 kLongestRequest = 4 * PATH_MAX;
constexpr int kConnectRetryMs = 50;

QString RuntimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

// The socket's folder must be ours and closed to everybody else; a folder
// another user made in our place (a shared /tmp fallback) is never used.
bool MakePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid()) {
        return false;
    }
    if ((status.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0) {
        return false;
    }
    return true;
}

} // namespace

QString KeyvaleLockFilePath() {
    return QDir(RuntimeFolder()).filePath(QStringLiteral("keyvale.lock"));
}

QString KeyvaleHandOffSocketPath() {
    return QDir(RuntimeFolder()).filePath(QStringLiteral("keyvale/handoff"));
}

bool IsAnotherInstanceRunning(const QString& lockFilePath) {
    const QByteArray path = QFile::encodeName(lockFilePath);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
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
    const QByteArray request = filePath.isEmpty()
                                   ? kRaiseRequest.toByteArray() + '\n'
                                   : kOpenRequest.toByteArray() + filePath.toUtf8() + '\n';
    const QDeadlineTimer deadline(timeoutMs);
    // The running copy may hold the lock but not listen yet (it is starting):
    // keep trying until the deadline.
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(std::min<qint64>(kConnectRetryMs, deadline.remainingTime()));
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) {
        return false;
    }
    QByteArray answer;
    while (answer.size() < kAnswer.size()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
            return false;
        }
        answer += socket.readAll();
    }
    return answer.startsWith(kAnswer);
}

TInstanceServer::TInstanceServer(QObject* parent)
    : QObject(parent), o_Server(new QLocalServer(this)) {
    o_Server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(o_Server, &QLocalServer::newConnection, this, &TInstanceServer::AcceptConnection);
}

TInstanceServer::~TInstanceServer() {
    o_Server->close(); // removes the socket file
}

bool TInstanceServer::Listen(const QString& socketPath) {
    if (!MakePrivateFolder(QFileInfo(socketPath).absolutePath())) {
        return false;
    }
    QLocalServer::removeServer(socketPath);
    return o_Server->listen(socketPath);
}

void TInstanceServer::AcceptConnection() {
    while (QLocalSocket* socket = o_Server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        ReadRequest(socket);
    }
}

void TInstanceServer::ReadRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest) {
            socket->abort();
        }
        return;
    }
    const QByteArray line = socket->readLine(kLongestRequest + 1).chopped(1);
    QString filePath;
    if (line.startsWith(kOpenRequest)) {
        filePath = QString::fromUtf8(line.mid(kOpenRequest.size()));
        if (filePath.isEmpty() || QDir::isRelativePath(filePath) || filePath.contains(QChar(0))) {
            socket->abort();
            return;
        }
    } else if (line != kRaiseRequest) {
        socket->abort();
        return;
    }
    // Answer first, so that the second start can end while this copy may
    // spend time saving before it switches databases.
    socket->write(kAnswer.data(), kAnswer.size());
    socket->flush();
    socket->disconnectFromServer();
    emit activationRequested(filePath);
}
