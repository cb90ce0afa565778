#include "MinimalPdf.h"
#include "RunTestSupport.h"
#include "modern/ChromiumBackend.h"
#include "run/BatchRunner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace velmora;

namespace {

// Chromium's sandbox refuses to run as root, so there the engine turns it off.
bool SandboxMustBeOff() {
#ifdef Q_OS_WIN
    return false;
#else
    return ::geteuid() == 0;
#endif
}

constexpr int kRowWaitMs = 20000;

struct Ending {
    RowState state = RowState::Waiting;
    QString reason;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the fake browser prints for a page.
QByteArray FakePdf(const QString& url) {
    return test::OnePagePdf(url.toUtf8());
}

} // namespace

// Drives the Modern engine against the fake browser, which misbehaves as the page address asks.
class TestChromiumBackend : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void outcomes_data();
    void outcomes();
    void localFileAccess_data();
    void localFileAccess();
    void rowsAtOnceKeepTheirOwnOutcomes();
    void convertedRowsPassTheirTabOn();
    void dialogsAreDismissed_data();
    void dialogsAreDismissed();
    void pageThatStopsAnsweringKeepsItsTab_data();
    void pageThatStopsAnsweringKeepsItsTab();
    void deadTabIsNotHandedOn_data();
    void deadTabIsNotHandedOn();
    void windowsAPageOpenedCloseWithItsRow();
    void browserThatOpensNoTabIsReplaced();
    void fullDiskSaysSo();
    void crashedBrowserFailsItsRowAndIsRestarted();
    void endedBrowserTakesItsHelpersAlong();
    void abortEndsTheRowSilently_data();
    void abortEndsTheRowSilently();
    void unansweredAbortReplacesTheBrowser();
    void endRunRemovesBrowserAndProfile_data();
    void endRunRemovesBrowserAndProfile();
    void startProblems_data();
    void startProblems();
    void browserThatCannotStartFailsTheRow();

private:
    QString NewOutput();
    void BeginRow(int job, const QString& source, const QString& localRoot = {});
    Ending WaitForEnd(int job);
    QStringList BrowserLog(const QString& kind) const;
    QStringList BrowserStarts() const { return BrowserLog("start"); }
    QList<qint64> BrowserPids() const;

    QString m_fake;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<ChromiumBackend> m_backend;
    QHash<int, Ending> m_endings;
    QHash<int, QString> m_outputs;
    int m_outputCount = 0;
};

void TestChromiumBackend::initTestCase() {
    m_fake = QStringLiteral(FAKE_BROWSER_PATH);
    QVERIFY2(QFile::exists(m_fake), qPrintable(m_fake));
}

void TestChromiumBackend::init() {
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    qputenv("VELMORA_FAKE_BROWSER_LOG", m_work->filePath("browser.log").toLocal8Bit());
    m_backend = std::make_unique<ChromiumBackend>(m_fake);
    m_endings.clear();
    m_outputs.clear();
    connect(m_backend.get(), &RenderBackend::rowEnded, this,
            [this](int job, RowState state, const QString& reason) {
                QVERIFY2(!m_endings.contains(job), "a row ended twice");
                m_endings.insert(job, {state, reason});
            });
    m_backend->BeginRun(2);
}

void TestChromiumBackend::cleanup() {
    m_backend.reset();
    m_work.reset();
}

QString TestChromiumBackend::NewOutput() {
    const QString path = m_work->filePath(QStringLiteral("out%1.pdf.tmp").arg(++m_outputCount));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qWarning("cannot create %s", qPrintable(path));
    return path;
}

void TestChromiumBackend::BeginRow(int job, const QString& source, const QString& localRoot) {
    m_outputs.insert(job, NewOutput());
    m_backend->Begin(job, RenderRequest{source, m_outputs.value(job), localRoot});
}

Ending TestChromiumBackend::WaitForEnd(int job) {
    if (!QTest::qWaitFor([&] { return m_endings.contains(job); }, kRowWaitMs))
        qWarning("row %d did not end", job); // the state stays Waiting, which no test expects
    return m_endings.value(job);
}

