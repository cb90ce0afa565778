#include "PageSetupMenu.h"

#include "Dialogs.h"
#include "PageLoadingPanel.h"
#include "PageSetupDialog.h"

#include <QAction>
#include <QMenu>

namespace velmora {

PageSetupMenu::PageSetupMenu(QMenu& convertMenu, Dialogs& dialogs, const SettingsStore& store,
                             ConvertCommand& command, QWidget& window)
    : QObject(&window), m_dialogs(dialogs), m_store(store), m_command(command), m_window(window) {
    m_action = convertMenu.addAction(QStringLiteral("Page &setup…"));
    m_action->setObjectName(QStringLiteral("actPageSetup"));
    connect(m_action, &QAction::triggered, this, &PageSetupMenu::Open);
    // A run keeps the setup it started with.
    connect(&m_command, &ConvertCommand::statusChanged, this,
            [this](TRunStatus status) { m_action->setEnabled(status != rsStart); });
    m_command.Runner().SetPageSetup(m_store.Page());
}

void PageSetupMenu::Open() {
    PageSetupDialog dialog(m_store.Page(), &m_window);
    PageLoadingPanel::OfferStyleFiles(dialog, m_dialogs);
    if (!m_dialogs.RunModal(dialog))
        return;
    const PageSetup page = dialog.Value();
    m_store.SetPage(page);
    m_command.Runner().SetPageSetup(page);
}

} // namespace velmora
