#include "platform/ProcessStart.h"

#include <windows.h>

namespace velmora {

namespace {

// NtQuerySystemInformation's class whose answer starts with the time the system booted.
constexpr ULONG kTimeOfDayInformation = 3;
using QuerySystemInformation = LONG(WINAPI*)(ULONG kind, PVOID answer, ULONG size, PULONG written);

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
    // One space of process ids for the whole system, renewed at each boot; the boot is told by its time,
    // asked only for that first field of the answer.
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    LARGE_INTEGER bootTime{};
    if (!query || query(kTimeOfDayInformation, &bootTime, sizeof bootTime, nullptr) < 0 ||
        bootTime.QuadPart == 0)
        return {};
    return QString::number(bootTime.QuadPart, 16);
}

} // namespace velmora
