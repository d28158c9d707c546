#include "U_Single_Instance.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString KeyvaleLockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("keyvale.lock"));
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
