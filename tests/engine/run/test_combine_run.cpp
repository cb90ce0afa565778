// The Convert command's end: names from titles, and the converted rows joined into one PDF, with the
// fake converter and the real PDF steps.
#include "CombinePdfs.h"
#include "PdfTools.h"
#include "RowFinish.h"
#include "RunTestSupport.h"
#include "queue/TextRules.h"
#include "run/ConvertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

#include <memory>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kWaitMs = 30 * 1000;

#ifndef Q_OS_WIN
// Files this process and its children write may not grow beyond `bytes` until the end of the scope, as
// on a disk that is full; a write beyond fails instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};
#endif

} // namespace

class TestCombineRun : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void convertedRowsJoinedInQueueOrder();
    void combinedFileName_data();
    void combinedFileName();
    void combinedNeverReplacesARowsPdf_data();
    void combinedNeverReplacesARowsPdf();
    void goneRowPdfIsNamed_data();
    void goneRowPdfIsNamed();
    void namesFromTitles();
    void separatePdfsGoOnlyOnceCombined();
    void earlierCombinedFileSurvivesAFullDisk();
    void stopWhileCombiningDropsTheCombine();
    void stuckCombineDoesNotHoldUpTheProgramsEnd();

private:
    // Local files named after fake markers, each with the title given (none for an empty one).
    void AddFiles(const QList<std::pair<QString, QString>>& namesAndTitles);
    QString Source(const QString& name) const {
        return QDir::toNativeSeparators(m_rig.work->filePath("in/" + name));
    }
    QString Target(const QString& name) const {
        return QDir::toNativeSeparators(QDir(m_rig.host->targetFolder).filePath(name));
    }
    void Run();

    std::unique_ptr<FakeConverterInstall> m_fake;
    CommandRig m_rig;
};

void TestCombineRun::init() {
    m_fake = std::make_unique<FakeConverterInstall>();
    QVERIFY(m_fake->Install());
    QVERIFY(m_rig.Build(m_fake->ProgramFolder()));
    m_rig.host->targetFolder = QDir::toNativeSeparators(m_rig.work->filePath("out"));
    m_rig.host->completionAction = kShowMessage;
    m_rig.command->Runner().SetTimeoutMs(kWaitMs * 2);
    m_rig.command->Runner().SetParallelism(1);
    m_rig.command->Runner().SetFinisher(pdf::RowFinisher());
    m_rig.command->SetCombiner(pdf::Combiner());
}

void TestCombineRun::cleanup() {
    m_rig.Reset();
    m_fake.reset();
}

void TestCombineRun::AddFiles(const QList<std::pair<QString, QString>>& namesAndTitles) {
    QStringList paths;
    for (const auto& [name, title] : namesAndTitles) {
        paths.append(Source(name));
        const QByteArray head = title.isEmpty() ? QByteArray() : "<title>" + title.toUtf8() + "</title>";
        QVERIFY(WriteFile(paths.last(),
                          "<html><head>" + head + "</head><body>" + name.toUtf8() + "</body></html>"));
    }
    m_rig.queue->AddFiles(paths);
}

void TestCombineRun::Run() {
    m_rig.command->Execute();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.command->Status(), rsStop, kWaitMs);
}

void TestCombineRun::convertedRowsJoinedInQueueOrder() {
    AddFiles({{"a.html", "Alpha"}, {"warn-b.html", "Beta"}, {"fail-c.html", "Gamma"}, {"d.html", ""}});
    m_rig.command->SetCombine({true, QStringLiteral("Book"), true});
    Run();

    const QString book = Target("Book.pdf");
    QCOMPARE(m_rig.command->CombinedPath(), book);
    QCOMPARE(m_rig.queue->State(1), RowState::ConvertedWithWarnings);
    QCOMPARE(m_rig.queue->State(2), RowState::Failed);
    // The fake writes one page a row; the row without a title is named by its source.
    QCOMPARE(PdfPageCount(book), 3);
    QCOMPARE(PdfOutline(book), (QStringList{"Alpha", "Beta", Source("d.html")}));
    QCOMPARE(PdfOutlinePages(book), (QList<int>{1, 2, 3}));
    QCOMPARE(m_rig.host->messages.size(), 1);
    QVERIFY2(
        m_rig.host->messages.first().endsWith(
            QStringLiteral("Combined into one PDF:\n%1\n1 row that did not convert is left out.").arg(book)),
        qPrintable(m_rig.host->messages.first()));
    // Every PDF says what it is: the rows' own and the combined one.
    QCOMPARE(PdfTitle(m_rig.queue->OutputPath(0)), QStringLiteral("Alpha"));
    QCOMPARE(PdfInfo(m_rig.queue->OutputPath(0), QStringLiteral("Subject")), Source("a.html"));
    QCOMPARE(PdfTitle(m_rig.queue->OutputPath(3)), QString());
    QCOMPARE(PdfTitle(book), QStringLiteral("Book"));
    for (const QString& pdf : {m_rig.queue->OutputPath(0), book})
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Creator")),
                 QStringLiteral("Velmora Free HTML to PDF Converter 2.0"));
    QVERIFY(QFileInfo::exists(m_rig.queue->OutputPath(0)));
    QCOMPARE(TemporaryFilesIn(m_rig.host->targetFolder), QStringList());
}

