#include "ResultView.h"

#include "QueueGrid.h"
#include "SettingsStore.h"
#include "queue/ConversionQueue.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace velmora {

namespace {

QAction* NewToggle(QMenu& menu, const char* name, const QString& caption) {
    QAction* action = menu.addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    return action;
}

// Fits the room between the grid and the target folder row, which the fixed layout leaves free.
constexpr int kNoteHeight = 15;

} // namespace

ResultView::ResultView(ConversionQueue& queue, TQueueGrid& grid, const SettingsStore& store, QMenuBar& bar,
                       QMenu& before, QObject* parent)
    : QObject(parent), m_queue(queue), m_grid(grid) {
    auto* menu = new QMenu(QStringLiteral("&View"), &bar);
    menu->setObjectName(QStringLiteral("mnuView"));
    menu->setFont(bar.font());
    bar.insertMenu(before.menuAction(), menu);

    QAction* resultColumn = NewToggle(*menu, "actResultColumn", QStringLiteral("&Result column"));
    resultColumn->setChecked(store.ResultColumnShown());
    grid.SetResultColumnShown(resultColumn->isChecked());
    connect(resultColumn, &QAction::toggled, this, [this, store](bool shown) {
        m_grid.SetResultColumnShown(shown);
        store.SetResultColumnShown(shown);
    });

    m_problemRowsOnly =
        NewToggle(*menu, "actProblemRowsOnly", QStringLiteral("&Only rows that did not convert cleanly"));
    m_hiddenNote = new QLabel(grid.parentWidget());
    m_hiddenNote->setObjectName(QStringLiteral("lblHiddenRows"));
    m_hiddenNote->setGeometry(grid.x(), grid.geometry().bottom() + 1, grid.width(), kNoteHeight);
    m_hiddenNote->setIndent(3);
    m_hiddenNote->hide();
    // Counted again over every row, as the view may have forgotten what it hid.
    const auto all = [this] {
        m_hiddenCount = 0;
        for (int row = 0; row < m_queue.RowCount(); ++row)
            m_hiddenCount += m_grid.isRowHidden(row) ? 1 : 0;
        ApplyFilter(0, m_queue.RowCount() - 1);
        ShowHiddenCount();
    };
    connect(m_problemRowsOnly, &QAction::toggled, this, all);
    // Only outcomes matter, and only those of the rows that changed: a long run stays cheap.
    connect(&queue, &ConversionQueue::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(ConversionQueue::RowStateRole))
                    ApplyFilter(topLeft.row(), bottomRight.row());
            });
    // The view forgets hidden rows when they move or the model resets; new rows are waiting, so shown.
    connect(&queue, &ConversionQueue::modelReset, this, all);
    connect(&queue, &ConversionQueue::layoutChanged, this, all);
    connect(&queue, &ConversionQueue::rowsRemoved, this, all);
    // Rows put back by Undo may have converted cleanly already.
    connect(&queue, &ConversionQueue::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { ApplyFilter(first, last); });
}

void ResultView::ApplyFilter(int first, int last) {
    const bool filtering = m_problemRowsOnly->isChecked();
    if (!filtering && !m_anyHidden)
        return;
    m_anyHidden = filtering;
    for (int row = first; row <= last; ++row) {
        const bool hide = filtering && m_queue.State(row) == RowState::Converted;
        if (hide != m_grid.isRowHidden(row))
            m_hiddenCount += hide ? 1 : -1;
        m_grid.setRowHidden(row, hide);
        if (hide)
            m_queue.SetSelected(row, false);
    }
    ShowHiddenCount();
}

void ResultView::ShowHiddenCount() {
    m_hiddenNote->setVisible(m_hiddenCount > 0);
    m_hiddenNote->setText(
        (m_hiddenCount == 1
             ? QStringLiteral("1 row that converted cleanly is hidden")
             : QStringLiteral("%1 rows that converted cleanly are hidden").arg(m_hiddenCount)) +
        QStringLiteral(" (View › Only rows that did not convert cleanly); Convert Now converts them too."));
}

} // namespace velmora
