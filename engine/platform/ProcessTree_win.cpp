#include "platform/ProcessTree.h"

#include <QProcess>

#include <windows.h>

namespace velmora {

namespace {

// QProcess's own mark for a process it ended, which it reports as a crash exit.
constexpr UINT kKilledExitCode = 0xf291;
// The C runtime's abort() ends the process with this ordinary exit code.
constexpr int kAbortExitCode = 3;

// The job object that holds one converter and everything it starts. Closing the job's last handle
// ends them all: when the QProcess goes, or when this program ends in any way.
class ProcessJob final : public QObject {
    Q_OBJECT
public:
    explicit ProcessJob(QProcess* process) : QObject(process) {}
    ~ProcessJob() override { CloseJob(); }

    void CloseJob() {
        if (job)
            CloseHandle(job);
        job = nullptr;
    }

    // QProcess's own record of the process, filled in by CreateProcess; valid while it runs.
    PROCESS_INFORMATION* info = nullptr;
    HANDLE job = nullptr;
};

ProcessJob* JobOf(QProcess& process) {
    return process.findChild<ProcessJob*>(QString(), Qt::FindDirectChildrenOnly);
}

HANDLE NewKillOnCloseJob() {
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

} // namespace

// The process starts suspended, so it cannot start a child of its own before it is in the job.
void PrepareProcessTree(QProcess& process) {
    ProcessJob* job = JobOf(process);
    if (!job)
        job = new ProcessJob(&process);
    job->CloseJob();
    job->info = nullptr;
    process.setCreateProcessArgumentsModifier([job](QProcess::CreateProcessArguments* arguments) {
        arguments->flags |= CREATE_SUSPENDED;
        job->info = arguments->processInformation;
    });
}

void AdoptProcessTree(QProcess& process) {
    ProcessJob* job = JobOf(process);
    if (!job || !job->info || process.state() == QProcess::NotRunning)
        return;
    job->job = NewKillOnCloseJob();
    if (job->job && !AssignProcessToJobObject(job->job, job->info->hProcess))
        job->CloseJob();
    // Resumed whatever happened above: a process left suspended would never end.
    ResumeThread(job->info->hThread);
}

void KillProcessTree(QProcess& process) {
    if (ProcessJob* job = JobOf(process); job && job->job)
        TerminateJobObject(job->job, kKilledExitCode);
    process.kill();
}

// QProcess already counts exception codes (0xC0000005 and the like) and its own kills as a crash exit.
bool EndedAbnormally(const QProcess& process) {
    return process.exitStatus() == QProcess::CrashExit || process.exitCode() == kAbortExitCode;
}

} // namespace velmora

#include "ProcessTree_win.moc"
