#pragma once

#include "render/PageLoading.h"

#include <QDate>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

enum class Paper { A4, Letter, Legal, A3, A5, Custom };
enum class Orientation { Portrait, Landscape };
enum class MediaStyle { Print, Screen };
// What {page} and {pages} count in a combined PDF: the whole book, or each part as its own PDF does.
enum class PageNumbering { Book, EachPart };

// One line of text above or below the page: left, centre and right parts, each with the fields
// {page}, {pages}, {title}, {url} and {date}.
struct PageText {
    QString left;
    QString centre;
    QString right;

    bool IsEmpty() const { return left.isEmpty() && centre.isEmpty() && right.isEmpty(); }
    friend bool operator==(const PageText&, const PageText&) = default;
};

inline constexpr double kMmPerInch = 25.4;
inline constexpr double kPointsPerMm = 72.0 / kMmPerInch;
inline constexpr int kMinScalePercent = 10;
inline constexpr int kMaxScalePercent = 200;
inline constexpr double kMinPaperSideMm = 25.4;
inline constexpr double kMaxPaperSideMm = 2000.0;
inline constexpr double kMaxMarginMm = 100.0;
inline constexpr double kMinTextSizePt = 6.0;
inline constexpr double kMaxTextSizePt = 24.0;
// Where stamped text sits in a margin: this far from the paper's edge, and this far at least from the
// page's content.
inline constexpr double kPageTextEdgeMm = 4.0;
inline constexpr double kPageTextGapMm = 2.0;

// Margins where a header or footer needs them set and none were chosen.
inline constexpr double kSetMarginsMm = 10.0;

inline const QString kPageNumberText = QStringLiteral("Page {page} of {pages}");

// What the PDF looks like: the paper, its margins, the scale, backgrounds, the style sheet used, and
// a header and footer. The defaults are what both engines did before any of it could be set.
struct PageSetup {
    Paper paper = Paper::A4;
    QSizeF customSizeMm{210.0, 297.0}; // width and height, for Paper::Custom
    Orientation orientation = Orientation::Portrait;
    bool cssPageSize = false;           // the document's own @page size wins where it gives one
    std::optional<QMarginsF> marginsMm; // left, top, right, bottom; none: each engine's own
    int scalePercent = 100;
    bool backgrounds = true;
    MediaStyle media = MediaStyle::Print;
    PageText header;
    PageText footer;
    double textSizePt = 9.0;
    PageNumbering numbering = PageNumbering::Book;
    PageLoading loading = {}; // what is done to the page before it is printed

    // The paper in millimetres, turned for the orientation.
    QSizeF PaperSizeMm() const;
    // The margins the engines are given: the chosen ones, else kSetMarginsMm where a header or footer
    // needs known margins, grown where it needs room; none: each engine's own.
    std::optional<QMarginsF> PrintMarginsMm() const;
    // The margins a page is laid out with as far as this program knows: the printed ones, else kSetMarginsMm.
    QMarginsF LayoutMarginsMm() const;
    // Why this setup cannot print (the margins leave no room for content); empty when it can.
    QString Problem() const;
    bool HasPageText() const { return !header.IsEmpty() || !footer.IsEmpty(); }
    friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

// The height of one line of stamped text, in millimetres.
double PageTextLineMm(double textSizePt);

// The text of a header or footer part with its fields filled in.
struct PageFacts {
    int page = 1;
    int pages = 1;
    QString title;
    QString url;
    QDate date;
};
QString FillPageText(const QString& text, const PageFacts& facts);

// The text forms the command line takes and the settings store keeps. Each Parse returns nothing for a
// text it does not accept; each *Accepts says, for a message, what it does accept.
namespace page_text {
QString PaperText(const PageSetup& setup);
bool ParsePaper(const QString& text, PageSetup& setup); // sets paper and customSizeMm
inline const QString kPaperAccepts = QStringLiteral(
    "A4, Letter, Legal, A3, A5, or WIDTHxHEIGHT with mm, cm or in, each side from 25.4 to 2,000 mm (1 to "
    "78.7 in; e.g. 200x250mm)");

QString OrientationText(Orientation orientation);
std::optional<Orientation> ParseOrientation(const QString& text);
inline const QString kOrientationAccepts = QStringLiteral("portrait or landscape");

QString MarginsText(const std::optional<QMarginsF>& marginsMm); // "default" for none
bool ParseMargins(const QString& text, std::optional<QMarginsF>& marginsMm);
inline const QString kMarginsAccepts = QStringLiteral(
    "one length for all four sides or four (top, right, bottom, left), each with mm, cm or in, from 0 to "
    "100mm (e.g. 10mm or \"10mm 15mm 10mm 15mm\"), or \"default\" for each engine's own");

std::optional<int> ParseScale(const QString& text);
inline const QString kScaleAccepts = QStringLiteral("a whole percentage from 10 to 200 (e.g. 80 or 80%)");

QString MediaText(MediaStyle media);
std::optional<MediaStyle> ParseMedia(const QString& text);
inline const QString kMediaAccepts = QStringLiteral("print or screen");

QString LineText(const PageText& line);
std::optional<PageText> ParseLine(const QString& text);
inline const QString kLineAccepts = QStringLiteral("three parts \"left|centre|right\" (any may be empty) "
                                                   "with the fields {page}, {pages}, {title}, {url} and "
                                                   "{date}, or an empty text for none");

std::optional<double> ParseTextSize(const QString& text);

QString OnOffText(bool on);
std::optional<bool> ParseOnOff(const QString& text);

QString NumberingText(PageNumbering numbering);
std::optional<PageNumbering> ParseNumbering(const QString& text);
inline const QString kNumberingAccepts = QStringLiteral("book or each");
} // namespace page_text

} // namespace velmora
