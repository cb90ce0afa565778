#include "Console.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <io.h>
#include <windows.h>

namespace velmora {

bool StandardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

bool DisplayAvailable() {
    return true; // the desktop is always there
}

void UseSystemFontsOffscreen() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        return;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    qputenv("QT_QPA_FONTDIR",
            QDir(QString::fromWCharArray(windows, int(length))).filePath("Fonts").toLocal8Bit());
}

} // namespace velmora
