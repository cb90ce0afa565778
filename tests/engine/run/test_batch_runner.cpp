#include "RunTestSupport.h"
#include "classic/ReadyScript.h"
#include "classic/WkhtmltopdfBackend.h"
#include "run/BatchRunner.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <memory>

using namespace velmora;
using namespace velmora::test;

namespace {

// Long enough that a converter told to hang is still running when a test acts on it.
constexpr int kLongTimeoutMs = 60 * 1000;
// A converter told to hang runs into it; one at its ordinary work stays well within it on a slow, busy
// machine too.
constexpr int kShortTimeoutMs = 7500;
constexpr int kWaitMs = 30 * 1000;
// A PDF name that needs quoting on a command line; Windows allows no double quote in a file name.
#ifdef Q_OS_WIN
const QString kOddPdfName = QStringLiteral("/'odd' -name.pdf");
#else
const QString kOddPdfName = QStringLiteral("/\"odd\" -name.pdf");
#endif

RowState StateOf(const QList<QVariant>& rowFinished) {
    return rowFinished.at(1).value<RowState>();
}

const QByteArray kStampedPdf = "%PDF-1.4 stamped\n%%EOF\n";

// An engine that writes a PDF and reports the row from inside Begin(), as often as told.
class InstantEngine final : public RenderBackend {
public:
    explicit InstantEngine(int endings = 1) : m_endings(endings) {}
    int Begun() const { return m_begun; }

    void Begin(int job, const RenderRequest& request) override {
        ++m_begun;
        if (!WriteFile(request.temporaryPath, "%PDF-1.4\n%%EOF\n"))
            qWarning("cannot write %s", qPrintable(request.temporaryPath));
        for (int ending = 0; ending < m_endings; ++ending)
            emit rowEnded(job, RowState::Converted, {});
    }
    QString Abort(int) override { return {}; }

private:
    int m_endings;
    int m_begun = 0;
};

// What the work of the thread pool sent back to the event loop has arrived.
bool SettlePool() {
    const bool done = QThreadPool::globalInstance()->waitForDone(kWaitMs);
    QCoreApplication::processEvents();
    return done;
}

} // namespace

class TestBatchRunner : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void progressPercent_data();
    void progressPercent();
    void argumentsReachConverter_data();
    void argumentsReachConverter();
    void noJobsFinishesAtOnce();
    void progressAndSignalsOfARun();
    void outcomes_data();
    void outcomes();
    void stopEndsConvertersAndRemovesTheirPartialPdfs();
    void timeLimitEndsAConverterAndTheRunGoesOn();
    void parallelismBoundsConcurrentConverters_data();
    void parallelismBoundsConcurrentConverters();
    void secondConverterWorksWhileFirstHangs();
    void destroyingTheRunnerKillsItsConverters();
    void convertersOwnChildrenEnd_data();
    void convertersOwnChildrenEnd();
    void outputLinkIsReplacedNotFollowed();
    void deletedSourceFailsWithoutAConverter();
    void finisherBetweenCheckAndRename_data();
    void finisherBetweenCheckAndRename();
    void rowEndedWhileFinishingLeavesNoFiles_data();
    void rowEndedWhileFinishingLeavesNoFiles();
    void rowReportedTwiceIsFinishedOnce();
    void finishingHasATimeLimitOfItsOwn_data();
    void finishingHasATimeLimitOfItsOwn();
    void localDocumentIsReadOffTheEventLoop();
    void folderTreeIsWalkedOffTheEventLoop();
    void textEncodingOption_data();
    void textEncodingOption();

private:
    // A job for the fake writing into the output folder; `name` carries the behaviour marker.
    ConversionJob Job(const QString& name) const;
    void RunToEnd(const QList<ConversionJob>& jobs);
    QString OutFolder() const { return m_work->filePath(QStringLiteral("out")); }
    void UseConverter(const QString& program);

    std::unique_ptr<FakeConverterInstall> m_fake;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<BatchRunner> m_runner;
};

void TestBatchRunner::init() {
    m_fake = std::make_unique<FakeConverterInstall>();
    QVERIFY(m_fake->Install());
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    QVERIFY(QDir().mkpath(m_work->filePath(QStringLiteral("out"))));
    m_runner = std::make_unique<BatchRunner>();
    UseConverter(m_fake->ConverterPath());
    m_runner->SetTimeoutMs(kLongTimeoutMs);
}

void TestBatchRunner::UseConverter(const QString& program) {
    m_runner->SetBackend(std::make_unique<WkhtmltopdfBackend>(program));
}

void TestBatchRunner::cleanup() {
    m_runner.reset();
    m_work.reset();
    m_fake.reset();
}

