#pragma once

#include "render/SignIn.h"

#include <QByteArray>
#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace velmora {

class DevToolsBrowser;

// The browser profile kept for the program: the user signs in to sites in a real browser window on it
// ("Sign in with the browser…"), and every Modern run sends the cookies it holds, each to its own
// site, until the profile is cleared.
QString SignInProfileFolder();
// The cookies saved from the profile's browser; none when nobody signed in or it was cleared.
QList<Cookie> SignInProfileCookies();
// Removes the profile and its cookies; false when some of it could not be removed.
bool ClearSignInProfile();

// Cookies as DevTools' Network.setCookies and Storage.setCookies take them.
QJsonArray CookieParams(const QList<Cookie>& cookies);

// A browser window on the kept profile, opened at an address. While it is open its cookies are saved
// as they change, so that what the user signed in to is there for the next run, session cookies too
// (the browser forgets those when it closes).
class SignInBrowser final : public QObject {
    Q_OBJECT
public:
    static constexpr int kSaveEveryMs = 1000;

    explicit SignInBrowser(QString program, QObject* parent = nullptr);
    ~SignInBrowser() override;

    // False with a plain reason when the browser cannot be started.
    bool Open(const QString& address, QString* reason);
    bool IsOpen() const { return m_browser != nullptr; }

signals:
    void cookiesSaved(int count);
    void closed(); // the user closed the window, or the browser ended

private:
    void Save();
    void OnEnded();

    QString m_program;
    DevToolsBrowser* m_browser = nullptr;
    QTimer m_save;
    QByteArray m_saved;
};

} // namespace velmora
