#pragma once

#include <QString>
#include <QUrl>

namespace velmora {

// Where a walk from one start page may go. A web page's links stay on its scheme, host and port and
// under an address prefix; a local document's stay in a folder and below it, inside the document's
// set (what it may read to draw itself), never reaching a dot-named file or folder. Only pages count:
// no mailto:, javascript: or other schemes, no PDFs, images or archives by their names, no file: from
// a web page.
class FollowScope {
public:
    // `start` is a queue source (a web address or a local file's path). `within` is an address prefix
    // for a web start, a folder for a local one; one of the other kind, or none, means the start
    // page's folder. `localRoot` is what the run lets local documents read (empty: automatic).
    static FollowScope For(const QString& start, const QString& within, const QString& localRoot);

    bool IsWeb() const { return m_web; }
    // The address prefix, or the folder in native form, as a person reads it.
    QString Prefix() const;

    // The queue source a link leads to (fragment dropped, resolved against the page it is on), or an
    // empty one and `why` set when the walk does not go there.
    enum class Refusal { None, NotAPage, Outside };
    QString Target(const QUrl& page, const QString& link, Refusal& refusal, QString& why) const;
    // Whether a web address lies under the prefix, as a redirect's target must.
    bool Holds(const QUrl& address) const;

    // The address a queue source is read from.
    static QUrl AddressOf(const QString& source);
    // The queue source for an address read (a web address as text, a local file as its native path).
    static QString SourceOf(const QUrl& address);

private:
    bool m_web = false;
    QUrl m_prefix;         // web: scheme, host, port and path prefix
    QString m_folder;      // local: the folder the walk stays in, its real path
    QString m_documentSet; // local: the folder the start document may read
};

} // namespace velmora
