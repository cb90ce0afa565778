#include "UndoRemoval.h"

#include <QAction>
#include <QMenu>

#include <utility>

namespace velmora {

UndoRemoval::UndoRemoval(ConversionQueue& queue, QMenu& editMenu, std::function<bool()> canChange,
                         QObject* parent)
    : QObject(parent), m_queue(queue), m_canChange(std::move(canChange)) {
    m_undo = new QAction(QStringLiteral("&Undo"), this);
    m_undo->setObjectName(QStringLiteral("actUndo"));
    // A window shortcut: the target folder's edit and the Type editor still take Ctrl+Z for their text.
    m_undo->setShortcut(QKeySequence::Undo);
    QAction* first = editMenu.actions().value(0);
    editMenu.insertAction(first, m_undo);
    editMenu.insertSeparator(first);
    connect(m_undo, &QAction::triggered, this, &UndoRemoval::Undo);
    UpdateState();
}

void UndoRemoval::Keep(RemovedRows rows) {
    if (rows.isEmpty())
        return;
    m_removed = std::move(rows);
    UpdateState();
}

void UndoRemoval::UpdateState() {
    const int count = int(m_removed.size());
    m_undo->setEnabled(count > 0 && m_canChange());
    m_undo->setText(count == 0   ? QStringLiteral("&Undo")
                    : count == 1 ? QStringLiteral("&Undo Delete (1 row)")
                                 : QStringLiteral("&Undo Delete (%1 rows)").arg(count));
}

void UndoRemoval::Undo() {
    if (m_removed.isEmpty() || !m_canChange())
        return;
    m_queue.Restore(std::exchange(m_removed, {}));
    UpdateState();
    emit rowsRestored();
}

} // namespace velmora
