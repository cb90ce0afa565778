#pragma once

#include "queue/ConversionQueue.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMimeData;
class QWidget;

namespace velmora {

// What dropped or pasted data offers the queue, in the order given: local files of the accepted types
// (the Add Files dialog's "All Supported Files"), the accepted files inside folders (sub-folders too,
// in name order), and everything else as candidate web addresses for the queue's own test.
struct IncomingRow {
    bool file = false; // a native path; otherwise a line, untrimmed and untested
    QString text;
    bool operator==(const IncomingRow&) const = default;
};
QList<IncomingRow> RowsFromMimeData(const QMimeData& data);

// The status bar's line about what an add passed by ("2 lines skipped: not a web address; 1 already in
// the queue"); empty when nothing was.
QString SkippedLinesText(const AddOutcome& outcome);

// Rows dropped onto the window (files, folders, links from a browser) or pasted with Ctrl+V in the grid,
// added through the queue's own rules in the order given; what was skipped is told in one line.
// Nothing is taken while `canAdd` says no (a run goes on).
class DropAndPaste final : public QObject {
    Q_OBJECT
public:
    DropAndPaste(ConversionQueue& queue, QWidget& window, QWidget& grid, std::function<bool()> canAdd);
    QAction& PasteAction() const { return *m_paste; } // Ctrl+V in the grid; also the Edit menu's item

signals:
    void rowsOffered(); // after every drop or paste that was taken, whether or not a row was new
    void skipped(const QString& text); // what a drop or paste passed by, when it passed anything by

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Add(const QMimeData& data);

    ConversionQueue& m_queue;
    std::function<bool()> m_canAdd;
    QAction* m_paste = nullptr;
};

} // namespace velmora
