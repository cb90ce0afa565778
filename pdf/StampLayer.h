#pragma once

#include "render/PageSetup.h"

#include <QString>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <memory>
#include <vector>

namespace velmora::pdf {

// Lays the header and footer of `page` over `pages` of `pdf`, each drawn with its own facts. What the
// stamp is read from goes into `kept`, which must outlive the writing of `pdf`. Empty on success, else
// what went wrong (a phrase for a sentence).
QString StampPages(QPDF& pdf, std::vector<QPDFPageObjectHelper>& pages, const PageSetup& page,
                   const std::vector<PageFacts>& facts, std::vector<std::shared_ptr<void>>& kept);
// Takes a header and footer laid by StampPages off the page again; a page without one stays as it is.
void TakeOffStamp(QPDFPageObjectHelper& page);

} // namespace velmora::pdf
