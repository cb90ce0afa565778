// The run engine against a plain shell loop over the same converter with the same options, on the
// 15 chapters of the benchmark corpus: one converter at a time and "Automatic" (one more than there
// are cores, at most 8). The three are interleaved, rotating their order every round, and the medians
// and the loop's time divided by each are printed.
//
// Usage: bench_parallel [rounds] [corpus folder]   (defaults: 5, ../shared/corpus/book from the sources)

#include "BenchSupport.h"
#include "SettingsStore.h"
#include "classic/WkhtmltopdfBackend.h"
#include "run/BatchRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace velmora;

namespace {

constexpr int kDefaultRounds = 5;

QString ShellQuoted(const QString& text) {
    return u'\'' + QString(text).replace(QStringLiteral("'"), QStringLiteral("'\\''")) + u'\'';
}

// The engine's run over all pages into `outputFolder`; seconds, or -1 when a row did not convert.
double RunEngine(const QString& converter, const QStringList& pages, const QString& outputFolder,
                 int parallelism) {
    BatchRunner runner;
    runner.SetBackend(std::make_unique<WkhtmltopdfBackend>(converter));
    runner.SetParallelism(parallelism);
    QList<ConversionJob> jobs;
    for (const QString& page : pages)
        jobs.append(
            {page, QDir(outputFolder).filePath(QFileInfo(page).completeBaseName() + QStringLiteral(".pdf"))});
    bool allConverted = true;
    QObject::connect(&runner, &BatchRunner::rowFinished,
                     [&](int, RowState state) { allConverted = allConverted && state != RowState::Failed; });
    QEventLoop loop;
    QObject::connect(&runner, &BatchRunner::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    runner.Start(jobs);
    if (runner.IsRunning())
        loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    return allConverted ? seconds : -1;
}

// `sh -c 'for f ...; do converter <options> "$f" out; done'` with the options the engine gives each page.
double RunShellLoop(const QString& converter, const QStringList& options, const QStringList& pages,
                    const QString& outputFolder) {
    QStringList quotedOptions;
    for (const QString& option : options)
        quotedOptions << ShellQuoted(option);
    const QString script = QStringLiteral("out=$1; shift; for f in \"$@\"; do %1 %2 \"$f\" "
                                          "\"$out/$(basename \"$f\" .html).pdf\" 2>/dev/null || exit 1; done")
                               .arg(ShellQuoted(converter), quotedOptions.join(u' '));
    QProcess shell;
    shell.setProgram(QStringLiteral("sh"));
    shell.setArguments(QStringList{QStringLiteral("-c"), script, QStringLiteral("sh"), outputFolder} + pages);
    QElapsedTimer timer;
    timer.start();
    shell.start();
    shell.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    return shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0 ? seconds : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = args.size() > 1 ? qMax(1, args[1].toInt()) : kDefaultRounds;
    const QString corpus =
        args.size() > 2 ? args[2] : QStringLiteral(VELMORA_SOURCE_DIR "/../shared/corpus/book");

    const QStringList pages = bench::CorpusChapters(corpus);
    if (pages.isEmpty()) {
        std::printf("No benchmark pages in %s: nothing to measure.\n", qPrintable(QDir::cleanPath(corpus)));
        return 0;
    }
    const QString converter = QStandardPaths::findExecutable(QStringLiteral("wkhtmltopdf"));
    if (converter.isEmpty()) {
        std::printf("wkhtmltopdf is not installed: nothing to measure.\n");
        return 0;
    }

    // The loop gets exactly the engine's options (all but source and output), the same for every page.
    const auto optionsFor = [](const QString& page) {
        QStringList arguments =
            WkhtmltopdfArguments({page, QStringLiteral("out.pdf"), QFileInfo(page).absolutePath()});
        arguments.resize(arguments.size() - 2); // the source and the output
        return arguments;
    };
    const QStringList options = optionsFor(pages[0]);
    for (const QString& page : pages) {
        if (optionsFor(page) != options) {
            std::printf("The pages need different options; one loop cannot use them all.\n");
            return 1;
        }
    }
    const int automatic = AutomaticConverterCount();
    std::printf("%lld pages, %d rounds, converter %s\noptions: %s\nAutomatic: %d converters\n\n",
                qlonglong(pages.size()), rounds, qPrintable(converter), qPrintable(options.join(u' ')),
                automatic);

    struct Contender {
        const char* name;
        std::function<double(const QString&)> run;
        std::vector<double> seconds;
    };
    std::vector<Contender> contenders = {
        {"shell loop", [&](const QString& out) { return RunShellLoop(converter, options, pages, out); }, {}},
        {"program, 1 at a time", [&](const QString& out) { return RunEngine(converter, pages, out, 1); }, {}},
        {"program, Automatic",
         [&](const QString& out) { return RunEngine(converter, pages, out, automatic); },
         {}},
    };
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < contenders.size(); ++i) {
            Contender& contender = contenders[(i + size_t(round)) % contenders.size()];
            QTemporaryDir out;
            const double seconds = contender.run(out.path());
            if (seconds < 0) {
                std::printf("%s: a page did not convert.\n", contender.name);
                return 1;
            }
            contender.seconds.push_back(seconds);
            std::printf("round %d  %-22s %7.2f s\n", round + 1, contender.name, seconds);
            std::fflush(stdout);
        }
    }

    const double loop = bench::Median(contenders[0].seconds);
    std::printf("\n%-22s %10s %16s\n", "", "median", "loop / this");
    for (const Contender& contender : contenders) {
        const double median = bench::Median(contender.seconds);
        std::printf("%-22s %8.2f s %16.3f\n", contender.name, median, loop / median);
    }
    return 0;
}
