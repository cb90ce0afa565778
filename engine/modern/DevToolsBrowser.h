#pragma once

#include <QFuture>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QPromise>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace velmora {

class BrowserPipe;

// One headless browser process with a throw-away profile, spoken to over the DevTools pipe: commands
// with numbered replies, and events. Destroying it ends the browser, waits for it and removes the
// profile; Abandon() and Shut() do the same without waiting.
class DevToolsBrowser final : public QObject {
    Q_OBJECT
public:
    // error is empty on success, else the browser's "message".
    using Reply = std::function<void(const QJsonObject& result, const QString& error)>;
    // A browser window for the user instead, on a profile kept between uses, opened at an address.
    struct Window {
        QString keptProfile;
        QString address;
    };

    explicit DevToolsBrowser(QString program, QObject* parent = nullptr);
    DevToolsBrowser(QString program, Window window, QObject* parent = nullptr);
    ~DevToolsBrowser() override;

    // Starts the browser; false with a plain reason when it cannot be started at once. Whether it
    // started after all comes later, in Started(); commands may be sent meanwhile.
    bool Start(QString* reason);
    // Empty once the browser's program runs, else why it could not be started.
    QFuture<QString> Started() const { return m_started.future(); }
    bool IsRunning() const;

    // Sends a command, to the browser or to an attached target's session; the reply arrives later
    // (never from inside this call). Returns the command's id.
    int Send(const QString& method, const QJsonObject& params = {}, const QString& sessionId = {},
             Reply reply = {});
    // Drops the reply handler of a command whose answer no longer matters.
    void Forget(int id);

    // Both end the browser, no reply or event follows, and the object deletes itself once the browser
    // has ended (or with its parent). Abandon() kills it at once; Shut() asks it to close and kills it
    // if it has not within waitMs.
    void Abandon();
    void Shut(int waitMs);
    QString ProfileFolder() const { return m_profile ? m_profile->path() : m_window.keptProfile; }

signals:
    void event(const QString& method, const QJsonObject& params, const QString& sessionId);
    // The browser is gone or cannot be understood any more; no reply or event follows.
    void broken(const QString& reason);

private:
    void OnReceived(const QByteArray& bytes);
    void Dispatch(const QByteArray& message);
    void Break(const QString& reason);
    void SettleStart(const QString& problem);
    QString NotStartedReason() const;
    void Kill();
    void DeleteWhenEnded();

    QString m_program;
    QString m_profilesFolder;                 // empty for a window, or where the user's own cannot be trusted
    Window m_window;                          // keptProfile empty: headless, on m_profile
    std::unique_ptr<QTemporaryDir> m_profile; // the throw-away profile of a headless browser
    QProcess m_process;
    BrowserPipe* m_pipe;
    QByteArray m_incoming;
    QHash<int, Reply> m_replies;
    QPromise<QString> m_started;
    int m_nextId = 1;
    bool m_broken = false;
};

} // namespace velmora