ConversionJob TestBatchRunner::Job(const QString& name) const {
    const ConversionJob job{m_work->filePath(QStringLiteral("in/") + name + QStringLiteral(".html")),
                            m_work->filePath(QStringLiteral("out/") + name + QStringLiteral(".pdf"))};
    if (!WriteFile(job.source, "<p>" + name.toUtf8() + "</p>"))
        qWarning("cannot write %s", qPrintable(job.source));
    return job;
}

void TestBatchRunner::RunToEnd(const QList<ConversionJob>& jobs) {
    QSignalSpy finished(m_runner.get(), &BatchRunner::finished);
    m_runner->Start(jobs);
    QVERIFY(finished.count() == 1 || finished.wait(kWaitMs));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(2).toBool(), false);
}

void TestBatchRunner::progressPercent_data() {
    QTest::addColumn<int>("total");
    QTest::addColumn<QList<int>>("percents"); // after 1, 2, ... done rows

    QTest::newRow("one row") << 1 << QList<int>{100};
    QTest::newRow("three rows") << 3 << QList<int>{33, 67, 100};
    QTest::newRow("eight rows: halves to even") << 8 << QList<int>{12, 25, 38, 50, 62, 75, 88, 100};
    QTest::newRow("two hundred rows: first row stays at 0") << 200 << QList<int>{0, 1, 2, 2, 2, 3, 4, 4};
}

void TestBatchRunner::progressPercent() {
    QFETCH(int, total);
    QFETCH(QList<int>, percents);
    for (int done = 1; done <= percents.size(); ++done)
        QCOMPARE(ProgressPercent(done, total), percents.at(done - 1));
    QCOMPARE(ProgressPercent(total, total), 100);
    QCOMPARE(ProgressPercent(total + 1, total), 100);
}

void TestBatchRunner::argumentsReachConverter_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("local");
    QTest::addColumn<bool>("byLine"); // on a line of the converter's standard input

    QTest::newRow("web address") << "http://site.test/page.html" << false << false;
    QTest::newRow("web address, capital prefix") << "HTTPS://Site.Test/a b?q=\"x\"&y='z'" << false << false;
    // Windows allows no double quote, backslash or line break in a file name.
#ifndef Q_OS_WIN
    QTest::newRow("file with spaces and quotes") << "docs/my \"quoted\" page 'one'.html" << true << true;
    QTest::newRow("file with a backslash") << "docs/back\\slash\\.html" << true << true;
    QTest::newRow("file in a folder with a line break") << "docs/two\nlines/page.html" << true << false;
#endif
    QTest::newRow("file with spaces and single quotes") << "docs/my page 'one'.html" << true << true;
    QTest::newRow("file starting with a dash") << "-rf page.html" << true << true;
    // (A bare "--help" reaches the converter as a private copy: see the real-converter tests.)
    QTest::newRow("file named like an option") << "--help.html" << true << true;
    QTest::newRow("web prefix later in a file path") << "docs/http:/x.html" << true << true;
    QTest::newRow("longer than 512 characters")
        << "docs/" + QString("long name ").repeated(20) + "/" + QString("long name ").repeated(20) + ".html"
        << true << true;
}

void TestBatchRunner::argumentsReachConverter() {
    QFETCH(QString, source);
    QFETCH(bool, local);
    QFETCH(bool, byLine);

    // Local sources are relative to the current directory, as the file dialog never gives them but a
    // typed or dropped path may.
    const CurrentDirectoryOverride cwd(m_work->path());
    const QString absolute = QFileInfo(source).absoluteFilePath();
    if (local)
        QVERIFY(WriteFile(absolute, "<p>plain ASCII</p>"));
    const QString outFolder = m_work->filePath(QStringLiteral("-out dir"));
    const ConversionJob job{source, outFolder + kOddPdfName};
    QVERIFY(QDir().mkpath(outFolder));
    RunToEnd({job});

    const QList<Invocation> invocations = m_fake->Invocations();
    QCOMPARE(invocations.size(), 1);
    const QStringList arguments = invocations.at(0).arguments;
    // Paths in the platform's own form: the converter is a native program. A local document runs no
    // script and may read itself and what the walk of its folder allows, and its arguments come on a
    // line of standard input, which no command line's length limits, unless one holds a line break; a
    // web page tells on the console which address it finally shows, and the converter prints once the
    // script says the page is ready.
    const QString native = QDir::toNativeSeparators(absolute);
    const QStringList expectedStart =
        QStringList(byLine ? QStringList{"--read-args-from-stdin"} : QStringList{}) +
        (local ? QStringList{"--disable-local-file-access", "--disable-javascript", "--allow", native}
               : QStringList{"--disable-local-file-access", "--debug-javascript", "--window-status", kReadyStatus,
                             "--run-script"});
    QCOMPARE(arguments.mid(0, expectedStart.size()), expectedStart);
    QCOMPARE(arguments.at(arguments.size() - 2), local ? native : source);
    if (local) {
        const QStringList options = arguments.mid(0, arguments.size() - 2);
        QVERIFY2(options.join(' ').endsWith("--encoding utf-8"), qPrintable(options.join(' ')));
        for (qsizetype i = expectedStart.size(); i < options.size() - 2; i += 2) {
            QCOMPARE(options.at(i), "--allow");
            QVERIFY2(options.at(i + 1).startsWith(QDir::toNativeSeparators(m_work->path())),
                     qPrintable(options.at(i + 1)));
        }
    } else {
        QCOMPARE(arguments.size(), expectedStart.size() + 3);
    }
    // The converter writes a temporary file beside the PDF, by its absolute path.
    const QFileInfo written(arguments.last());
    QVERIFY2(written.isAbsolute() && written.fileName().startsWith(".velmora-") &&
                 arguments.last() == QDir::toNativeSeparators(arguments.last()),
             qPrintable(arguments.last()));
    QCOMPARE(written.absolutePath(), outFolder);
    QVERIFY(ReadFile(job.outputPath).startsWith("%PDF-"));
    QCOMPARE(TemporaryFilesIn(outFolder), QStringList{});
}

