#include "ConverterLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

namespace {

#ifdef Q_OS_WIN
const QString kConverterName = QStringLiteral("wkhtmltopdf.exe");
constexpr bool kFallBackToPath = false;
#else
// Elsewhere the converter usually comes from the system's packages rather than beside the program.
const QString kConverterName = QStringLiteral("wkhtmltopdf");
constexpr bool kFallBackToPath = true;
#endif

} // namespace

ConverterLocation LocateConverter(const QString& programFolder) {
    const QString bundled =
        QDir::toNativeSeparators(QDir(programFolder).filePath(QStringLiteral("bin/") + kConverterName));
    if (QFileInfo(bundled).isFile())
        return {bundled, true};
    if (kFallBackToPath) {
        const QString onPath = QStandardPaths::findExecutable(kConverterName);
        if (!onPath.isEmpty())
            return {onPath, true};
    }
    return {bundled, false};
}

} // namespace velmora
