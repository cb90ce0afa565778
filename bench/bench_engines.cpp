// Times the rendering engines on the book corpus, interleaved round by round so that all modes meet the
// same machine load: the Modern engine (one Chromium over the DevTools pipe) at one and at "Automatic"
// conversions at once, shell loops starting one headless browser per page (the desktop Chromium as a user
// would run it, and the headless shell the engine itself prefers), and the Classic engine (wkhtmltopdf,
// one process per page). Prints the median time of each mode and the ratios.
//
// Usage: bench_engines [rounds] (default 3). The corpus path comes from the build.

#include "BatchRunner.h"
#include "BenchSupport.h"
#include "BrowserLocation.h"
#include "BrowserPipe.h"
#include "ChromiumBackend.h"
#include "ConvertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include <sys/resource.h>

using namespace velmora;

namespace {

constexpr int kDefaultRounds = 3;
constexpr int kMaxAutomatic = 8;
const QString kWordsChapter = QStringLiteral("ch04-01-what-is-ownership.html");

struct Outcome {
    double seconds = 0;
    int converted = 0;
};

// Processor time used by this program and every process it started and waited for (the browser and
// its helpers, the converters), in seconds: what a mode costs the machine, whatever else runs on it.
double ProcessorSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

QString OutputFor(const QString& folder, const QString& page) {
    return QDir(folder).filePath(QFileInfo(page).completeBaseName() + QStringLiteral(".pdf"));
}

int NonEmptyPdfs(const QString& folder) {
    int count = 0;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        count += file.size() > 0 ? 1 : 0;
    return count;
}

// A run of the batch runner with the given engine, up to `parallelism` rows at once.
Outcome RunEngine(std::unique_ptr<RenderBackend> engine, const QStringList& pages, const QString& folder,
                  int parallelism) {
    QList<ConversionJob> jobs;
    for (const QString& page : pages)
        jobs.append({page, OutputFor(folder, page)});
    QElapsedTimer timer;
    timer.start();
    BatchRunner runner;
    runner.SetBackend(std::move(engine));
    runner.SetParallelism(parallelism);
    QEventLoop loop;
    int failed = 0;
    QObject::connect(&runner, &BatchRunner::finished, [&](int failedRows, int, bool) {
        failed = failedRows;
        loop.quit();
    });
    runner.Start(jobs);
    loop.exec();
    return {timer.nsecsElapsed() / 1e9, int(pages.size()) - failed};
}

// One headless browser process per page, as a shell script would do it.
Outcome RunProcessPerPage(const QString& browser, const QStringList& pages, const QString& folder) {
    QTemporaryDir profile;
    QStringList script = {QStringLiteral("set -e")};
    const QString sandbox = BrowserPipe::PlatformArguments().join(' ');
    for (const QString& page : pages)
        script << QStringLiteral("'%1' --headless %2 --disable-gpu --no-first-run --user-data-dir='%3' "
                                 "--no-pdf-header-footer --print-to-pdf='%4' 'file://%5' >/dev/null 2>&1")
                      .arg(browser, sandbox, profile.path(), OutputFor(folder, page), page);
    QElapsedTimer timer;
    timer.start();
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), script.join('\n')});
    shell.waitForFinished(-1);
    return {timer.nsecsElapsed() / 1e9, NonEmptyPdfs(folder)};
}

