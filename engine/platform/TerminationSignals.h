#pragma once

#include <QObject>

namespace velmora {

// Turns the requests to end the program that arrive as signals (SIGTERM, SIGINT, SIGHUP on POSIX)
// into a Qt signal on the main thread, so the program can end the orderly way: stop the run, clean
// up, save. Windows asks a window to close with a message the window handles itself.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers once for the process; later calls return the same object.
    static TerminationSignals& Install();

signals:
    void requested(int signalNumber);

private:
    explicit TerminationSignals(QObject* parent = nullptr);
};

} // namespace velmora