// The fake browser's log lines of one kind ("start", "tab").
QStringList TestChromiumBackend::BrowserLog(const QString& kind) const {
    const QStringList lines =
        QString::fromLocal8Bit(ReadAll(m_work->filePath("browser.log"))).split('\n', Qt::SkipEmptyParts);
    return lines.filter(QRegularExpression('^' + kind + ' '));
}

QList<qint64> TestChromiumBackend::BrowserPids() const {
    QList<qint64> pids;
    for (const QString& start : BrowserStarts())
        pids << start.section(' ', 1, 1).toLongLong();
    return pids;
}

void TestChromiumBackend::outcomes_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("pdfWritten");

    QTest::newRow("plain page") << "http://127.0.0.1/plain" << RowState::Converted << "" << true;
    QTest::newRow("main document 404")
        << "http://127.0.0.1/status404" << RowState::Failed << "The server answered 404 Not Found." << false;
    QTest::newRow("connection refused") << "http://127.0.0.1/refused" << RowState::Failed
                                        << "The server 127.0.0.1 refused the connection." << false;
    QTest::newRow("failed parts") << "http://127.0.0.1/subfail" << RowState::ConvertedWithWarnings
                                  << "These 2 parts could not be loaded: http://127.0.0.1/missing.png, "
                                     "http://127.0.0.1/gone.css (404)."
                                  << true;
    QTest::newRow("asks for a part while printed")
        << "http://127.0.0.1/latefetch" << RowState::Converted << "" << true;
    QTest::newRow("download") << "http://127.0.0.1/download" << RowState::Failed
                              << "The address leads to a file to download, not to a page." << false;
    QTest::newRow("document changes after it was printed")
        << "http://127.0.0.1/latetext" << RowState::Converted << "" << true;
    QTest::newRow("document never still") << "http://127.0.0.1/restless" << RowState::Converted << "" << true;
    QTest::newRow("sent on to a 404")
        << "http://127.0.0.1/goes404" << RowState::Failed << "The server answered 404 Not Found." << false;
    QTest::newRow("sent on to a refused connection")
        << "http://127.0.0.1/goesnowhere" << RowState::Failed
        << "The server 127.0.0.1 refused the connection." << false;
    QTest::newRow("renderer crash") << "http://127.0.0.1/crashtab" << RowState::Failed
                                    << "The browser's renderer crashed on this page." << false;
    QTest::newRow("renderer crash while the document is fetched")
        << "http://127.0.0.1/crashloading" << RowState::Failed
        << "The browser's renderer crashed on this page." << false;
    QTest::newRow("garbled message") << "http://127.0.0.1/garble" << RowState::Failed
                                     << "The browser sent a message that could not be read." << false;
    QTest::newRow("browser dies") << "http://127.0.0.1/die" << RowState::Failed
                                  << "The browser ended unexpectedly." << false;
#ifndef Q_OS_WIN
    // POSIX: the pipe breaks as soon as its one reader closes it. Under Wine the engine's writes still
    // succeed once the fake closed its end, so no broken pipe is seen there; the row would wait for its
    // time limit instead.
    QTest::newRow("browser stops reading its commands")
        << "http://127.0.0.1/stopsreading" << RowState::Failed << "The browser ended unexpectedly." << false;
#endif
}

void TestChromiumBackend::outcomes() {
    QFETCH(QString, source);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    QFETCH(bool, pdfWritten);

    BeginRow(0, source);
    const Ending ending = WaitForEnd(0);
    QCOMPARE(ending.state, state);
    QCOMPARE(ending.reason, reason);
    const QByteArray pdf = ReadAll(m_outputs.value(0));
    QCOMPARE(pdf, pdfWritten ? FakePdf(source) : QByteArray()); // every streamed chunk, in order
}

void TestChromiumBackend::localFileAccess_data() {
    QTest::addColumn<bool>("localPage");
    QTest::addColumn<bool>("insideReadable");
    QTest::addColumn<QString>("blockedNote");

    QTest::newRow("local page reads its own folder only") << true << true << "outside the document's folder";
    QTest::newRow("web page reads no files") << false << false << "a web page may not read local files";
}

