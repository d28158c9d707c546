// The running copy's side of the hand-off: a listening local socket of its
// own making (QLocalServer closes itself and removes its socket on the first
// failed accept, which would end the hand-off for good), and one short
// request read from each connection.
#include "U_Single_Instance.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "U_Hand_Off_Request.h"

namespace {

// Connections the system queues before this copy takes them.
constexpr int kBacklog = 16;
// After a failed accept (no descriptor left), listening pauses this long;
// the connection still waiting would otherwise wake the loop at once, again
// and again.
constexpr int kResumeAcceptingMs = 500;

// The socket's folder must be ours and closed to everybody else.
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
    if ((status.st_mode & 0077) != 0 && ::chmod(path.constData(), 0700) != 0) {
        return false;
    }
    return IsPrivateFolder(folder);
}

} // namespace

TInstanceServer::TInstanceServer(QObject* parent) : QObject(parent) {
    resumeAccepting_.setSingleShot(true);
    resumeAccepting_.setInterval(kResumeAcceptingMs);
    connect(&resumeAccepting_, &QTimer::timeout, this, [this] {
        if (notifier_) {
            notifier_->setEnabled(true);
            AcceptConnections();
        }
    });
}

TInstanceServer::~TInstanceServer() {
    Close();
}

void TInstanceServer::Close() {
    // The connections go first, without reporting to a server on its way out.
    for (QLocalSocket* socket : findChildren<QLocalSocket*>()) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
    openConnections_ = 0;
    delete notifier_;
    notifier_ = nullptr;
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
        ::unlink(socketPath_.constData());
    }
}

bool TInstanceServer::Listen(const QString& socketPath) {
    Close();
    if (socketPath.isEmpty() || !MakePrivateFolder(QFileInfo(socketPath).absolutePath())) {
        return false;
    }
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // A socket left by a crashed copy: only the lock's holder gets here, and
    // the folder is the user's alone.
    ::unlink(path.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, kBacklog) != 0) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    socketPath_ = path;
    notifier_ = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TInstanceServer::AcceptConnections);
    return true;
}

void TInstanceServer::AcceptConnections() {
    while (listener_ >= 0) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                notifier_->setEnabled(false);
                resumeAccepting_.start();
            }
            return;
        }
        // Busy with enough requests already, or another user's process
        // (root can reach any folder): closed unanswered.
        if (openConnections_ >= kMostOpenConnections || PeerUserId(fd) != ::geteuid()) {
            ::close(fd);
            continue;
        }
        Serve(fd);
    }
}

void TInstanceServer::Serve(int descriptor) {
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor, QLocalSocket::ConnectedState,
                                     QIODevice::ReadWrite)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    ++openConnections_;
    // Never more than one request's worth is held: a longer line is refused
    // once the buffer is full without its end.
    socket->setReadBufferSize(kLongestHandOffRequest + 1);
    connect(socket, &QObject::destroyed, this, [this] { --openConnections_; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
    // A connection that has not sent its line by now never will.
    QTimer::singleShot(kRequestTimeoutMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    ReadRequest(socket);
}

void TInstanceServer::ReadRequest(QLocalSocket* socket) {
    const auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    const QByteArray pending = socket->peek(kLongestHandOffRequest + 1);
    const qsizetype end = pending.indexOf('\n');
    if (end < 0) {
        if (pending.size() > kLongestHandOffRequest) {
            drop();
        }
        return;
    }
    const std::optional<QString> filePath = ParseHandOffRequest(socket->read(end + 1).chopped(1));
    if (!filePath) {
        drop();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one request per connection
    // Answer first, so that the second start can end while this copy may
    // spend time saving before it switches databases.
    socket->write(kHandOffAnswer.data(), kHandOffAnswer.size());
    socket->flush();
    socket->disconnectFromServer();
    emit activationRequested(*filePath);
}
