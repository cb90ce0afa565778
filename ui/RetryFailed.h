#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMenu;

namespace velmora {

class ConversionQueue;
class ConvertCommand;

// "Convert failed rows again", under Convert and in the grid's popup: runs the rows that failed, and
// only those, with the same checks and messages as a whole run. Enabled while no run goes on and some
// row failed.
class RetryFailed final : public QObject {
    Q_OBJECT
public:
    RetryFailed(ConversionQueue& queue, ConvertCommand& command, QMenu& convertMenu, QMenu& popupMenu,
                QObject* parent = nullptr);

private:
    QList<int> FailedRows() const;
    void UpdateState();

    ConversionQueue& m_queue;
    ConvertCommand& m_command;
    QAction* m_action = nullptr;
};

} // namespace velmora