void TestBatchRunner::noJobsFinishesAtOnce() {
    QSignalSpy finished(m_runner.get(), &BatchRunner::finished);
    m_runner->Start({});
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0), (QList<QVariant>{0, 0, false}));
    QVERIFY(!m_runner->IsRunning());
}

void TestBatchRunner::progressAndSignalsOfARun() {
    QSignalSpy started(m_runner.get(), &BatchRunner::rowStarted);
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);
    QSignalSpy progress(m_runner.get(), &BatchRunner::progressChanged);
    QSignalSpy finished(m_runner.get(), &BatchRunner::finished);

    RunToEnd({Job("a"), Job("fail-b"), Job("c")});

    QCOMPARE(started, (QList<QList<QVariant>>{{0}, {1}, {2}}));
    QCOMPARE(rowFinished.count(), 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(rowFinished.at(row).at(0).toInt(), row);
    QCOMPARE(StateOf(rowFinished.at(1)), RowState::Failed);
    QCOMPARE(progress, (QList<QList<QVariant>>{{33}, {67}, {100}}));
    QCOMPARE(finished.at(0), (QList<QVariant>{1, 3, false}));
    QVERIFY(!m_runner->IsRunning());
}

void TestBatchRunner::outcomes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("startable");     // false: the converter path is not a program
    QTest::addColumn<bool>("earlierOutput"); // a PDF from an earlier run is at the output path
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QStringList>("reasonParts");
    QTest::addColumn<bool>("outputKept");

    QTest::newRow("converted") << "page" << true << false << RowState::Converted << QStringList{} << true;
    QTest::newRow("converted over an earlier PDF")
        << "page" << true << true << RowState::Converted << QStringList{} << true;
    QTest::newRow("a part did not load: warnings naming it")
        << "warn" << true << false << RowState::ConvertedWithWarnings
        << QStringList{"some parts did not load", "file:///missing.png"} << true;
    QTest::newRow("the page itself answered 404: failed, its PDF discarded")
        << "missing" << true << false << RowState::Failed << QStringList{"The server answered 404 Not Found."}
        << false;
    QTest::newRow("404 on a re-run keeps the earlier PDF")
        << "missing" << true << true << RowState::Failed << QStringList{"404"} << true;
    QTest::newRow("the page could not be loaded") << "fail" << true << false << RowState::Failed
                                                  << QStringList{"The page could not be loaded"} << false;
    QTest::newRow("error exit, no PDF, with its last message")
        << "refuse" << true << false << RowState::Failed
        << QStringList{"exit code 1", "no PDF", "Its last message was: Error: Unable to write to destination"}
        << false;
    QTest::newRow("error exit leaves an earlier PDF as it was")
        << "refuse" << true << true << RowState::Failed << QStringList{"exit code 1", "no PDF"} << true;
    QTest::newRow("exit 0 with an empty file")
        << "empty" << true << false << RowState::Failed << QStringList{"No PDF was written"} << false;
    QTest::newRow("exit 0 with a cut-off PDF, as on a full disk")
        << "truncated" << true << false << RowState::Failed << QStringList{"could not be written completely"}
        << false;
    QTest::newRow("cut-off PDF on a re-run keeps the earlier PDF")
        << "truncated" << true << true << RowState::Failed << QStringList{"completely"} << true;
    QTest::newRow("crash") << "crash" << true << false << RowState::Failed << QStringList{"crashed"} << false;
    QTest::newRow("crash on a re-run keeps the earlier PDF")
        << "crash" << true << true << RowState::Failed << QStringList{"crashed"} << true;
    QTest::newRow("not startable") << "page" << false << false << RowState::Failed
                                   << QStringList{"could not be started"} << false;
}

