#include "PageLoadRules.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

namespace velmora {

namespace {

QString HostOf(const QString& url) {
    const QString host = QUrl(url).host();
    return host.isEmpty() ? url : host;
}

// Where a path really is: links resolved when it exists, else the cleaned absolute path.
QString RealPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

} // namespace

QString NetErrorReason(const QString& errorText, const QString& url) {
    const QString name = QString(errorText).remove(QStringLiteral("net::"));
    if (name == QLatin1String("ERR_NAME_NOT_RESOLVED") || name == QLatin1String("ERR_NAME_RESOLUTION_FAILED"))
        return QStringLiteral("The host %1 could not be found.").arg(HostOf(url));
    if (name == QLatin1String("ERR_CONNECTION_REFUSED"))
        return QStringLiteral("The connection was refused.");
    if (name == QLatin1String("ERR_CONNECTION_TIMED_OUT") || name == QLatin1String("ERR_TIMED_OUT"))
        return QStringLiteral("The connection timed out.");
    if (name == QLatin1String("ERR_CONNECTION_RESET") || name == QLatin1String("ERR_CONNECTION_CLOSED") ||
        name == QLatin1String("ERR_EMPTY_RESPONSE"))
        return QStringLiteral("The server closed the connection without sending the page.");
    if (name == QLatin1String("ERR_ADDRESS_UNREACHABLE") ||
        name == QLatin1String("ERR_INTERNET_DISCONNECTED"))
        return QStringLiteral("The host %1 could not be reached.").arg(HostOf(url));
    if (name == QLatin1String("ERR_FILE_NOT_FOUND"))
        return QStringLiteral("The file could not be found.");
    if (name == QLatin1String("ERR_ACCESS_DENIED"))
        return QStringLiteral("The file may not be read.");
    if (name == QLatin1String("ERR_TOO_MANY_REDIRECTS"))
        return QStringLiteral("The server redirected too many times.");
    if (name.startsWith(QLatin1String("ERR_CERT_")) || name.startsWith(QLatin1String("ERR_SSL_")))
        return QStringLiteral("The site's secure connection could not be trusted.");
    if (name == QLatin1String("ERR_UNSAFE_PORT"))
        return QStringLiteral("The address uses a port the browser refuses to connect to.");
    return QStringLiteral("The page could not be loaded (%1).").arg(errorText);
}

QString HttpStatusReason(int status, const QString& statusText) {
    if (status < 400)
        return {};
    // HTTP/2 carries no reason phrase; these are the ones people meet.
    static const QHash<int, QString> kPhrases = {
        {400, QStringLiteral("Bad Request")},
        {401, QStringLiteral("Unauthorized")},
        {403, QStringLiteral("Forbidden")},
        {404, QStringLiteral("Not Found")},
        {410, QStringLiteral("Gone")},
        {429, QStringLiteral("Too Many Requests")},
        {500, QStringLiteral("Internal Server Error")},
        {502, QStringLiteral("Bad Gateway")},
        {503, QStringLiteral("Service Unavailable")},
        {504, QStringLiteral("Gateway Timeout")},
    };
    const QString phrase = statusText.trimmed().isEmpty() ? kPhrases.value(status) : statusText.trimmed();
    return phrase.isEmpty() ? QStringLiteral("The server answered %1.").arg(status)
                            : QStringLiteral("The server answered %1 %2.").arg(status).arg(phrase);
}

QString MissingPartsReason(const QStringList& parts) {
    QStringList unique = parts;
    unique.removeDuplicates();
    if (unique.isEmpty())
        return {};
    if (unique.size() == 1)
        return QStringLiteral("This part could not be loaded: %1.").arg(unique.first());
    return QStringLiteral("These %1 parts could not be loaded: %2.")
        .arg(unique.size())
        .arg(unique.join(QStringLiteral(", ")));
}

bool ShowsInPrint(const QString& resourceType) {
    static const QStringList kShown = {
        QStringLiteral("Document"),  QStringLiteral("Stylesheet"), QStringLiteral("Image"),
        QStringLiteral("Media"),     QStringLiteral("Font"),       QStringLiteral("Script"),
        QStringLiteral("TextTrack"),
    };
    return kShown.contains(resourceType);
}

bool MayReadFile(const QString& fileUrl, const QString& localRoot) {
    const QUrl url(fileUrl);
    if (localRoot.isEmpty() || !url.isLocalFile())
        return false;
    const QString root = RealPath(localRoot);
    const QString path = RealPath(url.toLocalFile());
    return path.compare(root, kPathCase) == 0 ||
           path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'), kPathCase);
}

} // namespace velmora
