#pragma once

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace velmora::bench {

// The middle of the measured values: what a run of several rounds reports, so one slow round caused
// by another tenant of the machine does not decide the figure.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The book corpus's chapters in the folder, in name order: the pages every benchmark converts.
inline QStringList CorpusChapters(const QString& folder) {
    QStringList pages;
    for (const QFileInfo& file :
         QDir(folder).entryInfoList({QStringLiteral("ch*.html")}, QDir::Files, QDir::Name))
        pages << file.absoluteFilePath();
    return pages;
}

} // namespace velmora::bench
