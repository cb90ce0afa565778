#pragma once

#include <QString>
#include <QStringList>

namespace velmora::test {

// A PDF's text as poppler's pdftotext extracts it, with runs of white space made one space; empty
// when the tool fails.
QString PdfText(const QString& pdf);
// The images a PDF holds, as "width x height", from poppler's pdfimages.
QStringList PdfImageSizes(const QString& pdf);

} // namespace velmora::test
