#include "ExploreFolder.h"
#include "ShellExecute_win.h"

#include <QWidget>

#include <shellapi.h>

#include <utility>

namespace velmora {

namespace {

ShellExecuteFunction shellExecute = ShellExecuteW;

} // namespace

ShellExecuteFunction ReplaceShellExecute(ShellExecuteFunction replacement) {
    return std::exchange(shellExecute, replacement);
}

void ExploreFolderNative(QWidget* owner, const QString& folder) {
    const HWND window = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    shellExecute(window, L"explore", reinterpret_cast<LPCWSTR>(folder.utf16()), nullptr, nullptr,
                 SW_SHOWNORMAL);
}

} // namespace velmora
