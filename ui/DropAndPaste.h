#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

namespace velmora {

class ConversionQueue;

// What dropped or pasted data offers the queue: local files of the accepted types (the Add Files
// dialog's "All Supported Files"), the accepted files inside folders (sub-folders too, in name order),
// and everything else as candidate web addresses for the queue's own test.
struct IncomingRows {
    QStringList files;     // native paths
    QStringList addresses; // untrimmed, untested
};
IncomingRows RowsFromMimeData(const QMimeData& data);

// Rows dropped onto the window (files, folders, links from a browser) or pasted with Ctrl+V in the grid,
// added through the queue's own rules. Nothing is taken while `canAdd` says no (a run goes on).
class DropAndPaste final : public QObject {
    Q_OBJECT
public:
    DropAndPaste(ConversionQueue& queue, QWidget& window, QWidget& grid, std::function<bool()> canAdd);

signals:
    void rowsOffered(); // after every drop or paste that was taken, whether or not a row was new

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Add(const QMimeData& data);

    ConversionQueue& m_queue;
    std::function<bool()> m_canAdd;
};

} // namespace velmora
