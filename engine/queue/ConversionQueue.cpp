#include "queue/ConversionQueue.h"

#include "queue/TextRules.h"

#include <QStringView>

#include <algorithm>
#include <vector>

namespace velmora {

QString ResultText(const QueueItem& item) {
    if (item.State == RowState::Waiting)
        return {};
    const QString state = RowStateText(item.State);
    return item.Reason.isEmpty() ? state : state + QStringLiteral(": ") + item.Reason;
}

CounterCaptions CounterCaptionsFor(const QueueCounters& counters) {
    return {QStringLiteral("URL Count: ") + QString::number(counters.urls),
            QStringLiteral("Files Count: ") + QString::number(counters.files),
            QStringLiteral("URL/Files Count: ") + QString::number(counters.total)};
}

QString RowStateText(RowState state) {
    switch (state) {
    case RowState::Waiting:
        return QStringLiteral("Waiting");
    case RowState::Converting:
        return QStringLiteral("Converting");
    case RowState::Converted:
        return QStringLiteral("Converted");
    case RowState::ConvertedWithWarnings:
        return QStringLiteral("Converted with warnings");
    case RowState::Failed:
        return QStringLiteral("Failed");
    case RowState::NotReached:
        return QStringLiteral("Not reached");
    }
    return {};
}

ConversionQueue::ConversionQueue(QObject* parent) : QAbstractTableModel(parent) {}

int ConversionQueue::RowCount() const {
    return int(m_items.size());
}

QString ConversionQueue::SourceText(int row) const {
    return m_items.at(row).SourceText;
}

QString ConversionQueue::Kind(int row) const {
    return m_items.at(row).Kind;
}

void ConversionQueue::SetKind(int row, const QString& kind) {
    if (m_items.at(row).Kind == kind)
        return;
    m_items[row].Kind = kind;
    const QModelIndex cell = index(row, KindColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

bool ConversionQueue::IsSelected(int row) const {
    return m_items.at(row).Selected;
}

void ConversionQueue::SetSelected(int row, bool selected) {
    if (m_items.at(row).Selected == selected)
        return;
    m_items[row].Selected = selected;
    m_selectedCount += selected ? 1 : -1;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {SelectedRole});
    emit selectionFlagsChanged();
}

int ConversionQueue::SelectedCount() const {
    return m_selectedCount;
}

AddOutcome ConversionQueue::AddWebAddresses(const QStringList& lines, int at) {
    AddOutcome outcome;
    QStringList addresses;
    addresses.reserve(lines.size());
    for (const QString& line : lines) {
        QString trimmed = TrimControl(line);
        if (IsWebAddress(trimmed))
            addresses.append(std::move(trimmed));
        else if (!trimmed.isEmpty())
            ++outcome.notWebAddress;
    }
    outcome.added = AppendNew(addresses, kKindUrl, at);
    outcome.alreadyQueued = int(addresses.size()) - outcome.added;
    return outcome;
}

AddOutcome ConversionQueue::AddFiles(const QStringList& paths, int at) {
    AddOutcome outcome;
    outcome.added = AppendNew(paths, kKindFile, at);
    outcome.alreadyQueued = int(paths.size()) - outcome.added;
    return outcome;
}

// Claims each text in m_sources as it goes, so later duplicates within the same call are skipped too;
// the new rows are then announced as one insertion.
int ConversionQueue::AppendNew(const QStringList& sourceTexts, const QString& kind, int at) {
    QList<QueueItem> added;
    for (const QString& text : sourceTexts) {
        const qsizetype before = m_sources.size();
        m_sources.insert(text);
        if (m_sources.size() == before)
            continue;
        QueueItem item;
        item.SourceText = text;
        item.Kind = kind;
        added.append(std::move(item));
    }
    if (added.isEmpty())
        return 0;
    const int first = at < 0 || at > RowCount() ? RowCount() : at;
    const int count = int(added.size());
    beginInsertRows({}, first, first + count - 1);
    for (int i = 0; i < count; ++i)
        m_items.insert(first + i, std::move(added[i]));
    endInsertRows();
    return count;
}

RemovedRows ConversionQueue::DeleteSelected() {
    return RemoveRowsWhere(true);
}

RemovedRows ConversionQueue::DeleteUnselected() {
    return RemoveRowsWhere(false);
}

// Equivalent to removing matching rows bottom-up one at a time, but linear: one range removal when the
// rows are contiguous, otherwise a single compaction under a model reset.
RemovedRows ConversionQueue::RemoveRowsWhere(bool selected) {
    RemovedRows removed;
    int first = -1;
    int last = -1;
    int count = 0;
    for (int row = 0; row < RowCount(); ++row) {
        const QueueItem& item = m_items.at(row);
        if (item.Selected != selected)
            continue;
        m_sources.remove(item.SourceText);
        removed.append({row, item});
        if (first < 0)
            first = row;
        last = row;
        ++count;
    }
    if (count > 0 && last - first + 1 == count) {
        beginRemoveRows({}, first, last);
        m_items.remove(first, count);
        endRemoveRows();
    } else if (count > 0) {
        beginResetModel();
        m_items.removeIf([selected](const QueueItem& item) { return item.Selected == selected; });
        endResetModel();
    }
    if (selected)
        m_selectedCount = 0;
    emit selectionFlagsChanged();
    return removed;
}

RemovedRows ConversionQueue::DeleteAll() {
    RemovedRows removed;
    removed.reserve(m_items.size());
    for (int row = 0; row < RowCount(); ++row)
        removed.append({row, m_items.at(row)});
    beginResetModel();
    m_items.clear();
    m_sources.clear();
    m_selectedCount = 0;
    endResetModel();
    emit selectionFlagsChanged();
    return removed;
}

// Inserting top to bottom at the old places rebuilds the old order, since each row's place counts the
// rows above it that come back first. Rows added since the delete stay below the restored ones, as a
// place past the end is taken as the end.
int ConversionQueue::Restore(const RemovedRows& rows) {
    QList<RemovedRow> back;
    for (const RemovedRow& removed : rows)
        if (!m_sources.contains(removed.item.SourceText))
            back.append(removed);
    if (back.isEmpty())
        return 0;
    const bool oneRange =
        back.last().row - back.first().row + 1 == back.size() && back.first().row <= RowCount();
    if (oneRange)
        beginInsertRows({}, back.first().row, back.last().row);
    else
        beginResetModel();
    for (const RemovedRow& removed : back) {
        m_items.insert(std::min<qsizetype>(removed.row, m_items.size()), removed.item);
        m_sources.insert(removed.item.SourceText);
        if (removed.item.Selected)
            ++m_selectedCount;
    }
    if (oneRange)
        endInsertRows();
    else
        endResetModel();
    emit selectionFlagsChanged();
    return int(back.size());
}

bool ConversionQueue::CanDeleteSelected() const {
    return m_selectedCount > 0;
}

bool ConversionQueue::CanDeleteUnselected() const {
    return RowCount() > 0 && m_selectedCount < RowCount();
}

bool ConversionQueue::CanDeleteAll() const {
    return RowCount() > 0;
}

void ConversionQueue::SortBy(SortKey key, Qt::SortOrder order) {
    struct Entry {
        QStringView key;
        int row;
    };
    std::vector<Entry> entries;
    entries.reserve(m_items.size());
    for (int row = 0; row < RowCount(); ++row) {
        const QueueItem& item = m_items.at(row);
        entries.push_back({key == SortKey::SourceText ? item.SourceText : item.Kind, row});
    }
    // Case-sensitive QStringView::compare orders by raw UTF-16 code units, with no locale.
    const bool ascending = order == Qt::AscendingOrder;
    std::sort(entries.begin(), entries.end(), [ascending](const Entry& a, const Entry& b) {
        const int c = a.key.compare(b.key, Qt::CaseSensitive);
        return ascending ? c < 0 : c > 0;
    });

    emit layoutAboutToBeChanged({}, VerticalSortHint);
    QList<QueueItem> sorted;
    sorted.reserve(m_items.size());
    std::vector<int> newRowOf(entries.size());
    for (int newRow = 0; newRow < int(entries.size()); ++newRow) {
        newRowOf[entries[newRow].row] = newRow;
        sorted.append(std::move(m_items[entries[newRow].row]));
    }
    m_items = std::move(sorted);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, VerticalSortHint);
    emit selectionFlagsChanged();
}

QueueCounters ConversionQueue::Counters() const {
    QueueCounters counters;
    counters.total = RowCount();
    for (const QueueItem& item : m_items) {
        if (item.Kind == kKindUrl)
            ++counters.urls;
    }
    counters.files = counters.total - counters.urls;
    return counters;
}

RowState ConversionQueue::State(int row) const {
    return m_items.at(row).State;
}

QString ConversionQueue::Reason(int row) const {
    return m_items.at(row).Reason;
}

void ConversionQueue::SetOutcome(int row, RowState state, const QString& reason) {
    QueueItem& item = m_items[row];
    item.State = state;
    item.Reason = reason;
    // A PDF path belongs to a converted row; a row about to be converted again has none yet.
    if (state != RowState::Converted && state != RowState::ConvertedWithWarnings)
        item.OutputPath.clear();
    if (state != RowState::Converting && state != RowState::Converted &&
        state != RowState::ConvertedWithWarnings)
        item.PageTitle.clear();
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void ConversionQueue::ResetOutcomes() {
    if (m_items.isEmpty())
        return;
    for (QueueItem& item : m_items) {
        item.State = RowState::Waiting;
        item.Reason.clear();
        item.OutputPath.clear();
        item.PageTitle.clear();
    }
    emit dataChanged(index(0, 0), index(RowCount() - 1, ColumnCount - 1));
}

QString ConversionQueue::PageTitle(int row) const {
    return m_items.at(row).PageTitle;
}

void ConversionQueue::SetPageTitle(int row, const QString& title) {
    m_items[row].PageTitle = title;
}

QString ConversionQueue::OutputPath(int row) const {
    return m_items.at(row).OutputPath;
}

void ConversionQueue::SetOutputPath(int row, const QString& path) {
    m_items[row].OutputPath = path;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {OutputPathRole});
}

int ConversionQueue::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int ConversionQueue::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ConversionQueue::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QueueItem& item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case SourceColumn:
            return item.SourceText;
        case KindColumn:
            return item.Kind;
        default:
            return ResultText(item);
        }
    case Qt::ToolTipRole:
        if (!item.Reason.isEmpty())
            return item.Reason;
        // Long paths are cut off in the grid; the tooltip shows them whole.
        return index.column() == SourceColumn ? QVariant(item.SourceText) : QVariant();
    case SelectedRole:
        return item.Selected;
    case RowStateRole:
        return int(item.State);
    case ReasonRole:
        return item.Reason;
    case OutputPathRole:
        return item.OutputPath;
    default:
        return {};
    }
}

bool ConversionQueue::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        index.column() != KindColumn || role != Qt::EditRole)
        return false;
    SetKind(index.row(), value.toString());
    return true;
}

Qt::ItemFlags ConversionQueue::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return index.column() == KindColumn ? base | Qt::ItemIsEditable : base;
}

QVariant ConversionQueue::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case SourceColumn:
        return QStringLiteral("URL/Filename");
    case KindColumn:
        return QStringLiteral("Type");
    case ResultColumn:
        return QStringLiteral("Result");
    default:
        return {};
    }
}

} // namespace velmora
