#include "ContentsPage.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPdfWriter>

namespace velmora::pdf {

namespace {

// Fine enough that placing text in whole device units never shows.
constexpr int kResolution = 1200;
constexpr double kDotsPerMm = kResolution / kMmPerInch;
constexpr double kHeadingIndentMm = 6.0;
constexpr double kNumberGapMm = 2.0;

QFont SizedFont(const QFont& base, double pointSize, bool bold) {
    QFont font = base;
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// A line's title, a row of dots and its page number at the right edge of `band`.
void DrawLine(QPainter& painter, const QRectF& band, const QString& text, int page) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QString number = QString::number(page);
    const double numberWidth = metrics.horizontalAdvance(number);
    const double gap = kNumberGapMm * kDotsPerMm;
    const QString shown = metrics.elidedText(text, Qt::ElideRight, band.width() - numberWidth - 2 * gap);
    const double textWidth = metrics.horizontalAdvance(shown);
    const double baseline = band.top() + (band.height() + metrics.ascent() - metrics.descent()) / 2;
    painter.drawText(QPointF(band.left(), baseline), shown);
    painter.drawText(QPointF(band.right() - numberWidth, baseline), number);
    // The leader is drawn, not written, so the page's text (and a screen reader) reads only the title
    // and its number.
    const double leaderLeft = band.left() + textWidth + gap;
    const double leaderRight = band.right() - numberWidth - gap;
    if (leaderRight > leaderLeft) {
        painter.save();
        const double dot = metrics.height() / 10;
        QPen pen(Qt::gray, dot, Qt::CustomDashLine, Qt::RoundCap);
        pen.setDashPattern({0.01, 4});
        painter.setPen(pen);
        const double y = baseline - dot / 2;
        painter.drawLine(QPointF(leaderLeft, y), QPointF(leaderRight, y));
        painter.restore();
    }
}

} // namespace

DrawnContents DrawContents(const QString& title, const std::vector<ContentsLine>& lines, const PageSetup& page) {
    DrawnContents drawn;
    QBuffer buffer(&drawn.pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setCreator(QString());
    writer.setPageMargins(QMarginsF());
    const QSizeF paperMm = page.PaperSizeMm();
    writer.setPageSize(QPageSize(paperMm, QPageSize::Millimeter, {}, QPageSize::ExactMatch));
    QPainter painter;
    if (!painter.begin(&writer)) {
        drawn.problem = QStringLiteral("its contents page could not be drawn");
        return drawn;
    }
    const QSizeF size = paperMm * kDotsPerMm;
    const QMarginsF margins = page.LayoutMarginsMm() * kDotsPerMm;
    const QRectF area(margins.left(), margins.top(), size.width() - margins.left() - margins.right(),
                      size.height() - margins.top() - margins.bottom());
    const QFont base = painter.font();
    const double pointSize = page.textSizePt;
    double top = area.top();
    const auto heading = [&](const QString& text, double scale) {
        painter.setFont(SizedFont(base, pointSize * scale, true));
        const QFontMetricsF metrics(painter.font(), painter.device());
        painter.drawText(QPointF(area.left(), top + metrics.ascent()),
                         metrics.elidedText(text, Qt::ElideRight, area.width()));
        top += metrics.lineSpacing() * 1.6;
    };
    if (!title.isEmpty())
        heading(title, 2.0);
    heading(QStringLiteral("Contents"), 1.5);
    for (const ContentsLine& line : lines) {
        painter.setFont(SizedFont(base, line.heading ? pointSize : pointSize * 1.15, !line.heading));
        const double height = QFontMetricsF(painter.font(), painter.device()).lineSpacing() * 1.4;
        if (top + height > area.bottom() && top > area.top()) {
            if (!writer.newPage()) {
                drawn.problem = QStringLiteral("its contents page could not be drawn");
                return drawn;
            }
            ++drawn.pages;
            top = area.top();
        }
        const double indent = line.heading ? kHeadingIndentMm * kDotsPerMm : 0.0;
        const QRectF band(area.left() + indent, top, area.width() - indent, height);
        DrawLine(painter, band, line.text, line.page);
        const double toPoints = kPointsPerMm / kDotsPerMm;
        drawn.spots.push_back({drawn.pages, QRectF(band.left() * toPoints, (size.height() - band.bottom()) * toPoints,
                                                  band.width() * toPoints, band.height() * toPoints)});
        top += height;
    }
    ++drawn.pages;
    if (!painter.end())
        drawn.problem = QStringLiteral("its contents page could not be drawn");
    return drawn;
}

} // namespace velmora::pdf
