#include "BrowserLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace velmora {

namespace {

#ifdef Q_OS_WIN
const QString kBundledName = QStringLiteral("bin/chrome.exe");
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
const QString kBundledName = QStringLiteral("bin/chromium");
const QStringList kCommandNames = {QStringLiteral("chromium"), QStringLiteral("chromium-browser"),
                                   QStringLiteral("google-chrome")};

QStringList InstallFolderCandidates() {
    return {};
}
#endif

} // namespace

ConverterLocation LocateBrowser(const QString& programFolder) {
    QStringList lookedAt;
    QStringList candidates = {QDir(programFolder).filePath(kBundledName)};
    candidates += InstallFolderCandidates();
    for (const QString& candidate : candidates) {
        const QString native = QDir::toNativeSeparators(QDir::cleanPath(candidate));
        if (QFileInfo(candidate).isFile())
            return {native, true};
        lookedAt << native;
    }
    for (const QString& name : kCommandNames) {
        const QString onPath = QStandardPaths::findExecutable(name);
        if (!onPath.isEmpty())
            return {onPath, true};
    }
    if (!kCommandNames.isEmpty())
        lookedAt << QStringLiteral("%1 on PATH").arg(kCommandNames.join(QStringLiteral(", ")));
    return {lookedAt.join(QStringLiteral("; ")), false};
}

} // namespace velmora
