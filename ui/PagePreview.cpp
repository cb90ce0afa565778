#include "PagePreview.h"

#include <QPainter>

namespace velmora {

namespace {

constexpr int kPreviewSide = 190;
constexpr int kBorder = 8;
// Grey bars stand for the page's lines of content.
constexpr double kContentLineMm = 6.0;

} // namespace

PagePreview::PagePreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pagePreview"));
    setMinimumSize(kPreviewSide, kPreviewSide);
}

void PagePreview::SetPage(const PageSetup& page) {
    m_page = page;
    update();
}

QSize PagePreview::sizeHint() const {
    return {kPreviewSide, kPreviewSide};
}

void PagePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF paperMm = m_page.PaperSizeMm();
    const QRectF room = QRectF(rect()).adjusted(kBorder, kBorder, -kBorder, -kBorder);
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

    // The header and footer bands, where stamped text falls, with a sample of what they show.
    const double edge = kPageTextEdgeMm * scale;
    const double line = PageTextLineMm(m_page.textSizePt) * scale;
    const QRectF across(content.left(), 0, content.width(), line);
    QFont font = painter.font();
    font.setPixelSize(qMax(5, int(line)));
    painter.setFont(font);
    PageFacts sample;
    sample.pages = 3;
    sample.title = QStringLiteral("Title");
    sample.url = QStringLiteral("address");
    sample.date = QDate::currentDate();
    for (const auto& [text, top] : {std::pair{&m_page.header, paper.top() + edge},
                                    std::pair{&m_page.footer, paper.bottom() - edge - line}}) {
        if (text->IsEmpty())
            continue;
        const QRectF band = across.translated(0, top);
        painter.fillRect(band, QColor(0xFF, 0xF2, 0xCC));
        painter.setPen(Qt::black);
        for (const auto& [part, alignment] :
             {std::pair{&text->left, Qt::AlignLeft}, std::pair{&text->centre, Qt::AlignHCenter},
              std::pair{&text->right, Qt::AlignRight}})
            painter.drawText(band, alignment | Qt::AlignVCenter, FillPageText(*part, sample));
    }
}

} // namespace velmora
