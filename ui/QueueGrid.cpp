#include "QueueGrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>

#include <utility>

namespace velmora {

namespace {

constexpr int kHeaderHeight = 18;
constexpr int kRowHeight = 16;
constexpr int kSourceColumnWidth = 600;
constexpr int kSourceColumnWidthBesideResult = 380;
constexpr int kKindColumnWidth = 100;

bool IsPlainLeft(const QMouseEvent* event) {
    return event->button() == Qt::LeftButton &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
}

// Styles disagree on the way their sort arrow points (Fusion draws SortUp upwards, the Windows styles
// downwards), so the header paints its own small triangle, pointing the way the values grow.
class QueueHeader final : public QHeaderView {
    static constexpr int kArrowHalfWidth = 4;
    static constexpr int kArrowHeight = 4;
    static constexpr int kArrowRightMargin = 8; // the caption is left-aligned and never reaches it

public:
    explicit QueueHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        option->sortIndicator = QStyleOptionHeader::None;
    }

    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        if (!isSortIndicatorShown() || sortIndicatorSection() != logicalIndex)
            return;
        const int centreX = rect.right() - kArrowRightMargin - kArrowHalfWidth;
        const int top = rect.center().y() - kArrowHeight / 2;
        const int bottom = top + kArrowHeight;
        const bool ascending = sortIndicatorOrder() == Qt::AscendingOrder;
        const int tipY = ascending ? top : bottom;
        const int baseY = ascending ? bottom : top;
        const QPolygon triangle({QPoint(centreX - kArrowHalfWidth, baseY),
                                 QPoint(centreX + kArrowHalfWidth, baseY), QPoint(centreX, tipY)});
        painter->save();
        // The style's header drawing leaves an empty clip region behind it.
        painter->setClipRect(rect);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::ButtonText));
        painter->drawPolygon(triangle);
        painter->restore();
    }
};

} // namespace

QueueRowDelegate::QueueRowDelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_stateIcons{QIcon(QStringLiteral(":/icons/state-waiting.svg")),
                                                QIcon(QStringLiteral(":/icons/state-converting.svg")),
                                                QIcon(QStringLiteral(":/icons/state-converted.svg")),
                                                QIcon(QStringLiteral(":/icons/state-warning.svg")),
                                                QIcon(QStringLiteral(":/icons/state-failed.svg")),
                                                QIcon(QStringLiteral(":/icons/state-not-reached.svg"))} {}

// Every row shows its state icon, Waiting included: a row that has not been converted yet is waiting
// for the next run, and a uniform icon column keeps the texts aligned.
void QueueRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(ConversionQueue::SelectedRole).toBool()) {
        option->font.setBold(true);
        option->fontMetrics = QFontMetrics(option->font);
    }
    if (index.column() == ConversionQueue::SourceColumn) {
        option->icon = m_stateIcons.value(index.data(ConversionQueue::RowStateRole).toInt());
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
    // The view paints with the inactive colours whenever it lacks the focus; a "Type" editor holding the
    // focus still counts as the grid, so the row being edited keeps its active look.
    if (const QWidget* view = option->widget) {
        const QWidget* focus = QApplication::focusWidget();
        option->state.setFlag(QStyle::State_Active, focus && (focus == view || view->isAncestorOf(focus)));
    }
}

