#pragma once

#include "queue/ConversionQueue.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace velmora {

// Edit › Undo (Ctrl+Z): puts back the rows the last delete took, at their places and with their
// outcomes. Deletes ask for no confirmation; this is their way back.
class UndoRemoval final : public QObject {
    Q_OBJECT
public:
    // The item goes first in `editMenu`; `canChange` says whether the queue may change now (no run).
    UndoRemoval(ConversionQueue& queue, QMenu& editMenu, std::function<bool()> canChange, QObject* parent);

    // The rows a delete just took; a delete that took none leaves the earlier one to undo.
    void Keep(RemovedRows rows);
    void UpdateState();

signals:
    void rowsRestored();

private:
    void Undo();

    ConversionQueue& m_queue;
    std::function<bool()> m_canChange;
    RemovedRows m_removed;
    QAction* m_undo = nullptr;
};

} // namespace velmora
