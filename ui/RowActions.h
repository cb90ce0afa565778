#pragma once

#include "Dialogs.h"

#include <QObject>

class QAction;
class QMenu;
class QModelIndex;
class QWidget;

namespace velmora {

class ConversionQueue;
class TQueueGrid;

inline const QString kPdfNotOpenedMessage =
    QStringLiteral("No program to open PDF files is set up on this computer. The PDF is \"%1\".");
inline const QString kPdfNotShownMessage =
    QStringLiteral("No program to show folders is set up on this computer. The PDF is \"%1\".");

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
    ShellDone TellIfNotShown(const QString& message, const QString& pdf);

    ConversionQueue& m_queue;
    TQueueGrid& m_grid;
    Dialogs& m_dialogs;
    QWidget& m_window;
    QAction* m_openPdf = nullptr;
    QAction* m_showInFolder = nullptr;
    QAction* m_copyReason = nullptr;
};

} // namespace velmora
