#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QStatusBar;
class QWidget;

namespace velmora {

class ConversionQueue;
class Dialogs;

// "Save queue..." and "Open queue..." in the File menu: the queue as a plain list, one source a line,
// the format the command line's --list reads, so a batch can be repeated or handed on. Sources that
// come in this way (also from --queue) go through the command line's rules; what was skipped is told
// in one status-bar line.
class QueueFile final : public QObject {
    Q_OBJECT
public:
    // The items go in before `before`; `canAdd` says whether rows may come in now (no run goes on).
    QueueFile(ConversionQueue& queue, Dialogs& dialogs, QWidget& window, QStatusBar& statusBar,
              QMenu& fileMenu, QAction* before, std::function<bool()> canAdd);

    void AddSources(const QStringList& sources);
    void UpdateStates(); // Save needs rows, Open a queue that may change

signals:
    void rowsOffered(); // after sources were added, whether or not a row was new

private:
    void Save();
    void Open();

    ConversionQueue& m_queue;
    Dialogs& m_dialogs;
    QWidget& m_window;
    QStatusBar& m_statusBar;
    std::function<bool()> m_canAdd;
    QAction* m_save = nullptr;
    QAction* m_open = nullptr;
};

} // namespace velmora
