#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

namespace velmora {

class TQueueGrid;

// The Edit menu: Paste (rows from the clipboard), Select All and Delete (the selected rows), each with
// its shortcut beside it. The shortcuts act while the grid has the focus, so the target folder's edit
// keeps its own; the grid's Delete key deletes the selected rows like the toolbar's Delete button.
class EditMenu final : public QObject {
    Q_OBJECT
public:
    // The menu goes in before `before`; `paste` is the grid's paste action, `deleteSelected` the command.
    EditMenu(QMenuBar& bar, QMenu& before, TQueueGrid& grid, QAction& paste, QAction& deleteSelected,
             QObject* parent = nullptr);
};

} // namespace velmora
