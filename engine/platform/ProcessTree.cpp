#include "platform/ProcessTree.h"

#include <QProcess>

namespace velmora {

namespace {

constexpr int kKilledProcessWaitMs = 10000;

} // namespace

void WaitForKilledProcess(QProcess& process) {
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(kKilledProcessWaitMs);
}

void EndProcessTree(QProcess& process) {
    KillProcessTree(process);
    WaitForKilledProcess(process);
}

} // namespace velmora
