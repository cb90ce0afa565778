#include "platform/Leftovers.h"

#include "platform/ProcessStart.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

namespace velmora {

namespace {

const QString kUnknownPlace = QStringLiteral("unknown");
// 64 bits of the hash: names stay short (Windows paths are short) and two places never meet by chance.
constexpr int kPlaceMarkLength = 16;

// A boot id alone already differs between computers; the machine id and host name keep apart copies
// of one system image that might share it, such as containers.
QString PlaceMark() {
    static const QString mark = [] {
        const QString space = ProcessIdSpace();
        if (space.isEmpty())
            return kUnknownPlace;
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const QByteArray& part :
             {QSysInfo::machineUniqueId(), QSysInfo::machineHostName().toUtf8(), space.toUtf8()})
            hash.addData(part + '\n');
        return QString::fromLatin1(hash.result().toHex().left(kPlaceMarkLength));
    }();
    return mark;
}

} // namespace

QString OwnerTag() {
    static const QString tag = [] {
        const qint64 pid = QCoreApplication::applicationPid();
        return QStringLiteral("%1-%2-%3")
            .arg(PlaceMark())
            .arg(pid, 0, 16)
            .arg(ProcessStartTime(pid).value_or(0), 0, 16);
    }();
    return tag;
}

bool IsAbandonedTag(const QString& tag) {
    const QStringList parts = tag.split(QLatin1Char('-'));
    if (parts.size() != 3 || parts.at(0) != PlaceMark() || PlaceMark() == kUnknownPlace)
        return false;
    bool pidOk = false;
    bool startOk = false;
    const qint64 pid = parts.at(1).toLongLong(&pidOk, 16);
    const quint64 start = parts.at(2).toULongLong(&startOk, 16);
    if (!pidOk || !startOk || pid <= 0)
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
        // The prefix, then "<place>-<pid>-<start>", then "-" and the entry's own part.
        const QStringList parts = entry.fileName().mid(prefix.size()).split(QLatin1Char('-'));
        if (parts.size() >= 4 && IsAbandonedTag(parts.mid(0, 3).join(QLatin1Char('-'))))
            RemoveLeftover(entry.filePath(), kind);
    }
}

bool RemoveLeftover(const QString& path, LeftoverKind kind) {
    // Looked at again just before: judging the name took time in which the entry may have been swapped.
    if (!IsPlainEntry(path, kind))
        return false;
    return kind == LeftoverKind::Folder ? QDir(path).removeRecursively() : QFile::remove(path);
}

} // namespace velmora
