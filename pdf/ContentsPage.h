#pragma once

#include "render/PageSetup.h"

#include <QByteArray>
#include <QRectF>
#include <QString>

#include <vector>

namespace velmora::pdf {

// One line of a book's contents: a part's title, or one of the part's headings under it.
struct ContentsLine {
    QString text;
    bool heading = false; // drawn indented under its part
    int page = 1;         // the book's page it leads to, the contents' own pages counted
};

// Contents drawn as a PDF of their own, and where each line lies.
struct DrawnContents {
    struct Spot {
        int page = 0; // of the contents' pages, from 0
        QRectF rect;  // in points, from the page's lower left corner, as a PDF link's /Rect
    };
    QByteArray pdf;
    int pages = 0;
    std::vector<Spot> spots; // one a line, in order
    QString problem;         // empty when drawn, else what went wrong (a phrase for a sentence)
};

// Draws `title` (if any), the heading "Contents" and the lines, each with its page number at the right,
// on the paper and within the margins of `page`, in its text size; as many pages as the lines take. The
// number of pages depends on the lines' count only, so the page numbers may be settled after a first
// drawing.
DrawnContents DrawContents(const QString& title, const std::vector<ContentsLine>& lines, const PageSetup& page);

} // namespace velmora::pdf