int Words(const QString& pdf) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    tool.waitForFinished();
    return int(QString::fromUtf8(tool.readAllStandardOutput())
                   .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)
                   .size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : kDefaultRounds;
    const QString book = QDir::cleanPath(QStringLiteral(VELMORA_CORPUS_DIR));
    QStringList pages = bench::CorpusChapters(book);
    if (pages.isEmpty()) {
        std::printf("No chapters found in %s\n", qPrintable(book));
        return 1;
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    const ConverterLocation browser = LocateBrowser(programFolder);
    const QString desktopChromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (desktopChromium.isEmpty()) {
        std::printf("chromium is not on PATH\n");
        return 1;
    }
    for (const auto& engine : {MakeModernEngine(programFolder), MakeClassicEngine(programFolder)}) {
        if (const QString problem = engine->StartProblem(); !problem.isEmpty()) {
            std::printf("%s\n", qPrintable(problem));
            return 1;
        }
    }
    const int automatic = std::min(QThread::idealThreadCount() + 1, kMaxAutomatic);
    const QString modernAuto = QStringLiteral("Modern, %1 at once (Automatic)").arg(automatic);

    using Mode = std::function<Outcome(const QString&)>;
    const std::vector<std::pair<QString, Mode>> modes = {
        {QStringLiteral("Modern, 1 at once"),
         [&](const QString& f) { return RunEngine(MakeModernEngine(programFolder), pages, f, 1); }},
        {modernAuto,
         [&](const QString& f) { return RunEngine(MakeModernEngine(programFolder), pages, f, automatic); }},
        {QStringLiteral("chromium --headless, process per page"),
         [&](const QString& f) { return RunProcessPerPage(desktopChromium, pages, f); }},
        {QStringLiteral("Classic, 1 at once"),
         [&](const QString& f) { return RunEngine(MakeClassicEngine(programFolder), pages, f, 1); }},
        {QStringLiteral("%1, process per page").arg(QFileInfo(browser.path).fileName()),
         [&](const QString& f) { return RunProcessPerPage(browser.path, pages, f); }},
    };
    std::printf("%lld pages from %s, %d rounds, %d cores; the engine's browser: %s\n",
                static_cast<long long>(pages.size()), qPrintable(book), rounds, QThread::idealThreadCount(),
                qPrintable(browser.path));
    std::map<QString, std::vector<double>> times;
    std::map<QString, std::vector<double>> processor;
    std::map<QString, int> words;
    for (int round = 1; round <= rounds; ++round) {
        for (const auto& [name, run] : modes) {
            QTemporaryDir folder;
            const double processorBefore = ProcessorSeconds();
            const Outcome outcome = run(folder.path());
            times[name].push_back(outcome.seconds);
            processor[name].push_back(ProcessorSeconds() - processorBefore);
            words[name] = Words(OutputFor(folder.path(), book + '/' + kWordsChapter));
            std::printf("round %d  %-42s %6.2f s  %6.2f s processor  %d/%lld converted\n", round,
                        qPrintable(name), outcome.seconds, processor[name].back(), outcome.converted,
                        static_cast<long long>(pages.size()));
            std::fflush(stdout);
        }
    }
    std::printf("\n%-42s %9s %9s %13s %14s\n", "mode", "median s", "s/page", "processor s", "words ch04-01");
    for (const auto& [name, run] : modes) {
        const double median = bench::Median(times[name]);
        std::printf("%-42s %9.2f %9.3f %13.2f %14d\n", qPrintable(name), median, median / pages.size(),
                    bench::Median(processor[name]), words[name]);
    }
    // Ratios of elapsed time, and of processor time (which the machine's other load does not distort).
    const auto ratio = [&](const char* what, size_t slower, size_t faster, const char* target) {
        std::printf("%-44s %5.2fx elapsed  %5.2fx processor  %s\n", what,
                    bench::Median(times[modes[slower].first]) / bench::Median(times[modes[faster].first]),
                    bench::Median(processor[modes[slower].first]) /
                        bench::Median(processor[modes[faster].first]),
                    target);
    };
    std::printf("\n");
    ratio("chromium per page / Modern 1 at once", 2, 0, "(target at least 4x)");
    ratio("Classic 1 at once / Modern 1 at once", 3, 0, "(target at least 2.5x)");
    ratio("headless shell per page / Modern 1 at once", 4, 0, "");
    ratio("Modern 1 at once / Modern Automatic", 0, 1, "");
    return 0;
}
