#pragma once

#include "render/RenderBackend.h"

#include <QString>

#include <functional>

namespace velmora {

// What the run does to a finished PDF that no engine does itself (header and footer, document
// information): given the row's request, the page title its engine reported (empty: none), and the
// PdfStep's paths.
using PdfFinisher = std::function<QString(const RenderRequest& request, const QString& pageTitle,
                                          const QString& from, const QString& to)>;

} // namespace velmora
