#pragma once

#include "SettingsStore.h"

#include <QString>
#include <QStringList>

namespace velmora {

enum CommandLineExit {
    kExitAllConverted = 0,
    kExitSomeFailed = 1,
    kExitUsageError = 2,
    kExitBySignal = 128, // plus the number of the signal that stopped the run, as shells report it:
                         // 130 after Ctrl+C (SIGINT)
};

// The command-line face of the program: reads the options, fills the queue, runs the Convert command
// over it and prints each row as it ends. The settings are read for defaults and never written.
// `arguments` holds the program first. Returns the exit status.
int RunCommandLine(const QStringList& arguments, const QString& programFolder, const SettingsStore& store);

} // namespace velmora
