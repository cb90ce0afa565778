#include "CommandLine.h"

#include "BatchRunner.h"

#include <QCommandLineParser>

namespace velmora {

namespace {

const QString kOutput = QStringLiteral("output");
const QString kJobs = QStringLiteral("jobs");
const QString kTimeout = QStringLiteral("timeout");
const QString kList = QStringLiteral("list");
const QString kEngine = QStringLiteral("engine");
const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");
const QString kQueueOption = QStringLiteral("--queue");

// A whole number from `min` to `max`, or nothing.
std::optional<int> WholeNumber(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

bool WantsCommandLine(const QStringList& arguments) {
    if (arguments.size() < 2)
        return false;
    const QString& first = arguments.at(1);
    if (first == kQueueOption)
        return false;
    return first.startsWith(QLatin1String("--")) || first == QLatin1String("-h") ||
           first == QLatin1String("-v") || !first.startsWith(QLatin1Char('-'));
}

std::optional<QStringList> QueuedSources(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1) != kQueueOption)
        return std::nullopt;
    return arguments.mid(2);
}

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({
        {kOutput, {}, QStringLiteral("FOLDER")},
        {kJobs, {}, QStringLiteral("N")},
        {kTimeout, {}, QStringLiteral("SECONDS")},
        {kList, {}, QStringLiteral("FILE")},
        {kEngine, {}, QStringLiteral("ENGINE")},
        {{QStringLiteral("h"), kHelp}, {}},
        {{QStringLiteral("v"), kVersion}, {}},
    });

    ParsedCommandLine parsed;
    CommandLineOptions& options = parsed.options;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(kHelp)) {
        options.action = CommandLineOptions::Action::Help;
        return parsed;
    }
    if (parser.isSet(kVersion)) {
        options.action = CommandLineOptions::Action::Version;
        return parsed;
    }

    options.sources = parser.positionalArguments();
    options.lists = parser.values(kList);
    // A repeated option takes its last value, as most programs do.
    if (parser.isSet(kOutput))
        options.outputFolder = parser.values(kOutput).constLast();
    if (parser.isSet(kJobs)) {
        const QString jobs = parser.values(kJobs).constLast();
        options.jobs = jobs == QLatin1String("auto") ? std::optional(kAutomaticConversions)
                                                     : WholeNumber(jobs, 1, kMaxJobs);
        if (!options.jobs) {
            parsed.error = QStringLiteral("--jobs takes a whole number from 1 to %1 or \"auto\", not \"%2\".")
                               .arg(kMaxJobs)
                               .arg(jobs);
            return parsed;
        }
    }
    if (parser.isSet(kTimeout)) {
        const QString timeout = parser.values(kTimeout).constLast();
        options.timeoutSeconds = WholeNumber(timeout, 1, kMaxTimeoutSeconds);
        if (!options.timeoutSeconds) {
            parsed.error =
                QStringLiteral("--timeout takes a whole number of seconds from 1 to %1, not \"%2\".")
                    .arg(kMaxTimeoutSeconds)
                    .arg(timeout);
            return parsed;
        }
    }
    if (parser.isSet(kEngine)) {
        const QString engine = parser.values(kEngine).constLast();
        if (engine == QLatin1String("classic"))
            options.engine = RenderingEngine::Classic;
        else if (engine == QLatin1String("modern"))
            options.engine = RenderingEngine::Modern;
        else {
            parsed.error =
                QStringLiteral("--engine takes \"classic\" or \"modern\", not \"%1\".").arg(engine);
            return parsed;
        }
    }
    if (options.sources.isEmpty() && options.lists.isEmpty())
        parsed.error = QStringLiteral("No sources given: name web addresses or files, or a --list.");
    return parsed;
}

QString CommandLineHelp(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [--output FOLDER] [--jobs N|auto] [--timeout SECONDS]\n"
               "       %4[--engine classic|modern] [--list FILE|-] [SOURCE...]\n"
               "       %1 --queue [SOURCE...]\n"
               "\n"
               "Converts web pages and local HTML, XHTML, text and XML files to PDF, without a window.\n"
               "\n"
               "  SOURCE             a web address (http:// or https://) or a local file\n"
               "  --list FILE|-      also convert the sources in FILE, one a line; - reads standard input\n"
               "  --output FOLDER    where the PDF files go (default: the target folder the window uses)\n"
               "  --jobs N|auto      conversions at once, 1 to %2 (default: the window's choice)\n"
               "  --timeout SECONDS  end a conversion that takes longer (default: %3)\n"
               "  --engine classic|modern\n"
               "                     classic: the program's own converter; modern: headless Chromium\n"
               "                     (default: the window's choice; classic when Chromium is missing)\n"
               "  --queue SOURCE...  open the window with these sources queued, converting nothing yet\n"
               "  -h, --help         show this text\n"
               "  -v, --version      show the version\n"
               "\n"
               "Prints one line per source as it ends, on standard output: \"converted\", \"warning\" or\n"
               "\"failed\", the source, then the PDF path or the reason, separated by tabs (a warning also\n"
               "gives its reason after the path). Progress goes to standard error when it is a terminal.\n"
               "Ctrl+C stops the run and removes unfinished PDF files.\n"
               "\n"
               "Exit status: 0 when every source converted (warnings included), 1 when any failed,\n"
               "2 for a usage error, 130 after Ctrl+C (128 plus the number of any other signal that\n"
               "stopped the run, such as SIGTERM).\n"
               "\n"
               "Without arguments, or with Qt's window options (one dash: -platform, -style, ...),\n"
               "the window opens.\n")
        .arg(programName)
        .arg(kMaxJobs)
        .arg(BatchRunner::kDefaultTimeoutMs / 1000)
        .arg(QString(programName.size() + 1, QLatin1Char(' ')));
}

} // namespace velmora
