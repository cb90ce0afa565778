#include "CommandLine.h"

#include "PageLoadingOptions.h"
#include "follow/LinkWalk.h"
#include "queue/Keywords.h"
#include "render/SignIn.h"
#include "run/BatchRunner.h"
#include "run/ConvertCommand.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace velmora {

namespace {

const QString kOutput = QStringLiteral("output");
const QString kJobs = QStringLiteral("jobs");
const QString kTimeout = QStringLiteral("timeout");
const QString kList = QStringLiteral("list");
const QString kEngine = QStringLiteral("engine");
constexpr Keyword<RenderingEngine> kEngineKeywords[] = {{RenderingEngine::Classic, QLatin1String("classic")},
                                                        {RenderingEngine::Modern, QLatin1String("modern")}};
const QString kPaper = QStringLiteral("paper");
const QString kOrientation = QStringLiteral("orientation");
const QString kMargins = QStringLiteral("margins");
const QString kScale = QStringLiteral("scale");
const QString kBackgrounds = QStringLiteral("backgrounds");
const QString kNoBackgrounds = QStringLiteral("no-backgrounds");
const QString kMedia = QStringLiteral("media");
const QString kCssPageSize = QStringLiteral("css-page-size");
const QString kHeader = QStringLiteral("header");
const QString kFooter = QStringLiteral("footer");
const QString kNumberPages = QStringLiteral("number-pages");
const QString kLocalRoot = QStringLiteral("local-root");
const QString kCombine = QStringLiteral("combine");
const QString kNameBy = QStringLiteral("name-by");
const QString kTitle = QStringLiteral("title");
const QString kContents = QStringLiteral("contents");
constexpr Keyword<NameBy> kNameByKeywords[] = {{NameBy::Address, QLatin1String("address")},
                                               {NameBy::Title, QLatin1String("title")}};
const QString kFollow = QStringLiteral("follow");
const QString kWithin = QStringLiteral("within");
const QString kMaxPages = QStringLiteral("max-pages");
const QString kDryRun = QStringLiteral("dry-run");
constexpr int kMostPages = 100000;
const QString kCookie = QStringLiteral("cookie");
const QString kCookies = QStringLiteral("cookies");
const QString kHttpHeader = QStringLiteral("http-header");
const QString kUser = QStringLiteral("user");
const QString kPassword = QStringLiteral("password");
const QString kPasswordFile = QStringLiteral("password-file");
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

QString BadValue(const QString& option, const QString& accepts, const QString& value) {
    return QStringLiteral("--%1 takes %2, not \"%3\".").arg(option, accepts, value);
}

// Reads the page options into changes to the stored setup; the error names the first bad one.
QString ReadPageOptions(const QCommandLineParser& parser, CommandLineOptions& options) {
    using namespace page_text;
    using Change = std::function<void(PageSetup&)>;
    // Each valued option: how to read its last value into a change, and what it accepts.
    const auto valued = [&parser](const QString& option, const QString& accepts,
                                  const std::function<std::optional<Change>(const QString&)>& read,
                                  QList<Change>& changes) -> QString {
        if (!parser.isSet(option))
            return {};
        const QString value = parser.values(option).constLast();
        const std::optional<Change> change = read(value);
        if (!change)
            return BadValue(option, accepts, value);
        changes.append(*change);
        return {};
    };
    const auto setter = [](auto parse, auto member) {
        return [parse, member](const QString& value) -> std::optional<Change> {
            const auto parsed = parse(value);
            if (!parsed)
                return std::nullopt;
            return Change([member, parsed](PageSetup& page) { page.*member = *parsed; });
        };
    };
    QList<Change>& changes = options.pageChanges;
    for (const QString& error :
         {valued(
              kPaper, kPaperAccepts,
              [](const QString& value) -> std::optional<Change> {
                  PageSetup paper;
                  if (!ParsePaper(value, paper))
                      return std::nullopt;
                  return Change([paper](PageSetup& page) {
                      page.paper = paper.paper;
                      page.customSizeMm = paper.customSizeMm;
                      page.cssPageSize = false;
                  });
              },
              changes),
          valued(kOrientation, kOrientationAccepts, setter(ParseOrientation, &PageSetup::orientation),
                 changes),
          valued(
              kMargins, kMarginsAccepts,
              [](const QString& value) -> std::optional<Change> {
                  std::optional<QMarginsF> margins;
                  if (!ParseMargins(value, margins))
                      return std::nullopt;
                  return Change([margins](PageSetup& page) { page.marginsMm = margins; });
              },
              changes),
          valued(kScale, kScaleAccepts, setter(ParseScale, &PageSetup::scalePercent), changes),
          valued(kMedia, kMediaAccepts, setter(ParseMedia, &PageSetup::media), changes),
          valued(kHeader, kLineAccepts, setter(ParseLine, &PageSetup::header), changes),
          valued(kFooter, kLineAccepts, setter(ParseLine, &PageSetup::footer), changes),
          valued(kNumberPages, kNumberingAccepts, setter(ParseNumbering, &PageSetup::numbering), changes)})
        if (!error.isEmpty())
            return error;
    if (parser.isSet(kBackgrounds) && parser.isSet(kNoBackgrounds))
        return QStringLiteral("--backgrounds and --no-backgrounds cannot both be given.");
    if (parser.isSet(kBackgrounds) || parser.isSet(kNoBackgrounds)) {
        const bool on = parser.isSet(kBackgrounds);
        changes.append([on](PageSetup& page) { page.backgrounds = on; });
    }
    if (parser.isSet(kCssPageSize))
        changes.append([](PageSetup& page) { page.cssPageSize = true; });
    return {};
}

// Reads the sign-in options; the error names the first bad one. A password is never taken from the
// command line, which other users of the computer can read.
QString ReadSignInOptions(const QCommandLineParser& parser, CommandLineOptions& options) {
    if (parser.isSet(kPassword))
        return QStringLiteral("A password is never taken on the command line, where other users can read it: "
                              "give it with --password-file FILE, --password-file - (standard input) or the "
                              "environment variable %1.")
            .arg(kPasswordVariable);
    for (const QString& value : parser.values(kCookie)) {
        const std::optional<Cookie> cookie = ParseCookieArgument(value);
        if (!cookie)
            return BadValue(kCookie, kCookieAccepts, value);
        options.cookies.append(*cookie);
    }
    options.cookieFiles = parser.values(kCookies);
    for (const QString& value : parser.values(kHttpHeader)) {
        const std::optional<HttpHeader> header = ParseHeader(value);
        if (!header)
            return BadValue(kHttpHeader, kHeaderAccepts, value);
        options.headers.append(*header);
    }
    options.user = parser.isSet(kUser) ? parser.values(kUser).constLast() : QString();
    if (parser.isSet(kUser) && options.user.isEmpty())
        return BadValue(kUser, QStringLiteral("a user name"), options.user);
    if (parser.isSet(kPasswordFile)) {
        if (!parser.isSet(kUser))
            return QStringLiteral("--password-file gives the password for --user, so it needs --user.");
        options.passwordFile = parser.values(kPasswordFile).constLast();
        if (options.passwordFile == QLatin1String("-") && options.lists.contains(QStringLiteral("-")))
            return QStringLiteral("Standard input cannot hold both the password and a --list.");
    }
    return {};
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

// --follow, --within and --max-pages; the error names the first bad one.
QString ReadFollowOptions(const QCommandLineParser& parser, CommandLineOptions& options) {
    if (parser.isSet(kFollow)) {
        const QString depth = parser.values(kFollow).constLast();
        options.follow = WholeNumber(depth, 0, FollowOptions::kMaxDepth);
        if (!options.follow)
            return BadValue(kFollow, QStringLiteral("a depth from 0 to %1").arg(FollowOptions::kMaxDepth),
                            depth);
    }
    for (const QString& option : {kWithin, kMaxPages})
        if (parser.isSet(option) && !options.follow)
            return QStringLiteral("--%1 limits the pages --follow finds, so it needs --follow.").arg(option);
    if (parser.isSet(kWithin)) {
        const QString within = parser.values(kWithin).constLast();
        const QFileInfo folder(within);
        if (within.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
            within.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
            options.within = within;
        else if (!within.isEmpty() && folder.isDir())
            options.within = folder.absoluteFilePath();
        else
            return BadValue(kWithin, QStringLiteral("a web address prefix or an existing folder"), within);
    }
    if (parser.isSet(kMaxPages)) {
        const QString count = parser.values(kMaxPages).constLast();
        options.maxPages = WholeNumber(count, 1, kMostPages);
        if (!options.maxPages)
            return BadValue(kMaxPages, QStringLiteral("a whole number from 1 to %1").arg(kMostPages), count);
    }
    return {};
}

} // namespace

PageSetup PageSetupFor(const CommandLineOptions& options, PageSetup stored) {
    for (const auto& change : options.pageChanges)
        change(stored);
    return stored;
}

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
        {kPaper, {}, QStringLiteral("PAPER")},
        {kOrientation, {}, QStringLiteral("ORIENTATION")},
        {kMargins, {}, QStringLiteral("MARGINS")},
        {kScale, {}, QStringLiteral("PERCENT")},
        {kBackgrounds, {}},
        {kNoBackgrounds, {}},
        {kMedia, {}, QStringLiteral("MEDIA")},
        {kCssPageSize, {}},
        {kHeader, {}, QStringLiteral("TEXT")},
        {kFooter, {}, QStringLiteral("TEXT")},
        {kNumberPages, {}, QStringLiteral("HOW")},
        {kLocalRoot, {}, QStringLiteral("FOLDER")},
        {kCombine, {}, QStringLiteral("FILE")},
        {kTitle, {}, QStringLiteral("TEXT")},
        {kContents, {}},
        {kNameBy, {}, QStringLiteral("WHAT")},
        {kFollow, {}, QStringLiteral("DEPTH")},
        {kWithin, {}, QStringLiteral("PREFIX")},
        {kMaxPages, {}, QStringLiteral("N")},
        {kDryRun, {}},
        {kCookie, {}, QStringLiteral("NAME=VALUE")},
        {kCookies, {}, QStringLiteral("FILE")},
        {kHttpHeader, {}, QStringLiteral("LINE")},
        {kUser, {}, QStringLiteral("NAME")},
        {kPassword, {}, QStringLiteral("PASSWORD")},
        {kPasswordFile, {}, QStringLiteral("FILE")},
        {{QStringLiteral("h"), kHelp}, {}},
        {{QStringLiteral("v"), kVersion}, {}},
    });
    AddPageLoadingOptions(parser);

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
        options.engine = ParseKeyword(engine, kEngineKeywords, KeywordMatch::Exact);
        if (!options.engine) {
            parsed.error =
                QStringLiteral("--engine takes \"classic\" or \"modern\", not \"%1\".").arg(engine);
            return parsed;
        }
    }
    if (const QString error = ReadPageOptions(parser, options); !error.isEmpty()) {
        parsed.error = error;
        return parsed;
    }
    if (const QString error = ReadPageLoadingOptions(parser, options.pageChanges); !error.isEmpty()) {
        parsed.error = error;
        return parsed;
    }
    if (parser.isSet(kLocalRoot)) {
        const QString root = parser.values(kLocalRoot).constLast();
        const QFileInfo folder(root);
        if (root == QLatin1String("auto"))
            options.localRoot = QString();
        else if (!root.isEmpty() && folder.isDir())
            options.localRoot = folder.absoluteFilePath();
        else {
            parsed.error =
                QStringLiteral("--local-root takes an existing folder or \"auto\", not \"%1\".").arg(root);
            return parsed;
        }
    }
    if (parser.isSet(kCombine)) {
        const QString name = parser.values(kCombine).constLast();
        // A name in the output folder: a path would leave it.
        if (name.contains(u'/') || name.contains(u'\\') ||
            CombinedPathFor(name, QStringLiteral(".")).isEmpty()) {
            parsed.error = BadValue(kCombine, QStringLiteral("a file name for the output folder"), name);
            return parsed;
        }
        options.combine = name;
    }
    if (parser.isSet(kTitle)) {
        if (!parser.isSet(kCombine)) {
            parsed.error = QStringLiteral("--title names the combined PDF, so it needs --combine.");
            return parsed;
        }
        options.title = parser.values(kTitle).constLast().simplified();
    }
    if (parser.isSet(kContents)) {
        if (!parser.isSet(kCombine)) {
            parsed.error = QStringLiteral("--contents begins the combined PDF, so it needs --combine.");
            return parsed;
        }
        options.contents = true;
    }
    if (parser.isSet(kNameBy)) {
        const QString nameBy = parser.values(kNameBy).constLast();
        options.nameBy = ParseKeyword(nameBy, kNameByKeywords, KeywordMatch::Exact);
        if (!options.nameBy) {
            parsed.error = BadValue(kNameBy, QStringLiteral("\"address\" or \"title\""), nameBy);
            return parsed;
        }
    }
    if (const QString error = ReadFollowOptions(parser, options); !error.isEmpty()) {
        parsed.error = error;
        return parsed;
    }
    options.dryRun = parser.isSet(kDryRun);
    if (const QString error = ReadSignInOptions(parser, options); !error.isEmpty()) {
        parsed.error = error;
        return parsed;
    }
    if (options.sources.isEmpty() && options.lists.isEmpty())
        parsed.error = QStringLiteral("No sources given: name web addresses or files, or a --list.");
    return parsed;
}