void TestBatchRunner::outcomes() {
    QFETCH(QString, name);
    QFETCH(bool, startable);
    QFETCH(bool, earlierOutput);
    QFETCH(RowState, state);
    QFETCH(QStringList, reasonParts);
    QFETCH(bool, outputKept);

    const ConversionJob job = Job(name);
    const QByteArray earlier = "earlier run";
    if (earlierOutput)
        QVERIFY(WriteFile(job.outputPath, earlier));
    if (!startable) {
        const QString notAProgram = m_work->filePath(QStringLiteral("not-a-program"));
        QVERIFY(WriteFile(notAProgram, "text"));
        UseConverter(notAProgram);
    }
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);
    RunToEnd({job});

    QCOMPARE(rowFinished.count(), 1);
    QCOMPARE(StateOf(rowFinished.at(0)), state);
    const QString reason = rowFinished.at(0).at(2).toString();
    QCOMPARE(rowFinished.at(0).at(3).toString(),
             state == RowState::Failed ? QString() : QDir::toNativeSeparators(job.outputPath));
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
    if (reasonParts.isEmpty())
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
    for (const QString& part : reasonParts)
        QVERIFY2(reason.contains(part), qPrintable(reason));
    QCOMPARE(QFileInfo::exists(job.outputPath), outputKept);
    if (state != RowState::Failed)
        QVERIFY(ReadFile(job.outputPath).startsWith("%PDF-"));
    else if (earlierOutput)
        QCOMPARE(ReadFile(job.outputPath), earlier);
}

void TestBatchRunner::finisherBetweenCheckAndRename_data() {
    QTest::addColumn<QString>("name");       // the fake converter's behaviour
    QTest::addColumn<bool>("pageText");      // the page has a footer
    QTest::addColumn<QByteArray>("written"); // what the finisher writes; empty: it fails
    QTest::addColumn<bool>("finisherCalled");
    QTest::addColumn<QString>("reasonPart"); // empty: converted
    QTest::addColumn<QByteArray>("result");  // the final file; empty: the earlier one stays

    const QByteArray stamped = "%PDF-1.4 stamped\n%%EOF\n";
    QTest::newRow("stamped, then renamed") << "a" << true << stamped << true << "" << stamped;
    // Every PDF gets its document information.
    QTest::newRow("no header or footer: finished all the same")
        << "a" << false << stamped << true << "" << stamped;
    QTest::newRow("the step fails: the earlier PDF stays")
        << "a" << true << QByteArray() << true << "could not be stamped" << QByteArray();
    QTest::newRow("the step writes half a PDF") << "a" << true << QByteArray("%PDF-1.4 half") << true
                                                << "could not be written completely" << QByteArray();
    QTest::newRow("an incomplete PDF never reaches the step")
        << "truncated" << true << stamped << false << "could not be written completely" << QByteArray();
}

void TestBatchRunner::finisherBetweenCheckAndRename() {
    QFETCH(QString, name);
    QFETCH(bool, pageText);
    QFETCH(QByteArray, written);
    QFETCH(bool, finisherCalled);
    QFETCH(QString, reasonPart);
    QFETCH(QByteArray, result);

    const ConversionJob job = Job(name);
    const QByteArray earlier = "earlier run";
    QVERIFY(WriteFile(job.outputPath, earlier));
    PageSetup page;
    if (pageText)
        page.footer.right = kPageNumberText;
    m_runner->SetPageSetup(page);
    QStringList calls;
    m_runner->SetFinisher(
        [&](const RenderRequest& request, const QString&, const QString& from, const QString& to) {
            // Called with the engine's checked output and a second temporary file beside it.
            calls << request.page.footer.right;
            if (!ReadFile(from).startsWith("%PDF-") ||
                QFileInfo(to).absolutePath() != QFileInfo(from).absolutePath())
                return QStringLiteral("unexpected files");
            if (written.isEmpty())
                return QStringLiteral("The PDF could not be stamped.");
            return WriteFile(to, written) ? QString() : QStringLiteral("cannot write");
        });
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);
    RunToEnd({job});

    QCOMPARE(calls, finisherCalled ? QStringList{page.footer.right} : QStringList{});
    QCOMPARE(rowFinished.count(), 1);
    const QString reason = rowFinished.at(0).at(2).toString();
    QCOMPARE(StateOf(rowFinished.at(0)), reasonPart.isEmpty() ? RowState::Converted : RowState::Failed);
    QVERIFY2(reason.contains(reasonPart), qPrintable(reason));
    if (!reasonPart.isEmpty())
        QCOMPARE(ReadFile(job.outputPath), earlier);
    else if (!result.isEmpty())
        QCOMPARE(ReadFile(job.outputPath), result);
    else
        QVERIFY(ReadFile(job.outputPath).startsWith("%PDF-") && ReadFile(job.outputPath) != written);
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
}