void TestCombineRun::combinedFileName_data() {
    QTest::addColumn<QString>("firstTitle");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("byTitle");
    QTest::addColumn<QString>("expected");

    QTest::newRow("named, .pdf added") << "Alpha"
                                       << "My Book" << false << "My Book.pdf";
    QTest::newRow("named with .pdf") << "Alpha"
                                     << "My Book.PDF" << false << "My Book.pdf";
    QTest::newRow("unnamed: the first page's title") << "Alpha One/Two"
                                                     << "" << false << "Alpha One-Two.pdf";
    QTest::newRow("unnamed and no title") << ""
                                          << "" << false << "Combined.pdf";
    QTest::newRow("never the name of a PDF it is made of") << "Alpha"
                                                           << "" << true << "Alpha (2).pdf";
}

void TestCombineRun::combinedFileName() {
    QFETCH(QString, firstTitle);
    QFETCH(QString, name);
    QFETCH(bool, byTitle);
    QFETCH(QString, expected);
    AddFiles({{"a.html", firstTitle}, {"b.html", "Beta"}});
    m_rig.command->Runner().SetNameBy(byTitle ? NameBy::Title : NameBy::Address);
    m_rig.command->SetCombine({true, name, true});
    Run();

    QCOMPARE(m_rig.command->CombinedPath(), Target(expected));
    QCOMPARE(PdfPageCount(Target(expected)), 2);
    QVERIFY(QFileInfo::exists(m_rig.queue->OutputPath(0)));
    QVERIFY(m_rig.queue->OutputPath(0) != Target(expected));
}

// The kept PDF is one an earlier run left for a row that fails this time.
void TestCombineRun::combinedNeverReplacesARowsPdf_data() {
    QTest::addColumn<QString>("firstTitle");
    QTest::addColumn<QString>("name");     // asked for; empty: chosen by the program
    QTest::addColumn<QString>("clash");    // the row's PDF the name would replace
    QTest::addColumn<QString>("expected"); // the combined file; empty: refused

    QTest::newRow("asked: a failed row's kept PDF") << "Alpha"
                                                    << "fail-c-html"
                                                    << "fail-c-html.pdf"
                                                    << "";
    QTest::newRow("asked: a PDF of this run") << "Alpha"
                                              << "a-html.PDF"
                                              << "a-html.pdf"
                                              << "";
    QTest::newRow("chosen: numbered past a kept PDF") << "fail-c-html"
                                                      << ""
                                                      << "fail-c-html.pdf"
                                                      << "fail-c-html (2).pdf";
}

void TestCombineRun::combinedNeverReplacesARowsPdf() {
    QFETCH(QString, firstTitle);
    QFETCH(QString, name);
    QFETCH(QString, clash);
    QFETCH(QString, expected);
    AddFiles({{"a.html", firstTitle}, {"fail-c.html", "Gamma"}});
    const QString kept = OutputPathFor(Source("fail-c.html"), m_rig.host->targetFolder);
    const QByteArray earlier = "%PDF-1.4\n% an earlier conversion of the row\n%%EOF\n";
    QVERIFY(WriteFile(kept, earlier));
    m_rig.host->completionAction = kDoNothing;
    m_rig.command->SetCombine({true, name, true});
    Run();

    QCOMPARE(m_rig.queue->State(1), RowState::Failed);
    QCOMPARE(ReadFile(kept), earlier);
    const QString made = OutputPathFor(Source("a.html"), m_rig.host->targetFolder);
    QCOMPARE(m_rig.queue->OutputPath(0), made);
    QCOMPARE(PdfPageCount(made), 1);
    QCOMPARE(PdfTitle(made), firstTitle);
    if (expected.isEmpty()) {
        QCOMPARE(m_rig.command->CombinedPath(), QString());
        const QString problem = m_rig.command->CombineProblem();
        const QString owner = Source(Target(clash) == kept ? "fail-c.html" : "a.html");
        QVERIFY2(problem.contains(QStringLiteral("would replace \"%1\"").arg(Target(clash))) &&
                     problem.contains(QStringLiteral("\"%1\"").arg(owner)),
                 qPrintable(problem));
        // Told whatever the completion action.
        QCOMPARE(m_rig.host->messages, QStringList{problem});
    } else {
        QCOMPARE(m_rig.command->CombinedPath(), Target(expected));
        QCOMPARE(PdfPageCount(Target(expected)), 1);
    }
    QCOMPARE(TemporaryFilesIn(m_rig.host->targetFolder), QStringList());
}

