#include "Console.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace velmora {

namespace {

// The handler may only do async-signal-safe things, so it writes a byte to a pipe the event loop
// watches.
int g_wakePipe[2] = {-1, -1};

void OnInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wakePipe[1], &byte, 1);
}

} // namespace

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

struct InterruptWatcher::Private {
    QSocketNotifier* notifier = nullptr;
    struct sigaction previous {};
    bool installed = false;
};

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent), d(new Private) {
    if (::pipe(g_wakePipe) != 0)
        return;
    for (int end : g_wakePipe)
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_wakePipe[1], F_SETFL, O_NONBLOCK);

    d->notifier = new QSocketNotifier(g_wakePipe[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        [[maybe_unused]] const ssize_t drained = ::read(g_wakePipe[0], bytes, sizeof bytes);
        emit interrupted();
    });

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    d->installed = ::sigaction(SIGINT, &action, &d->previous) == 0;
}

InterruptWatcher::~InterruptWatcher() {
    if (d->installed)
        ::sigaction(SIGINT, &d->previous, nullptr);
    delete d->notifier;
    for (int& end : g_wakePipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
    delete d;
}

} // namespace velmora
