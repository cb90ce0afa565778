// The command line's own rules: when it takes over from the window, how options read, and the progress
// text.
#include "CommandLine.h"
#include "ProgressLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

class TestCliOptions final : public QObject {
    Q_OBJECT
private slots:
    void wantsCommandLine_data();
    void wantsCommandLine();
    void parses_data();
    void parses();
    void engine_data();
    void engine();
    void pageOptions_data();
    void pageOptions();
    void bookNumbering();
    void pageLoadingOptions_data();
    void pageLoadingOptions();
    void bookTitle();
    void localRoot();
    void combineAndNames_data();
    void combineAndNames();
    void rejects_data();
    void rejects();
    void signInOptions();
    void helpNamesTheProgram();
    void manualNamesWhatTheHelpNames();
    void outputField_data();
    void outputField();
    void progressText_data();
    void progressText();
};

void TestCliOptions::wantsCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("commandLine");
    QTest::newRow("no arguments") << QStringList{} << false;
    QTest::newRow("Qt platform option") << QStringList{"-platform", "offscreen"} << false;
    QTest::newRow("Qt style option") << QStringList{"-style", "fusion"} << false;
    QTest::newRow("Qt reverse option") << QStringList{"-reverse"} << false;
    QTest::newRow("a local file") << QStringList{"page.html"} << true;
    QTest::newRow("a web address") << QStringList{"https://site.test/"} << true;
    QTest::newRow("our option") << QStringList{"--output", "out", "page.html"} << true;
    QTest::newRow("an unknown long option is ours to refuse") << QStringList{"--bogus"} << true;
    QTest::newRow("short help") << QStringList{"-h"} << true;
    QTest::newRow("short version") << QStringList{"-v"} << true;
    QTest::newRow("end of options") << QStringList{"--", "-page.html"} << true;
    // --queue opens the window with its sources queued; only as the first argument.
    QTest::newRow("queue: sources for the window")
        << QStringList{"--queue", "a.html", "https://s.test/"} << false;
    QTest::newRow("queue: nothing given") << QStringList{"--queue"} << false;
    QTest::newRow("queue: not first") << QStringList{"a.html", "--queue", "b.html"} << true;
}

void TestCliOptions::wantsCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, commandLine);
    const QStringList full = QStringList{"HTML2PDFConverter"} + arguments;
    QCOMPARE(WantsCommandLine(full), commandLine);
    // The window is given the sources after --queue, in order, and none for any other command line.
    const std::optional<QStringList> queued = QueuedSources(full);
    QCOMPARE(queued.has_value(), arguments.value(0) == QLatin1String("--queue"));
    if (queued)
        QCOMPARE(*queued, arguments.mid(1));
}

void TestCliOptions::parses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QString>("output"); // "<none>" when not given
    QTest::addColumn<int>("jobs");       // -1 when not given
    QTest::addColumn<int>("timeout");    // -1 when not given

    QTest::newRow("sources only") << QStringList{"a.html", "https://site.test/"}
                                  << QStringList{"a.html", "https://site.test/"} << QStringList{} << "<none>"
                                  << -1 << -1;
    QTest::newRow("every option") << QStringList{"--output", "out",    "--jobs", "3",     "--timeout",
                                                 "20",       "--list", "l.txt",  "a.html"}
                                  << QStringList{"a.html"} << QStringList{"l.txt"} << "out" << 3 << 20;
    QTest::newRow("values after =") << QStringList{"--output=out dir", "--jobs=auto", "a.html"}
                                    << QStringList{"a.html"} << QStringList{} << "out dir"
                                    << kAutomaticConversions << -1;
    QTest::newRow("standard input list")
        << QStringList{"--list", "-"} << QStringList{} << QStringList{"-"} << "<none>" << -1 << -1;
    QTest::newRow("two lists in order") << QStringList{"--list", "b.txt", "--list", "a.txt"} << QStringList{}
                                        << QStringList{"b.txt", "a.txt"} << "<none>" << -1 << -1;
    QTest::newRow("last repeated value wins")
        << QStringList{"--output", "one", "--output", "two", "--jobs", "2", "--jobs", "5", "a.html"}
        << QStringList{"a.html"} << QStringList{} << "two" << 5 << -1;
    QTest::newRow("empty output folder is kept for the run to refuse")
        << QStringList{"--output", "", "a.html"} << QStringList{"a.html"} << QStringList{} << "" << -1 << -1;
    QTest::newRow("largest jobs and timeout")
        << QStringList{"--jobs", QString::number(kMaxJobs), "--timeout", QString::number(kMaxTimeoutSeconds),
                       "a.html"}
        << QStringList{"a.html"} << QStringList{} << "<none>" << kMaxJobs << kMaxTimeoutSeconds;
    QTest::newRow("dash-led source after --")
        << QStringList{"--", "-a.html"} << QStringList{"-a.html"} << QStringList{} << "<none>" << -1 << -1;
}

