#include "SingleInstance.h"

#include "MainForm.h"
#include "queue/TextRules.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>

#include <utility>

namespace velmora {

namespace {

// Long enough for a busy window to answer; a start that gets no answer opens a window of its own.
constexpr int kAnswerTimeoutMs = 5000;
constexpr char kTaken = 'T';

QStringList AbsoluteSources(const QStringList& sources) {
    QStringList absolute;
    for (const QString& source : sources) {
        const QString trimmed = TrimControl(source);
        absolute << (trimmed.isEmpty() || HasWebPrefix(trimmed) || QDir::isAbsolutePath(trimmed)
                         ? source
                         : QDir::current().absoluteFilePath(trimmed));
    }
    return absolute;
}

} // namespace

SingleInstance::SingleInstance() : m_lock(SingleInstanceLockPath()) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::HandToRunningWindow(const QStringList& sources) {
    // Without the lock (an unwritable folder) two simultaneous starts may both open a window; no worse.
    m_lock.tryLock(kAnswerTimeoutMs);
    QLocalSocket socket;
    socket.connectToServer(SingleInstanceServerName());
    if (!socket.waitForConnected(kAnswerTimeoutMs))
        return false;
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << AbsoluteSources(sources);
    socket.write(message);
    socket.flush();
    if (!socket.waitForReadyRead(kAnswerTimeoutMs) || !socket.read(1).startsWith(kTaken))
        return false;
    m_lock.unlock();
    return true;
}

void SingleInstance::Serve(TfrmMain& window) {
    m_window = &window;
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    connect(&window.Command(), &ConvertCommand::statusChanged, this, &SingleInstance::QueueWhenIdle);
    // A socket left by a window that crashed would refuse the name; no window answered on it just now.
    QLocalServer::removeServer(SingleInstanceServerName());
    if (!m_server.listen(SingleInstanceServerName()))
        qWarning("Later starts will open windows of their own: %s", qPrintable(m_server.errorString()));
    m_lock.unlock();
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        Read(socket);
    }
}

// The list may come in pieces; a transaction waits for the whole of it.
void SingleInstance::Read(QLocalSocket* socket) {
    QDataStream stream(socket);
    stream.startTransaction();
    QStringList sources;
    stream >> sources;
    if (!stream.commitTransaction())
        return;
    socket->write(QByteArray(1, kTaken));
    socket->disconnectFromServer();
    m_waiting << sources;
    QueueWhenIdle();
    if (m_window->isMinimized())
        m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

// Rows never change while a run goes on; what came meanwhile is added when it ends.
void SingleInstance::QueueWhenIdle() {
    if (m_waiting.isEmpty() || m_window->RunStatus() == rsStart)
        return;
    m_window->QueueSources(std::exchange(m_waiting, {}));
}

} // namespace velmora
