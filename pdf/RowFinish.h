#pragma once

#include "render/PdfFinisher.h"

#include <QDateTime>

namespace velmora::pdf {

// Finishes one row's PDF in one reading and one writing: its header and footer when the page setup has
// any, and its document information. Empty on success, else one plain sentence.
QString FinishRowPdf(const QString& from, const QString& to, const RenderRequest& request,
                     const QString& pageTitle, const QDateTime& now);

// The run's finisher: FinishRowPdf at the moment of finishing.
PdfFinisher RowFinisher();

} // namespace velmora::pdf
