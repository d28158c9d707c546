#include "U_Name_Only_Icon_Provider.h"

#include <QFileInfo>
#include <QMimeDatabase>

QIcon TNameOnlyIconProvider::icon(const QFileInfo& info) const {
    return icon(info.isDir() ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
}

QString TNameOnlyIconProvider::type(const QFileInfo& info) const {
    if (info.isDir()) {
        return QFileIconProvider::type(info);
    }
    return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
}

TNameOnlyIconProvider* NameOnlyIconProvider() {
    static TNameOnlyIconProvider provider;
    return &provider;
}