QString CommandLineHelp(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [--output FOLDER] [--jobs N|auto] [--timeout SECONDS]\n"
               "       %4[--engine classic|modern] [--local-root FOLDER|auto] [page options]\n"
               "       %4[--combine FILE [--title TEXT] [--contents]] [--name-by address|title]\n"
               "       %4[--follow DEPTH [--within PREFIX] [--max-pages N]] [--dry-run]\n"
               "       %4[--cookie NAME=VALUE] [--cookies FILE] [--http-header LINE]\n"
               "       %4[--user NAME [--password-file FILE|-]]\n"
               "       %4[--list FILE|-] [SOURCE...]\n"
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
               "  --local-root FOLDER|auto\n"
               "                     what a local document inside FOLDER may read: FOLDER and below;\n"
               "                     auto: its own folder, widened to the nearest one holding every\n"
               "                     local file it names, at most to the home folder (default: the\n"
               "                     window's choice). Nothing whose name starts with a dot is read.\n"
               "  --combine FILE     also join the converted PDFs, in order, into FILE in the output\n"
               "                     folder, with a bookmark for each (the separate PDFs stay unless\n"
               "                     the window's \"Keep the separate PDFs\" is off)\n"
               "  --title TEXT       the combined PDF's title (default: the name the pages' titles\n"
               "                     share, as \"Installation - Guide\" and \"Usage - Guide\" share\n"
               "                     \"Guide\", else the name given to --combine)\n"
               "  --contents         begin the combined PDF with a contents page listing each part\n"
               "                     (and its headings) with the page it starts on, each a link\n"
               "  --name-by address|title\n"
               "                     name each PDF after its address or file name, or after its page's\n"
               "                     title (the address when it has none); default: the window's choice\n"
               "  --follow DEPTH     also convert the pages each source links to, DEPTH links deep\n"
               "                     (0 to %5), each after its source in reading order: where pages\n"
               "                     name their next page, that order, else the order of first links\n"
               "  --within PREFIX    follow links only to pages under PREFIX, a web address prefix or a\n"
               "                     folder (default: each source's own folder)\n"
               "  --max-pages N      read at most N pages besides the sources (default: %6)\n"
               "  --dry-run          print the sources the run would convert, one a line, and convert\n"
               "                     nothing\n"
               "  --queue SOURCE...  open the window with these sources queued, converting nothing yet\n"
               "\n"
               "Page options (default: the window's Page setup):\n"
               "  --paper A4|Letter|Legal|A3|A5|WIDTHxHEIGHT(mm|cm|in)\n"
               "                     the paper, e.g. A4 or 200x250mm; each side 25.4 to 2,000 mm\n"
               "  --orientation portrait|landscape\n"
               "  --css-page-size    use the page's own CSS @page size where it gives one (Modern engine)\n"
               "  --margins LENGTH or \"TOP RIGHT BOTTOM LEFT\"\n"
               "                     lengths with mm, cm or in, e.g. 10mm or \"10mm 15mm 10mm 15mm\"\n"
               "  --scale PERCENT    10 to 200\n"
               "  --backgrounds, --no-backgrounds\n"
               "                     print background colours and images, or not\n"
               "  --media print|screen\n"
               "                     the page's print style, or as it looks on screen (Modern engine)\n"
               "  --header \"LEFT|CENTRE|RIGHT\", --footer \"LEFT|CENTRE|RIGHT\"\n"
               "                     text above and below each page, with {page}, {pages}, {title},\n"
               "                     {url} and {date}; \"\" for none. E.g. --footer \"||Page {page} of "
               "{pages}\"\n"
               "  --number-pages book|each\n"
               "                     in a combined PDF, {page} and {pages} count the whole book (the\n"
               "                     default) or each part on its own, as its separate PDF does\n"
               "%7"
               "\n"
               "Pages behind a login (the window's sign-in setting is not used here):\n"
               "  --cookie NAME=VALUE\n"
               "                     send this cookie to the hosts of the sources (repeatable)\n"
               "  --cookies FILE     send the cookies of a cookies.txt file (as browsers' extensions\n"
               "                     export it), each only to the host it belongs to (repeatable)\n"
               "  --http-header \"Name: value\"\n"
               "                     send this header to the hosts of the sources alone, never to other\n"
               "                     servers a page loads from (repeatable; Modern engine)\n"
               "  --user NAME        sign in with HTTP basic or digest to the hosts of the sources\n"
               "                     (Modern engine); the password comes from --password-file FILE,\n"
               "                     --password-file - (standard input) or the environment variable\n"
               "                     VELMORA_PASSWORD, never from the command line\n"
               "\n"
               "  -h, --help         show this text\n"
               "  -v, --version      show the version\n"
               "\n"
               "Prints one line per source as it ends, on standard output: \"converted\", \"warning\" or\n"
               "\"failed\", the source, then the PDF path or the reason, separated by tabs (a warning also\n"
               "gives its reason after the path). With --combine, a last line \"combined\" and the\n"
               "combined PDF's path follows; a combine that fails is told on standard error instead.\n"
               "Control characters in a field (tab, line break, ESC)\n"
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
        .arg(QString(programName.size() + 1, QLatin1Char(' ')))
        .arg(FollowOptions::kMaxDepth)
        .arg(FollowOptions::kDefaultMaxPages)
        .arg(PageLoadingHelp());
}

} // namespace velmora
