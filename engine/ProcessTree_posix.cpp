#include "ProcessTree.h"

#include <QProcess>

#include <csignal>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace velmora {

void PrepareProcessTree(QProcess& process) {
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

void AdoptProcessTree(QProcess&) {}

void KillProcessTree(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL); // the group: the converter and whatever it started
    process.kill();
}

bool EndedAbnormally(const QProcess& process) {
    return process.exitStatus() == QProcess::CrashExit;
}

} // namespace velmora
