#include "Leftovers.h"

#include "ProcessStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velmora {

QString OwnerTag() {
    static const QString tag = [] {
        const qint64 pid = QCoreApplication::applicationPid();
        return QStringLiteral("%1-%2").arg(pid, 0, 16).arg(ProcessStartTime(pid).value_or(0), 0, 16);
    }();
    return tag;
}

bool IsAbandonedTag(const QString& tag) {
    const QStringList parts = tag.split(QLatin1Char('-'));
    bool pidOk = false;
    bool startOk = false;
    const qint64 pid = parts.value(0).toLongLong(&pidOk, 16);
    const quint64 start = parts.value(1).toULongLong(&startOk, 16);
    if (parts.size() != 2 || !pidOk || !startOk || pid <= 0)
        return false;
    const std::optional<quint64> running = ProcessStartTime(pid);
    // A start time of 0 means it could not be told; then a process with that id counts as the owner.
    return !running || (start != 0 && *running != 0 && *running != start);
}

void RemoveAbandoned(const QString& folder, const QString& prefix, const QString& suffix, LeftoverKind kind) {
    // A link is never followed: only what the program itself made is removed.
    const QDir::Filters filters = (kind == LeftoverKind::File ? QDir::Files : QDir::Dirs) | QDir::NoSymLinks |
                                  QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    const QFileInfoList entries = QDir(folder).entryInfoList({prefix + QLatin1Char('*') + suffix}, filters);
    for (const QFileInfo& entry : entries) {
        // The prefix, then "<pid>-<start>", then "-" and the entry's own part.
        const QStringList parts = entry.fileName().mid(prefix.size()).split(QLatin1Char('-'));
        if (parts.size() < 3 || !IsAbandonedTag(parts.at(0) + QLatin1Char('-') + parts.at(1)))
            continue;
        if (kind == LeftoverKind::Folder)
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

} // namespace velmora
