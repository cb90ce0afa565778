#include "modern/BrowserLocation.h"

#include <QDir>

#include <windows.h>

namespace velmora::browser_places {

namespace {

const QString kAppPathsKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");

// The program an App Paths entry names (its default value, sometimes quoted); empty when there is none.
// The machine's entries are read in both registry views, as 32-bit installers write to their own.
QString AppPath(HKEY root, const QString& key) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(root, reinterpret_cast<LPCWSTR>(key.utf16()), 0, KEY_QUERY_VALUE | view, &handle) !=
            ERROR_SUCCESS)
            continue;
        wchar_t value[2 * MAX_PATH] = {};
        DWORD size = sizeof(value);
        // REG_EXPAND_SZ values come back expanded.
        const LSTATUS status = RegGetValueW(handle, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
        RegCloseKey(handle);
        if (status != ERROR_SUCCESS)
            continue;
        QString program = QString::fromWCharArray(value).trimmed();
        if (program.size() > 1 && program.startsWith(u'"') && program.endsWith(u'"'))
            program = program.mid(1, program.size() - 2);
        if (!program.isEmpty())
            return program;
    }
    return {};
}

} // namespace

QString BundledName() {
    return QStringLiteral("chrome.exe");
}

// Chrome and Chromium where their installers put them (for all users or for one), then Microsoft Edge,
// which every Windows 10 and 11 has; then what the registry says of chrome.exe and msedge.exe.
QList<Place> InstalledPlaces() {
    QStringList folders;
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "LOCALAPPDATA"}) {
        const QString base = qEnvironmentVariable(variable);
        if (!base.isEmpty())
            folders << base;
    }
    folders.removeDuplicates();
    QList<Place> places;
    for (const char* program : {"Google/Chrome/Application/chrome.exe", "Chromium/Application/chrome.exe",
                                "Microsoft/Edge/Application/msedge.exe"}) {
        for (const QString& folder : std::as_const(folders)) {
            const QString path = QDir::toNativeSeparators(QDir(folder).filePath(QLatin1String(program)));
            places.append({path, path});
        }
    }
    for (const auto& [root, rootName] :
         {std::pair{HKEY_CURRENT_USER, QStringLiteral("HKEY_CURRENT_USER\\")},
          std::pair{HKEY_LOCAL_MACHINE, QStringLiteral("HKEY_LOCAL_MACHINE\\")}}) {
        for (const QString& name : {QStringLiteral("chrome.exe"), QStringLiteral("msedge.exe")}) {
            const QString key = kAppPathsKey + name;
            places.append({rootName + key, AppPath(root, key)});
        }
    }
    return places;
}

QStringList CommandNames() {
    return {};
}

} // namespace velmora::browser_places
