#include "queue/TargetFolder.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {

QString ResolvedTargetFolder(const QString& text) {
    if (text.trimmed().isEmpty())
        return {};
    QString path = text;
#ifndef Q_OS_WIN
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
        path = QDir::homePath() + path.mid(1);
#endif
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

} // namespace velmora
