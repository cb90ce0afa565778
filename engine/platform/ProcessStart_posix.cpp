#include "platform/ProcessStart.h"

#include <QByteArray>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace velmora {

namespace {

constexpr int kStartTimeField = 22; // of /proc/<pid>/stat, counting from 1

QByteArray LinkTarget(const char* path) {
    char target[256];
    const ssize_t size = ::readlink(path, target, sizeof target);
    return size > 0 ? QByteArray(target, size) : QByteArray();
}

} // namespace

std::optional<quint64> ProcessStartTime(qint64 pid) {
    if (pid <= 0)
        return std::nullopt;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        // No /proc, or one that hides other users' processes: then only whether the id is in use can be
        // told (0: a start time not known).
        return ::kill(pid_t(pid), 0) == 0 || errno == EPERM ? std::optional<quint64>(0) : std::nullopt;
    }
    // The command name in field 2 may hold spaces and parentheses; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    bool ok = false;
    const quint64 start = fields.value(kStartTimeField - 3).toULongLong(&ok);
    return ok ? start : 0; // a line that cannot be read still shows the process is there
}

QString ProcessIdSpace() {
    const QByteArray boot = QSysInfo::bootUniqueId();
    if (boot.isEmpty())
        return {};
    if (!QFile::exists(QStringLiteral("/proc/self/stat"))) // no /proc: a system without pid namespaces
        return QString::fromLatin1(boot);
    // A /proc mounted for another pid namespace shows this process under another id (or not at all),
    // and other processes under the ids this one sees: then no id can be judged.
    if (LinkTarget("/proc/self") != QByteArray::number(::getpid()))
        return {};
    const QByteArray space = LinkTarget("/proc/self/ns/pid");
    if (space.isEmpty())
        return {};
    return QString::fromLatin1(boot + ' ' + space);
}

} // namespace velmora
