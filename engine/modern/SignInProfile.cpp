#include "modern/SignInProfile.h"

#include "modern/DevToolsBrowser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace velmora {

namespace {

// The browser's own store of cookies is encrypted with a key of its own and drops session cookies when
// it closes; what DevTools tells of them is kept beside it instead, readable by the user alone.
const QString kCookiesFile = QStringLiteral("velmora-cookies.json");

QString CookiesPath() {
    return QDir(SignInProfileFolder()).filePath(kCookiesFile);
}

} // namespace

// Cookies as the browser takes them: one that belongs to a host alone is set through an address on it,
// so that it stays that host's.
QJsonArray CookieParams(const QList<Cookie>& cookies) {
    QJsonArray params;
    for (const Cookie& cookie : cookies) {
        QJsonObject param{{QStringLiteral("name"), cookie.name},
                          {QStringLiteral("value"), cookie.value},
                          {QStringLiteral("path"), cookie.path},
                          {QStringLiteral("secure"), cookie.secure},
                          {QStringLiteral("httpOnly"), cookie.httpOnly}};
        if (cookie.includeSubdomains)
            param.insert(QStringLiteral("domain"), QLatin1Char('.') + cookie.domain);
        else
            param.insert(QStringLiteral("url"),
                         (cookie.secure ? QStringLiteral("https://") : QStringLiteral("http://")) +
                             cookie.domain + QLatin1Char('/'));
        if (cookie.expires > 0)
            param.insert(QStringLiteral("expires"), double(cookie.expires));
        params.append(param);
    }
    return params;
}

QString SignInProfileFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("browser-sign-in"));
}

// As DevTools' Storage.getCookies tells them: a domain with a leading dot is for its sub-domains too,
// and a session cookie has no expiry.
QList<Cookie> SignInProfileCookies() {
    QFile file(CookiesPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Cookie> cookies;
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array()) {
        const QJsonObject object = value.toObject();
        Cookie cookie;
        cookie.name = object.value(QLatin1String("name")).toString();
        cookie.value = object.value(QLatin1String("value")).toString();
        cookie.domain = object.value(QLatin1String("domain")).toString();
        cookie.includeSubdomains = cookie.domain.startsWith(QLatin1Char('.'));
        while (cookie.domain.startsWith(QLatin1Char('.')))
            cookie.domain.remove(0, 1);
        cookie.path = object.value(QLatin1String("path")).toString(QStringLiteral("/"));
        cookie.secure = object.value(QLatin1String("secure")).toBool();
        cookie.httpOnly = object.value(QLatin1String("httpOnly")).toBool();
        if (!object.value(QLatin1String("session")).toBool())
            cookie.expires = qint64(object.value(QLatin1String("expires")).toDouble());
        if (!cookie.name.isEmpty() && !cookie.domain.isEmpty())
            cookies.append(cookie);
    }
    return cookies;
}

bool ClearSignInProfile() {
    QDir folder(SignInProfileFolder());
    return !folder.exists() || folder.removeRecursively();
}

SignInBrowser::SignInBrowser(QString program, QObject* parent)
    : QObject(parent), m_program(std::move(program)) {
    m_save.setInterval(kSaveEveryMs);
    connect(&m_save, &QTimer::timeout, this, &SignInBrowser::Save);
}

// The window goes with the program; what was saved stays.
SignInBrowser::~SignInBrowser() {
    if (m_browser)
        m_browser->Abandon();
}

bool SignInBrowser::Open(const QString& address, QString* reason) {
    if (m_browser)
        return true;
    if (!QDir().mkpath(SignInProfileFolder())) {
        *reason = QStringLiteral("The browser's profile folder \"%1\" could not be made.")
                      .arg(QDir::toNativeSeparators(SignInProfileFolder()));
        return false;
    }
    QFile::setPermissions(SignInProfileFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto* browser =
        new DevToolsBrowser(m_program, DevToolsBrowser::Window{SignInProfileFolder(), address}, this);
    if (!browser->Start(reason)) {
        browser->Abandon();
        return false;
    }
    m_browser = browser;
    connect(m_browser, &DevToolsBrowser::broken, this, &SignInBrowser::OnEnded);
    // The browser forgot the session cookies saved before when it closed; they are given back.
    if (const QList<Cookie> saved = SignInProfileCookies(); !saved.isEmpty())
        m_browser->Send(QStringLiteral("Storage.setCookies"),
                        {{QStringLiteral("cookies"), CookieParams(saved)}});
    m_save.start();
    return true;
}

void SignInBrowser::Save() {
    if (!m_browser)
        return;
    m_browser->Send(QStringLiteral("Storage.getCookies"), {}, {},
                    [this](const QJsonObject& result, const QString& error) {
                        if (!error.isEmpty())
                            return;
                        const QJsonArray cookies = result.value(QLatin1String("cookies")).toArray();
                        const QByteArray json = QJsonDocument(cookies).toJson(QJsonDocument::Compact);
                        if (json == m_saved)
                            return;
                        QSaveFile file(CookiesPath());
                        if (!file.open(QIODevice::WriteOnly))
                            return;
                        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
                        file.write(json);
                        if (file.commit()) {
                            m_saved = json;
                            emit cookiesSaved(int(cookies.size()));
                        }
                    });
}

// The browser ends when its last window closes; by then what it held was saved.
void SignInBrowser::OnEnded() {
    m_save.stop();
    if (m_browser) {
        m_browser->disconnect(this);
        m_browser->Abandon();
        m_browser = nullptr;
    }
    emit closed();
}

} // namespace velmora