void TestCliOptions::parses() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, sources);
    QFETCH(QStringList, lists);
    QFETCH(QString, output);
    QFETCH(int, jobs);
    QFETCH(int, timeout);

    const ParsedCommandLine parsed = ParseCommandLine(QStringList{"prog"} + arguments);
    QCOMPARE(parsed.error, QString());
    QCOMPARE(parsed.options.action, CommandLineOptions::Action::Convert);
    QCOMPARE(parsed.options.sources, sources);
    QCOMPARE(parsed.options.lists, lists);
    QCOMPARE(parsed.options.outputFolder.value_or(QStringLiteral("<none>")), output);
    QCOMPARE(parsed.options.jobs.value_or(-1), jobs);
    QCOMPARE(parsed.options.timeoutSeconds.value_or(-1), timeout);
}

void TestCliOptions::engine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("engine"); // "<none>" when not given
    QTest::newRow("not given: the stored choice") << QStringList{"a.html"} << "<none>";
    QTest::newRow("classic") << QStringList{"--engine", "classic", "a.html"} << "classic";
    QTest::newRow("modern") << QStringList{"--engine", "modern", "a.html"} << "modern";
    QTest::newRow("value after =") << QStringList{"--engine=modern", "a.html"} << "modern";
    QTest::newRow("last repeated value wins")
        << QStringList{"--engine", "modern", "--engine", "classic", "a.html"} << "classic";
}

void TestCliOptions::engine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, engine);
    const ParsedCommandLine parsed = ParseCommandLine(QStringList{"prog"} + arguments);
    QCOMPARE(parsed.error, QString());
    const std::optional<RenderingEngine> chosen = parsed.options.engine;
    QCOMPARE(!chosen                               ? QStringLiteral("<none>")
             : *chosen == RenderingEngine::Classic ? QStringLiteral("classic")
                                                   : QStringLiteral("modern"),
             engine);
}

namespace {

// A page setup in the text forms the options take, to compare in one line.
QString Summary(const PageSetup& page) {
    using namespace page_text;
    return QStringList{PaperText(page),
                       OrientationText(page.orientation),
                       OnOffText(page.cssPageSize),
                       MarginsText(page.marginsMm),
                       QString::number(page.scalePercent),
                       OnOffText(page.backgrounds),
                       MediaText(page.media),
                       LineText(page.header),
                       LineText(page.footer)}
        .join(QStringLiteral(" / "));
}

} // namespace

void TestCliOptions::pageOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("summary"); // the stored setup below with the options applied

    QTest::newRow("none: the stored setup")
        << QStringList{}
        << "Letter / landscape / off / default / 90 / off / print /  / ||Page {page} of {pages}";
    QTest::newRow("paper and orientation")
        << QStringList{"--paper", "a5", "--orientation", "portrait"}
        << "A5 / portrait / off / default / 90 / off / print /  / ||Page {page} of {pages}";
    QTest::newRow("custom paper, one margin, scale with %")
        << QStringList{"--paper=4x6in", "--margins", "1cm", "--scale", "150%"}
        << "101.6x152.4mm / landscape / off / 10mm 10mm 10mm 10mm / 150 / off / print /  / ||Page {page} of "
           "{pages}";
    QTest::newRow("four margins, backgrounds, screen, the page's own size")
        << QStringList{"--margins", "1mm 2mm 3mm 4mm", "--backgrounds",
                       "--media",   "screen",          "--css-page-size"}
        << "Letter / landscape / on / 1mm 2mm 3mm 4mm / 90 / on / screen /  / ||Page {page} of {pages}";
    QTest::newRow("header set, footer emptied")
        << QStringList{"--header", "{title}||{date}", "--footer", ""}
        << "Letter / landscape / off / default / 90 / off / print / {title}||{date} / ";
    QTest::newRow("engine's own margins again, no backgrounds")
        << QStringList{"--margins", "default", "--no-backgrounds"}
        << "Letter / landscape / off / default / 90 / off / print /  / ||Page {page} of {pages}";
}

