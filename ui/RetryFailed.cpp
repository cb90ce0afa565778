#include "RetryFailed.h"

#include "run/ConvertCommand.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

namespace velmora {

RetryFailed::RetryFailed(ConversionQueue& queue, ConvertCommand& command, QMenu& convertMenu,
                         QMenu& popupMenu, QObject* parent)
    : QObject(parent), m_queue(queue), m_command(command) {
    m_action = new QAction(QStringLiteral("Convert &failed rows again"), this);
    m_action->setObjectName(QStringLiteral("actConvertFailedAgain"));
    convertMenu.addAction(m_action);
    popupMenu.addAction(m_action);
    connect(m_action, &QAction::triggered, this, [this] { m_command.ConvertRows(FailedRows()); });
    m_rest = new QAction(QStringLiteral("Convert the &rest"), this);
    m_rest->setObjectName(QStringLiteral("actConvertTheRest"));
    convertMenu.addAction(m_rest);
    popupMenu.addAction(m_rest);
    connect(m_rest, &QAction::triggered, this, [this] { m_command.ConvertRows(RestRows()); });

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

QList<int> RetryFailed::RowsIn(std::initializer_list<RowState> states) const {
    QList<int> rows;
    for (int row = 0; row < m_queue.RowCount(); ++row) {
        if (std::find(states.begin(), states.end(), m_queue.State(row)) != states.end())
            rows << row;
    }
    return rows;
}

QList<int> RetryFailed::FailedRows() const {
    return RowsIn({RowState::Failed});
}

QList<int> RetryFailed::RestRows() const {
    return RowsIn({RowState::Failed, RowState::NotReached});
}

// The rows are looked at only while no run goes on, so a run's outcomes cost nothing here.
void RetryFailed::UpdateState() {
    const bool idle = m_command.Status() != rsStart;
    m_action->setEnabled(idle && !FailedRows().isEmpty());
    m_rest->setEnabled(idle && !RestRows().isEmpty());
}

} // namespace velmora