TQueueGrid::TQueueGrid(ConversionQueue& queue, QWidget* parent) : QTableView(parent), m_queue(queue) {
    // Connected before setModel() so they run ahead of the selection model's own bookkeeping...
    connect(&queue, &QAbstractItemModel::layoutAboutToBeChanged, this, &TQueueGrid::BeginModelChange);
    connect(&queue, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TQueueGrid::BeginModelChange);
    connect(&queue, &QAbstractItemModel::rowsAboutToBeInserted, this, &TQueueGrid::BeginModelChange);
    connect(&queue, &QAbstractItemModel::modelAboutToBeReset, this, &TQueueGrid::BeginModelChange);
    setHorizontalHeader(new QueueHeader(this));
    setModel(&queue);
    // ...and these after it, so the rebuilt selection is not cleared again by the view's reset.
    connect(&queue, &QAbstractItemModel::layoutChanged, this, &TQueueGrid::EndModelChange);
    connect(&queue, &QAbstractItemModel::rowsRemoved, this, &TQueueGrid::EndModelChange);
    connect(&queue, &QAbstractItemModel::rowsInserted, this, &TQueueGrid::EndModelChange);
    connect(&queue, &QAbstractItemModel::modelReset, this, &TQueueGrid::EndModelChange);
    connect(&queue, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                if (roles.contains(ConversionQueue::SelectedRole))
                    PullSelectionRows(topLeft.row(), bottomRight.row());
            });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TQueueGrid::PushSelectionToQueue);

    setItemDelegate(new QueueRowDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(AnyKeyPressed);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setTabKeyNavigation(false); // Tab moves on to the next control
    setFrameStyle(QFrame::Box | QFrame::Plain);

    QPalette colours = palette();
    colours.setColor(QPalette::Active, QPalette::HighlightedText, QColor(0xE1, 0xE1, 0xE1));
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Button));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::WindowText));
    setPalette(colours);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(kRowHeight);
    rows->setDefaultSectionSize(kRowHeight);

    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(kHeaderHeight);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The last column shown takes the rest of the width, so a selected row is highlighted to the edge.
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    setColumnWidth(ConversionQueue::SourceColumn, kSourceColumnWidth);
    setColumnWidth(ConversionQueue::KindColumn, kKindColumnWidth);
    SetResultColumnShown(false);
    ShowSortIndicator();
    connect(header, &QHeaderView::sectionClicked, this, &TQueueGrid::HeaderClicked);
}

void TQueueGrid::SetResultColumnShown(bool shown) {
    setColumnHidden(ConversionQueue::ResultColumn, !shown);
    setColumnWidth(ConversionQueue::SourceColumn,
                   shown ? kSourceColumnWidthBesideResult : kSourceColumnWidth);
}

bool TQueueGrid::IsResultColumnShown() const {
    return !isColumnHidden(ConversionQueue::ResultColumn);
}

// Rows hidden by a filter are left out, so a delete after Select All removes only rows in sight.
void TQueueGrid::selectAll() {
    QItemSelection selection;
    for (int row = 0; row < m_queue.RowCount(); ++row) {
        if (!isRowHidden(row))
            selection.select(m_queue.index(row, 0), m_queue.index(row, ConversionQueue::ColumnCount - 1));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TQueueGrid::SetPopupMenu(QMenu* menu) {
    m_popupMenu = menu;
}

void TQueueGrid::SetLocked(bool locked) {
    m_locked = locked;
    if (!locked || state() != EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool TQueueGrid::IsLocked() const {
    return m_locked;
}

// Mouse presses follow the grid's own rules rather than Qt's (which, for instance, keep rows outside a
// Shift range selected and defer a click on a selected row to the release); keys keep Qt's behaviour.
QItemSelectionModel::SelectionFlags TQueueGrid::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    if (!event || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease))
        return QTableView::selectionCommand(index, event);
    if (event->type() == QEvent::MouseButtonRelease || !index.isValid())
        return QItemSelectionModel::NoUpdate;

    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
        return selectionModel()->isSelected(index)
                   ? QItemSelectionModel::NoUpdate
                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    if (mouse->button() != Qt::LeftButton)
        return QItemSelectionModel::NoUpdate;

    const bool ctrl = mouse->modifiers() & Qt::ControlModifier;
    // With the Current flag the view selects from the row last pressed without it: the Shift anchor.
    if (mouse->modifiers() & Qt::ShiftModifier) {
        return (ctrl ? QItemSelectionModel::SelectCurrent
                     : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Current) |
               QItemSelectionModel::Rows;
    }
    return (ctrl ? QItemSelectionModel::Toggle : QItemSelectionModel::ClearAndSelect) |
           QItemSelectionModel::Rows;
}

void TQueueGrid::keyboardSearch(const QString&) {}

bool TQueueGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (m_locked || index.column() != ConversionQueue::KindColumn)
        return false;
    return QTableView::edit(index, trigger, event);
}

void TQueueGrid::mousePressEvent(QMouseEvent* event) {
    m_plainPressIndex = IsPlainLeft(event) ? QPersistentModelIndex(indexAt(event->position().toPoint()))
                                           : QPersistentModelIndex();
    QTableView::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        ShowPopupMenu(event->globalPosition().toPoint());
}

// Qt opens editors only on a click into an already selected cell; a "Type" cell opens on any plain click.
void TQueueGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QPersistentModelIndex pressed = std::exchange(m_plainPressIndex, {});
    QTableView::mouseReleaseEvent(event);
    const QModelIndex released = indexAt(event->position().toPoint());
    if (IsPlainLeft(event) && released.isValid() && released == pressed && state() != EditingState)
        edit(released, AllEditTriggers, nullptr);
}