void TestCliOptions::pageOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, summary);

    PageSetup stored;
    stored.paper = Paper::Letter;
    stored.orientation = Orientation::Landscape;
    stored.scalePercent = 90;
    stored.backgrounds = false;
    stored.footer.right = kPageNumberText;
    const ParsedCommandLine parsed =
        ParseCommandLine(QStringList{"prog"} + arguments + QStringList{"a.html"});
    QCOMPARE(parsed.error, QString());
    QCOMPARE(Summary(PageSetupFor(parsed.options, stored)), summary);
}

// What a combined PDF's page numbers count: as stored, unless the option says.
void TestCliOptions::bookNumbering() {
    PageSetup stored;
    stored.numbering = PageNumbering::EachPart;
    const auto numbering = [&stored](const QStringList& arguments) {
        return PageSetupFor(ParseCommandLine(QStringList{"prog"} + arguments + QStringList{"a.html"}).options,
                            stored)
            .numbering;
    };
    QCOMPARE(numbering({}), PageNumbering::EachPart);
    QCOMPARE(numbering({"--number-pages", "book"}), PageNumbering::Book);
    stored.numbering = PageNumbering::Book;
    QCOMPARE(numbering({"--number-pages=each"}), PageNumbering::EachPart);
}

// A page's loading as the options take it, to compare in one line.
QString LoadingSummary(const PageLoading& loading) {
    using namespace page_text;
    return QStringList{OnOffText(loading.scroll),
                       OnOffText(loading.openDetails),
                       loading.waitFor,
                       loading.waitUntil,
                       QString::number(loading.delayMs),
                       loading.styleFile,
                       loading.hide}
        .join(QStringLiteral(" / "));
}

void TestCliOptions::pageLoadingOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("summary");
    const QString style = QStringLiteral("<style>"); // a style sheet file the test makes
    QTest::newRow("as stored") << QStringList{} << "on / off / #stored /  / 700 / /stored.css / .ad";
    QTest::newRow("every option") << QStringList{"--no-scroll",  "--open-details",
                                                 "--wait-for",   " #chart svg ",
                                                 "--wait-until", "window.ready",
                                                 "--delay",      "2500",
                                                 "--style",      style,
                                                 "--hide",       "#cookie-banner, .chat-widget"}
                                  << "off / on / #chart svg / window.ready / 2500 / " + style +
                                         " / #cookie-banner, .chat-widget";
    QTest::newRow("empty texts turn the stored ones off")
        << QStringList{"--wait-for=", "--style=", "--hide=", "--delay", "0"} << "on / off /  /  / 0 /  / ";
}

// Each option changes its part of the stored page setup; the others stay as stored.
void TestCliOptions::pageLoadingOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, summary);
    PageSetup stored;
    stored.loading.waitFor = QStringLiteral("#stored");
    stored.loading.delayMs = 700;
    stored.loading.styleFile = QStringLiteral("/stored.css");
    stored.loading.hide = QStringLiteral(".ad");
    QTemporaryDir folder;
    const QString style = folder.filePath(QStringLiteral("mine.css"));
    QFile file(style);
    QVERIFY(file.open(QIODevice::WriteOnly));
    arguments.replaceInStrings(QStringLiteral("<style>"), style);
    summary.replace(QStringLiteral("<style>"), style);
    const ParsedCommandLine parsed =
        ParseCommandLine(QStringList{"prog"} + arguments + QStringList{"a.html"});
    QCOMPARE(parsed.error, QString());
    QCOMPARE(LoadingSummary(PageSetupFor(parsed.options, stored).loading), summary);
}

