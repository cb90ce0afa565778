#include "FollowLinks.h"

#include "Dialogs.h"
#include "FollowLinksDialog.h"
#include "StatusNotice.h"
#include "run/ConvertCommand.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace velmora {

namespace {
const QString kAddCaption = QStringLiteral("Add &linked pages...");
const QString kStopCaption = QStringLiteral("Stop &looking for linked pages");
} // namespace

FollowLinks::FollowLinks(ConversionQueue& queue, ConvertCommand& command, Dialogs& dialogs, QMenu& popupMenu,
                         QStatusBar& statusBar, QMainWindow& window)
    : QObject(&window), m_queue(queue), m_command(command), m_dialogs(dialogs), m_statusBar(statusBar),
      m_window(window) {
    m_action = new QAction(kAddCaption, this);
    m_action->setObjectName(QStringLiteral("actAddLinkedPages"));
    QMenu* editMenu = window.menuBar()->findChild<QMenu*>(QStringLiteral("mnuEditMenu"));
    editMenu->addSeparator();
    editMenu->addAction(m_action);
    popupMenu.addAction(m_action);
    connect(m_action, &QAction::triggered, this, &FollowLinks::Triggered);
    connect(&command, &ConvertCommand::statusChanged, this, [this] {
        UpdateState();
        AddWhenIdle();
    });
    connect(&queue, &ConversionQueue::rowsInserted, this, &FollowLinks::UpdateState);
    connect(&queue, &ConversionQueue::rowsRemoved, this, &FollowLinks::UpdateState);
    connect(&queue, &ConversionQueue::modelReset, this, &FollowLinks::UpdateState);
    UpdateState();
}

FollowLinks::~FollowLinks() = default;

QStringList FollowLinks::ChosenRows() const {
    QStringList selected, all;
    for (int row = 0; row < m_queue.RowCount(); ++row) {
        all.append(m_queue.SourceText(row));
        if (m_queue.IsSelected(row))
            selected.append(m_queue.SourceText(row));
    }
    return selected.isEmpty() ? all : selected;
}

void FollowLinks::Triggered() {
    if (m_walk && m_walk->IsRunning()) {
        m_walk->Stop();
        return;
    }
    const QStringList starts = ChosenRows();
    if (starts.isEmpty())
        return;
    const QString localRoot = m_command.Runner().LocalRoot();
    FollowLinksDialog dialog(FollowScope::For(starts.first(), {}, localRoot).Prefix(), &m_window);
    if (!m_dialogs.RunModal(dialog))
        return;
    FollowOptions options = dialog.Value();
    options.localRoot = localRoot;
    Start(starts, options);
}

void FollowLinks::Start(const QStringList& starts, FollowOptions options) {
    m_walk = std::make_unique<LinkWalk>(std::move(options));
    connect(m_walk.get(), &LinkWalk::progressed, this, &FollowLinks::ShowProgress);
    connect(m_walk.get(), &LinkWalk::finished, this, &FollowLinks::Ended);
    ShowProgress();
    m_walk->Start(starts);
    UpdateState();
}

void FollowLinks::ShowProgress() {
    ShowStatusNotice(&m_statusBar, QStringLiteral("Looking for linked pages: %1 found, %2 could not be read")
                                       .arg(m_walk->FoundCount())
                                       .arg(m_walk->UnreadableCount()));
}

void FollowLinks::Ended() {
    m_waitingForRun = true;
    UpdateState();
    AddWhenIdle();
}

// Rows are never added under a run that goes on.
void FollowLinks::AddWhenIdle() {
    if (!m_waitingForRun || m_command.Status() == rsStart)
        return;
    m_waitingForRun = false;
    const int added = AddFoundPages(m_queue, m_walk->Found());
    const int found = m_walk->FoundCount();
    QString text = m_walk->WasStopped() ? QStringLiteral("Stopped looking for linked pages. ") : QString();
    text += added == 1 ? QStringLiteral("1 linked page added")
                       : QStringLiteral("%1 linked pages added").arg(added);
    if (found > added)
        text += QStringLiteral(" (%1 already in the queue)").arg(found - added);
    text += QStringLiteral(". ") + SkippedSummary(m_walk->Skipped());
    ShowStatusNotice(&m_statusBar, text.trimmed());
}

void FollowLinks::UpdateState() {
    const bool walking = m_walk && m_walk->IsRunning();
    m_action->setText(walking ? kStopCaption : kAddCaption);
    m_action->setEnabled(walking || (m_command.Status() != rsStart && m_queue.RowCount() > 0));
}

} // namespace velmora
