#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

class QLocalSocket;

namespace velmora {

class TfrmMain;

// One window per user session. The first start listens on a local socket of the user's own; a later
// start hands its sources (--queue) to that window, which adds them and comes to the front, and ends.
// The command line's batch mode never looks for a window.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    SingleInstance();
    ~SingleInstance() override;

    // True when a running window took `sources` (relative paths are made absolute here first, since
    // that window may run in another folder); false when none runs: this start then opens the window
    // and calls Serve.
    bool HandToRunningWindow(const QStringList& sources);
    // Listens for later starts and queues their sources in `window`, after the run when one goes on. A
    // failure only costs the handing over: the window works as before.
    void Serve(TfrmMain& window);

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void QueueWhenIdle();

    QLockFile m_lock; // held from the look for a running window until this one listens
    QLocalServer m_server;
    TfrmMain* m_window = nullptr;
    QStringList m_waiting; // handed over during a run
};

// The socket's name: one per user and session, in a place only the user can reach (one file pair per
// platform).
QString SingleInstanceServerName();
// Where the lock that keeps two simultaneous starts from both opening a window lies.
QString SingleInstanceLockPath();

} // namespace velmora
