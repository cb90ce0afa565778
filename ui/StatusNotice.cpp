#include "StatusNotice.h"

#include <QLabel>
#include <QStatusBar>

namespace velmora {

namespace {

// Long enough to be read once; the panes return afterwards.
constexpr int kNoticeMs = 20000;

} // namespace

void ShowStatusNotice(QStatusBar* bar, const QString& text) {
    // Only the panes meant to show now; one kept hidden for later stays hidden afterwards.
    QList<QLabel*> panes;
    for (QLabel* pane : bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (!pane->isHidden())
            panes.append(pane);
    for (QLabel* pane : panes)
        pane->hide();
    QObject::connect(bar, &QStatusBar::messageChanged, bar, [bar, panes](const QString& message) {
        if (!message.isEmpty())
            return;
        for (QLabel* pane : panes)
            pane->show();
        QObject::disconnect(bar, &QStatusBar::messageChanged, bar, nullptr);
    });
    bar->showMessage(text, kNoticeMs);
}

QString SkippedLinesText(const QList<std::pair<int, QString>>& counts) {
    QStringList parts;
    for (const auto& [count, why] : counts) {
        if (count == 0)
            continue;
        // The first count names what was skipped, the others follow it.
        if (parts.isEmpty())
            parts << (count == 1 ? QStringLiteral("1 line skipped: %1").arg(why)
                                 : QStringLiteral("%1 lines skipped: %2").arg(count).arg(why));
        else
            parts << QStringLiteral("%1 %2").arg(count).arg(why);
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace velmora