void TestCombineRun::goneRowPdfIsNamed_data() {
    QTest::addColumn<QString>("completionAction");
    QTest::newRow("show message") << kShowMessage;
    QTest::newRow("do nothing") << kDoNothing;
}

// A converted row's PDF removed before the combine is left out of it, and named.
void TestCombineRun::goneRowPdfIsNamed() {
    QFETCH(QString, completionAction);
    AddFiles({{"a.html", "Alpha"}, {"b.html", "Beta"}});
    m_rig.host->completionAction = completionAction;
    m_rig.command->SetCombine({true, QStringLiteral("Book"), true});
    connect(&m_rig.command->Runner(), &BatchRunner::rowFinished, this,
            [](int job, RowState, const QString&, const QString& pdfPath) {
                if (job == 0)
                    QFile::remove(pdfPath);
            });
    Run();

    const QString gone = OutputPathFor(Source("a.html"), m_rig.host->targetFolder);
    QCOMPARE(m_rig.queue->OutputPath(0), gone);
    QCOMPARE(m_rig.command->CombinedPath(), Target("Book.pdf"));
    QCOMPARE(PdfOutline(Target("Book.pdf")), QStringList{"Beta"});
    QCOMPARE(m_rig.host->messages.size(), 1);
    QVERIFY2(m_rig.host->messages.first().endsWith(
                 QStringLiteral(
                     "Combined into one PDF:\n%1\nLeft out of the combined PDF, as it no longer exists:\n%2")
                     .arg(Target("Book.pdf"), gone)),
             qPrintable(m_rig.host->messages.first()));
}

// The name comes when the row ends; the queue (the grid, the row actions) learns it then.
void TestCombineRun::namesFromTitles() {
    AddFiles({{"one.html", "Same"},
              {"two.html", "Same"},
              {"three.html", ""},
              {"four.html", "Input/Output"},
              {"fail-five.html", "Five"},
              {"six.html", "same"}});
    m_rig.command->Runner().SetNameBy(NameBy::Title);
    m_rig.host->completionAction = kDoNothing;
    Run();

    const QStringList expected{Target("Same.pdf"),
                               Target("Same (2).pdf"),
                               OutputPathFor(Source("three.html"), m_rig.host->targetFolder),
                               Target("Input-Output.pdf"),
                               QString(),
                               Target(kNativePathStyle == PathStyle::Windows ? "same (3).pdf" : "same.pdf")};
    for (int row = 0; row < expected.size(); ++row) {
        QCOMPARE(m_rig.queue->OutputPath(row), expected.at(row));
        if (!expected.at(row).isEmpty())
            QVERIFY2(QFileInfo::exists(expected.at(row)), qPrintable(expected.at(row)));
    }
    QCOMPARE(QDir(m_rig.host->targetFolder).entryList(QDir::Files | QDir::Hidden).size(), 5);
    QCOMPARE(m_rig.command->CombinedPath(), QString());
}

void TestCombineRun::separatePdfsGoOnlyOnceCombined() {
    AddFiles({{"a.html", "Alpha"}, {"b.html", "Beta"}});
    m_rig.command->SetCombine({true, QStringLiteral("Book"), false});
    Run();

    QCOMPARE(PdfPageCount(Target("Book.pdf")), 2);
    QCOMPARE(QDir(m_rig.host->targetFolder).entryList(QDir::Files | QDir::Hidden), QStringList{"Book.pdf"});
    QCOMPARE(m_rig.queue->OutputPath(0), QString());
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
}

