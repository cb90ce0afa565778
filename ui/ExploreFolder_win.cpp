#include "ExploreFolder.h"

#include <QDir>
#include <QWidget>

#include <windows.h>

#include <shellapi.h>

namespace velmora {

bool ExploreFolderNative(QWidget* owner, const QString& folder) {
    const HWND window = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    // ShellExecute reports success with a value above 32.
    return reinterpret_cast<INT_PTR>(ShellExecuteW(window, L"explore",
                                                   reinterpret_cast<LPCWSTR>(folder.utf16()), nullptr,
                                                   nullptr, SW_SHOWNORMAL)) > 32;
}

bool ShowInFolderNative(QWidget* owner, const QString& file) {
    const HWND window = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    const QString arguments = QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(file));
    return reinterpret_cast<INT_PTR>(ShellExecuteW(window, L"open", L"explorer.exe",
                                                   reinterpret_cast<LPCWSTR>(arguments.utf16()), nullptr,
                                                   SW_SHOWNORMAL)) > 32;
}

} // namespace velmora
