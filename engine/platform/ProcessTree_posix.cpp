#include "platform/ProcessTree.h"

#include <QProcess>
#include <QVariant>

#include <csignal>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace velmora {

namespace {

// The group is named after the process that leads it, whose id QProcess forgets once it ended; its
// helpers may still run then.
constexpr char kGroupProperty[] = "velmora.processGroup";

} // namespace

void PrepareProcessTree(QProcess& process) {
    process.setProperty(kGroupProperty, {});
    const pid_t parent = getpid();
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process.setChildProcessModifier([parent] {
        setpgid(0, 0);
#ifdef __linux__
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) // the program died before the signal was armed
            _exit(127);
#else
        (void)parent;
#endif
    });
}

void AdoptProcessTree(QProcess& process) {
    process.setProperty(kGroupProperty, process.processId());
}

void KillProcessTree(QProcess& process) {
    const qint64 group = process.property(kGroupProperty).toLongLong();
    if (group > 0)
        ::kill(-pid_t(group), SIGKILL); // the converter and whatever it started
    process.kill();
}

bool EndedAbnormally(const QProcess& process) {
    return process.exitStatus() == QProcess::CrashExit;
}

} // namespace velmora
