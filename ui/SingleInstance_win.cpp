#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>

namespace velmora {

namespace {

// The temporary folder is the user's own (%LOCALAPPDATA%\Temp); named pipes are not per user, so the
// pipe's name carries a digest of that folder and of the session.
QString UserTag() {
    const QByteArray who = (QDir::tempPath() + u'|' + qEnvironmentVariable("SESSIONNAME")).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(who, QCryptographicHash::Sha256).toHex().left(24));
}

} // namespace

QString SingleInstanceServerName() {
    return QStringLiteral("velmora-html2pdf-window-") + UserTag();
}

QString SingleInstanceLockPath() {
    return QDir::temp().filePath(QStringLiteral("velmora-html2pdf-window.lock"));
}

} // namespace velmora
