#pragma once

#include "render/PageSetup.h"

#include <QString>

namespace velmora::pdf {

class LoadedPdf;

// Lays the header and footer of `page` over every page of the document, as real text. `facts` gives the
// title, address and date; an empty title is taken from the PDF's own document information. Empty on
// success, else what went wrong (a phrase for a sentence).
QString StampPages(LoadedPdf& pdf, const PageSetup& page, PageFacts facts);

// As StampPages, from the PDF at `from` to a new one at `to`. Empty on success, else one plain sentence.
QString StampPageText(const QString& from, const QString& to, const PageSetup& page, PageFacts facts);

} // namespace velmora::pdf
