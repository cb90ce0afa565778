#include "ProgressText.h"

#include "QueueGrid.h"

#include <QLabel>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStatusBar>

namespace velmora {

namespace {

// An estimate from the first row alone swings too much, the more so with several converters at once.
constexpr int kRowsBeforeEstimate = 2;

// A pale fill under dark text: the text reads the same over the filled and the empty part, where a
// strong fill with a second text colour made the characters on the boundary hard to make out.
const char* const kBarStyle = R"(
QProgressBar { border: 1px solid #A0A0A0; background: #FFFFFF; color: #000000; text-align: center; }
QProgressBar::chunk { background: #A8D0F5; }
)";

QString ClockText(qint64 seconds) {
    const QChar zero(u'0');
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

} // namespace

QString ProgressCaption(int done, int total, qint64 elapsedMs) {
    const QString count = QStringLiteral("%1 of %2").arg(done).arg(total);
    if (done < kRowsBeforeEstimate || done >= total)
        return count;
    const qint64 leftMs = elapsedMs * (total - done) / done;
    return count + QStringLiteral(" \u00B7 about %1 left").arg(ClockText((leftMs + 999) / 1000));
}

RunTally TallyOf(const ConversionQueue& queue, const QList<int>& rows) {
    RunTally tally;
    for (int row : rows) {
        switch (queue.State(row)) {
        case RowState::Converted:
            ++tally.converted;
            break;
        case RowState::ConvertedWithWarnings:
            ++tally.warnings;
            break;
        case RowState::Failed:
            ++tally.failed;
            break;
        case RowState::Waiting:
        case RowState::Converting:
        case RowState::NotReached:
            ++tally.notConverted;
            break;
        }
    }
    return tally;
}

QString RunSummary(const RunTally& tally, const QString& folder) {
    QString text = QStringLiteral("%1 converted, %2 with warnings, %3 failed")
                       .arg(tally.converted)
                       .arg(tally.warnings)
                       .arg(tally.failed);
    if (tally.notConverted > 0)
        text += QStringLiteral(", %1 not converted").arg(tally.notConverted);
    return text + QStringLiteral(". PDFs in %1").arg(folder);
}

ProgressText::ProgressText(ConvertCommand& command, ConversionQueue& queue, Controls controls,
                           std::function<QString()> targetFolder, QObject* parent)
    : QObject(parent), m_command(command), m_queue(queue), m_controls(controls),
      m_targetFolder(std::move(targetFolder)) {
    m_controls.bar.setAlignment(Qt::AlignCenter);
    m_controls.bar.setStyleSheet(QLatin1String(kBarStyle));

    // Over the counter panes until the queue changes: the counters are rewritten then anyway.
    m_summary = new QLabel(&m_controls.statusBar);
    m_summary->setObjectName(QStringLiteral("spRunSummary"));
    m_summary->setGeometry(m_controls.statusBar.rect());
    m_summary->setIndent(3);
    m_summary->setAutoFillBackground(true);
    m_summary->hide();
    connect(&queue, &ConversionQueue::rowsInserted, this, &ProgressText::HideSummary);
    connect(&queue, &ConversionQueue::rowsRemoved, this, &ProgressText::HideSummary);
    connect(&queue, &ConversionQueue::modelReset, this, &ProgressText::HideSummary);

    connect(&command, &ConvertCommand::statusChanged, this, [this](TRunStatus status) {
        if (status == rsStart)
            RunStarted();
        else if (m_running)
            RunEnded();
    });
    BatchRunner& runner = command.Runner();
    connect(&runner, &BatchRunner::rowStarted, this, &ProgressText::RowStarted);
    connect(&runner, &BatchRunner::rowFinished, this, &ProgressText::RowFinished);
    connect(&runner, &BatchRunner::progressChanged, this, &ProgressText::ShowPercent);
    connect(m_controls.grid.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_running && !m_following)
            m_userScrolled = true;
    });
}

void ProgressText::RunStarted() {
    m_running = true;
    m_rowStarted = false;
    m_userScrolled = false;
    m_done = 0;
    m_clock.start();
    m_title = m_controls.window.windowTitle();
    HideSummary();
    m_controls.bar.setTextVisible(true);
    m_controls.bar.setFormat(ProgressCaption(0, int(m_command.RunRows().size()), 0));
    ShowPercent(0);
}

void ProgressText::RunEnded() {
    m_running = false;
    m_controls.window.setWindowTitle(m_title);
    if (!m_rowStarted)
        return; // nothing to sum up
    QString summary = RunSummary(TallyOf(m_queue, m_command.RunRows()), m_targetFolder());
    if (const QString note = CombineNote(m_command.CombinedPath(), m_command.CombineLeftOut(),
                                         m_command.CombineGone(), m_command.CombineProblem(), true);
        !note.isEmpty())
        summary += QStringLiteral(". ") + note;
    m_summary->setText(summary);
    m_summary->setToolTip(summary); // the whole line, where the window is too narrow for it
    m_summary->show();
    m_summary->raise();
}

void ProgressText::RowStarted(int job) {
    m_rowStarted = true;
    if (m_userScrolled)
        return;
    const QScopedValueRollback guard(m_following, true);
    m_controls.grid.scrollTo(m_queue.index(m_command.RunRows().at(job), ConversionQueue::SourceColumn));
}

void ProgressText::RowFinished() {
    ++m_done;
    m_controls.bar.setFormat(ProgressCaption(m_done, int(m_command.RunRows().size()), m_clock.elapsed()));
}

void ProgressText::ShowPercent(int percent) {
    m_controls.window.setWindowTitle(QStringLiteral("%1% - %2").arg(percent).arg(m_title));
}

void ProgressText::HideSummary() {
    m_summary->hide();
}

} // namespace velmora
