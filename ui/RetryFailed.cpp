#include "RetryFailed.h"

#include "ConvertCommand.h"

#include <QAction>
#include <QMenu>

namespace velmora {

RetryFailed::RetryFailed(ConversionQueue& queue, ConvertCommand& command, QMenu& convertMenu,
                         QMenu& popupMenu, QObject* parent)
    : QObject(parent), m_queue(queue), m_command(command) {
    m_action = new QAction(QStringLiteral("Convert &failed rows again"), this);
    m_action->setObjectName(QStringLiteral("actConvertFailedAgain"));
    convertMenu.addAction(m_action);
    popupMenu.addAction(m_action);
    connect(m_action, &QAction::triggered, this, [this] { m_command.ConvertRows(FailedRows()); });

    connect(&command, &ConvertCommand::statusChanged, this, &RetryFailed::UpdateState);
    // Only outcomes matter; selection and kind edits, which can touch every row, are let pass.
    connect(&queue, &ConversionQueue::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(ConversionQueue::RowStateRole))
                    UpdateState();
            });
    connect(&queue, &ConversionQueue::rowsRemoved, this, &RetryFailed::UpdateState);
    connect(&queue, &ConversionQueue::modelReset, this, &RetryFailed::UpdateState);
    UpdateState();
}

QList<int> RetryFailed::FailedRows() const {
    QList<int> rows;
    for (int row = 0; row < m_queue.RowCount(); ++row) {
        if (m_queue.State(row) == RowState::Failed)
            rows << row;
    }
    return rows;
}

// The rows are looked at only while no run goes on, so a run's outcomes cost nothing here.
void RetryFailed::UpdateState() {
    m_action->setEnabled(m_command.Status() != rsStart && !FailedRows().isEmpty());
}

} // namespace velmora
