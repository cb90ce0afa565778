#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace velmora {

// The addresses, as written, that an HTML document's markup loads to draw itself: style sheets,
// scripts, images (with srcset), video posters, media and their tracks, background images, and
// url(...) and @import in its style elements and attributes. Comments and the text of scripts are no
// markup, and links (a, area), frames, object and embed load no part of the page's own look.
QStringList DrawnResourceNames(const QString& html);

struct PageLink {
    QString address;   // as written
    bool next = false; // rel="next": the page a reader goes on to
};

// The pages a document links to, in document order: a and area with an href, and link rel="next".
QList<PageLink> PageLinks(const QString& html);

} // namespace velmora
