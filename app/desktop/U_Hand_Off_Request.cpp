#include "U_Hand_Off_Request.h"

#include <QFile>

#include <sys/socket.h>

namespace {

constexpr QByteArrayView kRaiseRequest = "RAISE";
constexpr QByteArrayView kOpenRequest = "OPEN-ENCODED ";

// Characters that stand for themselves in an encoded path: the unreserved
// ones of URLs and the slash, which keeps a path readable.
bool StandsForItself(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Exactly what EncodeHandOffRequest writes, and nothing looser: a stray
// "%" or a raw byte means the line was not made by a start of this program.
bool IsPercentEncoded(QByteArrayView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size() || !IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2])) {
                return false;
            }
            i += 2;
        } else if (!StandsForItself(text[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray EncodeHandOffRequest(const QString& filePath) {
    if (filePath.isEmpty()) {
        return kRaiseRequest.toByteArray() + '\n';
    }
    return kOpenRequest.toByteArray() + QFile::encodeName(filePath).toPercentEncoding("/") + '\n';
}

std::optional<QString> ParseHandOffRequest(QByteArrayView line) {
    if (line == kRaiseRequest) {
        return QString();
    }
    if (!line.startsWith(kOpenRequest)) {
        return std::nullopt;
    }
    const QByteArrayView encoded = line.sliced(kOpenRequest.size());
    if (!IsPercentEncoded(encoded)) {
        return std::nullopt;
    }
    const QByteArray path = QByteArray::fromPercentEncoding(encoded.toByteArray());
    if (!path.startsWith('/') || path.contains('\0')) {
        return std::nullopt;
    }
    return QFile::decodeName(path);
}

std::optional<uid_t> PeerUserId(int descriptor) {
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
}
