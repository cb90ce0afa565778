#include "render/SignIn.h"

#include "queue/TextRules.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>

namespace velmora {

namespace {

constexpr qint64 kLargestCookiesFile = 16 * 1024 * 1024;
constexpr int kCookieFields = 7;
const QString kHttpOnlyPrefix = QStringLiteral("#HttpOnly_");

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

QList<Cookie> SignIn::CookiesForHosts() const {
    QList<Cookie> placed;
    for (const Cookie& cookie : cookies) {
        if (!cookie.domain.isEmpty()) {
            placed.append(cookie);
            continue;
        }
        for (const QString& host : hosts) {
            Cookie own = cookie;
            own.domain = host;
            placed.append(own);
        }
    }
    return placed;
}

QStringList HostsOf(const QStringList& sources) {
    QStringList hosts;
    for (const QString& source : sources) {
        if (!HasWebPrefix(source))
            continue;
        const QString host = QUrl(source).host().toLower();
        if (!host.isEmpty() && !hosts.contains(host))
            hosts.append(host);
    }
    return hosts;
}

std::optional<Cookie> ParseCookieArgument(const QString& text) {
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    const QString name = text.left(equals).trimmed();
    static const QRegularExpression kToken(QStringLiteral("^[!#$%&'*+.^_`|~0-9A-Za-z-]+$"));
    if (equals < 0 || !kToken.match(name).hasMatch() || HasLineBreak(text) || text.contains(QLatin1Char(';')))
        return std::nullopt;
    Cookie cookie;
    cookie.name = name;
    cookie.value = text.mid(equals + 1).trimmed();
    return cookie;
}

std::optional<HttpHeader> ParseHeader(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    static const QRegularExpression kToken(QStringLiteral("^[!#$%&'*+.^_`|~0-9A-Za-z-]+$"));
    const QString name = text.left(colon).trimmed();
    if (colon < 0 || !kToken.match(name).hasMatch() || HasLineBreak(text))
        return std::nullopt;
    return HttpHeader{name, text.mid(colon + 1).trimmed()};
}

QString HeaderText(const HttpHeader& header) {
    return header.name + QStringLiteral(": ") + header.value;
}

QList<Cookie> ReadCookiesFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("The cookies file \"%1\" cannot be read (%2).").arg(path, file.errorString());
        return {};
    }
    QList<Cookie> cookies;
    for (const QByteArray& raw : file.read(kLargestCookiesFile).split('\n')) {
        QString line = QString::fromUtf8(raw);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const bool httpOnly = line.startsWith(kHttpOnlyPrefix);
        if (httpOnly)
            line.remove(0, kHttpOnlyPrefix.size());
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (line.startsWith(QLatin1Char('#')) || fields.size() != kCookieFields || fields.at(5).isEmpty())
            continue;
        Cookie cookie;
        cookie.domain = fields.at(0).toLower();
        // A leading dot is the old way to say the cookie is for the domain's hosts below it too.
        cookie.includeSubdomains =
            fields.at(1).compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 || cookie.domain.startsWith(QLatin1Char('.'));
        while (cookie.domain.startsWith(QLatin1Char('.')))
            cookie.domain.remove(0, 1);
        if (cookie.domain.isEmpty())
            continue;
        cookie.path = fields.at(2).isEmpty() ? QStringLiteral("/") : fields.at(2);
        cookie.secure = fields.at(3).compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
        cookie.expires = fields.at(4).toLongLong();
        cookie.name = fields.at(5);
        cookie.value = fields.at(6);
        cookie.httpOnly = httpOnly;
        cookies.append(cookie);
    }
    if (cookies.isEmpty())
        error = QStringLiteral("The cookies file \"%1\" holds no cookies in the cookies.txt form.").arg(path);
    return cookies;
}

} // namespace velmora
