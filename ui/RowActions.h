#pragma once

#include <QObject>

class QAction;
class QMenu;
class QModelIndex;
class QWidget;

namespace velmora {

class ConversionQueue;
class Dialogs;
class TQueueGrid;

// What can be done with one row of the grid: open its PDF (also by double-clicking its source), show
// the PDF in its folder, copy the reason of a warning or failure. Each popup item is enabled only for
// the grid's current row where it applies.
class RowActions final : public QObject {
    Q_OBJECT
public:
    RowActions(ConversionQueue& queue, TQueueGrid& grid, QMenu& popupMenu, Dialogs& dialogs, QWidget& window);

private:
    int CurrentRow() const;       // -1 when there is none
    QString PdfOf(int row) const; // empty unless the row was converted
    void UpdateStates();
    void OpenPdf(int row);
    void ShowInFolder();
    void CopyReason();

    ConversionQueue& m_queue;
    TQueueGrid& m_grid;
    Dialogs& m_dialogs;
    QWidget& m_window;
    QAction* m_openPdf = nullptr;
    QAction* m_showInFolder = nullptr;
    QAction* m_copyReason = nullptr;
};

} // namespace velmora
