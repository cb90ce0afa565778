#pragma once

#include <QRgb>
#include <QString>
#include <QStringList>

namespace velmora::test {

// A PDF's text as poppler's pdftotext extracts it, with runs of white space made one space; empty
// when the tool fails.
QString PdfText(const QString& pdf);
// The images a PDF holds, as "width x height", from poppler's pdfimages.
QStringList PdfImageSizes(const QString& pdf);
// The names of the fonts a PDF uses, from poppler's pdffonts.
QStringList PdfFontNames(const QString& pdf);
// How many pixels of the first page, drawn by poppler's pdftoppm at 30 dots per inch, have about this
// colour.
int PdfPixelsOfColour(const QString& pdf, QRgb colour);

// A small document set laid out as generated documentation is: library/page.html uses
// ../_static/style.css (a colour band, and a font from ../_static/fonts for one sample line) and
// ../_static/doc.js. Returns the page's path, empty when the files cannot be written.
QString WriteDocumentSet(const QString& folder);
inline constexpr QRgb kDocumentSetBand = 0xff0a78c8;
inline const QString kDocumentSetFont = QStringLiteral("DejaVuSansMono");
inline const QString kDocumentSetSample = QStringLiteral("Sample in the set's face");
// Why a PDF of that page lacks its heading or the style sheet's colour band; empty when it has both.
QString DocumentSetLookProblem(const QString& pdf);

} // namespace velmora::test
