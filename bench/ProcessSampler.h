#pragma once

// Samples the processes this benchmark started (the browser and its helpers, the converters) from
// Linux's /proc while a mode runs: processor time by kind of process, and the peak of their summed
// resident memory. A process that ends between two samples loses at most one interval of time.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QTimer>

#include <unistd.h>

namespace velmora::bench {

class ProcessSampler {
public:
    enum Kind { Browser, Renderer, Helper, KindCount }; // Helper: zygotes, GPU, utilities, converters

    ProcessSampler() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Sample(); });
    }
    void Start(int intervalMs = 50) {
        m_seen.clear();
        m_peakBytes = 0;
        Sample();
        m_timer.start(intervalMs);
    }
    void Stop() {
        m_timer.stop();
        Sample();
    }
    double Seconds(Kind kind) const {
        double ticks = 0;
        for (const Seen& seen : m_seen)
            ticks += seen.kind == kind ? seen.ticks : 0;
        return ticks / double(::sysconf(_SC_CLK_TCK));
    }
    int Count(Kind kind) const {
        int count = 0;
        for (const Seen& seen : m_seen)
            count += seen.kind == kind ? 1 : 0;
        return count;
    }
    double PeakMegabytes() const { return m_peakBytes / 1e6; }

private:
    struct Seen {
        Kind kind = Helper;
        qint64 ticks = 0;
    };
    struct Stat {
        qint64 ticks = 0, residentPages = 0;
    };

    static bool ReadStat(qint64 pid, Stat* stat) {
        QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = file.readAll();
        // The command name may hold spaces and parentheses; the fields follow its last ')'.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 22)
            return false;
        stat->ticks = fields[11].toLongLong() + fields[12].toLongLong(); // utime, stime
        stat->residentPages = fields[21].toLongLong();                   // rss
        return true;
    }

    static Kind KindOf(qint64 pid) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            return Helper;
        const QByteArray line = file.readAll();
        if (line.contains("--type=renderer"))
            return Renderer;
        if (line.contains("--type="))
            return Helper;
        return line.contains("chrom") ? Browser : Helper;
    }

    // The processes below pid, from the kernel's list of each thread's children.
    static void AddDescendants(qint64 pid, QList<qint64>* found) {
        for (const QString& thread : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs)) {
            QFile file(QStringLiteral("/proc/%1/task/%2/children").arg(pid).arg(thread));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& child : file.readAll().split(' ')) {
                if (const qint64 childPid = child.trimmed().toLongLong(); childPid > 0) {
                    found->append(childPid);
                    AddDescendants(childPid, found);
                }
            }
        }
    }

    void Sample() {
        QList<qint64> pids;
        AddDescendants(::getpid(), &pids);
        qint64 bytes = 0;
        for (const qint64 pid : pids) {
            Stat stat;
            if (!ReadStat(pid, &stat))
                continue;
            Seen& seen = m_seen[pid];
            if (seen.ticks == 0)
                seen.kind = KindOf(pid);
            seen.ticks = std::max(seen.ticks, stat.ticks);
            bytes += stat.residentPages * ::sysconf(_SC_PAGESIZE);
        }
        m_peakBytes = std::max(m_peakBytes, bytes);
    }

    QTimer m_timer;
    QHash<qint64, Seen> m_seen;
    qint64 m_peakBytes = 0;
};

} // namespace velmora::bench
