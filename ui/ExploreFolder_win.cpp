#include "ExploreFolder.h"

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

} // namespace velmora
