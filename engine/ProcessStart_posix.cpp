#include "ProcessStart.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <csignal>

namespace velmora {

namespace {

constexpr int kStartTimeField = 22; // of /proc/<pid>/stat, counting from 1

} // namespace

std::optional<quint64> ProcessStartTime(qint64 pid) {
    if (pid <= 0)
        return std::nullopt;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        // With /proc mounted no entry means no such process; without it, only whether the id is in use
        // can be told (0: a start time not known).
        if (QFile::exists(QStringLiteral("/proc/self/stat")))
            return std::nullopt;
        return ::kill(pid_t(pid), 0) == 0 || errno == EPERM ? std::optional<quint64>(0) : std::nullopt;
    }
    // The command name in field 2 may hold spaces and parentheses; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    bool ok = false;
    const quint64 start = fields.value(kStartTimeField - 3).toULongLong(&ok);
    return ok ? start : 0; // a line that cannot be read still shows the process is there
}

} // namespace velmora
