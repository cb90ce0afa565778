#include "render/PageLoadRules.h"

#include "render/DrawnResources.h"
#include "render/HtmlReferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

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
constexpr qsizetype kDriveParts = 1; // "C:"
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
constexpr qsizetype kDriveParts = 0;
#endif

// A document's links show in its first megabytes; reading all of a huge file would stall the run.
constexpr qint64 kLinkProbeBytes = 4 * 1024 * 1024;

// The names a cleaned absolute path is made of, its drive first on Windows.
QStringList PathParts(const QString& path) {
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

QString FromParts(const QStringList& parts, qsizetype count) {
    const QString joined = parts.mid(0, count).join(QLatin1Char('/'));
    if (kDriveParts == 0)
        return QLatin1Char('/') + joined;
    return count == kDriveParts ? joined + QLatin1Char('/') : joined;
}

bool IsWithin(const QString& path, const QString& folder) {
    return path.compare(folder, kPathCase) == 0 ||
           path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'), kPathCase);
}

// Dot-named files and folders hold a user's keys and settings (.ssh, .gnupg, .config); no document
// set keeps its parts there.
bool HasDotNameBelow(const QString& path, const QString& folder) {
    const QStringList below = PathParts(path.mid(folder.size()));
    return std::any_of(below.cbegin(), below.cend(),
                       [](const QString& name) { return name.startsWith(QLatin1Char('.')); });
}

// How far a document's folder may be widened: to the home folder for a document in it, else to a
// folder one below the top of the file system (/usr/share, D:/Docs), and never above a dot-named
// folder the document lies in.
QString WideningLimit(const QString& folder) {
    const QStringList parts = PathParts(folder);
    const QString home = RealPath(QDir::homePath());
    QString limit = PathParts(home).size() > kDriveParts && IsWithin(folder, home)
                        ? home
                        : FromParts(parts, qMin(parts.size(), kDriveParts + 2));
    for (qsizetype i = parts.size() - 1; i >= PathParts(limit).size(); --i) {
        if (parts.at(i).startsWith(QLatin1Char('.')))
            return FromParts(parts, i + 1);
    }
    return limit;
}

QStringList CommonParts(const QStringList& a, const QStringList& b) {
    qsizetype count = 0;
    while (count < a.size() && count < b.size() && a.at(count).compare(b.at(count), kPathCase) == 0)
        ++count;
    return a.mid(0, count);
}

// Where a name puts a file: the part it shares with the document's folder as given is where the
// document really lies; the rest as the name has it. A link below that part leads elsewhere.
QString WhereNamed(const QString& named, const QString& givenFolder) {
    const QStringList shared = CommonParts(PathParts(named), PathParts(givenFolder));
    if (shared.size() < kDriveParts)
        return named;
    const QString sharedPath = FromParts(shared, shared.size());
    return QDir::cleanPath(RealPath(sharedPath) + QLatin1Char('/') + named.mid(sharedPath.size()));
}

} // namespace