void TestChromiumBackend::localFileAccess() {
    QFETCH(bool, localPage);
    QFETCH(bool, insideReadable);
    QFETCH(QString, blockedNote);

    // The fake asks for <page folder>/inside.png and <parent folder>/outside.png.
    const QString site = m_work->filePath("site");
    QVERIFY(QDir().mkpath(site));
    QFile(site + "/inside.png").open(QIODevice::WriteOnly);
    QFile(m_work->filePath("outside.png")).open(QIODevice::WriteOnly);
    if (localPage)
        BeginRow(0, site + "/page-fileprobe.html", site);
    else
        BeginRow(0, "http://127.0.0.1/fileprobe");

    const Ending ending = WaitForEnd(0);
    QCOMPARE(ending.state, RowState::ConvertedWithWarnings);
    QVERIFY2(ending.reason.contains("/outside.png (blocked: " + blockedNote + ")"),
             qPrintable(ending.reason));
    QCOMPARE(ending.reason.contains("/inside.png (blocked: " + blockedNote + ")"), !insideReadable);
}

void TestChromiumBackend::rowsAtOnceKeepTheirOwnOutcomes() {
    BeginRow(0, "http://127.0.0.1/status404");
    BeginRow(1, "http://127.0.0.1/plain");
    BeginRow(2, "http://127.0.0.1/subfail");
    QCOMPARE(WaitForEnd(0).state, RowState::Failed);
    QCOMPARE(WaitForEnd(1).state, RowState::Converted);
    QCOMPARE(WaitForEnd(2).state, RowState::ConvertedWithWarnings);
    QCOMPARE(ReadAll(m_outputs.value(1)), FakePdf("http://127.0.0.1/plain"));
    QCOMPARE(ReadAll(m_outputs.value(2)), FakePdf("http://127.0.0.1/subfail"));
    QCOMPARE(BrowserStarts().size(), 1);
}

void TestChromiumBackend::convertedRowsPassTheirTabOn() {
    const QList<std::pair<QString, RowState>> rows = {
        {"http://127.0.0.1/plain#one", RowState::Converted},
        {"http://127.0.0.1/plain#two", RowState::Converted}, // the same document: loaded again
        {"http://127.0.0.1/subfail", RowState::ConvertedWithWarnings},
        {"http://127.0.0.1/status404", RowState::Failed}, // its tab is closed, not passed on
        {"http://127.0.0.1/plain", RowState::Converted},
    };
    for (int job = 0; job < rows.size(); ++job) {
        BeginRow(job, rows[job].first);
        QCOMPARE(WaitForEnd(job).state, rows[job].second);
        if (rows[job].second != RowState::Failed)
            QCOMPARE(ReadAll(m_outputs.value(job)), FakePdf(rows[job].first));
    }
    QCOMPARE(BrowserLog("tab").size(), 2);
}

void TestChromiumBackend::dialogsAreDismissed_data() {
    QTest::addColumn<QString>("type");
    QTest::newRow("alert") << "alert";
    QTest::newRow("confirm") << "confirm";
    QTest::newRow("prompt") << "prompt";
}

// The page stands still until its dialog is answered; dismissed, it loads on and converts.
void TestChromiumBackend::dialogsAreDismissed() {
    QFETCH(QString, type);

    BeginRow(0, "http://127.0.0.1/dialog-" + type);
    QCOMPARE(WaitForEnd(0).state, RowState::Converted);
    QCOMPARE(BrowserLog("dialog"), QStringList{"dialog " + type + " accept=false"});
}

void TestChromiumBackend::pageThatStopsAnsweringKeepsItsTab_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("stuck once printed") << "http://127.0.0.1/stuckafter";
    QTest::newRow("stuck a moment after its row ended") << "http://127.0.0.1/stucklater";
}

// A page that went on running after it was printed must not stall the next row: its tab is closed and
// the next row gets a fresh one.
void TestChromiumBackend::pageThatStopsAnsweringKeepsItsTab() {
    QFETCH(QString, source);

    BeginRow(0, source);
    QCOMPARE(WaitForEnd(0).state, RowState::Converted);
    QCOMPARE(ReadAll(m_outputs.value(0)), FakePdf(source));
    BeginRow(1, "http://127.0.0.1/plain");
    const Ending next = WaitForEnd(1);
    QCOMPARE(next.state, RowState::Converted);
    QCOMPARE(ReadAll(m_outputs.value(1)), FakePdf("http://127.0.0.1/plain"));
    const QStringList tabs = BrowserLog("tab");
    QCOMPARE(tabs.size(), 2);
    QVERIFY(BrowserLog("close").contains("close " + tabs[0].section(' ', 1)));
    QCOMPARE(BrowserStarts().size(), 1);
}

