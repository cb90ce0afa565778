#pragma once

#include <QObject>

namespace velmora {

// Whether standard error goes to a terminal, where a progress line helps rather than clutters.
bool StandardErrorIsTerminal();

// Turns Ctrl+C (SIGINT; the console's Ctrl+C and Ctrl+Break on Windows) into a signal on the thread
// that created the watcher, so the run can stop in order instead of the program dying mid-file. One
// watcher at a time; the previous handling comes back when it is destroyed.
class InterruptWatcher final : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted();

private:
    struct Private;
    Private* d;
};

} // namespace velmora
