#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// The name a documentation set or a site gives every page's title, and the titles without it.
struct SiteName {
    QString name;       // empty when the titles share none
    QStringList titles; // each title without the name; a title that is the name alone stays whole
};

// The name the page titles share: a common ending after " - ", " — ", " | " or " · "
// ("Installation - The Rust Programming Language"), else a common beginning before one ("Blog · First
// post"). At least two titles must carry it beside a title of their own; empty titles are passed by.
SiteName SharedSiteName(const QStringList& titles);

} // namespace velmora