void TestBatchRunner::rowEndedWhileFinishingLeavesNoFiles_data() {
    QTest::addColumn<bool>("stop"); // else the time limit ends the row
    QTest::addColumn<QString>("reasonPart");
    QTest::newRow("Stop") << true << kStoppedReason;
    QTest::newRow("time limit") << false << "Finishing the PDF took longer than 1.5 seconds";
}

// The finisher runs off the event loop; a row that ends meanwhile is over for good: the finisher's
// late success neither renames its file nor leaves a temporary one behind.
void TestBatchRunner::rowEndedWhileFinishingLeavesNoFiles() {
    QFETCH(bool, stop);
    QFETCH(QString, reasonPart);

    const ConversionJob job = Job("a");
    const QByteArray earlier = "earlier run";
    QVERIFY(WriteFile(job.outputPath, earlier));
    PageSetup page;
    page.footer.right = kPageNumberText;
    m_runner->SetPageSetup(page);
    m_runner->SetFinishTimeoutMs(1500);
    QSemaphore entered, release;
    m_runner->SetFinisher([&](const RenderRequest&, const QString&, const QString&, const QString& to) {
        entered.release();
        const bool released = release.tryAcquire(1, kWaitMs);
        return released && WriteFile(to, "%PDF-1.4 stamped\n%%EOF\n") ? QString()
                                                                      : QStringLiteral("not released");
    });
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);
    m_runner->Start({job});
    QTRY_VERIFY_WITH_TIMEOUT(entered.available() == 1, kWaitMs);
    if (stop)
        m_runner->Stop();
    else
        QTRY_COMPARE_WITH_TIMEOUT(rowFinished.count(), 1, kWaitMs);
    QCOMPARE(rowFinished.count(), 1);
    QCOMPARE(StateOf(rowFinished.at(0)), RowState::Failed);
    QVERIFY2(rowFinished.at(0).at(2).toString().contains(reasonPart),
             qPrintable(rowFinished.at(0).at(2).toString()));

    release.release();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(kWaitMs));
    QCoreApplication::sendPostedEvents(); // the finisher's result, posted as it ended
    QCOMPARE(rowFinished.count(), 1);
    QCOMPARE(ReadFile(job.outputPath), earlier);
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
}

// An engine that reports a row twice gets one finisher on its file, not a second one beside the first.
void TestBatchRunner::rowReportedTwiceIsFinishedOnce() {
    m_runner->SetBackend(std::make_unique<InstantEngine>(2));
    QAtomicInt calls;
    m_runner->SetFinisher([&calls](const RenderRequest&, const QString&, const QString&, const QString& to) {
        calls.fetchAndAddOrdered(1);
        return WriteFile(to, kStampedPdf) ? QString() : QStringLiteral("cannot write");
    });
    const ConversionJob job{QStringLiteral("http://127.0.0.1/page"),
                            m_work->filePath(QStringLiteral("out/page.pdf"))};
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);

    RunToEnd({job});
    QVERIFY(SettlePool());

    QCOMPARE(calls.loadRelaxed(), 1);
    QCOMPARE(rowFinished.count(), 1);
    QCOMPARE(StateOf(rowFinished.at(0)), RowState::Converted);
    QCOMPARE(ReadFile(job.outputPath), kStampedPdf);
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
}

void TestBatchRunner::finishingHasATimeLimitOfItsOwn_data() {
    QTest::addColumn<int>("engineMs");
    QTest::addColumn<int>("finishMs");
    QTest::addColumn<QString>("reason");

    QTest::newRow("the engine's time is over while the PDF is finished")
        << 100 << 300 << "Finishing the PDF took longer than 0.3 seconds and was given up.";
    QTest::newRow("finishing that never ends")
        << kLongTimeoutMs << 100 << "Finishing the PDF took longer than 0.1 seconds and was given up.";
}

