// What combining costs: the 15 corpus chapters converted once by the Modern engine (so each has its
// headings' bookmarks, its tags and its links), then joined into one PDF with a bookmark per chapter,
// and the same with the chapters copied 10 and 100 times (150 and 1,500 parts). Each part keeps its
// chapter's source, so the links between chapters are made to jump inside the book. Each size is joined
// twice: as a plain join, and as a book (a contents page and a footer counting the book's pages).
// Prints the median time of each and the time per part, which stays about the same if combining grows
// linearly.
//
// Usage: bench_combine [rounds] (default 3; the 1,500-part size runs once per round as well). The
// corpus path comes from the build.

#include "BenchSupport.h"
#include "CombinePdfs.h"
#include "RowFinish.h"
#include "SettingsStore.h"
#include "modern/ChromiumBackend.h"
#include "run/BatchRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velmora;

namespace {

constexpr int kDefaultRounds = 3;

// The chapters' PDFs, converted by the Modern engine into `folder`, in chapter order; empty when any
// failed.
QStringList ConvertChapters(const QStringList& pages, const QString& folder) {
    QList<ConversionJob> jobs;
    QStringList pdfs;
    for (const QString& source : pages) {
        pdfs << QDir(folder).filePath(QFileInfo(source).completeBaseName() + ".pdf");
        jobs.append({source, pdfs.last()});
    }
    BatchRunner runner;
    runner.SetBackend(MakeModernEngine(QCoreApplication::applicationDirPath()));
    runner.SetParallelism(AutomaticConverterCount());
    runner.SetFinisher(pdf::RowFinisher());
    QEventLoop loop;
    int failed = 0;
    QObject::connect(&runner, &BatchRunner::finished, [&](int failedRows, int, bool) {
        failed = failedRows;
        loop.quit();
    });
    runner.Start(jobs);
    loop.exec();
    return failed == 0 ? pdfs : QStringList();
}

double Combine(const CombineRequest& request, const QString& to) {
    QElapsedTimer timer;
    timer.start();
    const QString problem = pdf::CombinePdfs(request, to, QDateTime::currentDateTime());
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!problem.isEmpty()) {
        std::printf("%s\n", qPrintable(problem));
        std::exit(1);
    }
    QFile::remove(to);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = bench::RoundsArgument(argc, argv, kDefaultRounds);
    const QString book = bench::CorpusFolder();
    const QStringList pages = bench::CorpusChapters(book);
    QTemporaryDir folder;
    const QStringList chapters = pages.isEmpty() ? QStringList() : ConvertChapters(pages, folder.path());
    if (chapters.isEmpty()) {
        std::printf("The chapters in %s could not be converted\n", qPrintable(book));
        return 1;
    }
    // Copies, not the same files again: each part is read from a file of its own, as in a real run.
    const std::vector<int> copies{1, 10, 100};
    std::vector<CombineRequest> requests;
    qint64 bytes = 0;
    for (int times : copies) {
        CombineRequest request;
        for (int copy = 0; copy < times; ++copy) {
            for (const QString& chapter : chapters) {
                QString part = chapter;
                if (copy > 0) {
                    part = QDir(folder.path())
                               .filePath(QStringLiteral("%1-%2.pdf")
                                             .arg(copy)
                                             .arg(QFileInfo(chapter).completeBaseName()));
                    if (!QFileInfo::exists(part) && !QFile::copy(chapter, part))
                        return 1;
                }
                if (times == copies.back())
                    bytes += QFileInfo(part).size();
                request.parts.append({part, QFileInfo(part).completeBaseName(),
                                      pages.at(chapters.indexOf(chapter))});
            }
        }
        request.title = QStringLiteral("Combined");
        requests.push_back(request);
        request.contents = true;
        request.page.footer = {{}, {}, kPageNumberText};
        requests.push_back(request);
    }

    const QString to = QDir(folder.path()).filePath(QStringLiteral("combined.pdf"));
    std::vector<std::vector<double>> times(requests.size());
    for (int round = 0; round < rounds; ++round) {
        std::printf("round %d:", round + 1);
        for (std::size_t each = 0; each < requests.size(); ++each) {
            times[each].push_back(Combine(requests[each], to));
            std::printf(" %.3f s", times[each].back());
        }
        std::printf("\n");
    }
    std::printf("%d rounds; the 1,500 parts hold %.0f MB\n", rounds, bytes / 1e6);
    for (std::size_t each = 0; each < requests.size(); ++each) {
        const double median = bench::Median(times[each]);
        const qsizetype parts = requests[each].parts.size();
        std::printf("%5lld parts, %-10s median %.3f s, %.2f ms per part\n", qlonglong(parts),
                    requests[each].contents ? "as a book:" : "plain:", median, median * 1000 / parts);
    }
    return 0;
}
