#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

// One cookie to send with the pages' requests.
struct Cookie {
    QString name;
    QString value;
    QString domain; // the host it belongs to, without a leading dot; empty: each host of the run's rows
    bool includeSubdomains = false;
    QString path = QStringLiteral("/");
    bool secure = false;
    bool httpOnly = false;
    qint64 expires = 0; // seconds since 1970; 0: it lasts for the run
    friend bool operator==(const Cookie&, const Cookie&) = default;
};

struct HttpHeader {
    QString name;
    QString value;
    friend bool operator==(const HttpHeader&, const HttpHeader&) = default;
};

// What pages behind a login need: cookies, each sent only to the host it belongs to; headers and an HTTP
// user name and password (basic or digest), sent only to the hosts of the run's rows.
struct SignIn {
    QList<Cookie> cookies;
    QList<HttpHeader> headers;
    QString user; // empty: no HTTP sign-in
    QString password;
    QStringList hosts; // the hosts of the run's rows, lower case; the runner fills them in

    bool IsEmpty() const { return cookies.isEmpty() && headers.isEmpty() && user.isEmpty(); }
    // Whether headers and credentials may go to this host.
    bool IsRowHost(const QString& host) const { return hosts.contains(host.toLower()); }
    // The cookies with their hosts: one for each host of the run's rows for a cookie that names none.
    QList<Cookie> CookiesForHosts() const;
    friend bool operator==(const SignIn&, const SignIn&) = default;
};

// The hosts of the web addresses among the sources, lower case, each once.
QStringList HostsOf(const QStringList& sources);

// "NAME=VALUE" (the value may be empty, and may hold "="); nothing for a text without a name.
std::optional<Cookie> ParseCookieArgument(const QString& text);
inline const QString kCookieAccepts = QStringLiteral("NAME=VALUE");

// "Name: value"; nothing for a name that is no HTTP token or a line break in either.
std::optional<HttpHeader> ParseHeader(const QString& text);
inline const QString kHeaderAccepts = QStringLiteral("\"Name: value\"");
QString HeaderText(const HttpHeader& header);

// The cookies of a file in the Netscape cookies.txt form that browsers' extensions export (a tab
// between domain, subdomains flag, path, secure flag, expiry, name and value; "#HttpOnly_" before the
// domain of an HTTP-only cookie). `error` says why there are none: a file that cannot be read, or
// that holds no cookie line.
QList<Cookie> ReadCookiesFile(const QString& path, QString& error);

} // namespace velmora
