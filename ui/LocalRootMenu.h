#pragma once

#include "SettingsStore.h"

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class BatchRunner;
class Dialogs;

// Convert -> "Local files may read": each document its own document set's folders (automatic), or one
// folder the user names, with its sub-folders; remembered in the settings store and handed to the
// runner.
class LocalRootMenu final : public QObject {
    Q_OBJECT
public:
    LocalRootMenu(QMenu& convertMenu, SettingsStore store, BatchRunner& runner, Dialogs& dialogs,
                  QWidget* window);

private:
    void Use(const QString& folder); // empty: automatic
    void ChooseFolder();

    SettingsStore m_store;
    BatchRunner& m_runner;
    Dialogs& m_dialogs;
    QWidget* m_window;
    QAction* m_automatic = nullptr;
    QAction* m_folder = nullptr;
    QString m_chosen;
};

} // namespace velmora
