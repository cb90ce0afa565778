#include "platform/ProgramLocation.h"

#include <QDir>

namespace velmora {

QString BundledProgramPath(const QString& programFolder, const QString& name) {
    return QDir::toNativeSeparators(QDir(programFolder).filePath(QStringLiteral("bin/") + name));
}

QString PathSearchDescription() {
    const QStringList folders = qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    return folders.isEmpty()
               ? QStringLiteral("the folders on PATH (none are set)")
               : QStringLiteral("the folders on PATH (%1)").arg(folders.join(QStringLiteral(", ")));
}

} // namespace velmora
