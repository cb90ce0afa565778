#include "QpdfVersion.h"

#include <qpdf/QPDF.hh>

namespace velmora::pdf {

QString QpdfVersion() {
    return QString::fromStdString(QPDF::QPDFVersion());
}

} // namespace velmora::pdf
