#pragma once

#include "queue/RowState.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace velmora {

inline const QString kKindUrl = QStringLiteral("URL");
inline const QString kKindFile = QStringLiteral("File");

// "Converted with warnings", "Not reached"...; as the "Result" column and the status bar name it.
QString RowStateText(RowState state);
inline const QString kNotReachedReason = QStringLiteral("The run was stopped before this row.");

struct QueueItem {
    QString SourceText; // never changed after the row is added
    QString Kind;       // "URL"/"File" when added; the user may overwrite it
    bool Selected = false;
    RowState State = RowState::Waiting;
    QString Reason;     // why a row failed or warned; empty otherwise
    QString OutputPath; // the PDF the row's last conversion produced (after numbering); empty otherwise
    QString PageTitle;  // the page's title as the last conversion read it; empty when it has none
};

// The row's state and reason in one line ("Failed: ..."), as the "Result" column shows it; empty for a
// row waiting to run.
QString ResultText(const QueueItem& item);

enum class SortKey { SourceText, Kind };

// A row a delete took, with the place it had in the queue just before.
struct RemovedRow {
    int row = 0;
    QueueItem item;
};
using RemovedRows = QList<RemovedRow>; // top to bottom

// What one add took, and what it passed by.
struct AddOutcome {
    int added = 0;
    int notWebAddress = 0; // lines with no web address (blank lines are not counted)
    int alreadyQueued = 0; // in the queue already, or given twice
};

struct QueueCounters {
    int total = 0;
    int urls = 0;
    int files = 0;
};

// The three status-bar captions, left to right.
struct CounterCaptions {
    QString listCount;    // "URL Count: N"
    QString totalConvert; // "Files Count: N"
    QString quality;      // "URL/Files Count: N"
};
CounterCaptions CounterCaptionsFor(const QueueCounters& counters);

// The ordered conversion queue, exposed as a table model for the grid: the source, its kind, and the
// result of its last conversion (state and reason), which the grid shows on request.
class ConversionQueue final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SourceColumn, KindColumn, ResultColumn, ColumnCount };
    enum Role { SelectedRole = Qt::UserRole + 1, RowStateRole, ReasonRole, OutputPathRole };

    explicit ConversionQueue(QObject* parent = nullptr);

    int RowCount() const;
    QString SourceText(int row) const;
    QString Kind(int row) const;
    void SetKind(int row, const QString& kind);
    bool IsSelected(int row) const;
    // Signals only when the flag actually changes, so a view mirroring its selection cannot loop.
    void SetSelected(int row, bool selected);
    int SelectedCount() const;

    // The new rows go before row `at` (at the end when it is -1 or past the end).
    AddOutcome AddWebAddresses(const QStringList& lines, int at = -1);
    AddOutcome AddFiles(const QStringList& paths, int at = -1);
    // Each returns the rows it took, so they can be put back.
    RemovedRows DeleteSelected();
    RemovedRows DeleteUnselected();
    RemovedRows DeleteAll();
    // Puts rows a delete took back at their places, with their flags and outcomes; a source queued again
    // meanwhile stays where it is now. Returns how many rows came back.
    int Restore(const RemovedRows& rows);
    bool CanDeleteSelected() const;
    bool CanDeleteUnselected() const;
    bool CanDeleteAll() const;
    // Unstable sort by raw UTF-16 code units; flags travel with their rows.
    void SortBy(SortKey key, Qt::SortOrder order);

    QueueCounters Counters() const;

    RowState State(int row) const;
    QString Reason(int row) const;
    void SetOutcome(int row, RowState state, const QString& reason = {});
    void ResetOutcomes(); // every row back to Waiting, reasons and output paths cleared
    QString OutputPath(int row) const;
    void SetOutputPath(int row, const QString& path);
    QString PageTitle(int row) const;
    void SetPageTitle(int row, const QString& title); // kept while the row is converting or converted

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // Emitted after any change of selection flags (including by deletes and sorts).
    void selectionFlagsChanged();

private:
    RemovedRows RemoveRowsWhere(bool selected);
    int AppendNew(const QStringList& sourceTexts, const QString& kind, int at); // the rows added

    QList<QueueItem> m_items;
    QSet<QString> m_sources; // in step with m_items: keeps the duplicate test O(1)
    int m_selectedCount = 0;
};

} // namespace velmora
