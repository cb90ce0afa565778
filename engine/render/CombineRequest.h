#pragma once

#include "render/PageSetup.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace velmora {

// One converted row's PDF in a combined file, under a bookmark of its own.
struct CombinePart {
    QString pdfPath;
    QString bookmark; // the page's title, else its source
    QString source;   // the row's web address or local file: links to it lead to this part
};

// What a combined file holds: the parts in order, what the file says about itself, and the page setup
// its parts were made with (their header and footer count the book's pages where it says so).
struct CombineRequest {
    QList<CombinePart> parts;
    QString title;
    QString subject;
    PageSetup page = {};
    bool contents = false; // a contents page first, listing the parts (and their headings)
};

// Joins the parts into a new PDF at `to`. Empty on success, else one plain sentence. Touches only files,
// so it may run on any thread. Once `abandoned` turns true its result counts for nothing, so it may give
// up early.
using PdfCombiner = std::function<QString(const CombineRequest& request, const QString& to,
                                          const std::atomic_bool& abandoned)>;

} // namespace velmora
