#include "BrowserLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace velmora {

namespace {

#ifdef Q_OS_WIN
const QString kBundledName = QStringLiteral("chrome.exe");
const QStringList kCommandNames = {};

QStringList InstallFolderCandidates() {
    QStringList candidates;
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "LOCALAPPDATA"}) {
        const QString base = qEnvironmentVariable(variable);
        if (base.isEmpty())
            continue;
        candidates << QDir(base).filePath(QStringLiteral("Google/Chrome/Application/chrome.exe"))
                   << QDir(base).filePath(QStringLiteral("Chromium/Application/chrome.exe"));
    }
    return candidates;
}
#else
const QString kBundledName = QStringLiteral("chromium");
// Chromium's headless shell first: the same engine without the desktop browser around it, it starts
// and prints in about half the processor time.
const QStringList kCommandNames = {QStringLiteral("chromium-headless-shell"), QStringLiteral("chromium"),
                                   QStringLiteral("chromium-browser"), QStringLiteral("google-chrome")};

QStringList InstallFolderCandidates() {
    return {};
}
#endif

} // namespace

ConverterLocation LocateBrowser(const QString& programFolder) {
    ConverterLocation location;
    QStringList candidates = {BundledProgramPath(programFolder, kBundledName)};
    candidates += InstallFolderCandidates();
    for (const QString& candidate : candidates) {
        location.searched.append(QDir::toNativeSeparators(candidate));
        if (QFileInfo(candidate).isFile()) {
            location.path = location.searched.last();
            location.found = true;
            return location;
        }
    }
    if (kCommandNames.isEmpty())
        return location;
    location.searched.append(
        QStringLiteral("%1 in %2").arg(kCommandNames.join(QStringLiteral(", ")), PathSearchDescription()));
    for (const QString& name : kCommandNames) {
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
