// Times the queue operations on large queues and prints the median of several runs per operation.

#include "queue/ConversionQueue.h"
#include "queue/OutputNames.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

using namespace velmora;

namespace {

constexpr int kRows = 100'000;
constexpr int kRepetitions = 7;
constexpr int kCounterRepetitions = 51;

struct Result {
    const char* operation;
    double medianMs;
    double minMs;
    double maxMs;
};

// Only `work` is timed; `setup` runs before each repetition.
Result Measure(const char* operation, const std::function<void()>& setup, const std::function<void()>& work,
               int repetitions = kRepetitions) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        setup();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {operation, times[times.size() / 2], times.front(), times.back()};
}

QStringList Shuffled(QStringList texts) {
    std::mt19937 random(20240601);
    std::shuffle(texts.begin(), texts.end(), random);
    return texts;
}

QStringList WebAddresses() {
    QStringList lines;
    lines.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        lines << QStringLiteral("  https://site%1.test/docs/page-%2.html?id=%3  ")
                     .arg(i % 977)
                     .arg(i)
                     .arg(i * 7);
    return Shuffled(lines);
}

QStringList FilePaths() {
    QStringList paths;
    paths.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        paths
            << QStringLiteral("C:\\Users\\someone\\Documents\\folder%1\\report %2.html").arg(i % 131).arg(i);
    return Shuffled(paths);
}

} // namespace

int main() {
    const QStringList addresses = WebAddresses();
    const QStringList paths = FilePaths();

    std::unique_ptr<ConversionQueue> queue;
    const auto empty = [&] { queue = std::make_unique<ConversionQueue>(); };
    const auto fullOfFiles = [&] {
        empty();
        queue->AddFiles(paths);
    };
    const auto mixedKinds = [&] {
        fullOfFiles();
        for (int row = 0; row < kRows; row += 2)
            queue->SetKind(row, kKindUrl);
    };
    const auto everyOtherSelected = [&] {
        fullOfFiles();
        for (int row = 0; row < kRows; row += 2)
            queue->SetSelected(row, true);
    };

    std::vector<Result> results;
    results.push_back(
        Measure("AddWebAddresses (one call)", empty, [&] { queue->AddWebAddresses(addresses); }));
    results.push_back(Measure("AddFiles (one call)", empty, [&] { queue->AddFiles(paths); }));
    results.push_back(Measure("SortBy source, ascending", fullOfFiles,
                              [&] { queue->SortBy(SortKey::SourceText, Qt::AscendingOrder); }));
    results.push_back(Measure("SortBy source, descending", fullOfFiles,
                              [&] { queue->SortBy(SortKey::SourceText, Qt::DescendingOrder); }));
    results.push_back(Measure("SortBy kind, ascending", mixedKinds,
                              [&] { queue->SortBy(SortKey::Kind, Qt::AscendingOrder); }));
    results.push_back(
        Measure("DeleteSelected (every other row)", everyOtherSelected, [&] { queue->DeleteSelected(); }));
    results.push_back(Measure("DeleteUnselected (every other row)", everyOtherSelected,
                              [&] { queue->DeleteUnselected(); }));
    // Rows that all map to one output name, numbered " (2)" ... " (100000)".
    const QStringList colliding(kRows, QStringLiteral("/home/someone/My PDF/index-html.pdf"));
    QStringList numbered;
    results.push_back(Measure(
        "UniqueOutputPaths (all one name)", [] {}, [&] { numbered = UniqueOutputPaths(colliding); }));
    mixedKinds();
    int urls = 0;
    results.push_back(Measure(
        "Counters", [] {}, [&] { urls = queue->Counters().urls; }, kCounterRepetitions));

    std::printf("%d rows; median of %d runs (Counters: %d runs); %d rows counted as URL\n\n", kRows,
                kRepetitions, kCounterRepetitions, urls);
    std::printf("%-36s %10s %10s %10s\n", "operation", "median ms", "min ms", "max ms");
    for (const Result& result : results)
        std::printf("%-36s %10.2f %10.2f %10.2f\n", result.operation, result.medianMs, result.minMs,
                    result.maxMs);
    return 0;
}
