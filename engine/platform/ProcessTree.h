#pragma once

class QProcess;

namespace velmora {

// Ties a child process and everything it starts to this program: the tree dies with the program and
// is ended whole by KillProcessTree. POSIX: a process group of its own and a parent-death signal;
// Windows: a job object that ends its processes when the last handle to it closes.
void PrepareProcessTree(QProcess& process); // before start()
void AdoptProcessTree(QProcess& process);   // right after start()
// Ends the whole tree, also what it left running once the process itself ended; the caller still waits
// for the process.
void KillProcessTree(QProcess& process);
// Waits for a process told to end, if it still runs. A killed process ends at once; the wait is bounded
// only against a system that misbehaves.
void WaitForKilledProcess(QProcess& process);
// KillProcessTree, then WaitForKilledProcess: nothing of the tree outlives the call.
void EndProcessTree(QProcess& process);

// Whether a finished process ended by a crash or a kill rather than by exiting on its own. Windows
// reports a crash as an ordinary exit code, so this is decided per platform.
bool EndedAbnormally(const QProcess& process);

} // namespace velmora
