// What stamping headers and footers adds to a Modern run over the book corpus: the same chapters
// converted by the Modern engine without and with a header ({title}, {date}) and a footer
// ("Page {page} of {pages}"), "Automatic" conversions at once, interleaved round by round so both meet the
// same machine load. Prints the median of each, their ratio, and whether the cost stays under 5 %.
//
// Usage: bench_page_stamp [rounds] [chapters] (defaults: 3 rounds, all 15 chapters). The corpus path
// comes from the build.

#include "BenchSupport.h"
#include "RowFinish.h"
#include "SettingsStore.h"
#include "modern/ChromiumBackend.h"
#include "run/BatchRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velmora;

namespace {

constexpr int kDefaultRounds = 3;
constexpr double kAllowedCost = 0.05;

// Seconds for one Modern run of the pages with this page setup, and the rows converted.
std::pair<double, int> Run(const QStringList& pages, const PageSetup& page) {
    QTemporaryDir folder;
    QList<ConversionJob> jobs;
    for (const QString& source : pages)
        jobs.append({source, QDir(folder.path()).filePath(QFileInfo(source).completeBaseName() + ".pdf")});
    BatchRunner runner;
    runner.SetBackend(MakeModernEngine(QCoreApplication::applicationDirPath()));
    runner.SetParallelism(AutomaticConverterCount());
    runner.SetPageSetup(page);
    runner.SetFinisher(pdf::RowFinisher());
    QEventLoop loop;
    int failed = 0;
    QObject::connect(&runner, &BatchRunner::finished, [&](int failedRows, int, bool) {
        failed = failedRows;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    runner.Start(jobs);
    loop.exec();
    return {timer.nsecsElapsed() / 1e9, int(pages.size()) - failed};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = bench::RoundsArgument(argc, argv, kDefaultRounds);
    const QString book = bench::CorpusFolder();
    QStringList pages = bench::CorpusChapters(book);
    if (argc > 2)
        pages = pages.mid(0, std::max(1, atoi(argv[2])));
    if (pages.isEmpty()) {
        std::printf("No chapters found in %s\n", qPrintable(book));
        return 1;
    }
    PageSetup stamped;
    stamped.header = {QStringLiteral("{title}"), QString(), QStringLiteral("{date}")};
    stamped.footer.right = kPageNumberText;
    // The same margins in both, so only the stamping differs.
    PageSetup plain;
    plain.marginsMm = stamped.PrintMarginsMm();

    std::vector<double> plainTimes, stampedTimes;
    for (int round = 0; round < rounds; ++round) {
        for (auto [setup, times] : {std::pair{&plain, &plainTimes}, std::pair{&stamped, &stampedTimes}}) {
            const auto [seconds, converted] = Run(pages, *setup);
            if (converted != pages.size()) {
                std::printf("Only %d of %lld chapters converted\n", converted, qlonglong(pages.size()));
                return 1;
            }
            times->push_back(seconds);
        }
        std::printf("round %d: plain %.2f s, with header and footer %.2f s\n", round + 1, plainTimes.back(),
                    stampedTimes.back());
    }
    const double plainMedian = bench::Median(plainTimes);
    const double stampedMedian = bench::Median(stampedTimes);
    const double cost = stampedMedian / plainMedian - 1;
    std::printf("%lld chapters, %d rounds, Modern engine, %d at once\n", qlonglong(pages.size()), rounds,
                AutomaticConverterCount());
    std::printf("median plain %.2f s, with header and footer %.2f s, ratio %.3f (%+.1f %%): %s\n",
                plainMedian, stampedMedian, stampedMedian / plainMedian, cost * 100,
                cost < kAllowedCost ? "under 5 %" : "NOT under 5 %");
    return 0;
}