// Once its engine is done, a row's time is the finisher's, and running out of it blames the finishing,
// not the converter. The engine reports from inside Begin(), so its own time cannot run out first.
void TestBatchRunner::finishingHasATimeLimitOfItsOwn() {
    QFETCH(int, engineMs);
    QFETCH(int, finishMs);
    QFETCH(QString, reason);
    m_runner->SetBackend(std::make_unique<InstantEngine>());
    m_runner->SetTimeoutMs(engineMs);
    m_runner->SetFinishTimeoutMs(finishMs);
    // Held until the row has ended; shared, as a failing check returns before it is let go.
    auto release = std::make_shared<QSemaphore>();
    m_runner->SetFinisher([release](const RenderRequest&, const QString&, const QString&, const QString&) {
        release->tryAcquire(1, kWaitMs);
        return QStringLiteral("The finisher was let go.");
    });
    const ConversionJob job{QStringLiteral("http://127.0.0.1/page"),
                            m_work->filePath(QStringLiteral("out/page.pdf"))};
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);

    m_runner->Start({job});
    QTRY_COMPARE_WITH_TIMEOUT(rowFinished.count(), 1, kWaitMs);
    release->release();

    QCOMPARE(StateOf(rowFinished.at(0)), RowState::Failed);
    QCOMPARE(rowFinished.at(0).at(2).toString(), reason);
    QVERIFY(SettlePool());
    QCOMPARE(rowFinished.count(), 1);
    QVERIFY(!QFileInfo::exists(job.outputPath));
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
}

// Which folder a local document may read comes from reading it for the files it names (its first
// megabytes), which a slow disk makes slow: the runner does that off the event loop. A call queued as
// the row starts comes before the engine is given the row, and Stop then ends it there.
void TestBatchRunner::localDocumentIsReadOffTheEventLoop() {
    auto owned = std::make_unique<InstantEngine>();
    const InstantEngine* engine = owned.get();
    m_runner->SetBackend(std::move(owned));
    QByteArray html;
    for (int name = 0; name < 2000; ++name)
        html += "<img src=\"parts/" + QByteArray::number(name) + ".png\">\n";
    const ConversionJob job{m_work->filePath(QStringLiteral("set/index.html")),
                            m_work->filePath(QStringLiteral("out/index.pdf"))};
    QVERIFY(WriteFile(job.source, html));
    int begunWhenTheCallCame = -1;
    connect(m_runner.get(), &BatchRunner::rowStarted, m_runner.get(), [&] {
        QTimer::singleShot(0, m_runner.get(), [&] {
            begunWhenTheCallCame = engine->Begun();
            m_runner->Stop();
        });
    });
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);

    m_runner->Start({job});
    QTRY_VERIFY_WITH_TIMEOUT(begunWhenTheCallCame >= 0, kWaitMs);

    QCOMPARE(begunWhenTheCallCame, 0);
    QCOMPARE(rowFinished.count(), 1);
    QCOMPARE(StateOf(rowFinished.at(0)), RowState::Failed);
    QCOMPARE(rowFinished.at(0).at(2).toString(), kStoppedReason);
    QVERIFY(SettlePool());
    QCOMPARE(engine->Begun(), 0);
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
}

// The Classic engine walks a local document's folder tree for what the converter may read: 20,000 names
// here. It does so off the event loop: a call queued before the row is begun comes while no converter
// has been started, and the row aborted then never starts one.
void TestBatchRunner::folderTreeIsWalkedOffTheEventLoop() {
    const QString set = m_work->filePath(QStringLiteral("set"));
    QVERIFY(QDir().mkpath(set + QStringLiteral("/parts")));
    for (int name = 0; name < 20000; ++name)
        QVERIFY(WriteFile(set + QStringLiteral("/parts/%1.png").arg(name), {}));
    const QString source = set + QStringLiteral("/hang.html");
    QVERIFY(WriteFile(source, "<p>hang</p>"));
    const QString output = m_work->filePath(QStringLiteral("out/hang.pdf.part"));
    QVERIFY(WriteFile(output, {}));
    WkhtmltopdfBackend engine(m_fake->ConverterPath());
    QSignalSpy ended(&engine, &RenderBackend::rowEnded);
    const QList<qint64> before = ChildProcesses();
    QList<qint64> startedBeforeTheCall;
    bool called = false;
    QTimer::singleShot(0, &engine, [&] {
        for (qint64 pid : ChildProcesses())
            if (!before.contains(pid))
                startedBeforeTheCall.append(pid);
        called = true;
        engine.Abort(0);
    });

    engine.Begin(0, RenderRequest{source, output, set});
    QTRY_VERIFY_WITH_TIMEOUT(called, kWaitMs);

    QCOMPARE(startedBeforeTheCall, QList<qint64>{});
    QVERIFY(SettlePool());
    QCOMPARE(ended.count(), 0);
    QCOMPARE(m_fake->Invocations().size(), 0);
}