void TestChromiumBackend::deadTabIsNotHandedOn_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("askedOfDeadTab"); // the fake's "dead" log lines

    QTest::newRow("renderer crashed while idle") << "http://127.0.0.1/crashidle" << QStringList();
    QTest::newRow("tab closed while idle") << "http://127.0.0.1/closedidle" << QStringList();
    QTest::newRow("tab gone without a word")
        << "http://127.0.0.1/silentidle" << QStringList{"dead Runtime.evaluate"};
    QTest::newRow("renderer crashes as it is asked") << "http://127.0.0.1/crashonprobe" << QStringList();
}

// A converted row's tab that dies in the pool, or as the next row asks whether it answers, is closed:
// the next row gets a fresh tab, and a tab the browser said was gone is asked nothing.
void TestChromiumBackend::deadTabIsNotHandedOn() {
    QFETCH(QString, source);
    QFETCH(QStringList, askedOfDeadTab);

    BeginRow(0, source);
    QCOMPARE(WaitForEnd(0).state, RowState::Converted);
    BeginRow(1, "http://127.0.0.1/plain");
    const Ending next = WaitForEnd(1);
    QVERIFY2(next.state == RowState::Converted, qPrintable(next.reason));
    QCOMPARE(ReadAll(m_outputs.value(1)), FakePdf("http://127.0.0.1/plain"));
    const QStringList tabs = BrowserLog("tab");
    QCOMPARE(tabs.size(), 2);
    QVERIFY(BrowserLog("close").contains("close " + tabs[0].section(' ', 1)));
    QCOMPARE(BrowserLog("dead"), askedOfDeadTab);
    QCOMPARE(BrowserStarts().size(), 1);
}

void TestChromiumBackend::windowsAPageOpenedCloseWithItsRow() {
    BeginRow(0, "http://127.0.0.1/popups");
    QCOMPARE(WaitForEnd(0).state, RowState::Converted);
    // Two windows the page opened and one that the first of them opened; the row's own tab serves on.
    QTRY_COMPARE_WITH_TIMEOUT(BrowserLog("close").filter(QRegularExpression("^close P")).size(), 3,
                              kRowWaitMs);
    BeginRow(1, "http://127.0.0.1/plain");
    QCOMPARE(WaitForEnd(1).state, RowState::Converted);
    QCOMPARE(BrowserLog("tab").size(), 1);
}

// A browser whose helper processes are gone opens no more tabs. It is replaced, and the row it held up
// gets its whole time again: here the page takes longer than what was left of its time.
void TestChromiumBackend::browserThatOpensNoTabIsReplaced() {
    m_backend.reset();
    const qsizetype earlierStarts = BrowserStarts().size();
    const QString folder = m_work->filePath("out");
    QVERIFY(QDir().mkpath(folder));
    BatchRunner runner;
    runner.SetBackend(std::make_unique<ChromiumBackend>(m_fake));
    runner.SetTimeoutMs(ChromiumBackend::kTabOpenLimitMs + 1000);
    QSignalSpy rows(&runner, &BatchRunner::rowFinished);
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.Start({
        {"http://127.0.0.1/plain-notabs", folder + "/first.pdf"},
        {"http://127.0.0.1/status404", folder + "/second.pdf"}, // its tab is closed
        {"http://127.0.0.1/slowload", folder + "/third.pdf"},   // needs a new tab
    });
    QVERIFY(QTest::qWaitFor([&] { return finished.size() == 1; }, 3 * ChromiumBackend::kTabOpenLimitMs));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0][1].value<RowState>(), RowState::Converted);
    QCOMPARE(rows[1][1].value<RowState>(), RowState::Failed);
    QVERIFY2(rows[2][1].value<RowState>() == RowState::Converted, qPrintable(rows[2][2].toString()));
    QCOMPARE(ReadAll(folder + "/third.pdf"), FakePdf("http://127.0.0.1/slowload"));
    QCOMPARE(BrowserStarts().size(), earlierStarts + 2);
}

