#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace velmora::test {

// A PDF's text as poppler's pdftotext extracts it, with runs of white space made one space; empty
// when the tool fails.
QString PdfText(const QString& pdf);
// The images a PDF holds, as "width x height", from poppler's pdfimages.
QStringList PdfImageSizes(const QString& pdf);

// One page's text as pdftotext extracts it (pages count from 1), white space as above.
QString PdfPageText(const QString& pdf, int page);
// The size of each page in points, from poppler's pdfinfo.
QList<QSizeF> PdfPageSizes(const QString& pdf);
// The document information's Title, from pdfinfo.
QString PdfTitle(const QString& pdf);

// A word on a page and its box in points from the page's top left, from pdftotext -bbox.
struct PdfWord {
    QString text;
    QRectF box;
};
QList<PdfWord> PdfWords(const QString& pdf, int page);
// The box around all words of a page (empty without words).
QRectF PdfTextBox(const QList<PdfWord>& words);
// The colour of a point of a page, given in points from its top left, as pdftoppm renders it.
QColor PdfPixel(const QString& pdf, int page, QPointF point);

} // namespace velmora::test
