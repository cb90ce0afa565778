#pragma once

#include "render/PageSetup.h"

#include <QWidget>

namespace velmora {

// A picture of one page: the paper's shape, the margins, and where the header and footer fall; below it
// the header and footer lines at a size one can read, cut where the PDF's lines will be cut.
class PagePreview final : public QWidget {
    Q_OBJECT
public:
    explicit PagePreview(QWidget* parent = nullptr);

    void SetPage(const PageSetup& page);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintPage(QPainter& painter, const QRectF& room);
    void PaintLine(QPainter& painter, const QRectF& strip, const PageText& line);

    PageSetup m_page;
};

} // namespace velmora