void TestBatchRunner::stopEndsConvertersAndRemovesTheirPartialPdfs() {
    const ConversionJob partial = Job("partial");
    const ConversionJob hang = Job("hang");
    const QByteArray earlier = "earlier run";
    QVERIFY(WriteFile(hang.outputPath, earlier));
    QSignalSpy started(m_runner.get(), &BatchRunner::rowStarted);
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);
    QSignalSpy finished(m_runner.get(), &BatchRunner::finished);
    m_runner->SetParallelism(2);

    m_runner->Start({partial, hang, Job("later")});
    const auto partialWritten = [this, &partial] {
        const QList<Invocation> invocations = m_fake->Invocations();
        return invocations.size() == 2 &&
               std::any_of(invocations.begin(), invocations.end(), [&partial](const Invocation& i) {
                   return i.source == QDir::toNativeSeparators(partial.source) &&
                          QFileInfo(i.arguments.last()).size() > 0;
               });
    };
    QTRY_VERIFY_WITH_TIMEOUT(partialWritten(), kWaitMs);
    m_runner->Stop();

    QVERIFY(!m_runner->IsRunning());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(2).toBool(), true);
    QCOMPARE(rowFinished.count(), 2);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(rowFinished.at(row).at(0).toInt(), row);
        QCOMPARE(StateOf(rowFinished.at(row)), RowState::Failed);
        QCOMPARE(rowFinished.at(row).at(2).toString(), kStoppedReason);
    }
    QCOMPARE(ReadFile(hang.outputPath), earlier);

    // Nothing of the stopped run may go on: the partial converter would write its file again.
    for (const Invocation& converter : m_fake->Invocations())
        QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.pid), kWaitMs);
    QCoreApplication::processEvents(); // whatever their end reports
    QVERIFY(!QFileInfo::exists(partial.outputPath));
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
    QCOMPARE(started.count(), 2);
    QCOMPARE(rowFinished.count(), 2);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(m_fake->Invocations().size(), 2);
}

void TestBatchRunner::timeLimitEndsAConverterAndTheRunGoesOn() {
    m_runner->SetTimeoutMs(kShortTimeoutMs);
    const ConversionJob partial = Job("partial");
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);

    RunToEnd({partial, Job("after")});

    QCOMPARE(rowFinished.count(), 2);
    QCOMPARE(StateOf(rowFinished.at(0)), RowState::Failed);
    QVERIFY2(rowFinished.at(0).at(2).toString().contains("did not finish within 7.5 seconds"),
             qPrintable(rowFinished.at(0).at(2).toString()));
    QVERIFY(!QFileInfo::exists(partial.outputPath));
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
    QCOMPARE(StateOf(rowFinished.at(1)), RowState::Converted);
}

void TestBatchRunner::parallelismBoundsConcurrentConverters_data() {
    QTest::addColumn<int>("parallelism");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("two at a time") << 2;
}

void TestBatchRunner::parallelismBoundsConcurrentConverters() {
    QFETCH(int, parallelism);
    m_runner->SetParallelism(parallelism);
    QCOMPARE(m_runner->Parallelism(), parallelism);
    QSignalSpy started(m_runner.get(), &BatchRunner::rowStarted);
    const QList<ConversionJob> jobs{Job("slow-0"), Job("slow-1"), Job("slow-2"), Job("slow-3"),
                                    Job("slow-4")};

    RunToEnd(jobs);

    QCOMPARE(started, (QList<QList<QVariant>>{{0}, {1}, {2}, {3}, {4}}));
    const QList<Invocation> invocations = m_fake->Invocations();
    QCOMPARE(invocations.size(), jobs.size());
    for (const Invocation& invocation : invocations) {
        QVERIFY(invocation.endedMs >= 0);
        int running = 0;
        for (const Invocation& other : invocations)
            running += other.startedMs <= invocation.startedMs && invocation.startedMs < other.endedMs;
        QVERIFY2(running <= parallelism, qPrintable(invocation.source));
    }
    if (parallelism == 1) {
        for (qsizetype i = 0; i < jobs.size(); ++i)
            QCOMPARE(invocations.at(i).source, QDir::toNativeSeparators(jobs.at(i).source));
    }
}

void TestBatchRunner::secondConverterWorksWhileFirstHangs() {
    m_runner->SetParallelism(2);
    QSignalSpy started(m_runner.get(), &BatchRunner::rowStarted);
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);

    m_runner->Start({Job("hang"), Job("b"), Job("c")});
    QTRY_COMPARE_WITH_TIMEOUT(rowFinished.count(), 2, kWaitMs);

    QCOMPARE(started, (QList<QList<QVariant>>{{0}, {1}, {2}}));
    QCOMPARE(rowFinished.at(0).at(0).toInt(), 1);
    QCOMPARE(rowFinished.at(1).at(0).toInt(), 2);
    QCOMPARE(StateOf(rowFinished.at(1)), RowState::Converted);
    QVERIFY(m_runner->IsRunning());
    m_runner->Stop();
    QCOMPARE(rowFinished.count(), 3);
    QCOMPARE(rowFinished.at(2).at(0).toInt(), 0);
}

