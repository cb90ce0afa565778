#pragma once

#include "BatchRunner.h"
#include "PageSetup.h"

#include <QString>

namespace velmora::pdf {

// Lays the header and footer of `page` over every page of the PDF at `from` and writes the result to
// `to`, as real text. `facts` gives the title, address and date; an empty title is taken from the PDF's
// own document information. Empty on success, else one plain sentence.
QString StampPageText(const QString& from, const QString& to, const PageSetup& page, PageFacts facts);

// The run's finisher: stamps each row's header and footer, dated today.
PdfFinisher PageTextFinisher();

} // namespace velmora::pdf
