#pragma once

#include "SettingsStore.h"

#include <QString>
#include <QStringList>

#include <functional>
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
    // The page options given, each a change to the stored page setup.
    QList<std::function<void(PageSetup&)>> pageChanges;
    std::optional<QString> localRoot; // none: the stored choice; empty: automatic
    std::optional<QString> combine;   // the combined file's name in the output folder; none: no combining
    QString title;                    // the combined file's Title; empty: chosen as the window does
    bool contents = false;            // the combined file begins with a contents page
    std::optional<NameBy> nameBy;     // none: the stored choice
    std::optional<int> follow;        // how deep to follow links from each source; none: not at all
    QString within;                   // the address prefix or folder links are followed in; empty: each
                                      // source's own folder
    std::optional<int> maxPages;      // none: the walk's own limit
    bool dryRun = false;              // print the sources the run would convert, and convert nothing
    // Pages behind a login: cookies (given, and the files named by --cookies), headers, an HTTP user
    // whose password comes from passwordFile ("-": standard input) or kPasswordVariable.
    QList<Cookie> cookies;
    QStringList cookieFiles;
    QList<HttpHeader> headers;
    QString user;
    QString passwordFile;
};

// The environment variable that holds the password for --user when no --password-file is given.
inline const QString kPasswordVariable = QStringLiteral("VELMORA_PASSWORD");

// The stored page setup with the command line's page options applied.
PageSetup PageSetupFor(const CommandLineOptions& options, PageSetup stored);

struct ParsedCommandLine {
    CommandLineOptions options;
    QString error; // one line saying what is wrong; empty when the arguments are usable
};

ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// `text` as one field of a printed line: each control character (tab, line break, ESC, NUL, ...) as
// `\xHH`, and a backslash that starts `\x` as `\x5c`, so no field splits a tab-separated line or
// drives a terminal, and replacing every `\xHH` by its character gives the text back.
QString OutputField(const QString& text);

// Whether the arguments name Qt's platform for the window (-platform NAME), which may need no display.
bool NamesWindowPlatform(const QStringList& arguments);

// The text of --help, naming the program as it was called.
QString CommandLineHelp(const QString& programName);

} // namespace velmora