void TestCliOptions::bookTitle() {
    QCOMPARE(ParseCommandLine({"prog", "--combine", "B.pdf", "a.html"}).options.title, QString());
    QCOMPARE(
        ParseCommandLine({"prog", "--combine", "B.pdf", "--title", " My  Book ", "a.html"}).options.title,
        QStringLiteral("My Book"));
    QVERIFY(!ParseCommandLine({"prog", "--combine", "B.pdf", "a.html"}).options.contents);
    QVERIFY(ParseCommandLine({"prog", "--combine", "B.pdf", "--contents", "a.html"}).options.contents);
}

void TestCliOptions::localRoot() {
    QTemporaryDir folder;
    QCOMPARE(ParseCommandLine({"prog", "a.html"}).options.localRoot, std::nullopt);
    QCOMPARE(ParseCommandLine({"prog", "--local-root", "auto", "a.html"}).options.localRoot,
             std::optional(QString()));
    QCOMPARE(ParseCommandLine({"prog", "--local-root", folder.path(), "a.html"}).options.localRoot,
             std::optional(folder.path()));
    const auto restore = qScopeGuard([previous = QDir::currentPath()] { QDir::setCurrent(previous); });
    QVERIFY(QDir::setCurrent(folder.path()));
    QVERIFY(QDir().mkpath("docs set"));
    QCOMPARE(ParseCommandLine({"prog", "--local-root=docs set", "a.html"}).options.localRoot,
             std::optional(folder.filePath("docs set")));
}

void TestCliOptions::combineAndNames_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("combine"); // "<none>" when not given
    QTest::addColumn<QString>("nameBy");  // "<none>" when not given
    QTest::newRow("neither: no combining, the stored naming") << QStringList{"a.html"} << "<none>"
                                                              << "<none>";
    QTest::newRow("both") << QStringList{"--combine", "Book.pdf", "--name-by", "title", "a.html"}
                          << "Book.pdf"
                          << "title";
    QTest::newRow("a name with spaces, by address")
        << QStringList{"--combine=The Book", "--name-by=address", "a.html"} << "The Book"
        << "address";
}

void TestCliOptions::combineAndNames() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, combine);
    QFETCH(QString, nameBy);
    const ParsedCommandLine parsed = ParseCommandLine(QStringList{"prog"} + arguments);
    QCOMPARE(parsed.error, QString());
    QCOMPARE(parsed.options.combine.value_or(QStringLiteral("<none>")), combine);
    const std::optional<NameBy> by = parsed.options.nameBy;
    QCOMPARE(!by                    ? QStringLiteral("<none>")
             : *by == NameBy::Title ? QStringLiteral("title")
                                    : QStringLiteral("address"),
             nameBy);
}

