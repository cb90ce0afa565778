#pragma once

#include "queue/ConversionQueue.h"
#include "run/ConvertCommand.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QStatusBar;
class QWidget;

namespace velmora {

class TQueueGrid;

// The bar's text after `done` of `total` rows, `elapsedMs` into the run: "12 of 200", and once a few rows
// have finished the time left at their pace, "12 of 200 · about 1:32 left".
QString ProgressCaption(int done, int total, qint64 elapsedMs);

// The status bar's line after a run, from the rows' outcomes; `folder` is where the PDFs went.
struct RunTally {
    int converted = 0;
    int warnings = 0;
    int failed = 0;
    int notConverted = 0; // left waiting by Stop
};
RunTally TallyOf(const ConversionQueue& queue, const QList<int>& rows);
QString RunSummary(const RunTally& tally, const QString& folder);

// What a person reads while a run goes on and after it: the count and time left on the progress bar,
// the percentage in the window title, the converting row kept in view (until the user scrolls), and
// the outcome counts with the target folder in the status bar once the run has ended.
class ProgressText final : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QWidget& window;
        QProgressBar& bar;
        TQueueGrid& grid;
        QStatusBar& statusBar;
    };
    // `targetFolder` gives the absolute folder the run writes into.
    ProgressText(ConvertCommand& command, ConversionQueue& queue, Controls controls,
                 std::function<QString()> targetFolder, QObject* parent = nullptr);

private:
    void RunStarted();
    void RunEnded();
    void RowStarted(int job);
    void RowFinished();
    void ShowPercent(int percent);
    void HideSummary();

    ConvertCommand& m_command;
    ConversionQueue& m_queue;
    Controls m_controls;
    std::function<QString()> m_targetFolder;
    QLabel* m_summary = nullptr;
    QString m_title;
    QElapsedTimer m_clock;
    int m_done = 0;
    bool m_running = false;
    bool m_rowStarted = false; // else the engine could not run, or Stop came while it was asked
    bool m_userScrolled = false;
    bool m_following = false; // set while the grid scrolls to the converting row
};

} // namespace velmora
