#pragma once

#include "queue/ConversionQueue.h"

#include <QList>
#include <QObject>

#include <initializer_list>

class QAction;
class QMenu;

namespace velmora {

class ConvertCommand;

// "Convert failed rows again", under Convert and in the grid's popup: runs the rows that failed, and
// only those, with the same checks and messages as a whole run. "Convert the rest", beside it, also
// runs the rows a stopped run never reached. Each is enabled while no run goes on and it has rows.
class RetryFailed final : public QObject {
    Q_OBJECT
public:
    RetryFailed(ConversionQueue& queue, ConvertCommand& command, QMenu& convertMenu, QMenu& popupMenu,
                QObject* parent = nullptr);

private:
    QList<int> RowsIn(std::initializer_list<RowState> states) const;
    QList<int> FailedRows() const;
    QList<int> RestRows() const; // failed (stopped ones included) or never reached
    void UpdateState();

    ConversionQueue& m_queue;
    ConvertCommand& m_command;
    QAction* m_action = nullptr;
    QAction* m_rest = nullptr;
};

} // namespace velmora
