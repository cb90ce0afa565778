#include "QueueFile.h"

#include "Dialogs.h"
#include "StatusNotice.h"
#include "queue/ConversionQueue.h"
#include "queue/SourceList.h"

#include <QAction>
#include <QMenu>
#include <QSaveFile>
#include <QStatusBar>
#include <QWidget>

#include <algorithm>

namespace velmora {

namespace {

const QString kQueueFileFilter = QStringLiteral("Queue lists (*.txt)|*.txt|All files (*.*)|*.*");
const QString kSuggestedName = QStringLiteral("queue.txt");

// A refusal's reason as part of a line: "Neither a web address ... nor a file." -> "neither ... file",
// without the name a reason gives ("No such file: /a/b.html" -> "no such file"), so that one count
// takes every line refused for the same cause.
QString ReasonInLine(QString reason) {
    reason = reason.section(QStringLiteral(": "), 0, 0);
    if (reason.endsWith(u'.'))
        reason.chop(1);
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();
    return reason;
}

} // namespace

QueueFile::QueueFile(ConversionQueue& queue, Dialogs& dialogs, QWidget& window, QStatusBar& statusBar,
                     QMenu& fileMenu, QAction* before, std::function<bool()> canAdd)
    : QObject(&window), m_queue(queue), m_dialogs(dialogs), m_window(window), m_statusBar(statusBar),
      m_canAdd(std::move(canAdd)) {
    m_open = new QAction(QStringLiteral("&Open queue..."), this);
    m_open->setObjectName(QStringLiteral("actOpenQueue"));
    m_open->setShortcut(QKeySequence::Open);
    m_save = new QAction(QStringLiteral("&Save queue..."), this);
    m_save->setObjectName(QStringLiteral("actSaveQueue"));
    m_save->setShortcut(QKeySequence::Save);
    fileMenu.insertActions(before, {m_open, m_save});
    fileMenu.insertSeparator(m_open);
    connect(m_open, &QAction::triggered, this, &QueueFile::Open);
    connect(m_save, &QAction::triggered, this, &QueueFile::Save);
    UpdateStates();
}

void QueueFile::UpdateStates() {
    m_open->setEnabled(m_canAdd());
    m_save->setEnabled(m_queue.RowCount() > 0);
}

// Through the command line's own rules, so a list reads the same in both; refusals and duplicates are
// counted by reason, in the order they first occurred.
void QueueFile::AddSources(const QStringList& sources) {
    const int before = m_queue.RowCount();
    const QList<RefusedSource> refused = velmora::AddSources(m_queue, sources);
    QList<std::pair<int, QString>> counts;
    for (const RefusedSource& source : refused) {
        const QString why = ReasonInLine(source.reason);
        auto it = std::find_if(counts.begin(), counts.end(),
                               [&](const auto& count) { return count.second == why; });
        if (it == counts.end())
            counts.append({1, why});
        else
            ++it->first;
    }
    const int duplicates = int(sources.size() - refused.size()) - (m_queue.RowCount() - before);
    counts.append({duplicates, QStringLiteral("already in the queue")});
    emit rowsOffered();
    if (const QString text = SkippedLinesText(counts); !text.isEmpty())
        ShowStatusNotice(&m_statusBar, text);
}

void QueueFile::Save() {
    const std::optional<QString> path =
        m_dialogs.GetSaveFileName(&m_window, kQueueFileFilter, kSuggestedName, QStringLiteral("Save queue"));
    if (!path)
        return;
    QStringList lines;
    for (int row = 0; row < m_queue.RowCount(); ++row)
        lines << m_queue.SourceText(row);
    // Written whole or not at all: a failed save leaves an earlier list as it was.
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write((lines.join(u'\n') + u'\n').toUtf8()) < 0 ||
        !file.commit())
        m_dialogs.ShowError(
            &m_window,
            QStringLiteral("The queue could not be saved to \"%1\": %2.").arg(*path, file.errorString()));
}

void QueueFile::Open() {
    const std::optional<QStringList> files =
        m_dialogs.GetOpenFileNames(&m_window, kQueueFileFilter, QString(), QStringLiteral("Open queue"));
    if (!files || !m_canAdd())
        return;
    QStringList sources;
    for (const QString& file : *files) {
        QString error;
        if (const std::optional<QStringList> listed = ReadSourceList(file, error))
            sources << *listed;
        else
            m_dialogs.ShowError(&m_window, error);
    }
    AddSources(sources);
}

} // namespace velmora
