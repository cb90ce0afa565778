#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace velmora {

class BrowserPipe;

// One headless browser process with a throw-away profile, spoken to over the DevTools pipe: commands
// with numbered replies, and events. Destroying it ends the browser and removes the profile.
class DevToolsBrowser final : public QObject {
    Q_OBJECT
public:
    // error is empty on success, else the browser's "message".
    using Reply = std::function<void(const QJsonObject& result, const QString& error)>;

    explicit DevToolsBrowser(QString program, QObject* parent = nullptr);
    ~DevToolsBrowser() override;

    // Starts the browser; false with a plain reason when it cannot be started.
    bool Start(QString* reason);
    bool IsRunning() const;

    // Sends a command, to the browser or to an attached target's session; the reply arrives later
    // (never from inside this call). Returns the command's id.
    int Send(const QString& method, const QJsonObject& params = {}, const QString& sessionId = {},
             Reply reply = {});
    // Drops the reply handler of a command whose answer no longer matters.
    void Forget(int id);

    // Ends the browser at once; no reply or event follows.
    void Abandon();
    // Asks the browser to close and waits up to waitMs for it, then kills it.
    void Shut(int waitMs);
    QString ProfileFolder() const { return m_profile.path(); }

signals:
    void event(const QString& method, const QJsonObject& params, const QString& sessionId);
    // The browser is gone or cannot be understood any more; no reply or event follows.
    void broken(const QString& reason);

private:
    void OnReceived(const QByteArray& bytes);
    void Dispatch(const QByteArray& message);
    void Break(const QString& reason);
    void Kill();

    QString m_program;
    QString m_profilesFolder; // empty when the user's own one cannot be trusted
    QTemporaryDir m_profile;
    QProcess m_process;
    BrowserPipe* m_pipe;
    QByteArray m_incoming;
    QHash<int, Reply> m_replies;
    int m_nextId = 1;
    bool m_broken = false;
};

} // namespace velmora
