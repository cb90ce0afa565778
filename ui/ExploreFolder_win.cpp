#include "ExploreFolder.h"

#include <QWidget>

#include <windows.h>

#include <shellapi.h>

namespace velmora {

void ExploreFolderNative(QWidget* owner, const QString& folder) {
    const HWND window = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    ShellExecuteW(window, L"explore", reinterpret_cast<LPCWSTR>(folder.utf16()), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

} // namespace velmora
