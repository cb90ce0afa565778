#include "modern/BrowserLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

namespace {

const QString kHeadlessShell = QStringLiteral("chromium-headless-shell");

ProgramLocation Locate(const QString& programFolder, const QStringList& names) {
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

} // namespace

ProgramLocation LocateBrowser(const QString& programFolder) {
    return Locate(programFolder, browser_places::CommandNames());
}

ProgramLocation LocateWindowedBrowser(const QString& programFolder) {
    QStringList names = browser_places::CommandNames();
    names.removeAll(kHeadlessShell);
    return Locate(programFolder, names);
}

} // namespace velmora
