#include "StatusNotice.h"

#include <QLabel>
#include <QStatusBar>

namespace velmora {

namespace {

// Long enough to be read once; the panes return afterwards.
constexpr int kNoticeMs = 20000;

} // namespace

void ShowStatusNotice(QStatusBar* bar, const QString& text) {
    const auto panes = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
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
