#include "SourceList.h"

#include "TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace velmora {

namespace {

const QString kNotWebAddress = QStringLiteral("Not a web address this program can convert.");
const QString kNoSuchFile = QStringLiteral("No such file.");

} // namespace

std::optional<QStringList> ReadSourceList(const QString& path, QString& error) {
    QFile file(path);
    const bool opened =
        path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    const QByteArray bytes = opened ? file.readAll() : QByteArray();
    if (!opened || file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Cannot read the list \"%1\": %2.").arg(path, file.errorString());
        return std::nullopt;
    }
    QStringList sources;
    for (const QString& line : QString::fromUtf8(bytes).split(QRegularExpression(QStringLiteral("\r?\n")))) {
        if (!TrimControl(line).isEmpty())
            sources.append(line);
    }
    return sources;
}

QList<RefusedSource> AddSources(ConversionQueue& queue, const QStringList& sources) {
    QList<RefusedSource> refused;
    for (const QString& source : sources) {
        const QString trimmed = TrimControl(source);
        if (HasWebPrefix(trimmed)) {
            if (!IsWebAddress(trimmed))
                refused.append({trimmed, kNotWebAddress});
            else
                queue.AddWebAddresses({trimmed});
            continue;
        }
        const QFileInfo file(trimmed);
        if (trimmed.isEmpty() || !file.isFile())
            refused.append({source, kNoSuchFile});
        else
            queue.AddFiles({QDir::toNativeSeparators(file.absoluteFilePath())});
    }
    return refused;
}

} // namespace velmora