// The PDF is written unbuffered, so that a full disk says so at the write that failed.
void TestChromiumBackend::fullDiskSaysSo() {
#ifdef Q_OS_WIN
    QSKIP("A full device is a Linux file");
#else
    m_backend->Begin(0, RenderRequest{"http://127.0.0.1/plain", "/dev/full", {}});
    const Ending ending = WaitForEnd(0);
    QCOMPARE(ending.state, RowState::Failed);
    QCOMPARE(ending.reason, QStringLiteral("The PDF file could not be written: the disk is full."));
#endif
}

void TestChromiumBackend::crashedBrowserFailsItsRowAndIsRestarted() {
    BeginRow(0, "http://127.0.0.1/die");
    QCOMPARE(WaitForEnd(0).reason, QStringLiteral("The browser ended unexpectedly."));
    BeginRow(1, "http://127.0.0.1/plain");
    QCOMPARE(WaitForEnd(1).state, RowState::Converted);
    QCOMPARE(BrowserStarts().size(), 2);
}

// Only the process tells that the browser ended (its helper holds the pipe open); the helper, which the
// browser can no longer end, is ended with it.
void TestChromiumBackend::endedBrowserTakesItsHelpersAlong() {
#ifdef Q_OS_WIN
    QSKIP("The fake browser starts its helper on POSIX only");
#else
    BeginRow(0, "http://127.0.0.1/die-helper");
    QCOMPARE(WaitForEnd(0).reason, QStringLiteral("The browser ended unexpectedly."));
    const QStringList helpers = BrowserLog("helper");
    QCOMPARE(helpers.size(), 1);
    QTRY_VERIFY(!test::ProcessAlive(helpers[0].section(' ', 1, 1).toLongLong()));
#endif
}

void TestChromiumBackend::abortEndsTheRowSilently_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("reached"); // what the browser was last asked for the row
    QTest::addColumn<QString>("lastMessage");

    QTest::newRow("still loading") << "http://127.0.0.1/noload"
                                   << "navigate"
                                   << "The page had not finished loading.";
    QTest::newRow("print never answered") << "http://127.0.0.1/noprint"
                                          << "print"
                                          << "The page was being printed.";
}

void TestChromiumBackend::abortEndsTheRowSilently() {
    QFETCH(QString, source);
    QFETCH(QString, reached);
    QFETCH(QString, lastMessage);

    BeginRow(0, source);
    QTRY_COMPARE_WITH_TIMEOUT(BrowserLog(reached), QStringList{reached + ' ' + source}, kRowWaitMs);
    QVERIFY(m_endings.isEmpty());
    QCOMPARE(m_backend->Abort(0), lastMessage);
    BeginRow(1, "http://127.0.0.1/plain"); // the same browser goes on serving
    QCOMPARE(WaitForEnd(1).state, RowState::Converted);
    QVERIFY(!m_endings.contains(0));
    QCOMPARE(ReadAll(m_outputs.value(0)), QByteArray());
    QCOMPARE(BrowserStarts().size(), 1);
}

void TestChromiumBackend::unansweredAbortReplacesTheBrowser() {
    BeginRow(0, "http://127.0.0.1/noprint-hangclose");
    BeginRow(1, "http://127.0.0.1/noload");
    QTRY_COMPARE_WITH_TIMEOUT(BrowserLog("print"), QStringList{"print http://127.0.0.1/noprint-hangclose"},
                              kRowWaitMs);
    m_backend->Abort(0);
    // The tab never closes, so the browser counts as hung: the row still in it fails, and it is ended.
    const Ending other = WaitForEnd(1);
    QCOMPARE(other.state, RowState::Failed);
    QCOMPARE(other.reason, QStringLiteral("The browser stopped answering."));
    QVERIFY(!m_endings.contains(0));
    QTRY_VERIFY_WITH_TIMEOUT(!test::ProcessAlive(BrowserPids().value(0)), kRowWaitMs);

    BeginRow(2, "http://127.0.0.1/plain");
    QCOMPARE(WaitForEnd(2).state, RowState::Converted);
    QCOMPARE(BrowserStarts().size(), 2);
}

