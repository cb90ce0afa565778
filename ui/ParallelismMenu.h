#pragma once

#include "SettingsStore.h"

#include <QObject>

class QActionGroup;
class QMenu;

namespace velmora {

class BatchRunner;

// The "Conversions at once" submenu: how many converters a run keeps busy, 1 to 8 or Automatic,
// remembered in the settings store and handed to the runner.
class ParallelismMenu final : public QObject {
    Q_OBJECT
public:
    ParallelismMenu(QMenu& convertMenu, SettingsStore store, BatchRunner& runner, QObject* parent = nullptr);

private:
    void Choose(int conversionsAtOnce);

    SettingsStore m_store;
    BatchRunner& m_runner;
    QActionGroup* m_choices = nullptr;
};

} // namespace velmora
