#include "follow/FollowScope.h"

#include "render/PageLoadRules.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <optional>

namespace velmora {

namespace {

// Endings of addresses that name something other than a page: documents, pictures, archives, media,
// a page's own parts.
const QStringList kNotPageSuffixes = {
    QStringLiteral("pdf"),  QStringLiteral("png"),   QStringLiteral("jpg"),  QStringLiteral("jpeg"),
    QStringLiteral("gif"),  QStringLiteral("svg"),   QStringLiteral("webp"), QStringLiteral("bmp"),
    QStringLiteral("ico"),  QStringLiteral("tif"),   QStringLiteral("tiff"), QStringLiteral("zip"),
    QStringLiteral("gz"),   QStringLiteral("tgz"),   QStringLiteral("bz2"),  QStringLiteral("xz"),
    QStringLiteral("7z"),   QStringLiteral("rar"),   QStringLiteral("tar"),  QStringLiteral("zst"),
    QStringLiteral("exe"),  QStringLiteral("msi"),   QStringLiteral("dmg"),  QStringLiteral("deb"),
    QStringLiteral("rpm"),  QStringLiteral("iso"),   QStringLiteral("mp3"),  QStringLiteral("mp4"),
    QStringLiteral("webm"), QStringLiteral("ogg"),   QStringLiteral("wav"),  QStringLiteral("avi"),
    QStringLiteral("mov"),  QStringLiteral("css"),   QStringLiteral("js"),   QStringLiteral("json"),
    QStringLiteral("woff"), QStringLiteral("woff2"), QStringLiteral("ttf"),  QStringLiteral("otf"),
    QStringLiteral("epub"), QStringLiteral("doc"),   QStringLiteral("docx"), QStringLiteral("xls"),
    QStringLiteral("xlsx"), QStringLiteral("ppt"),   QStringLiteral("pptx"), QStringLiteral("odt"),
};
// The local files a walk reads as pages.
const QStringList kLocalPageSuffixes = {QStringLiteral("htm"), QStringLiteral("html"),
                                        QStringLiteral("xhtml")};

QString RealPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool IsWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QString Suffix(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

// The part of `path` below `folder`, or nothing when it is not below it.
std::optional<QString> Below(const QString& path, const QString& folder) {
    const QString relative = QDir(folder).relativeFilePath(path);
    if (relative == QLatin1String("..") || relative.startsWith(QLatin1String("../")) ||
        QDir::isAbsolutePath(relative))
        return std::nullopt;
    return relative;
}

} // namespace

FollowScope FollowScope::For(const QString& start, const QString& within, const QString& localRoot) {
    FollowScope scope;
    const QUrl address = AddressOf(start);
    scope.m_web = IsWebScheme(address.scheme());
    if (scope.m_web) {
        const QUrl prefix(within);
        scope.m_prefix =
            IsWebScheme(prefix.scheme()) && !prefix.host().isEmpty()
                ? prefix.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment)
                : address.adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery | QUrl::RemoveFragment);
        if (scope.m_prefix.path().isEmpty())
            scope.m_prefix.setPath(QStringLiteral("/"));
        return scope;
    }
    const QString document = address.toLocalFile();
    scope.m_documentSet = LocalRootFor(document, localRoot);
    scope.m_folder = RealPath(
        !within.isEmpty() && QFileInfo(within).isDir() ? within : QFileInfo(document).absolutePath());
    return scope;
}

QString FollowScope::Prefix() const {
    return m_web ? m_prefix.toString() : QDir::toNativeSeparators(m_folder);
}

bool FollowScope::Holds(const QUrl& address) const {
    return m_web && address.scheme() == m_prefix.scheme() && address.host() == m_prefix.host() &&
           address.port(address.scheme() == QLatin1String("https") ? 443 : 80) ==
               m_prefix.port(m_prefix.scheme() == QLatin1String("https") ? 443 : 80) &&
           address.path().startsWith(m_prefix.path());
}

QString FollowScope::Target(const QUrl& page, const QString& link, Refusal& refusal, QString& why) const {
    refusal = Refusal::None;
    const QUrl url = page.resolved(QUrl(link, QUrl::TolerantMode)).adjusted(QUrl::RemoveFragment);
    if (!url.isValid() || url == page.adjusted(QUrl::RemoveFragment))
        return {}; // a place in the page itself
    const QString scheme = url.scheme();
    const auto refuse = [&refusal, &why](Refusal kind, const QString& reason) {
        refusal = kind;
        why = reason;
        return QString();
    };
    if (!IsWebScheme(scheme) && scheme != QLatin1String("file"))
        return refuse(Refusal::NotAPage, QStringLiteral("not a page (%1:)").arg(scheme));
    if (m_web) {
        if (!IsWebScheme(scheme))
            return refuse(Refusal::Outside, QStringLiteral("a web page may not lead to a local file"));
        if (!Holds(url))
            return refuse(Refusal::Outside, QStringLiteral("outside %1").arg(Prefix()));
        if (kNotPageSuffixes.contains(Suffix(url.path())))
            return refuse(Refusal::NotAPage, QStringLiteral("not a page (.%1)").arg(Suffix(url.path())));
        return SourceOf(url);
    }
    if (IsWebScheme(scheme) || !url.host().isEmpty())
        return refuse(Refusal::Outside, QStringLiteral("outside %1 (on the web)").arg(Prefix()));
    const QString path = QDir::cleanPath(url.toLocalFile());
    if (!kLocalPageSuffixes.contains(Suffix(path)))
        return refuse(Refusal::NotAPage, Suffix(path).isEmpty()
                                             ? QStringLiteral("not a page")
                                             : QStringLiteral("not a page (.%1)").arg(Suffix(path)));
    const std::optional<QString> below = Below(RealPath(path), m_folder);
    if (!below)
        return refuse(Refusal::Outside, QStringLiteral("outside %1").arg(Prefix()));
    if (below->startsWith(QLatin1Char('.')) || below->contains(QLatin1String("/.")) ||
        !MayReadFile(QUrl::fromLocalFile(path).toString(), m_documentSet))
        return refuse(Refusal::Outside, QStringLiteral("outside the document's set, which it may not leave"));
    return SourceOf(QUrl::fromLocalFile(path));
}

QUrl FollowScope::AddressOf(const QString& source) {
    const QUrl url(source, QUrl::TolerantMode);
    if (IsWebScheme(url.scheme().toLower()))
        return url;
    return QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath());
}

QString FollowScope::SourceOf(const QUrl& address) {
    return address.isLocalFile() ? QDir::toNativeSeparators(address.toLocalFile())
                                 : address.toString(QUrl::FullyEncoded);
}

} // namespace velmora
