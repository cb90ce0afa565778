#include "UrlLabel.h"

#include "DialogParts.h"
#include "Dialogs.h"
#include "queue/TextRules.h"

#include <QMouseEvent>

namespace velmora {

namespace {

const QColor kVisitedColor(0x80, 0x00, 0x80);

} // namespace

UrlLabel::UrlLabel(Dialogs& dialogs, const QString& caption, QWidget* parent)
    : QLabel(caption, parent), m_dialogs(dialogs) {
    QFont font = InstalledOrSystemFont(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setUnderline(true);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    UpdateColor();
}

void UrlLabel::Click() {
    if (m_onClick) {
        m_onClick();
        return;
    }
    const QString url = TrimControl(m_url);
    const QString target = url.isEmpty() ? TrimControl(text()) : url;
    if (target.isEmpty())
        return;
    if (m_dialogs.OpenUrl(QUrl::fromUserInput(target))) {
        m_visited = true;
        UpdateColor();
    }
}

void UrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Click();
    QLabel::mouseReleaseEvent(event);
}

void UrlLabel::UpdateColor() {
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, m_visited ? kVisitedColor : colors.color(QPalette::Highlight));
    setPalette(colors);
}

} // namespace velmora
