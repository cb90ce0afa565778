#include "classic/ConverterLocation.h"

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

ProgramLocation LocateConverter(const QString& programFolder) {
    ProgramLocation location;
    const QString bundled = BundledProgramPath(programFolder, kConverterName);
    location.searched.append(bundled);
    if (QFileInfo(bundled).isFile()) {
        location.path = bundled;
        location.found = true;
        return location;
    }
    if (kFallBackToPath) {
        location.searched.append(PathSearchDescription());
        const QString onPath = QStandardPaths::findExecutable(kConverterName);
        if (!onPath.isEmpty()) {
            location.path = onPath;
            location.found = true;
        }
    }
    return location;
}

} // namespace velmora