void TestCliOptions::rejects_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("unknown option, as typed")
        << QStringList{"--bogus", "a.html"} << "Unknown option '--bogus'.";
    QTest::newRow("unknown option with a value") << QStringList{"a.html", "--bogus=1"} << "'--bogus'";
    QTest::newRow("unknown one-dash option") << QStringList{"a.html", "-x"} << "Unknown option '-x'.";
    QTest::newRow("Qt option after a source")
        << QStringList{"a.html", "-platform", "offscreen"} << "platform";
    QTest::newRow("missing value") << QStringList{"a.html", "--output"} << "--output";
    QTest::newRow("no sources") << QStringList{"--output", "out"} << "No sources";
    QTest::newRow("no jobs") << QStringList{"--jobs", "0", "a.html"} << "--jobs";
    QTest::newRow("too many jobs") << QStringList{"--jobs", QString::number(kMaxJobs + 1), "a.html"}
                                   << "--jobs";
    QTest::newRow("jobs not a number") << QStringList{"--jobs", "many", "a.html"} << "\"many\"";
    QTest::newRow("zero timeout") << QStringList{"--timeout", "0", "a.html"} << "--timeout";
    QTest::newRow("fractional timeout") << QStringList{"--timeout", "1.5", "a.html"} << "--timeout";
    QTest::newRow("timeout too long")
        << QStringList{"--timeout", QString::number(kMaxTimeoutSeconds + 1), "a.html"} << "--timeout";
    QTest::newRow("unknown engine") << QStringList{"--engine", "fast", "a.html"} << "--engine";
    QTest::newRow("engine names are lower case")
        << QStringList{"--engine", "Modern", "a.html"} << "\"Modern\"";
    QTest::newRow("empty engine") << QStringList{"--engine=", "a.html"} << "--engine";
    QTest::newRow("engine without a value") << QStringList{"a.html", "--engine"} << "--engine";
    QTest::newRow("unknown paper") << QStringList{"--paper", "B5", "a.html"}
                                   << "--paper takes A4, Letter, Legal, A3, A5, or WIDTHxHEIGHT";
    QTest::newRow("paper without unit") << QStringList{"--paper", "200x300", "a.html"} << "\"200x300\"";
    QTest::newRow("paper too narrow") << QStringList{"--paper", "20x300mm", "a.html"}
                                      << "each side from 25.4 to 2,000 mm (1 to 78.7 in; e.g. 200x250mm), "
                                         "not \"20x300mm\"";
    QTest::newRow("paper too tall") << QStringList{"--paper", "8x80in", "a.html"} << "25.4 to 2,000 mm";
    QTest::newRow("unknown orientation") << QStringList{"--orientation", "up", "a.html"}
                                         << "--orientation takes portrait or landscape, not \"up\"";
    QTest::newRow("margin without unit")
        << QStringList{"--margins", "10", "a.html"} << "--margins takes one length";
    QTest::newRow("two margins") << QStringList{"--margins", "1mm 2mm", "a.html"} << "--margins";
    QTest::newRow("scale too small") << QStringList{"--scale", "5", "a.html"}
                                     << "--scale takes a whole percentage from 10 to 200";
    QTest::newRow("scale too large") << QStringList{"--scale", "201%", "a.html"} << "--scale";
    QTest::newRow("unknown media") << QStringList{"--media", "tv", "a.html"}
                                   << "--media takes print or screen, not \"tv\"";
    QTest::newRow("a title without combining") << QStringList{"--title", "Book", "a.html"}
                                               << "--title names the combined PDF, so it needs --combine.";
    QTest::newRow("contents without combining") << QStringList{"--contents", "a.html"}
                                                << "--contents begins the combined PDF, so it needs --combine.";
    QTest::newRow("unknown numbering") << QStringList{"--number-pages", "chapter", "a.html"}
                                       << "--number-pages takes book or each, not \"chapter\"";
    QTest::newRow("header of one part") << QStringList{"--header", "Page {page}", "a.html"}
                                        << "--header takes three parts \"left|centre|right\"";
    QTest::newRow("footer of four parts") << QStringList{"--footer", "a|b|c|d", "a.html"} << "--footer";
    QTest::newRow("backgrounds both ways")
        << QStringList{"--backgrounds", "--no-backgrounds", "a.html"} << "--backgrounds and --no-backgrounds";
    QTest::newRow("combined file in another folder") << QStringList{"--combine", "out/Book.pdf", "a.html"}
                                                     << "--combine takes a file name for the output folder";
    QTest::newRow("combined file with a backslash")
        << QStringList{"--combine", "a\\b.pdf", "a.html"} << "--combine";
    QTest::newRow("combined file without a name")
        << QStringList{"--combine", " .pdf", "a.html"} << "--combine";
    QTest::newRow("unknown naming") << QStringList{"--name-by", "heading", "a.html"}
                                    << "--name-by takes \"address\" or \"title\", not \"heading\"";
    QTest::newRow("local root that does not exist")
        << QStringList{"--local-root", "/no/such/folder", "a.html"} << "\"/no/such/folder\"";
    QTest::newRow("empty local root") << QStringList{"--local-root=", "a.html"} << "--local-root";
    QTest::newRow("scroll both ways") << QStringList{"--scroll", "--no-scroll", "a.html"}
                                      << "--scroll and --no-scroll cannot both be given.";
    QTest::newRow("negative delay")
        << QStringList{"--delay", "-1", "a.html"}
        << "--delay takes a whole number of milliseconds from 0 to 600000, not \"-1\"";
    QTest::newRow("style that does not exist")
        << QStringList{"--style", "/no/such/style.css", "a.html"}
        << "--style takes a readable style sheet file, not \"/no/such/style.css\"";
    QTest::newRow("style that is a folder") << QStringList{"--style", "/", "a.html"} << "--style";
    QTest::newRow("a password on the command line")
        << QStringList{"--user", "u", "--password", "secret", "a.html"}
        << "A password is never taken on the command line, where other users can read it";
    QTest::newRow("a cookie without a name") << QStringList{"--cookie", "=abc", "a.html"}
                                             << "--cookie takes NAME=VALUE, not \"=abc\"";
    QTest::newRow("a cookie without a value sign") << QStringList{"--cookie", "session", "a.html"} << "--cookie";
    QTest::newRow("a header without a colon") << QStringList{"--http-header", "X-Club members", "a.html"}
                                              << "--http-header takes \"Name: value\"";
    QTest::newRow("a header name with a space") << QStringList{"--http-header", "X Club: members", "a.html"}
                                                << "--http-header";
    QTest::newRow("a password file without a user") << QStringList{"--password-file", "pw.txt", "a.html"}
                                                    << "--password-file gives the password for --user";
    QTest::newRow("password and list both on standard input")
        << QStringList{"--user", "u", "--password-file", "-", "--list", "-"} << "Standard input cannot hold both";
}

