#pragma once

#include <QColor>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <utility>

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

// A received page, <home>/Documents/site/page.html, with the body given, its own style sheet (which
// adds kReceivedPageOwnMark to its first paragraph) and, around it, what it must not read:
// <home>/secret.txt and <home>/Documents/taxes.txt, a style sheet through a symbolic link that leads
// out of the site (site/linked.css), and a link to a dot-named file (site/key.txt). <home>/x.png only
// exists to be named. The site holds a dot-named file of its own, so the Classic engine allows its
// files one by one. Returns the page's path, empty when the files cannot be written.
QString WriteReceivedPage(const QString& home, const QByteArray& body);
inline const QString kReceivedPageOwnMark = QStringLiteral("OWNSTYLEMARK");
// What the page's PDF must never hold: the text of each file above.
inline const QStringList kReceivedPageSecrets = {QStringLiteral("SECRETMARK"), QStringLiteral("TAXESMARK"),
                                                 QStringLiteral("LINKEDSTYLEMARK"),
                                                 QStringLiteral("KEYMARK")};
// Bodies that name those files in every way a page may without drawing with them, by name.
QList<std::pair<QString, QByteArray>> ReceivedPageBodies();

// One page's text as pdftotext extracts it (pages count from 1), white space as above.
QString PdfPageText(const QString& pdf, int page);
// The size of each page in points, from poppler's pdfinfo.
QList<QSizeF> PdfPageSizes(const QString& pdf);
// A PDF of the given pages, each saying which it is in its middle ("Body1", ...), with an optional title.
bool WriteTestPdf(const QString& path, const QList<QPageSize>& pages, const QString& title);

// The document information's Title, from pdfinfo.
QString PdfTitle(const QString& pdf);
// A line of pdfinfo's report by its name ("Subject", "Creator", "Tagged", "Pages", ...); empty when absent.
QString PdfInfo(const QString& pdf, const QString& field);
int PdfPageCount(const QString& pdf); // 0 when pdfinfo cannot read it
// The bookmarks in order, each indented two spaces per level, from qpdf's JSON.
QStringList PdfOutline(const QString& pdf);
// The page (from 1) each top-level bookmark leads to.
QList<int> PdfOutlinePages(const QString& pdf);
// Where each link of a PDF leads, page by page, from qpdf's JSON: "page N" for a page of the PDF (from
// 1; "page 0" for anything else), "uri ADDRESS", "named NAME" for a named destination. Each entry
// begins with the page the link stands on: "1: page 3".
QStringList PdfLinks(const QString& pdf);

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
