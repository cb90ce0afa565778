// Times the rendering engines on the book corpus, interleaved round by round so that all modes meet the
// same machine load: the Modern engine (one Chromium over the DevTools pipe) at one and at "Automatic"
// conversions at once, on the local files and on the same pages served over HTTP from 127.0.0.1, a
// one-row Modern run (the time to its PDF includes the browser's start), shell loops starting one
// headless browser per page (the desktop Chromium as a user would run it, and the headless shell the
// engine itself prefers), and the Classic engine (wkhtmltopdf, one process per page). Prints the median
// time of each mode, the processor time and peak memory of the processes, where a Modern row's time goes
// (from the engine's phase log), and the ratios against their targets.
//
// Usage: bench_engines [rounds] [--modern] [--long] (default 3 rounds). --modern leaves out the modes
// of other programs and Classic; --long adds one run of 300 rows (the
// chapters 20 times over, as copies under other names) at Automatic. The corpus path comes from the
// build; the HTTP server is Python's http.server.

#include "BenchSupport.h"
#include "ProcessSampler.h"
#include "classic/WkhtmltopdfBackend.h"
#include "modern/BrowserLocation.h"
#include "modern/BrowserPipe.h"
#include "modern/ChromiumBackend.h"
#include "modern/PhaseTrace.h"
#include "run/BatchRunner.h"
#include "run/ConvertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
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
using bench::ProcessSampler;

namespace {

constexpr int kDefaultRounds = 3;
constexpr int kMaxAutomatic = 8;
constexpr int kLongRunCopies = 20;
const QString kWordsChapter = QStringLiteral("ch04-01-what-is-ownership.html");
// The phases a Modern row passes, in order, as the engine logs them.
const QStringList kPhases = {QStringLiteral("tab"),   QStringLiteral("navigated"), QStringLiteral("loaded"),
                             QStringLiteral("print"), QStringLiteral("printed"),   QStringLiteral("pdf"),
                             QStringLiteral("done")};

struct Outcome {
    double seconds = 0;
    int converted = 0;
    double firstPdf = 0; // seconds from the run's start to the first row's end
    double processor[ProcessSampler::KindCount + 1] = {}; // by kind, then this program
    int renderers = 0;
    double peakMegabytes = 0;
    std::map<QString, std::vector<double>> phases; // ms since each row began, by phase
    int prints = 0;
};

// The engine's phase lines of the run in progress.
QStringList g_phaseLines;

void KeepPhaseLines(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && QLatin1String(context.category) == QLatin1String(lcModernPhases().categoryName()))
        g_phaseLines << message;
    else if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

double ProcessorSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processor time used by this program and every process it started (the browser and all its helpers,
// the converters), in seconds: what a mode costs the machine, whatever else runs on it. The browser's
// renderers are not its own children once they outlive it, so the system's account of waited-for
// children would miss them; the sampler sees them all.
double TotalProcessor(const Outcome& outcome) {
    double total = 0;
    for (const double seconds : outcome.processor)
        total += seconds;
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

void ReadPhases(Outcome& outcome) {
    static const QRegularExpression pair(QStringLiteral("(\\w+) (\\d+)"));
    for (const QString& line : std::as_const(g_phaseLines)) {
        QSet<QString> seen;
        for (auto match = pair.globalMatch(line.section(QLatin1Char(':'), 1)); match.hasNext();) {
            const auto found = match.next();
            const QString phase = found.captured(1);
            outcome.prints += phase == QLatin1String("print") ? 1 : 0;
            if (!seen.contains(phase)) // the first time; a page printed again shows in `prints`
                outcome.phases[phase].push_back(found.captured(2).toDouble());
            seen.insert(phase);
        }
    }
}

void SetProcessorFigures(Outcome& outcome, const ProcessSampler& sampler) {
    for (int kind = 0; kind < ProcessSampler::KindCount; ++kind)
        outcome.processor[kind] = sampler.Seconds(ProcessSampler::Kind(kind));
    outcome.renderers = sampler.Count(ProcessSampler::Renderer);
    outcome.peakMegabytes = sampler.PeakMegabytes();
}

// A run of the batch runner with the given engine, up to `parallelism` rows at once.
Outcome RunEngine(std::unique_ptr<RenderBackend> engine, const QStringList& pages, const QString& folder,
                  int parallelism) {
    QList<ConversionJob> jobs;
    for (const QString& page : pages)
        jobs.append({page, OutputFor(folder, page)});
    Outcome outcome;
    g_phaseLines.clear();
    const double programBefore = ProcessorSeconds(RUSAGE_SELF);
    ProcessSampler sampler;
    sampler.Start();
    QElapsedTimer timer;
    timer.start();
    BatchRunner runner;
    runner.SetBackend(std::move(engine));
    runner.SetParallelism(parallelism);
    QEventLoop loop;
    int failed = 0;
    QObject::connect(&runner, &BatchRunner::rowFinished, [&] {
        if (outcome.firstPdf == 0)
            outcome.firstPdf = timer.nsecsElapsed() / 1e9;
    });
    QObject::connect(&runner, &BatchRunner::finished, [&](int failedRows, int, bool) {
        failed = failedRows;
        loop.quit();
    });
    runner.Start(jobs);
    loop.exec();
    outcome.seconds = timer.nsecsElapsed() / 1e9;
    outcome.converted = int(pages.size()) - failed;
    runner.SetBackend(nullptr); // the browser ends here, so its last figures are sampled
    sampler.Stop();
    SetProcessorFigures(outcome, sampler);
    outcome.processor[ProcessSampler::KindCount] = ProcessorSeconds(RUSAGE_SELF) - programBefore;
    ReadPhases(outcome);
    return outcome;
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
    ProcessSampler sampler;
    sampler.Start();
    QElapsedTimer timer;
    timer.start();
    QProcess shell;
    QEventLoop loop; // not waitForFinished: the sampler runs meanwhile
    QObject::connect(&shell, &QProcess::finished, &loop, &QEventLoop::quit);
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), script.join('\n')});
    loop.exec();
    Outcome outcome;
    outcome.seconds = timer.nsecsElapsed() / 1e9;
    outcome.converted = NonEmptyPdfs(folder);
    sampler.Stop();
    SetProcessorFigures(outcome, sampler);
    return outcome;
}

