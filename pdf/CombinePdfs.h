#pragma once

#include "CombineRequest.h"

#include <QDateTime>

namespace velmora::pdf {

// Writes the parts' pages in order to `to`, with one top-level bookmark per part leading to its first
// page, and under it the part's own outline; dated `now`. Empty on success, else one plain sentence.
QString CombinePdfs(const CombineRequest& request, const QString& to, const QDateTime& now);

// The run's combiner: CombinePdfs at the moment of combining.
PdfCombiner Combiner();

} // namespace velmora::pdf
