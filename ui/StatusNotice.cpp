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

} // namespace velmora