void TQueueGrid::contextMenuEvent(QContextMenuEvent* event) {
    // The right mouse press has opened the menu already; only the keyboard's menu key gets here first.
    if (event->reason() != QContextMenuEvent::Mouse)
        ShowPopupMenu(event->globalPos());
    event->accept();
}

void TQueueGrid::ShowPopupMenu(const QPoint& globalPos) {
    if (m_popupMenu)
        m_popupMenu->popup(globalPos);
}

void TQueueGrid::HeaderClicked(int column) {
    if (!m_locked && column != ConversionQueue::ResultColumn) {
        if (column == m_sortColumn) {
            Qt::SortOrder& order = m_sortOrders[column];
            order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        } else {
            m_sortColumn = column;
        }
        m_queue.SortBy(column == ConversionQueue::SourceColumn ? SortKey::SourceText : SortKey::Kind,
                       m_sortOrders[column]);
        if (const QModelIndex current = currentIndex(); current.isValid()) {
            selectionModel()->select(current,
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            scrollTo(current);
        }
    }
    // The header flips its own indicator on every click; put back the one that matches the queue.
    ShowSortIndicator();
}

void TQueueGrid::ShowSortIndicator() {
    const Qt::SortOrder order = m_sortColumn < 0 ? Qt::AscendingOrder : m_sortOrders[m_sortColumn];
    horizontalHeader()->setSortIndicator(m_sortColumn, order);
}

void TQueueGrid::PushSelectionToQueue(const QItemSelection& selected, const QItemSelection& deselected) {
    if (m_syncing)
        return;
    const QScopedValueRollback guard(m_syncing, true);
    for (const QItemSelectionRange& range : deselected) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            m_queue.SetSelected(row, false);
    }
    for (const QItemSelectionRange& range : selected) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            m_queue.SetSelected(row, true);
    }
}

void TQueueGrid::PullSelectionFromQueue() {
    QItemSelection selection;
    const int rowCount = m_queue.RowCount();
    for (int row = 0; row < rowCount;) {
        if (!m_queue.IsSelected(row)) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < rowCount && m_queue.IsSelected(row))
            ++row;
        selection.append(QItemSelectionRange(m_queue.index(first, 0),
                                             m_queue.index(row - 1, ConversionQueue::ColumnCount - 1)));
    }
    const QScopedValueRollback guard(m_syncing, true);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TQueueGrid::PullSelectionRows(int first, int last) {
    if (m_syncing)
        return;
    const QScopedValueRollback guard(m_syncing, true);
    for (int row = first; row <= last; ++row) {
        const auto flag =
            m_queue.IsSelected(row) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
        selectionModel()->select(m_queue.index(row, 0), flag | QItemSelectionModel::Rows);
    }
}

// Rows are about to move, appear or vanish: the view's selection is dropped now and rebuilt from the
// flags afterwards. Dropping it also spares the selection model from tracking each selected row.
void TQueueGrid::BeginModelChange() {
    m_syncing = true;
    selectionModel()->clearSelection();
}

void TQueueGrid::EndModelChange() {
    PullSelectionFromQueue();
    m_syncing = false;
}

} // namespace velmora
