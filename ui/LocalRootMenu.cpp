#include "LocalRootMenu.h"

#include "Dialogs.h"
#include "run/BatchRunner.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QMenu>

namespace velmora {

LocalRootMenu::LocalRootMenu(QMenu& convertMenu, SettingsStore store, BatchRunner& runner, Dialogs& dialogs,
                             QWidget* window)
    : QObject(window), m_store(std::move(store)), m_runner(runner), m_dialogs(dialogs), m_window(window) {
    QMenu* menu = convertMenu.addMenu(QStringLiteral("&Local files may read"));
    menu->setObjectName(QStringLiteral("mnuLocalRoot"));
    menu->setToolTipsVisible(true);
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    m_automatic = menu->addAction(QStringLiteral("Their document set's folders (automatic)"));
    m_automatic->setObjectName(QStringLiteral("actLocalRootAutomatic"));
    m_automatic->setToolTip(
        QStringLiteral("A document's own folder, widened to the nearest folder holding every local file it "
                       "names, at most to the home folder. Nothing whose name starts with a dot is read."));
    m_folder = menu->addAction(QStringLiteral("One folder and below..."));
    m_folder->setObjectName(QStringLiteral("actLocalRootFolder"));
    for (QAction* item : {m_automatic, m_folder}) {
        item->setCheckable(true);
        group->addAction(item);
    }
    connect(m_automatic, &QAction::triggered, this, [this] {
        m_store.SetLocalRoot({});
        Use({});
    });
    connect(m_folder, &QAction::triggered, this, &LocalRootMenu::ChooseFolder);
    Use(m_store.LocalRoot());
}

void LocalRootMenu::Use(const QString& folder) {
    m_chosen = folder;
    m_runner.SetLocalRoot(folder);
    (folder.isEmpty() ? m_automatic : m_folder)->setChecked(true);
    m_folder->setText(
        folder.isEmpty()
            ? QStringLiteral("One folder and below...")
            : QStringLiteral("Only this folder and below: %1...").arg(QDir::toNativeSeparators(folder)));
}

// Cancelling keeps the choice there was.
void LocalRootMenu::ChooseFolder() {
    const std::optional<QString> folder =
        m_dialogs.GetExistingDirectory(m_window, QStringLiteral("Folder local documents may read"),
                                       m_chosen.isEmpty() ? QDir::homePath() : m_chosen);
    if (!folder) {
        Use(m_chosen);
        return;
    }
    const QString chosen = QDir::cleanPath(QDir::fromNativeSeparators(*folder));
    m_store.SetLocalRoot(chosen);
    Use(chosen);
}

} // namespace velmora
