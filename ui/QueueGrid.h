#pragma once

#include "queue/ConversionQueue.h"

#include <QIcon>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <array>

class QMenu;

namespace velmora {

// Paints one queue cell: bold text for rows whose selection flag is set, the row's run state as the
// icon of its "URL/Filename" cell, and the active or inactive selection colours depending on whether
// the grid holds the focus.
class QueueRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit QueueRowDelegate(QObject* parent = nullptr);

    // Public so the painted appearance can be inspected without a paint device.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QList<QIcon> m_stateIcons; // indexed by RowState
};

// The queue grid: whole-row multi-selection kept in step with the queue's selection flags, header
// clicks that sort the queue itself by source or type (each remembering its direction), in-place editing of
// the "Type" column only, and each row's run state drawn as an icon in its "URL/Filename" cell.
class TQueueGrid final : public QTableView {
    Q_OBJECT
public:
    explicit TQueueGrid(ConversionQueue& queue, QWidget* parent = nullptr);

    // Shown by a right click, after the right-click selection rule has been applied.
    void SetPopupMenu(QMenu* menu);
    // While locked (a run is in progress) header clicks do not sort and cells cannot be edited.
    void SetLocked(bool locked);
    bool IsLocked() const;
    // The "Result" column (state and reason of each row), hidden at first; the source column narrows
    // while it shows.
    void SetResultColumnShown(bool shown);
    bool IsResultColumnShown() const;
    void selectAll() override;

    using QTableView::edit; // the public edit(index) stays visible beside the override below
    // No keyboard search: a typed letter must not move the selection to a row the user never chose.
    void keyboardSearch(const QString& search) override;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void HeaderClicked(int column);
    void ShowSortIndicator();
    void PushSelectionToQueue(const QItemSelection& selected, const QItemSelection& deselected);
    void PullSelectionFromQueue();
    void PullSelectionRows(int first, int last);
    void BeginModelChange();
    void EndModelChange();
    void ShowPopupMenu(const QPoint& globalPos);

    ConversionQueue& m_queue;
    QPointer<QMenu> m_popupMenu;
    bool m_locked = false;
    // Set while the view's selection and the queue's flags are being aligned, so neither side echoes.
    bool m_syncing = false;
    int m_sortColumn = -1;
    std::array<Qt::SortOrder, ConversionQueue::ColumnCount> m_sortOrders{Qt::AscendingOrder,
                                                                         Qt::AscendingOrder};
    QPersistentModelIndex m_plainPressIndex;
};

} // namespace velmora
