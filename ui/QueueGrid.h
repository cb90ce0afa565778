#pragma once

#include <QTableView>

class QMenu;

namespace velmora {

class ConversionQueue;

// The queue grid: whole-row multi-selection kept in step with the queue's selection flags, header
// clicks that sort the queue itself (each column remembering its direction), in-place editing of the
// "Type" column only, and each row's run state drawn as an icon in its "URL/Filename" cell.
class TQueueGrid final : public QTableView {
    Q_OBJECT
public:
    explicit TQueueGrid(ConversionQueue& queue, QWidget* parent = nullptr);

    // Shown by a right click, after the right-click selection rule has been applied.
    void SetPopupMenu(QMenu* menu);
    // While locked (a run is in progress) header clicks do not sort and cells cannot be edited.
    void SetLocked(bool locked);
    bool IsLocked() const;
};

} // namespace velmora
