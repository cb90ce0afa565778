#pragma once

#include "queue/ConversionQueue.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

// The sources in a list file, one a line, without blank lines; "-" reads standard input. The file is
// UTF-8, or what its byte-order mark names. Nothing and `error` set (one line) when the file cannot
// be read or is not text in that encoding.
std::optional<QStringList> ReadSourceList(const QString& path, QString& error);

// A source the queue would not take, and why.
struct RefusedSource {
    QString source;
    QString reason;
};

// Adds the sources in their order through the queue's own rules: a text with a web prefix as the Add
// URL box adds it, anything else as Add Files adds a chosen file (its full path). A text that is no
// existing file is refused, as the file dialog would not offer it; duplicates are skipped silently.
// The rows go before row `at`, in order (at the end when it is -1).
QList<RefusedSource> AddSources(ConversionQueue& queue, const QStringList& sources, int at = -1);

} // namespace velmora
