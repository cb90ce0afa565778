#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

namespace velmora {

// The pipe pair a browser started with --remote-debugging-pipe talks through: it reads commands from
// its descriptor 3 and writes replies to its descriptor 4. One file per platform implements it.
class BrowserPipe final : public QObject {
    Q_OBJECT
public:
    explicit BrowserPipe(QObject* parent = nullptr);
    ~BrowserPipe() override;

    // Arguments this system needs besides the pipe's own (the sandbox cannot run as root).
    static QStringList PlatformArguments();

    // Before the process starts, after any other child set-up: creates the pipes and hands the browser
    // its ends. False on failure.
    [[nodiscard]] bool AttachTo(QProcess& process);
    // After the process started (or failed to): closes the browser's ends on this side.
    void ProcessStarted();
    // Queues bytes for the browser; what it cannot take at once is written when it can. A write that
    // fails closes the pipe; closed() follows from the event loop, never from inside this call.
    void Write(const QByteArray& bytes);
    void Close();

signals:
    void received(const QByteArray& bytes);
    void closed(); // the browser closed its end, or the pipe broke

private:
    struct Ends;
    std::unique_ptr<Ends> m_ends;
};

} // namespace velmora
