/* The Windows half of a stand-in for a Linux tool under Wine, copied as <tool>.exe onto a test's
 * PATH. Wine starts Linux programs, but gives no pipe output or end of theirs back to the Windows
 * program that started them; so this one starts run-linux-tool (beside it) with a result folder,
 * waits for the exit status to appear there, and hands on the tool's output and status. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

enum { kWaitMs = 120000, kPollMs = 20 };

static void Append(wchar_t* line, size_t size, const wchar_t* argument) {
    wcsncat(line, line[0] ? L" \"" : L"\"", size - wcslen(line) - 1);
    wcsncat(line, argument, size - wcslen(line) - 1);
    wcsncat(line, L"\"", size - wcslen(line) - 1);
}

static void CopyOut(const wchar_t* path, FILE* to) {
    FILE* from = _wfopen(path, L"rb");
    if (!from)
        return;
    char buffer[65536];
    size_t read;
    while ((read = fread(buffer, 1, sizeof buffer, from)) > 0)
        fwrite(buffer, 1, read, to);
    fclose(from);
    DeleteFileW(path);
}

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    wchar_t* name = wcsrchr(self, L'\\') + 1;
    wchar_t tool[MAX_PATH];
    wcscpy(tool, name);
    if (wcsrchr(tool, L'.'))
        *wcsrchr(tool, L'.') = 0;
    wchar_t runner[MAX_PATH];
    wcscpy(runner, self);
    wcscpy(wcsrchr(runner, L'\\') + 1, L"run-linux-tool.exe");

    wchar_t results[MAX_PATH];
    GetTempPathW(MAX_PATH, results);
    swprintf(results + wcslen(results), MAX_PATH - wcslen(results), L"linux-tool-%lu-%lu",
             GetCurrentProcessId(), GetTickCount());
    CreateDirectoryW(results, NULL);

    static wchar_t line[32768];
    line[0] = 0;
    Append(line, 32768, runner);
    Append(line, 32768, tool);
    Append(line, 32768, results);
    for (int i = 1; i < argc; ++i)
        Append(line, 32768, argv[i]);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, NULL, &startup, &process)) {
        fwprintf(stderr, L"%ls: cannot start %ls (error %lu)\n", tool, runner, GetLastError());
        return 127;
    }

    wchar_t status[MAX_PATH], out[MAX_PATH], err[MAX_PATH];
    swprintf(status, MAX_PATH, L"%ls\\status", results);
    swprintf(out, MAX_PATH, L"%ls\\out", results);
    swprintf(err, MAX_PATH, L"%ls\\err", results);
    for (int waited = 0; GetFileAttributesW(status) == INVALID_FILE_ATTRIBUTES; waited += kPollMs) {
        if (waited > kWaitMs)
            return 124;
        Sleep(kPollMs);
    }
    int code = 1;
    FILE* file = _wfopen(status, L"rb");
    if (file) {
        if (fscanf(file, "%d", &code) != 1)
            code = 1;
        fclose(file);
    }
    DeleteFileW(status);
    _setmode(_fileno(stdout), _O_BINARY);
    CopyOut(out, stdout);
    CopyOut(err, stderr);
    RemoveDirectoryW(results);
    return code;
}
