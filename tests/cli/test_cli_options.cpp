// The command line's own rules: when it takes over from the window, how options read, and the progress
// text.
#include "CommandLine.h"
#include "ProgressLine.h"

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
    void rejects_data();
    void rejects();
    void helpNamesTheProgram();
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

void TestCliOptions::rejects_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("unknown option") << QStringList{"--bogus", "a.html"} << "bogus";
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
