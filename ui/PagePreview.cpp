#include "PagePreview.h"

#include "PageTextFit.h"

#include <QFontMetricsF>
#include <QPainter>

namespace velmora {

namespace {

constexpr int kPreviewWidth = 300;
constexpr int kPreviewHeight = 360;
constexpr int kBorder = 8;
// Grey bars stand for the page's lines of content.
constexpr double kContentLineMm = 6.0;
// Fitting is measured in tenths of a point, fine enough to match what the PDF cuts.
constexpr double kFitUnitsPerPoint = 10.0;
constexpr double kSmallestStripPoints = 6.5;

PageFacts SampleFacts() {
    PageFacts sample;
    sample.pages = 3;
    sample.title = QStringLiteral("Title");
    sample.url = QStringLiteral("address");
    sample.date = QDate::currentDate();
    return sample;
}

} // namespace

PagePreview::PagePreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pagePreview"));
    setMinimumSize(kPreviewWidth, kPreviewHeight);
}

void PagePreview::SetPage(const PageSetup& page) {
    m_page = page;
    update();
}

QSize PagePreview::sizeHint() const {
    return {kPreviewWidth, kPreviewHeight};
}

void PagePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double stripHeight = fontMetrics().height() + 6;
    QRectF room = QRectF(rect()).adjusted(kBorder, kBorder, -kBorder, -kBorder);
    // The lines that are set, each in a strip of its own below the page, header first.
    QList<const PageText*> lines;
    for (const PageText* line : {&m_page.header, &m_page.footer})
        if (!line->IsEmpty())
            lines << line;
    room.setBottom(room.bottom() - lines.size() * (stripHeight + 4));
    PaintPage(painter, room);
    for (int index = 0; index < lines.size(); ++index)
        PaintLine(
            painter,
            QRectF(room.left(), room.bottom() + 4 + index * (stripHeight + 4), room.width(), stripHeight),
            *lines[index]);
}

void PagePreview::PaintPage(QPainter& painter, const QRectF& room) {
    const QSizeF paperMm = m_page.PaperSizeMm();
    const double scale = qMin(room.width() / paperMm.width(), room.height() / paperMm.height());
    const QSizeF paperSize = paperMm * scale;
    const QRectF paper(room.center() - QPointF(paperSize.width(), paperSize.height()) / 2, paperSize);

    painter.fillRect(paper.translated(2, 2), QColor(0, 0, 0, 60));
    painter.fillRect(paper, Qt::white);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.drawRect(paper);

    const QMarginsF margins = m_page.LayoutMarginsMm() * scale;
    const QRectF content = paper.marginsRemoved(margins);
    if (content.isValid()) {
        for (double y = content.top() + 2; y < content.bottom() - 1; y += kContentLineMm * scale)
            painter.fillRect(QRectF(content.left(), y, content.width(), qMax(1.0, 2.0 * scale)),
                             m_page.backgrounds ? QColor(0xC8, 0xD4, 0xE4) : QColor(0xDD, 0xDD, 0xDD));
        painter.setPen(QPen(QColor(0x00, 0x3C, 0x74), 1, Qt::DashLine));
        painter.drawRect(content);
    }

    // The header and footer bands, where stamped text falls; the strips below say what they hold.
    const double edge = kPageTextEdgeMm * scale;
    const double line = PageTextLineMm(m_page.textSizePt) * scale;
    for (const auto& [text, top] : {std::pair{&m_page.header, paper.top() + edge},
                                    std::pair{&m_page.footer, paper.bottom() - edge - line}}) {
        if (!text->IsEmpty())
            painter.fillRect(QRectF(content.left(), top, content.width(), line), QColor(0xFF, 0xF2, 0xCC));
    }
}

// The parts are cut as on the page, measured at the page's own text size across the page's own width;
// what remains is drawn in the window's font, cut again only if the strip is too narrow for it.
void PagePreview::PaintLine(QPainter& painter, const QRectF& strip, const PageText& line) {
    const PageFacts sample = SampleFacts();
    QFont pageFont = font();
    pageFont.setPixelSize(qMax(1, qRound(m_page.textSizePt * kFitUnitsPerPoint)));
    const QMarginsF margins = m_page.LayoutMarginsMm();
    const double lineWidthMm = m_page.PaperSizeMm().width() - margins.left() - margins.right();
    const std::array<QString, 3> onPage =
        pdf::FitPageTextLine({FillPageText(line.left, sample), FillPageText(line.centre, sample),
                              FillPageText(line.right, sample)},
                             QFontMetricsF(pageFont), lineWidthMm * kPointsPerMm * kFitUnitsPerPoint);

    painter.fillRect(strip, QColor(0xFF, 0xF2, 0xCC));
    painter.setPen(QPen(QColor(0xC8, 0xB4, 0x78), 1));
    painter.drawRect(strip);
    const QRectF text = strip.adjusted(4, 0, -4, 0);
    // A line too long for the strip is drawn smaller, down to a size still readable, before it is cut.
    QFont stripFont = font();
    const QFontMetricsF readable(stripFont);
    double needed = 2 * readable.horizontalAdvance(QLatin1Char(' '));
    for (const QString& part : onPage)
        needed += readable.horizontalAdvance(part);
    if (needed > text.width())
        stripFont.setPointSizeF(qMax(kSmallestStripPoints, stripFont.pointSizeF() * text.width() / needed));
    painter.setFont(stripFont);
    const std::array<QString, 3> shown = pdf::FitPageTextLine(onPage, QFontMetricsF(stripFont), text.width());
    painter.setPen(Qt::black);
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int part = 0; part < 3; ++part)
        painter.drawText(text, alignments[part] | Qt::AlignVCenter | Qt::TextSingleLine, shown[part]);
}

} // namespace velmora
