#include "modern/BrowserLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

ProgramLocation LocateBrowser(const QString& programFolder) {
    ProgramLocation location;
    const QString bundled = BundledProgramPath(programFolder, browser_places::BundledName());
    QList<browser_places::Place> places = {{bundled, bundled}};
    places += browser_places::InstalledPlaces();
    for (const browser_places::Place& place : std::as_const(places)) {
        location.searched.append(place.description);
        if (!place.program.isEmpty() && QFileInfo(place.program).isFile()) {
            location.path = QDir::toNativeSeparators(place.program);
            location.found = true;
            return location;
        }
    }
    const QStringList names = browser_places::CommandNames();
    if (names.isEmpty())
        return location;
    location.searched.append(
        QStringLiteral("%1 in %2").arg(names.join(QStringLiteral(", ")), PathSearchDescription()));
    for (const QString& name : names) {
        const QString onPath = QStandardPaths::findExecutable(name);
        if (!onPath.isEmpty()) {
            location.path = onPath;
            location.found = true;
            return location;
        }
    }
    return location;
}

} // namespace velmora