void TestBatchRunner::destroyingTheRunnerKillsItsConverters() {
    const ConversionJob partial = Job("partial");
    m_runner->Start({partial});
    QTRY_VERIFY_WITH_TIMEOUT(m_fake->Invocations().size() == 1 &&
                                 QFileInfo(m_fake->Invocations().at(0).arguments.last()).size() > 0,
                             kWaitMs);

    m_runner.reset();

    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(m_fake->Invocations().at(0).pid), kWaitMs);
    QVERIFY(!QFileInfo::exists(partial.outputPath)); // a surviving converter would have written it again
    QCOMPARE(TemporaryFilesIn(OutFolder()), QStringList{});
}

void TestBatchRunner::convertersOwnChildrenEnd_data() {
    QTest::addColumn<QString>("end");
    QTest::newRow("time limit") << "time limit";
    QTest::newRow("stop") << "stop";
    QTest::newRow("runner destroyed") << "runner destroyed";
}

// Whatever ends a converter ends what it started too: a process group on POSIX, a job object on Windows.
void TestBatchRunner::convertersOwnChildrenEnd() {
    QFETCH(QString, end);
    const bool timeLimit = end == QLatin1String("time limit");
    m_runner->SetTimeoutMs(timeLimit ? kShortTimeoutMs : 4 * kWaitMs);
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);
    m_runner->Start({Job("spawn")});
    QTRY_VERIFY2_WITH_TIMEOUT(!m_fake->Invocations().isEmpty() && m_fake->Invocations().at(0).childPid > 0,
                              "the fake did not start its child in time", kWaitMs);
    const Invocation converter = m_fake->Invocations().at(0);
    QVERIFY(ProcessAlive(converter.childPid));

    if (end == QLatin1String("stop"))
        m_runner->Stop();
    else if (end == QLatin1String("runner destroyed"))
        m_runner.reset();
    else
        QTRY_COMPARE_WITH_TIMEOUT(rowFinished.count(), 1, kWaitMs);

    if (m_runner)
        QCOMPARE(StateOf(rowFinished.at(0)), RowState::Failed);
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.pid), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.childPid), kWaitMs);
}

void TestBatchRunner::outputLinkIsReplacedNotFollowed() {
    const ConversionJob job = Job("page");
    const QString victim = m_work->filePath(QStringLiteral("victim.txt"));
    QVERIFY(WriteFile(victim, "keep me"));
    QVERIFY(QFile::link(victim, job.outputPath));

    RunToEnd({job});

    QCOMPARE(ReadFile(victim), QByteArray("keep me"));
    QVERIFY(!QFileInfo(job.outputPath).isSymLink());
    QVERIFY(ReadFile(job.outputPath).startsWith("%PDF-"));
}

void TestBatchRunner::deletedSourceFailsWithoutAConverter() {
    const ConversionJob gone = Job("gone");
    QVERIFY(QFile::remove(gone.source));
    QSignalSpy rowFinished(m_runner.get(), &BatchRunner::rowFinished);

    RunToEnd({gone, Job("b")});

    QCOMPARE(StateOf(rowFinished.at(0)), RowState::Failed);
    QCOMPARE(rowFinished.at(0).at(2).toString(), kFileGoneReason);
    QCOMPARE(StateOf(rowFinished.at(1)), RowState::Converted);
    QCOMPARE(m_fake->Invocations().size(), 1);
}

void TestBatchRunner::textEncodingOption_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("utf8");

    QTest::newRow("UTF-8 text") << QByteArray("Dash \xe2\x80\x93 \xc3\xbcn\xc3\xaf"
                                              "c\xc3\xb6"
                                              "d\xc3\xa9")
                                << true;
    QTest::newRow("plain ASCII") << QByteArray("plain") << true;
    QTest::newRow("Latin-1 text") << QByteArray("Caf\xe9 na\xefve") << false;
}

void TestBatchRunner::textEncodingOption() {
    QFETCH(QByteArray, content);
    QFETCH(bool, utf8);
    const ConversionJob job{m_work->filePath(QStringLiteral("in/notes.txt")),
                            m_work->filePath(QStringLiteral("out/notes.pdf"))};
    QVERIFY(WriteFile(job.source, content));

    RunToEnd({job});

    const QStringList arguments = m_fake->Invocations().value(0).arguments;
    const qsizetype at = arguments.indexOf(QStringLiteral("--encoding"));
    QCOMPARE(at >= 0, utf8);
    if (utf8)
        QCOMPARE(arguments.value(at + 1), QStringLiteral("utf-8"));
}

QTEST_GUILESS_MAIN(TestBatchRunner)
#include "test_batch_runner.moc"