int Words(const QString& pdf) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    tool.waitForFinished();
    return int(QString::fromUtf8(tool.readAllStandardOutput())
                   .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)
                   .size());
}

// Serves the corpus folder on 127.0.0.1 at a free port; empty address when it cannot.
class CorpusServer {
public:
    explicit CorpusServer(const QString& folder) {
        m_server.setStandardErrorFile(QProcess::nullDevice()); // one line per request
        m_server.start(QStringLiteral("python3"),
                       {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                        QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("--directory"), folder});
        static const QRegularExpression port(QStringLiteral("port (\\d+)"));
        while (m_address.isEmpty() && m_server.waitForReadyRead(5000))
            if (const auto found = port.match(QString::fromUtf8(m_server.readAll())); found.hasMatch())
                m_address = QStringLiteral("http://127.0.0.1:%1/").arg(found.captured(1));
    }
    ~CorpusServer() {
        m_server.kill();
        m_server.waitForFinished();
    }
    QString Address() const { return m_address; }

private:
    QProcess m_server;
    QString m_address;
};

// The corpus with its chapters copied `copies` times under other names, in `folder`.
QStringList CopiedChapters(const QString& book, const QString& folder, int copies) {
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), book + QStringLiteral("/."), folder});
    QStringList pages;
    for (int copy = 1; copy <= copies; ++copy)
        for (const QString& chapter : bench::CorpusChapters(book)) {
            const QString page = QDir(folder).filePath(QStringLiteral("copy%1-%2")
                                                           .arg(copy, 2, 10, QLatin1Char('0'))
                                                           .arg(QFileInfo(chapter).fileName()));
            QFile::copy(chapter, page);
            pages << page;
        }
    return pages;
}

