#pragma once

#include "SettingsStore.h"
#include "run/ConvertCommand.h"

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class Dialogs;

// Convert -> "Page setup...": opens the page setup dialog between runs; what it accepts is stored and
// applies to every later run.
class PageSetupMenu final : public QObject {
    Q_OBJECT
public:
    PageSetupMenu(QMenu& convertMenu, Dialogs& dialogs, const SettingsStore& store, ConvertCommand& command,
                  QWidget& window);

private:
    void Open();

    Dialogs& m_dialogs;
    const SettingsStore& m_store;
    ConvertCommand& m_command;
    QWidget& m_window;
    QAction* m_action;
};

} // namespace velmora
