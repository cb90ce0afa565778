#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora {

namespace {

int g_wakeFds[2] = {-1, -1};

// Only async-signal-safe work here: the number goes through a socket to the main thread.
void OnSignal(int signalNumber) {
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_wakeFds[0], &number, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_wakeFds) != 0)
        return;
    ::fcntl(g_wakeFds[0], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_wakeFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        if (::read(g_wakeFds[1], &number, 1) == 1)
            emit requested(number);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals& TerminationSignals::Install() {
    static TerminationSignals* instance = new TerminationSignals(QCoreApplication::instance());
    return *instance;
}

} // namespace velmora
