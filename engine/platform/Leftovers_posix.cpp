#include "platform/Leftovers.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

bool IsPlainEntry(const QString& path, LeftoverKind kind) {
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return kind == LeftoverKind::Folder ? S_ISDIR(status.st_mode) : S_ISREG(status.st_mode);
}

QString PrivateFolder(const QString& parent) {
    // Named after the user, so that users sharing one temporary folder each have their own.
    const uid_t user = ::geteuid();
    const QString path = QDir(parent).filePath(QStringLiteral("velmora-%1").arg(user));
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return {};
    // One made by someone else beforehand could hand this user's files to them, or lead elsewhere.
    struct stat status;
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != user ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return {};
    return path;
}

} // namespace velmora
