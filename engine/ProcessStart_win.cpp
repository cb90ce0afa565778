#include "ProcessStart.h"

#include <windows.h>

namespace velmora {

namespace {

// The System process, which starts with Windows itself.
constexpr qint64 kSystemProcessId = 4;

} // namespace

std::optional<quint64> ProcessStartTime(qint64 pid) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process) // another user's process is in use all the same, its start time hidden
        return GetLastError() == ERROR_ACCESS_DENIED ? std::optional<quint64>(0) : std::nullopt;
    FILETIME created, exited, kernel, user;
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE &&
                         GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    if (!running)
        return std::nullopt;
    return (quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

QString ProcessIdSpace() {
    // One space of process ids for the whole system, renewed at each boot.
    const std::optional<quint64> boot = ProcessStartTime(kSystemProcessId);
    return boot && *boot != 0 ? QString::number(*boot, 16) : QString();
}

} // namespace velmora
