#pragma once

#include <QString>

namespace velmora::pdf {

// The version of the qpdf library the program runs with, as Help › Components and licences names it.
QString QpdfVersion();

} // namespace velmora::pdf
