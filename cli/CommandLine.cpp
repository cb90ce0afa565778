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

// A whole number from `min` to `max`, or nothing.
std::optional<int> WholeNumber(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

// The option as the user typed it, without any "=value": QCommandLineParser names it without dashes.
QString TypedOption(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        const QString typed = argument.section(QLatin1Char('='), 0, 0);
        if (typed.startsWith(QLatin1Char('-')) &&
            typed.mid(typed.startsWith(QLatin1String("--")) ? 2 : 1) == name)
            return typed;
    }
    return name;
}

} // namespace

QString OutputField(const QString& text) {
    QString field;
    field.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool startsEscape = c == u'\\' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('x');
        if (QChar::category(c) == QChar::Other_Control || startsEscape)
            field += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
        else
            field += QChar(c);
    }
    return field;
}

bool NamesWindowPlatform(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("-platform") || argument.startsWith(QLatin1String("-platform=")))
            return true;
    }
    return false;
}

bool WantsCommandLine(const QStringList& arguments) {
    if (arguments.size() < 2)
        return false;
    const QString& first = arguments.at(1);
    return first.startsWith(QLatin1String("--")) || first == QLatin1String("-h") ||
           first == QLatin1String("-v") || !first.startsWith(QLatin1Char('-'));
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
        const QStringList unknown = parser.unknownOptionNames();
        parsed.error =
            unknown.isEmpty()
                ? parser.errorText()
                : QStringLiteral("Unknown option '%1'.").arg(TypedOption(arguments, unknown.first()));
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
               "  -h, --help         show this text\n"
               "  -v, --version      show the version\n"
               "\n"
               "Prints one line per source as it ends, on standard output: \"converted\", \"warning\" or\n"
               "\"failed\", the source, then the PDF path or the reason, separated by tabs (a warning also\n"
               "gives its reason after the path). Control characters in a field (tab, line break, ESC)\n"
               "are written as \\xHH, and a backslash before x as \\x5c. Progress goes to standard error\n"
               "when it is a terminal. Ctrl+C stops the run and removes unfinished PDF files; each\n"
               "source not converted yet is reported as failed.\n"
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