void TestCombineRun::earlierCombinedFileSurvivesAFullDisk() {
#ifdef Q_OS_WIN
    QSKIP("Limits a file's size the POSIX way.");
#else
    AddFiles({{"a.html", "Alpha"}, {"b.html", "Beta"}, {"c.html", "Gamma"}});
    m_rig.command->SetCombine({true, QStringLiteral("Book"), true});
    Run();
    const QByteArray earlier = ReadFile(Target("Book.pdf"));
    QVERIFY(earlier.startsWith("%PDF-"));
    qint64 largestRow = 0;
    for (int row = 0; row < m_rig.queue->RowCount(); ++row)
        largestRow = qMax(largestRow, QFileInfo(m_rig.queue->OutputPath(row)).size());
    // Room for each row's PDF, not for all of them in one.
    const qint64 limit = largestRow + 256;
    QVERIFY(earlier.size() > limit);

    m_rig.host->messages.clear();
    m_rig.command->SetCombine({true, QStringLiteral("Book"), false});
    {
        const FileSizeLimit full(rlim_t{static_cast<rlim_t>(limit)});
        Run();
    }

    QCOMPARE(m_rig.queue->State(2), RowState::Converted);
    QCOMPARE(m_rig.command->CombinedPath(), QString());
    QVERIFY2(m_rig.command->CombineProblem().startsWith(QStringLiteral("The PDFs could not be combined")),
             qPrintable(m_rig.command->CombineProblem()));
    QCOMPARE(ReadFile(Target("Book.pdf")), earlier);
    QCOMPARE(TemporaryFilesIn(m_rig.host->targetFolder), QStringList());
    // Not combined, so the separate PDFs stay.
    for (int row = 0; row < m_rig.queue->RowCount(); ++row)
        QVERIFY(QFileInfo::exists(m_rig.queue->OutputPath(row)));
    QCOMPARE(m_rig.host->messages.size(), 1);
    QVERIFY(m_rig.host->messages.first().endsWith(m_rig.command->CombineProblem()));
#endif
}

// Combining is part of the run: Stop is offered until the combined file is in place, and ends it
// without a file or a message. The combine's temporary file goes at once, even while the combiner is
// still at work.
void TestCombineRun::stopWhileCombiningDropsTheCombine() {
    AddFiles({{"a.html", "Alpha"}});
    // Shared with the combining thread, which a failing test may leave behind.
    struct Gates {
        QSemaphore entered, release, ended;
    };
    auto gates = std::make_shared<Gates>();
    m_rig.command->SetCombiner(
        [gates](const CombineRequest& request, const QString& to, const std::atomic_bool&) {
            gates->entered.release();
            gates->release.tryAcquire(1, kWaitMs);
            const QString problem = pdf::CombinePdfs(request, to, QDateTime::currentDateTime());
            gates->ended.release();
            return problem;
        });
    m_rig.command->SetCombine({true, QStringLiteral("Book"), false});
    m_rig.command->Execute();
    QTRY_VERIFY_WITH_TIMEOUT(gates->entered.available() == 1, kWaitMs);
    QCOMPARE(m_rig.command->Status(), rsStart);
    QCOMPARE(TemporaryFilesIn(m_rig.host->targetFolder).size(), 1);
    m_rig.command->Execute(); // Stop
    QCOMPARE(m_rig.command->Status(), rsStop);
    QCOMPARE(TemporaryFilesIn(m_rig.host->targetFolder), QStringList());

    // What the combiner writes once let go goes too, when its result has come back and counted for
    // nothing.
    gates->release.release();
    QVERIFY(gates->ended.tryAcquire(1, kWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(TemporaryFilesIn(m_rig.host->targetFolder), QStringList(), kWaitMs);
    QCOMPARE(m_rig.command->CombinedPath(), QString());
    QVERIFY(!QFileInfo::exists(Target("Book.pdf")));
    QVERIFY(QFileInfo::exists(m_rig.queue->OutputPath(0)));
    QCOMPARE(m_rig.host->messages, QStringList());
}

// A program stopped while its combiner is stuck (a part on a file system that no longer answers) still
// ends, and leaves no temporary file.
void TestCombineRun::stuckCombineDoesNotHoldUpTheProgramsEnd() {
#ifdef Q_OS_WIN
    QSKIP("Ends the program with a POSIX signal.");
#else
    const QString folder = m_rig.work->filePath("stuck");
    QVERIFY(QDir().mkpath(folder));
    QProcess host;
    host.start(QStringLiteral(COMBINEHOST_PATH), {folder});
    QVERIFY(host.waitForStarted(kWaitMs));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += host.readAllStandardOutput()).contains("combining"), kWaitMs);
    QCOMPARE(TemporaryFilesIn(folder).size(), 1);

    host.terminate(); // SIGTERM
    QVERIFY(host.waitForFinished(kWaitMs));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 0);
    QCOMPARE(TemporaryFilesIn(folder), QStringList());
#endif
}

QTEST_MAIN(TestCombineRun)
#include "test_combine_run.moc"
