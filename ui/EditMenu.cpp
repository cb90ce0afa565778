#include "EditMenu.h"

#include "QueueGrid.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velmora {

namespace {

// An action of the grid's, reached by its shortcut only while the grid itself has the focus: an open
// "Type" editor keeps Delete and Ctrl+A for its text.
QAction* NewGridAction(TQueueGrid& grid, const char* name, const QString& caption,
                       QKeySequence::StandardKey key) {
    auto* action = new QAction(caption, &grid);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    grid.addAction(action);
    return action;
}

} // namespace

EditMenu::EditMenu(QMenuBar& bar, QMenu& before, TQueueGrid& grid, QAction& paste, QAction& deleteSelected,
                   QObject* parent)
    : QObject(parent) {
    auto* menu = new QMenu(QStringLiteral("&Edit"), &bar);
    menu->setObjectName(QStringLiteral("mnuEditMenu"));
    menu->setFont(bar.font());
    bar.insertMenu(before.menuAction(), menu);

    menu->addAction(&paste);
    QAction* selectAll =
        NewGridAction(grid, "actSelectAll", QStringLiteral("Select &All"), QKeySequence::SelectAll);
    connect(selectAll, &QAction::triggered, &grid, &TQueueGrid::selectAll);
    menu->addAction(selectAll);
    QAction* remove = NewGridAction(grid, "actDeleteRows", QStringLiteral("&Delete"), QKeySequence::Delete);
    const auto follow = [remove, &deleteSelected] { remove->setEnabled(deleteSelected.isEnabled()); };
    follow();
    connect(&deleteSelected, &QAction::changed, remove, follow);
    connect(remove, &QAction::triggered, &deleteSelected, &QAction::trigger);
    menu->addAction(remove);
}

} // namespace velmora