void TestCliOptions::signInOptions() {
    const ParsedCommandLine parsed =
        ParseCommandLine({"prog", "--cookie", "session=a=b", "--cookie", "lang=", "--cookies", "c.txt",
                          "--http-header", "X-Club:  members ", "--header", "Draft||", "--user", "skipper",
                          "--password-file", "pw.txt", "a.html"});
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    const CommandLineOptions& options = parsed.options;
    QCOMPARE(options.cookies.size(), 2);
    QCOMPARE(options.cookies[0].name, QStringLiteral("session"));
    QCOMPARE(options.cookies[0].value, QStringLiteral("a=b"));
    QCOMPARE(options.cookies[0].domain, QString()); // the sources' hosts
    QCOMPARE(options.cookies[1].value, QString());
    QCOMPARE(options.cookieFiles, QStringList{"c.txt"});
    QCOMPARE(options.headers, (QList<HttpHeader>{{"X-Club", "members"}}));
    // --header stays the page's header line.
    QCOMPARE(PageSetupFor(options, {}).header, (PageText{"Draft", {}, {}}));
    QCOMPARE(options.user, QStringLiteral("skipper"));
    QCOMPARE(options.passwordFile, QStringLiteral("pw.txt"));
}

void TestCliOptions::rejects() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, errorPart);
    const ParsedCommandLine parsed = ParseCommandLine(QStringList{"prog"} + arguments);
    QVERIFY2(parsed.error.contains(errorPart), qPrintable(parsed.error));
    QVERIFY(!parsed.error.contains(QLatin1Char('\n')));
}

void TestCliOptions::helpNamesTheProgram() {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const ParsedCommandLine parsed = ParseCommandLine({"prog", option});
        QCOMPARE(parsed.options.action, CommandLineOptions::Action::Help);
    }
    QVERIFY(
        CommandLineHelp(QStringLiteral("velmora-html2pdf")).startsWith("Usage: velmora-html2pdf [--output"));
    QVERIFY(CommandLineHelp(QStringLiteral("velmora-html2pdf")).contains("[--engine classic|modern]"));
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")})
        QCOMPARE(ParseCommandLine({"prog", option}).options.action, CommandLineOptions::Action::Version);
}