void PrintPhases(const QString& name, const std::vector<Outcome>& outcomes, int pages) {
    std::map<QString, std::vector<double>> phases;
    int prints = 0;
    for (const Outcome& outcome : outcomes) {
        for (const auto& [phase, values] : outcome.phases)
            phases[phase].insert(phases[phase].end(), values.begin(), values.end());
        prints += outcome.prints;
    }
    std::printf("%-36s", qPrintable(name));
    for (const QString& phase : kPhases)
        std::printf(" %9.0f", phases[phase].empty() ? 0.0 : bench::Median(phases[phase]));
    std::printf(" %7.2f\n", double(prints) / std::max<size_t>(1, outcomes.size() * pages));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const bool longRun = arguments.contains(QStringLiteral("--long"));
    const bool modernOnly = arguments.contains(QStringLiteral("--modern"));
    const int rounds = bench::RoundsArgument(argc, argv, kDefaultRounds);
    const QString book = bench::CorpusFolder();
    QStringList pages = bench::CorpusChapters(book);
    if (pages.isEmpty()) {
        std::printf("No chapters found in %s\n", qPrintable(book));
        return 1;
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    const ProgramLocation browser = LocateBrowser(programFolder);
    const QString desktopChromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (desktopChromium.isEmpty()) {
        std::printf("chromium is not on PATH\n");
        return 1;
    }
    for (const auto& engine : {MakeModernEngine(programFolder), MakeClassicEngine(programFolder)}) {
        QFuture<QString> check = engine->StartProblem();
        while (!check.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (const QString problem = check.result(); !problem.isEmpty()) {
            std::printf("%s\n", qPrintable(problem));
            return 1;
        }
    }
    const CorpusServer server(book);
    if (server.Address().isEmpty()) {
        std::printf("python3 -m http.server could not be started\n");
        return 1;
    }
    QStringList served;
    for (const QString& page : pages)
        served << server.Address() + QFileInfo(page).fileName();
    QLoggingCategory::setFilterRules(QStringLiteral("velmora.modern.phases.debug=true"));
    qInstallMessageHandler(KeepPhaseLines);

    const int automatic = std::min(QThread::idealThreadCount() + 1, kMaxAutomatic);
    const QString autoName = QStringLiteral("%1 at once (Automatic)").arg(automatic);
    const auto modern = [&](const QStringList& list, int parallelism) {
        return [&, list, parallelism](const QString& f) {
            return RunEngine(MakeModernEngine(programFolder), list, f, parallelism);
        };
    };
    // The first five are the Modern modes, whose phases are shown; the ratios below name modes by place.
    using Mode = std::function<Outcome(const QString&)>;
    const std::vector<std::pair<QString, Mode>> modes = {
        {QStringLiteral("Modern, 1 at once"), modern(pages, 1)},
        {QStringLiteral("Modern, ") + autoName, modern(pages, automatic)},
        {QStringLiteral("Modern, 1 at once, HTTP"), modern(served, 1)},
        {QStringLiteral("Modern, %1, HTTP").arg(autoName), modern(served, automatic)},
        {QStringLiteral("Modern, one row (browser start)"), modern(pages.mid(0, 1), 1)},
        {QStringLiteral("chromium --headless, process per page"),
         [&](const QString& f) { return RunProcessPerPage(desktopChromium, pages, f); }},
        {QStringLiteral("Classic, 1 at once"),
         [&](const QString& f) { return RunEngine(MakeClassicEngine(programFolder), pages, f, 1); }},
        {QStringLiteral("%1, process per page").arg(QFileInfo(browser.path).fileName()),
         [&](const QString& f) { return RunProcessPerPage(browser.path, pages, f); }},
    };
    constexpr size_t kModernModes = 5;
    std::printf("%lld pages from %s, %d rounds, %d cores; the engine's browser: %s\n",
                static_cast<long long>(pages.size()), qPrintable(book), rounds, QThread::idealThreadCount(),
                qPrintable(browser.path));
    std::map<QString, std::vector<double>> times;
    std::map<QString, std::vector<double>> processor;
    std::map<QString, std::vector<Outcome>> outcomes;
    std::map<QString, int> words;
    for (int round = 1; round <= rounds; ++round) {
        for (const auto& [name, run] : modes) {
            if (modernOnly && outcomes.size() >= kModernModes && !outcomes.contains(name))
                break;
            QTemporaryDir folder;
            const Outcome outcome = run(folder.path());
            times[name].push_back(outcome.seconds);
            processor[name].push_back(TotalProcessor(outcome));
            outcomes[name].push_back(outcome);
            words[name] = Words(OutputFor(folder.path(), book + '/' + kWordsChapter));
            std::printf("round %d  %-42s %6.2f s  %6.2f s processor  %d converted\n", round, qPrintable(name),
                        outcome.seconds, processor[name].back(), outcome.converted);
            std::fflush(stdout);
        }
    }
    const auto median = [&](const QString& name, const std::function<double(const Outcome&)>& of) {
        std::vector<double> values;
        for (const Outcome& outcome : outcomes[name])
            values.push_back(of(outcome));
        return bench::Median(values);
    };
    std::printf("\n%-42s %9s %9s %12s %8s %8s %9s\n", "mode", "median s", "s/page", "processor s", "words",
                "1st PDF", "peak MB");
    for (const auto& [name, run] : modes) {
        if (!outcomes.contains(name))
            break;
        const double seconds = bench::Median(times[name]);
        std::printf("%-42s %9.2f %9.3f %12.2f %8d %8.2f %9.0f\n", qPrintable(name), seconds,
                    seconds / outcomes[name].front().converted, bench::Median(processor[name]), words[name],
                    median(name, [](const Outcome& o) { return o.firstPdf; }),
                    median(name, [](const Outcome& o) { return o.peakMegabytes; }));
    }
    std::printf("\nprocessor s by process (medians)      program   browser renderers   helpers  renderer "
                "processes\n");
    for (size_t mode = 0; mode < kModernModes; ++mode) {
        const QString& name = modes[mode].first;
        std::printf("%-36s", qPrintable(name));
        for (const int kind : {int(ProcessSampler::KindCount), int(ProcessSampler::Browser),
                               int(ProcessSampler::Renderer), int(ProcessSampler::Helper)})
            std::printf(" %9.2f", median(name, [kind](const Outcome& o) { return o.processor[kind]; }));
        std::printf(" %9.0f\n", median(name, [](const Outcome& o) { return o.renderers; }));
    }
    std::printf("\nms since a row began (medians)      ");
    for (const QString& phase : kPhases)
        std::printf(" %9s", qPrintable(phase));
    std::printf("  prints/row\n");
    for (size_t mode = 0; mode < kModernModes; ++mode)
        PrintPhases(modes[mode].first, outcomes[modes[mode].first],
                    int(outcomes[modes[mode].first].front().converted));

    // Ratios of elapsed time, and of processor time (which the machine's other load does not distort).
    const auto ratio = [&](const char* what, size_t slower, size_t faster, const char* target) {
        std::printf("%-44s %5.2fx elapsed  %5.2fx processor  %s\n", what,
                    bench::Median(times[modes[slower].first]) / bench::Median(times[modes[faster].first]),
                    bench::Median(processor[modes[slower].first]) /
                        bench::Median(processor[modes[faster].first]),
                    target);
    };
    std::printf("\n");
    if (!modernOnly) {
        ratio("chromium per page / Modern 1 at once", 5, 0, "(target at least 4x)");
        ratio("Classic 1 at once / Modern 1 at once", 6, 0, "(target at least 2.5x)");
        ratio("headless shell per page / Modern 1 at once", 7, 0, "");
        ratio("Classic 1 at once / Modern Automatic", 6, 1, "(target at least 8x)");
    }
    ratio("Modern 1 at once / Modern Automatic", 0, 1, "(target at least 2x)");
    ratio("Modern local / HTTP, 1 at once", 0, 2, "(target at most 1.15x)");
    ratio("Modern local / HTTP, Automatic", 1, 3, "(target at most 1.15x)");

    if (longRun) {
        QTemporaryDir copies;
        QTemporaryDir folder;
        const QStringList many = CopiedChapters(book, copies.path(), kLongRunCopies);
        const Outcome outcome = RunEngine(MakeModernEngine(programFolder), many, folder.path(), automatic);
        const double perPage = outcome.seconds / many.size();
        const double shortPerPage = bench::Median(times[modes[1].first]) / pages.size();
        std::printf("\n%lld rows at Automatic: %.2f s, %.3f s/page (%.2fx the 15-row run's, target at most "
                    "1.10x), %d converted, peak memory %.0f MB (target under 1500 MB)\n",
                    static_cast<long long>(many.size()), outcome.seconds, perPage, perPage / shortPerPage,
                    outcome.converted, outcome.peakMegabytes);
        PrintPhases(QStringLiteral("long run"), {outcome}, int(many.size()));
    }
    return 0;
}