void TestChromiumBackend::endRunRemovesBrowserAndProfile_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("the browser closes when asked") << "http://127.0.0.1/plain";
    QTest::newRow("the browser stays open when asked") << "http://127.0.0.1/plain-staysopen";
}

// Ending the run waits for nothing: a browser asked to close that does not is ended later, and its
// profile goes once it has ended.
void TestChromiumBackend::endRunRemovesBrowserAndProfile() {
    QFETCH(QString, source);
    BeginRow(0, source);
    QCOMPARE(WaitForEnd(0).state, RowState::Converted);
    const QString profile = m_backend->ProfileFolder();
    QVERIFY(QFileInfo(profile).isDir());
    const QStringList starts = BrowserStarts();
    QCOMPARE(starts.size(), 1);
    QVERIFY(starts[0].contains(" --remote-debugging-pipe"));
    QVERIFY(starts[0].contains(" --headless"));
    QVERIFY(starts[0].contains(" --user-data-dir=" + QDir::toNativeSeparators(profile)));
    QCOMPARE(starts[0].contains(" --no-sandbox"), SandboxMustBeOff());

    m_backend->EndRun();
    QVERIFY(m_backend->ProfileFolder().isEmpty());
    if (source.contains("staysopen"))
        QVERIFY(test::ProcessAlive(BrowserPids().value(0)));
    QTRY_VERIFY_WITH_TIMEOUT(!test::ProcessAlive(BrowserPids().value(0)), kRowWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(profile), kRowWaitMs);
}

void TestChromiumBackend::startProblems_data() {
    QTest::addColumn<QString>("program"); // relative to the work folder; "fake": the fake browser
    QTest::addColumn<QString>("problem"); // %1: the work folder

    QTest::newRow("browser starts") << "fake"
                                    << "";
    QTest::newRow("not found") << ""
                               << "Chromium could not be found, so nothing was converted. "
                                  "Looked for it in: %1/bin/chromium; chromium on PATH.";
    QTest::newRow("cannot be started") << "not-a-program"
                                       << "The browser \"%1/not-a-program\" could not be started.";
}

void TestChromiumBackend::startProblems() {
    QFETCH(QString, program);
    QFETCH(QString, problem);

    QFile notAProgram(m_work->filePath("not-a-program")); // a file without the right to run
    QVERIFY(notAProgram.open(QIODevice::WriteOnly));
    notAProgram.close();
    const QString path = program == "fake"   ? m_fake
                         : program.isEmpty() ? QString()
                                             : m_work->filePath(program);
    ChromiumBackend engine(path, {m_work->filePath("bin/chromium"), "chromium on PATH"});
    // Whether the browser's program runs is known only once it has been started.
    const QFuture<QString> found = engine.StartProblem();
    QTRY_VERIFY_WITH_TIMEOUT(found.isFinished(), kRowWaitMs);
    // Separators aside: a Windows path in the message has backslashes.
    QCOMPARE(QDir::fromNativeSeparators(found.result()),
             problem.contains("%1") ? problem.arg(m_work->path()) : problem);
    if (problem.isEmpty()) { // the browser it started is the one the run uses
        QVERIFY(QFileInfo(engine.ProfileFolder()).isDir());
        engine.BeginRun(1);
        QTRY_COMPARE_WITH_TIMEOUT(BrowserStarts().size(), 2, kRowWaitMs); // init()'s engine and this one
    }
}

void TestChromiumBackend::browserThatCannotStartFailsTheRow() {
    m_backend = std::make_unique<ChromiumBackend>(m_work->filePath("no-such-browser"));
    connect(m_backend.get(), &RenderBackend::rowEnded, this,
            [this](int job, RowState state, const QString& reason) {
                m_endings.insert(job, {state, reason});
            });
    m_backend->BeginRun(1);
    BeginRow(0, "http://127.0.0.1/plain");
    const Ending ending = WaitForEnd(0);
    QCOMPARE(ending.state, RowState::Failed);
    QCOMPARE(ending.reason, QStringLiteral("The browser \"%1\" could not be started.")
                                .arg(QDir::toNativeSeparators(m_work->filePath("no-such-browser"))));
}

QTEST_GUILESS_MAIN(TestChromiumBackend)
#include "test_chromium_backend.moc"
