#include "Console.h"

#include <QMetaObject>

#include <cstdio>
#include <io.h>
#include <windows.h>

namespace velmora {

namespace {

// The console calls its handler on a thread of its own; a queued call hands the news to the watcher's.
InterruptWatcher* g_watcher = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    QMetaObject::invokeMethod(g_watcher, &InterruptWatcher::interrupted, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

bool StandardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

struct InterruptWatcher::Private {};

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent), d(new Private) {
    g_watcher = this;
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_watcher = nullptr;
    delete d;
}

} // namespace velmora
