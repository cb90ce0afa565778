#pragma once

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace velmora::bench {

// The middle of the measured values: what a run of several rounds reports, so one slow round caused
// by another tenant of the machine does not decide the figure.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The rounds the first argument asks for, at least one; the fallback when it names none.
inline int RoundsArgument(int argc, char** argv, int fallback) {
    const int asked = argc > 1 ? std::atoi(argv[1]) : 0;
    return asked > 0 ? asked : fallback;
}

#ifdef VELMORA_CORPUS_DIR
// The book corpus the build was pointed at.
inline QString CorpusFolder() {
    return QDir::cleanPath(QStringLiteral(VELMORA_CORPUS_DIR));
}
#endif

// The book corpus's chapters in the folder, in name order: the pages every benchmark converts.
inline QStringList CorpusChapters(const QString& folder) {
    QStringList pages;
    for (const QFileInfo& file :
         QDir(folder).entryInfoList({QStringLiteral("ch*.html")}, QDir::Files, QDir::Name))
        pages << file.absoluteFilePath();
    return pages;
}

} // namespace velmora::bench