// The manual page is written by hand: it must name every option --help names, no other, and every
// kind of output line.
void TestCliOptions::manualNamesWhatTheHelpNames() {
#ifdef Q_OS_WIN
    QSKIP("The manual page is installed on Linux only.");
#endif
    QFile page(QStringLiteral(VELMORA_MANUAL_PAGE));
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
    // As a reader sees it: troff's "\-" is a dash, and "\fB" and the like only change the font.
    const QString manual = QString::fromUtf8(page.readAll())
                               .replace(QStringLiteral("\\-"), QStringLiteral("-"))
                               .remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    const QString help = CommandLineHelp(QStringLiteral("velmora-html2pdf"));
    const auto named = [](const QString& text, const QRegularExpression& pattern) {
        QStringList names;
        for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
            names << match.captured(1);
        names.removeDuplicates();
        names.sort();
        return names;
    };
    static const QRegularExpression kLongOption(QStringLiteral(R"((--[a-z][a-z-]*))"));
    QCOMPARE(named(manual, kLongOption), named(help, kLongOption));

    // The help quotes the first word of each kind of line: "converted", "warning", "failed", "combined".
    const QStringList lineKinds = named(help, QRegularExpression(QStringLiteral(R"re("([a-z]+)")re")));
    QVERIFY2(lineKinds.contains(QStringLiteral("combined")), qPrintable(lineKinds.join(' ')));
    const QString output =
        manual.section(QStringLiteral(".SH OUTPUT"), 1).section(QStringLiteral(".SH "), 0, 0);
    for (const QString& kind : lineKinds)
        QVERIFY2(output.contains(QRegularExpression("\\b" + kind + "\\b")), qPrintable(kind));
}

void TestCliOptions::outputField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "https://site.test/a b.html"
                           << "https://site.test/a b.html";
    QTest::newRow("tab") << "a\tb"
                         << "a\\x09b";
    QTest::newRow("line breaks") << "a\r\nb"
                                 << "a\\x0d\\x0ab";
    QTest::newRow("ESC starting a colour") << "\x1b[31mred"
                                           << "\\x1b[31mred";
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b"
                         << "a\\x00b";
    QTest::newRow("DEL and a C1 control") << QString("a\x7f") + QChar(0x9b) << "a\\x7f\\x9b";
    QTest::newRow("Windows path") << "C:\\out\\a.pdf"
                                  << "C:\\out\\a.pdf";
    QTest::newRow("backslash before x") << "C:\\x\\a.pdf"
                                        << "C:\\x5cx\\a.pdf";
    QTest::newRow("text that looks escaped") << "\\x09"
                                             << "\\x5cx09";
    QTest::newRow("letters beyond ASCII") << "Ünïcode ✓"
                                          << "Ünïcode ✓";
}

// A field never holds a character that splits a line or drives a terminal, and every \xHH read back
// as its character gives the text again.
void TestCliOptions::outputField() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    const QString written = OutputField(text);
    QCOMPARE(written, field);
    for (const QChar c : written)
        QVERIFY(c.category() != QChar::Other_Control);
    QString readBack = written;
    const QRegularExpression escape(QStringLiteral("\\\\x([0-9a-f]{2})"));
    for (QRegularExpressionMatch match = escape.match(readBack); match.hasMatch();
         match = escape.match(readBack, match.capturedStart() + 1))
        readBack.replace(match.capturedStart(), match.capturedLength(),
                         QChar(match.captured(1).toUInt(nullptr, 16)));
    QCOMPARE(readBack, text);
}

void TestCliOptions::progressText_data() {
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing ended yet") << 0 << 200 << qint64(5000) << "0 of 200";
    QTest::newRow("minutes left") << 12 << 200 << qint64(5873) << "12 of 200, about 1:32 left";
    QTest::newRow("under a minute") << 1 << 2 << qint64(9000) << "1 of 2, about 0:09 left";
    QTest::newRow("never 0:00 while work remains")
        << 199 << 200 << qint64(10) << "199 of 200, about 0:01 left";
    QTest::newRow("hours") << 1 << 3 << qint64(3723000) << "1 of 3, about 2:04:06 left";
    QTest::newRow("all done") << 5 << 5 << qint64(1000) << "5 of 5";
}

void TestCliOptions::progressText() {
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, text);
    QCOMPARE(ProgressText(done, total, elapsedMs), text);
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "test_cli_options.moc"
