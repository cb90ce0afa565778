#pragma once

#include "SettingsStore.h"
#include "run/ConvertCommand.h"

#include <QObject>

#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class Dialogs;

// Convert -> "Combine into one PDF", the combined file's name, "Keep the separate PDFs" and "Name PDFs
// by": remembered in the settings store and handed to the Convert command for its next run. The name is
// asked for the first time combining is turned on.
class CombineMenu final : public QObject {
    Q_OBJECT
public:
    CombineMenu(QMenu& convertMenu, Dialogs& dialogs, SettingsStore store, ConvertCommand& command,
                const ConversionQueue& queue, QWidget& window);

private:
    void TurnCombine(bool on);
    std::optional<QString> AskName();         // nullopt when cancelled
    void Choose(const CombineChoice& choice); // stored and used
    void Use(CombineChoice choice);           // shown and handed to the command

    Dialogs& m_dialogs;
    SettingsStore m_store;
    ConvertCommand& m_command;
    const ConversionQueue& m_queue;
    QWidget& m_window;
    QAction* m_combine = nullptr;
    QAction* m_name = nullptr;
    QAction* m_keepSeparate = nullptr;
    QAction* m_contents = nullptr;
};

} // namespace velmora
