#include "queue/SourceList.h"

#include "queue/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velmora {

namespace {

const QString kNotWebAddress = QStringLiteral("Not a web address this program can convert.");
const QString kNeitherAddressNorFile =
    QStringLiteral("Neither a web address (http:// or https://) nor a file.");
// The kinds of file the program converts, by their names' endings.
const QStringList kDocumentSuffixes = {QStringLiteral("htm"), QStringLiteral("html"), QStringLiteral("xhtml"),
                                       QStringLiteral("txt"), QStringLiteral("xml")};

// A name with a document's ending, a whole path, or one in a folder that exists meant a file; others
// (example.org, www.example.org/page) may be an address without its http://, and no file name holds a
// NUL.
bool NamesAFile(const QString& text, const QFileInfo& file) {
    if (text.contains(QChar::Null))
        return false;
    const bool inFolder = text.contains(QLatin1Char('/')) || text.contains(QDir::separator());
    return file.isAbsolute() || (inFolder && file.dir().exists()) ||
           kDocumentSuffixes.contains(file.suffix(), Qt::CaseInsensitive);
}

// Standard input to its end, through the C library: QFile over stdin reports an error without a cause
// at the end of a pipe on Windows.
std::optional<QByteArray> ReadStandardInput(QString& error) {
    QByteArray bytes;
    char buffer[16 * 1024];
    while (const size_t count = std::fread(buffer, 1, sizeof buffer, stdin))
        bytes.append(buffer, qsizetype(count));
    if (std::ferror(stdin)) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> ReadListFile(const QString& path, QString& error) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::optional<QStringList> ReadSourceList(const QString& path, QString& error) {
    QString reason;
    const std::optional<QByteArray> bytes =
        path == QLatin1String("-") ? ReadStandardInput(reason) : ReadListFile(path, reason);
    if (!bytes) {
        error = QStringLiteral("Cannot read the list \"%1\": %2.").arg(path, reason);
        return std::nullopt;
    }
    // UTF-8 unless a byte-order mark says otherwise (a list saved as "Unicode" on Windows is UTF-16).
    QStringDecoder decoder(QStringConverter::encodingForData(*bytes).value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(*bytes);
    if (decoder.hasError()) {
        error =
            QStringLiteral("The list \"%1\" is not a text file (UTF-8, or UTF-16 with a byte-order mark).")
                .arg(path);
        return std::nullopt;
    }
    QStringList sources;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r?\n")))) {
        if (!TrimControl(line).isEmpty())
            sources.append(line);
    }
    return sources;
}

QList<RefusedSource> AddSources(ConversionQueue& queue, const QStringList& sources, int at) {
    QList<RefusedSource> refused;
    const auto next = [&at](const AddOutcome& outcome) {
        if (at >= 0)
            at += outcome.added;
    };
    for (const QString& source : sources) {
        const QString trimmed = TrimControl(source);
        if (HasWebPrefix(trimmed)) {
            if (!IsWebAddress(trimmed))
                refused.append({trimmed, kNotWebAddress});
            else
                next(queue.AddWebAddresses({trimmed}, at));
            continue;
        }
        const QFileInfo file(trimmed);
        if (!trimmed.isEmpty() && !file.exists() && NamesAFile(trimmed, file))
            refused.append(
                {source,
                 QStringLiteral("No such file: %1").arg(QDir::toNativeSeparators(file.absoluteFilePath()))});
        else if (trimmed.isEmpty() || !file.isFile())
            refused.append({source, kNeitherAddressNorFile});
        else
            next(queue.AddFiles({QDir::toNativeSeparators(file.absoluteFilePath())}, at));
    }
    return refused;
}

} // namespace velmora
