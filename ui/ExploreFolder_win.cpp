#include "ExploreFolder.h"
#include "ShellExecute_win.h"

#include <QDir>
#include <QWidget>

#include <shellapi.h>

#include <utility>

namespace velmora {

namespace {

ShellExecuteFunction shellExecute = ShellExecuteW;

// ShellExecute reports success with a value above 32.
bool Succeeded(HINSTANCE result) {
    return reinterpret_cast<INT_PTR>(result) > 32;
}

HWND WindowOf(QWidget* owner) {
    return owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
}

} // namespace

ShellExecuteFunction ReplaceShellExecute(ShellExecuteFunction replacement) {
    return std::exchange(shellExecute, replacement);
}

bool ExploreFolderNative(QWidget* owner, const QString& folder) {
    return Succeeded(shellExecute(WindowOf(owner), L"explore", reinterpret_cast<LPCWSTR>(folder.utf16()),
                                  nullptr, nullptr, SW_SHOWNORMAL));
}

bool ShowInFolderNative(QWidget* owner, const QString& file) {
    const QString arguments = QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(file));
    return Succeeded(shellExecute(WindowOf(owner), L"open", L"explorer.exe",
                                  reinterpret_cast<LPCWSTR>(arguments.utf16()), nullptr, SW_SHOWNORMAL));
}

} // namespace velmora
