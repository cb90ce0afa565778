#pragma once

#include "render/CombineRequest.h"

#include <QDateTime>

namespace velmora::pdf {

// Writes the parts' pages in order to `to`, with one top-level bookmark per part leading to its first
// page, and under it the part's own outline; dated `now`. Reads only parts that are regular files. Empty
// on success, else one plain sentence. Gives up soon after `abandoned` (if any) turns true.
QString CombinePdfs(const CombineRequest& request, const QString& to, const QDateTime& now,
                    const std::atomic_bool* abandoned = nullptr);

// The run's combiner: CombinePdfs at the moment of combining.
PdfCombiner Combiner();

} // namespace velmora::pdf
