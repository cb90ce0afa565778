#pragma once

#include <windows.h>

namespace velmora {

// ShellExecuteW as the program calls it to explore a folder. Tests put a recorder in its place, so no
// window opens; the function returns the one it replaced.
using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
ShellExecuteFunction ReplaceShellExecute(ShellExecuteFunction replacement);

} // namespace velmora