QString NetErrorReason(const QString& errorText, const QString& url) {
    const QString name = QString(errorText).remove(QStringLiteral("net::"));
    if (name == QLatin1String("ERR_NAME_NOT_RESOLVED") || name == QLatin1String("ERR_NAME_RESOLUTION_FAILED"))
        return QStringLiteral("The host %1 could not be found.").arg(HostOf(url));
    if (name == QLatin1String("ERR_CONNECTION_REFUSED"))
        return QStringLiteral("The server %1 refused the connection.").arg(HostOf(url));
    if (name == QLatin1String("ERR_CONNECTION_TIMED_OUT") || name == QLatin1String("ERR_TIMED_OUT"))
        return QStringLiteral("The server %1 did not answer in time.").arg(HostOf(url));
    if (name == QLatin1String("ERR_CONNECTION_RESET") || name == QLatin1String("ERR_CONNECTION_CLOSED") ||
        name == QLatin1String("ERR_EMPTY_RESPONSE"))
        return QStringLiteral("The server closed the connection without sending the page.");
    if (name == QLatin1String("ERR_ADDRESS_UNREACHABLE") ||
        name == QLatin1String("ERR_INTERNET_DISCONNECTED"))
        return QStringLiteral("The host %1 could not be reached.").arg(HostOf(url));
    if (name == QLatin1String("ERR_FILE_NOT_FOUND"))
        return QStringLiteral("No such file: %1").arg(QDir::toNativeSeparators(QUrl(url).toLocalFile()));
    if (name == QLatin1String("ERR_ACCESS_DENIED"))
        return QStringLiteral("The file may not be read.");
    if (name == QLatin1String("ERR_TOO_MANY_REDIRECTS"))
        return QStringLiteral("The server redirected too many times.");
    if (name.startsWith(QLatin1String("ERR_CERT_")) || name.startsWith(QLatin1String("ERR_SSL_")))
        return QStringLiteral("The site's secure connection could not be trusted.");
    // What a 204 No Content answer, among others, ends as.
    if (name == QLatin1String("ERR_ABORTED"))
        return QStringLiteral("The address gave no page to print (it answered with no content, or the load "
                              "was called off).");
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
    const QString answered = phrase.isEmpty() ? QStringLiteral("The server answered %1").arg(status)
                                              : QStringLiteral("The server answered %1 %2").arg(status).arg(phrase);
    // What users most often get wrong: the sign-in page printed, or refused, instead of the page.
    if (status == 401 || status == 403)
        return answered + QStringLiteral(": the page asks for a sign-in. ") + kSignInHint;
    return answered + QLatin1Char('.');
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

bool ShowsInPrint(const QString& resourceType, const QString& initiatorType) {
    static const QStringList kShown = {
        QStringLiteral("Document"),  QStringLiteral("Stylesheet"), QStringLiteral("Image"),
        QStringLiteral("Media"),     QStringLiteral("Font"),       QStringLiteral("Script"),
        QStringLiteral("TextTrack"),
    };
    // A script that another script adds (Javadoc's search indexes) loads data or features on demand;
    // the page's own scripts are named by its tags.
    if (resourceType == QLatin1String("Script") && initiatorType == QLatin1String("script"))
        return false;
    return kShown.contains(resourceType);
}

bool MayReadFile(const QString& fileUrl, const QString& localRoot) {
    const QUrl url(fileUrl);
    if (localRoot.isEmpty() || !url.isLocalFile())
        return false;
    const QString root = RealPath(localRoot);
    const QString path = RealPath(url.toLocalFile());
    return IsWithin(path, root) && !HasDotNameBelow(path, root);
}

QString LocalRootFor(const QString& documentPath, const QString& chosenRoot) {
    const QString givenFolder = QDir::cleanPath(QFileInfo(documentPath).absolutePath());
    const QString folder = RealPath(givenFolder);
    if (!chosenRoot.isEmpty()) {
        const QString chosen = RealPath(chosenRoot);
        if (IsWithin(folder, chosen) && !HasDotNameBelow(folder, chosen))
            return chosen;
    }
    const QString limit = WideningLimit(folder);
    QStringList root = PathParts(folder);
    for (const QString& named : NamedLocalFiles(documentPath)) {
        if (!QFileInfo(named).isFile()) // a folder is never drawn
            continue;
        // A link counts where it leads, and one that leads away from where its name lies widens
        // nothing: what it leads to is read only when it lies in the folder anyway.
        const QString path = RealPath(named);
        if (path.compare(WhereNamed(named, givenFolder), kPathCase) == 0 && IsWithin(path, limit) &&
            !HasDotNameBelow(path, limit))
            root = CommonParts(root, PathParts(path));
    }
    return FromParts(root, root.size());
}

QStringList NamedLocalFiles(const QString& documentPath) {
    QFile file(documentPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Names are ASCII-compatible in every encoding a document set uses.
    const QString html = QString::fromUtf8(file.read(kLinkProbeBytes));
    const QUrl document = QUrl::fromLocalFile(QFileInfo(documentPath).absoluteFilePath());
    QStringList files;
    for (const QString& name : DrawnResourceNames(html)) {
        if (name.startsWith(QLatin1Char('#')))
            continue;
        const QUrl url = document.resolved(QUrl(name, QUrl::TolerantMode));
        if (url.isLocalFile() && url.host().isEmpty()) {
            const QString path = QDir::cleanPath(url.toLocalFile());
            if (!files.contains(path))
                files.append(path);
        }
    }
    return files;
}

QString LocalDocumentTitle(const QString& documentPath) {
    static const QRegularExpression kTitle(QStringLiteral(R"(<title(?:\s[^>]*)?>(.*?)</title\s*>)"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    QFile file(documentPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString title = kTitle.match(QString::fromUtf8(file.read(kLinkProbeBytes))).captured(1);
    return DecodeHtmlReferences(title).simplified();
}

} // namespace velmora
