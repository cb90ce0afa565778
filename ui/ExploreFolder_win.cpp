#include "ExploreFolder.h"
#include "ShellExecute_win.h"

#include <QDesktopServices>
#include <QDir>
#include <QTimer>
#include <QUrl>
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

// The shell answers at once; the answer is still given later, as on other platforms.
void Answer(ShellDone done, bool shown) {
    QTimer::singleShot(0, [done = std::move(done), shown] { done(shown); });
}

} // namespace

ShellExecuteFunction ReplaceShellExecute(ShellExecuteFunction replacement) {
    return std::exchange(shellExecute, replacement);
}

void OpenFileNative(QWidget*, const QString& file, ShellDone done) {
    Answer(std::move(done), QDesktopServices::openUrl(QUrl::fromLocalFile(file)));
}

void ExploreFolderNative(QWidget* owner, const QString& folder, ShellDone done) {
    Answer(std::move(done),
           Succeeded(shellExecute(WindowOf(owner), L"explore", reinterpret_cast<LPCWSTR>(folder.utf16()),
                                  nullptr, nullptr, SW_SHOWNORMAL)));
}

void ShowInFolderNative(QWidget* owner, const QString& file, ShellDone done) {
    const QString arguments = QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(file));
    Answer(std::move(done),
           Succeeded(shellExecute(WindowOf(owner), L"open", L"explorer.exe",
                                  reinterpret_cast<LPCWSTR>(arguments.utf16()), nullptr, SW_SHOWNORMAL)));
}

} // namespace velmora
