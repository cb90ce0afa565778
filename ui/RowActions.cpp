#include "RowActions.h"

#include "Dialogs.h"
#include "QueueGrid.h"
#include "queue/ConversionQueue.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>

namespace velmora {

namespace {

QAction* NewItem(QMenu& menu, const char* name, const QString& caption) {
    QAction* item = menu.addAction(caption);
    item->setObjectName(QLatin1String(name));
    return item;
}

} // namespace

RowActions::RowActions(ConversionQueue& queue, TQueueGrid& grid, QMenu& popupMenu, Dialogs& dialogs,
                       QWidget& window)
    : QObject(&window), m_queue(queue), m_grid(grid), m_dialogs(dialogs), m_window(window) {
    popupMenu.addSeparator();
    m_openPdf = NewItem(popupMenu, "actOpenPdf", QStringLiteral("Open PDF"));
    m_showInFolder = NewItem(popupMenu, "actShowInFolder", QStringLiteral("Show in folder"));
    m_copyReason = NewItem(popupMenu, "actCopyReason", QStringLiteral("Copy reason"));
    connect(m_openPdf, &QAction::triggered, this, [this] { OpenPdf(CurrentRow()); });
    connect(m_showInFolder, &QAction::triggered, this, &RowActions::ShowInFolder);
    connect(m_copyReason, &QAction::triggered, this, &RowActions::CopyReason);

    // Only the source cell: a click into a "Type" cell opens its editor.
    connect(&grid, &TQueueGrid::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() == ConversionQueue::SourceColumn)
            OpenPdf(index.row());
    });
    connect(grid.selectionModel(), &QItemSelectionModel::currentChanged, this, &RowActions::UpdateStates);
    connect(&queue, &ConversionQueue::dataChanged, this, &RowActions::UpdateStates);
    connect(&queue, &ConversionQueue::layoutChanged, this, &RowActions::UpdateStates);
    connect(&queue, &ConversionQueue::rowsRemoved, this, &RowActions::UpdateStates);
    connect(&queue, &ConversionQueue::modelReset, this, &RowActions::UpdateStates);
    connect(&popupMenu, &QMenu::aboutToShow, this, &RowActions::UpdateStates);
    UpdateStates();
}

int RowActions::CurrentRow() const {
    const QModelIndex current = m_grid.currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString RowActions::PdfOf(int row) const {
    if (row < 0)
        return {};
    const RowState state = m_queue.State(row);
    if (state != RowState::Converted && state != RowState::ConvertedWithWarnings)
        return {};
    return m_queue.OutputPath(row);
}

void RowActions::UpdateStates() {
    const int row = CurrentRow();
    const bool hasPdf = !PdfOf(row).isEmpty();
    m_openPdf->setEnabled(hasPdf);
    m_showInFolder->setEnabled(hasPdf);
    m_copyReason->setEnabled(row >= 0 && !m_queue.Reason(row).isEmpty());
}

void RowActions::OpenPdf(int row) {
    if (const QString pdf = PdfOf(row); !pdf.isEmpty())
        m_dialogs.OpenFile(&m_window, pdf, TellIfNotShown(kPdfNotOpenedMessage, pdf));
}

void RowActions::ShowInFolder() {
    if (const QString pdf = PdfOf(CurrentRow()); !pdf.isEmpty())
        m_dialogs.ShowInFolder(&m_window, pdf, TellIfNotShown(kPdfNotShownMessage, pdf));
}

// The answer comes after the opener ended; by then the window may be gone.
ShellDone RowActions::TellIfNotShown(const QString& message, const QString& pdf) {
    return [this, self = QPointer<RowActions>(this), message, pdf](bool shown) {
        if (!shown && self)
            m_dialogs.ShowPathMessage(&m_window, message.arg(pdf), pdf);
    };
}

void RowActions::CopyReason() {
    if (const int row = CurrentRow(); row >= 0)
        QGuiApplication::clipboard()->setText(m_queue.Reason(row));
}

} // namespace velmora
