// Times what a user does with the queue grid on a 100,000-row queue, through the real widget (offscreen),
// and prints the median of several runs per operation.

#include "QueueGrid.h"
#include "queue/ConversionQueue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace velmora;

namespace {

constexpr int kRows = 100'000;
constexpr int kRepetitions = 7;

QStringList Paths() {
    QStringList paths;
    paths.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        paths
            << QStringLiteral("/home/user/documents/archive/%1/page-%2.html").arg((i * 7919) % kRows).arg(i);
    return paths;
}

// Only `work` is timed; `setup` runs before each repetition. Pending events are handled inside the timing,
// so what the view does in response counts too.
void Measure(const char* operation, const std::function<void()>& setup, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRepetitions; ++i) {
        setup();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        work();
        QCoreApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-48s %10.2f %10.2f %10.2f\n", operation, times[times.size() / 2], times.front(),
                times.back());
}

void ClickHeader(TQueueGrid& grid, int column) {
    QHeaderView* header = grid.horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void ClickRow(TQueueGrid& grid, int row, Qt::KeyboardModifiers modifiers = {}) {
    const QModelIndex index = grid.model()->index(row, ConversionQueue::SourceColumn);
    grid.scrollTo(index);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, grid.visualRect(index).center());
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList paths = Paths();

    ConversionQueue queue;
    TQueueGrid grid(queue);
    grid.resize(720, 397);
    grid.show();
    const auto refill = [&] {
        grid.clearSelection();
        grid.setCurrentIndex({});
        queue.DeleteAll();
        queue.AddFiles(paths);
    };

    std::printf("%d rows in a shown grid; median of %d runs\n\n", kRows, kRepetitions);
    std::printf("%-48s %10s %10s %10s\n", "operation", "median ms", "min ms", "max ms");
    Measure(
        "Add Files (one call)", [&] { queue.DeleteAll(); }, [&] { queue.AddFiles(paths); });
    Measure("Ctrl+A", refill, [&] { QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier); });
    Measure(
        "plain click after Ctrl+A",
        [&] {
            refill();
            QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
        },
        [&] { ClickRow(grid, 10); });
    Measure("header click (sort by URL/Filename)", refill,
            [&] { ClickHeader(grid, ConversionQueue::SourceColumn); });
    // Ctrl+A, then 100 rows spread over the queue Ctrl+clicked away: the selection has 101 ranges.
    const auto selectAllButHundred = [&] {
        refill();
        QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
        for (int row = 500; row < kRows; row += kRows / 100)
            ClickRow(grid, row, Qt::ControlModifier);
    };
    Measure("header click, 101 selection ranges", selectAllButHundred,
            [&] { ClickHeader(grid, ConversionQueue::KindColumn); });
    Measure("Delete Selected, 101 selection ranges", selectAllButHundred, [&] { queue.DeleteSelected(); });
    Measure("Delete unselected, 101 selection ranges", selectAllButHundred,
            [&] { queue.DeleteUnselected(); });
    Measure("scroll to the middle and repaint", refill, [&] {
        grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum() / 2);
        grid.viewport()->repaint();
    });
    return 0;
}
