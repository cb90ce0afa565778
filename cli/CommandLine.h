#pragma once

#include "SettingsStore.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

inline constexpr int kMaxJobs = 64;
inline constexpr int kMaxTimeoutSeconds = 24 * 60 * 60;

// Whether the program should run without a window. `arguments` holds the program first. The command
// line takes over when the first argument is one of its options (anything with two dashes, -h, -v) or a
// source; Qt's window options take one dash (-platform, -style, ...) and so still reach the window.
bool WantsCommandLine(const QStringList& arguments);

// "--queue SOURCE...": the window opens with these sources queued (a file manager's "Open with"). The
// sources when the first argument is --queue, none for another command line.
std::optional<QStringList> QueuedSources(const QStringList& arguments);

struct CommandLineOptions {
    enum class Action { Convert, Help, Version };
    Action action = Action::Convert;
    QStringList sources;                   // from the arguments, in their order
    QStringList lists;                     // files named by --list, in order; "-" is standard input
    std::optional<QString> outputFolder;   // none: the stored target folder
    std::optional<int> jobs;               // none: the stored choice; kAutomaticConversions for "auto"
    std::optional<int> timeoutSeconds;     // none: the run's own limit
    std::optional<RenderingEngine> engine; // none: the stored choice
};

struct ParsedCommandLine {
    CommandLineOptions options;
    QString error; // one line saying what is wrong; empty when the arguments are usable
};

ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// The text of --help, naming the program as it was called.
QString CommandLineHelp(const QString& programName);

} // namespace velmora
