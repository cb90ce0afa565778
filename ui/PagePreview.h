#pragma once

#include "render/PageSetup.h"

#include <QWidget>

namespace velmora {

// A small picture of one page: the paper's shape, the margins, and where the header and footer fall.
class PagePreview final : public QWidget {
    Q_OBJECT
public:
    explicit PagePreview(QWidget* parent = nullptr);

    void SetPage(const PageSetup& page);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PageSetup m_page;
};

} // namespace velmora
