// Where the lock and the socket live, the lock itself, and the second
// start's side of the hand-off.
#include "U_Single_Instance.h"

#include <QDir>
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

THandOffClient::THandOffClient(QObject* parent) : QObject(parent), socket_(new QLocalSocket(this)) {
    retry_.setSingleShot(true);
    retry_.setInterval(kConnectRetryMs);
    deadline_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &THandOffClient::Attempt);
    connect(&deadline_, &QTimer::timeout, this, [this] { End(false); });
    connect(socket_, &QLocalSocket::connected, this, &THandOffClient::Connected);
    connect(socket_, &QLocalSocket::readyRead, this, &THandOffClient::ReadAnswer);
    connect(socket_, &QLocalSocket::errorOccurred, this, &THandOffClient::Failed);
}

void THandOffClient::Start(const QString& socketPath, const QString& filePath, int timeoutMs) {
    socketPath_ = socketPath;
    folder_ = QFileInfo(socketPath).absolutePath();
    request_ = EncodeHandOffRequest(filePath);
    answer_.clear();
    ended_ = false;
    deadline_.start(timeoutMs);
    // From the event loop, as every later step: `finished` never comes
    // before Start has returned.
    QTimer::singleShot(0, this, [this] {
        if (socketPath_.isEmpty() || request_.size() > kLongestHandOffRequest + 1) {
            End(false);
        } else {
            Attempt();
        }
    });
}

// The running copy may hold the lock but not listen yet (it is starting):
// tried again until the deadline, checking every time where the request
// would go.
void THandOffClient::Attempt() {
    if (ended_) {
        return;
    }
    if (!IsPrivateFolder(folder_)) {
        End(false);
    } else if (!Exists(socketPath_)) {
        retry_.start();
    } else if (!IsOwnSocket(socketPath_)) {
        End(false);
    } else {
        socket_->connectToServer(socketPath_);
    }
}

void THandOffClient::Connected() {
    if (PeerUserId(int(socket_->socketDescriptor())) != ::geteuid()) {
        End(false);
        return;
    }
    socket_->write(request_);
}

void THandOffClient::ReadAnswer() {
    answer_ += socket_->readAll();
    if (answer_.size() >= kHandOffAnswer.size()) {
        End(answer_.startsWith(kHandOffAnswer));
    }
}

void THandOffClient::Failed() {
    if (!ended_ && answer_.size() < kHandOffAnswer.size()) {
        socket_->abort();
        retry_.start();
    }
}

void THandOffClient::End(bool taken) {
    if (ended_) {
        return;
    }
    ended_ = true;
    retry_.stop();
    deadline_.stop();
    socket_->abort();
    emit finished(taken);
}
