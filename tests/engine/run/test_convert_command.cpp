#include "RunTestSupport.h"
#include "classic/ConverterLocation.h"
#include "classic/WkhtmltopdfBackend.h"
#include "queue/TextRules.h"
#include "run/ConvertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kWaitMs = 30 * 1000;

// Restores a process-wide setting when the test ends, pass or fail.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const QByteArray& value) : m_name(name), m_previous(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvironmentOverride() { qputenv(m_name, m_previous); }

private:
    const char* m_name;
    QByteArray m_previous;
};

} // namespace

class TestConvertCommand : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void runShowsProgressAndRestoresTheCommand();
    void completionActions_data();
    void completionActions();
    void endOfRunMessage_data();
    void endOfRunMessage();
    void exploreReadsTheFolderTextAtTheEnd();
    void emptyQueueOnlyShowsAMessage();
    void stopEndsTheRunWithoutCompletionAction();
    void stopForClose_data();
    void stopForClose();
    void refusedStarts_data();
    void refusedStarts();
    void stopWhileTheConverterIsAskedForItsVersion();
    void converterInstalledLaterIsFound();
    void equalOutputNamesDoNotOverwrite();
    void homeFolderAndRetryOfChosenRows();
    void relativeFolderResolvesAgainstCurrentDirectory();
    void secondRunResetsOutcomes();

private:
    // Adds local files named after fake markers; the fake never reads them.
    void AddFiles(const QStringList& names);
    // A path below the work folder as a user gives it: with the platform's separators, as the file
    // dialog delivers paths and as folders are typed.
    QString WorkPath(const QString& relative) const {
        return QDir::toNativeSeparators(m_rig.work->filePath(relative));
    }
    // Waits until the run in progress has ended.
    void WaitForStop();
    QString Output(const QString& sourceName) const;

    std::unique_ptr<FakeConverterInstall> m_fake;
    CommandRig m_rig;
};

void TestConvertCommand::init() {
    m_fake = std::make_unique<FakeConverterInstall>();
    QVERIFY(m_fake->Install());
    QVERIFY(m_rig.Build(m_fake->ProgramFolder()));
    m_rig.host->targetFolder = WorkPath(QStringLiteral("My PDF/new"));
    m_rig.command->Runner().SetTimeoutMs(kWaitMs * 2);
    connect(m_rig.command.get(), &ConvertCommand::statusChanged, this, [this](TRunStatus status) {
        m_rig.host->events.append(QStringLiteral("status:%1").arg(int(status)));
    });
}

void TestConvertCommand::cleanup() {
    m_rig.Reset();
    m_fake.reset();
}

void TestConvertCommand::AddFiles(const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) {
        paths.append(WorkPath(QStringLiteral("in/") + name));
        QVERIFY(WriteFile(paths.last(), "<p>" + name.toUtf8() + "</p>"));
    }
    m_rig.queue->AddFiles(paths);
}

void TestConvertCommand::WaitForStop() {
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.command->Status(), rsStop, kWaitMs);
}

QString TestConvertCommand::Output(const QString& sourceName) const {
    return OutputPathFor(WorkPath(QStringLiteral("in/") + sourceName), m_rig.host->targetFolder);
}

void TestConvertCommand::runShowsProgressAndRestoresTheCommand() {
    AddFiles({"a.html", "b.htm", "c.txt"});
    m_rig.host->completionAction = kDoNothing;

    m_rig.command->Execute();
    QCOMPARE(m_rig.command->Status(), rsStart);
    WaitForStop();

    QCOMPARE(m_rig.host->events,
             (QStringList{"running:1", "status:1", "progress:0", "visible:1", "progress:33", "progress:67",
                          "progress:100", "visible:0", "status:3", "running:0"}));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(m_rig.queue->State(row), RowState::Converted);
    QVERIFY(ReadFile(Output("a.html")).startsWith("%PDF-"));
    QVERIFY(ReadFile(Output("c.txt")).startsWith("%PDF-"));
}

void TestConvertCommand::completionActions_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QList<int>>("message"); // converted, with warnings, failed; empty: no message
    QTest::addColumn<bool>("explores");

    const QStringList good{"a.html", "b.html"};
    const QStringList twoOfFiveFail{"a.html", "fail-b.html", "warn-c.html", "crash-d.html", "e.html"};
    QTest::newRow("do nothing") << kDoNothing << good << QList<int>{} << false;
    QTest::newRow("do nothing, with failures") << kDoNothing << twoOfFiveFail << QList<int>{} << false;
    QTest::newRow("show message") << kShowMessage << good << QList<int>{2, 0, 0} << false;
    QTest::newRow("show message, warnings counted")
        << kShowMessage << QStringList{"warn.html"} << QList<int>{0, 1, 0} << false;
    QTest::newRow("show message, with failures and warnings")
        << kShowMessage << twoOfFiveFail << QList<int>{2, 1, 2} << false;
    QTest::newRow("show message, the only row failed")
        << kShowMessage << QStringList{"fail.html"} << QList<int>{0, 0, 1} << false;
    QTest::newRow("open target folder") << kOpenTargetFolder << good << QList<int>{} << true;
    QTest::newRow("open target folder, with failures")
        << kOpenTargetFolder << twoOfFiveFail << QList<int>{} << true;
    QTest::newRow("unknown text opens the folder") << "Shut down" << good << QList<int>{} << true;
    QTest::newRow("texts compared with case") << "show message" << good << QList<int>{} << true;
}

void TestConvertCommand::endOfRunMessage_data() {
    QTest::addColumn<QList<int>>("counts"); // converted, with warnings, failed
    QTest::addColumn<QString>("expected");

    QTest::newRow("all clean") << QList<int>{3, 0, 0} << kCompleteMessage;
    // A PDF with warnings is still a PDF made: counted with the others, its warnings apart.
    QTest::newRow("one warning only")
        << QList<int>{0, 1, 0}
        << "Conversion finished: 1 PDF made (1 with warnings), 0 failed.\n\nThe PDFs are in:\n/out\n\n"
           "Select a marked row to see why.";
    QTest::newRow("clean, warned and failed")
        << QList<int>{2, 1, 1}
        << "Conversion finished: 3 PDFs made (1 with warnings), 1 failed.\n\nThe PDFs are in:\n/out\n\n"
           "Select a marked row to see why.";
    QTest::newRow("failures only")
        << QList<int>{0, 0, 2}
        << "Conversion finished: 0 PDFs made, 2 failed.\n\nThe PDFs are in:\n/out\n\nSelect a marked row "
           "to see why.";
    // A fourth count of 0: the rows' PDFs were combined into one and removed.
    QTest::newRow("only the combined file left")
        << QList<int>{2, 1, 1, 0}
        << "Conversion finished: 3 rows converted (1 with warnings), 1 failed. Their PDFs were combined into "
           "one, and the separate ones removed.\n\nSelect a marked row to see why.";
    QTest::newRow("clean, only the combined file left") << QList<int>{2, 0, 0, 0} << "Conversion complete!";
}

void TestConvertCommand::endOfRunMessage() {
    QFETCH(QList<int>, counts);
    QFETCH(QString, expected);
    QCOMPARE(EndOfRunMessage(counts.at(0), counts.at(1), counts.at(2), QStringLiteral("/out"),
                             counts.value(3, 1) != 0),
             expected);
}

void TestConvertCommand::completionActions() {
    QFETCH(QString, action);
    QFETCH(QStringList, sources);
    QFETCH(QList<int>, message);
    QFETCH(bool, explores);
    AddFiles(sources);
    m_rig.host->completionAction = action;

    m_rig.command->Execute();
    WaitForStop();

    const QStringList messages =
        message.isEmpty() ? QStringList{}
                          : QStringList{EndOfRunMessage(message.at(0), message.at(1), message.at(2),
                                                        QDir::toNativeSeparators(m_rig.host->targetFolder))};
    QCOMPARE(m_rig.host->messages, messages);
    QCOMPARE(m_rig.host->explored,
             explores ? QStringList{QDir::toNativeSeparators(m_rig.host->targetFolder)} : QStringList{});
    // The action comes last, after the command is back to Convert.
    if (!messages.isEmpty() || explores)
        QCOMPARE(m_rig.host->events.at(m_rig.host->events.size() - 2), "running:0");
}

void TestConvertCommand::exploreReadsTheFolderTextAtTheEnd() {
    AddFiles({"slow.html"});
    m_rig.host->completionAction = kOpenTargetFolder;
    const QString folderAtStart = m_rig.host->targetFolder;

    m_rig.command->Execute();
    m_rig.host->targetFolder = QStringLiteral("typed during the run");
    WaitForStop();

    QCOMPARE(m_rig.host->explored, QStringList{QDir::toNativeSeparators(QDir::current().absoluteFilePath(
                                       QStringLiteral("typed during the run")))});
    QVERIFY(QFileInfo::exists(OutputPathFor(WorkPath("in/slow.html"), folderAtStart)));
}

void TestConvertCommand::emptyQueueOnlyShowsAMessage() {
    m_rig.command->Execute();
    QCOMPARE(m_rig.host->events, QStringList{"message:" + kEmptyQueueMessage});
    QCOMPARE(m_rig.command->Status(), rsNone);

    // While a run is in progress too; the rows are re-added only so the run can be stopped afterwards.
    AddFiles({"hang.html"});
    m_rig.command->Execute();
    QCOMPARE(m_rig.command->Status(), rsStart);
    QTRY_VERIFY_WITH_TIMEOUT(m_rig.command->Runner().IsRunning(), kWaitMs); // the converter has answered
    m_rig.host->events.clear();
    m_rig.queue->DeleteAll();
    m_rig.command->Execute();
    QCOMPARE(m_rig.host->events, QStringList{"message:" + kEmptyQueueMessage});
    QCOMPARE(m_rig.command->Status(), rsStart);
    QVERIFY(m_rig.command->Runner().IsRunning());

    AddFiles({"hang.html"});
    m_rig.command->Execute();
    QCOMPARE(m_rig.command->Status(), rsStop);
}

void TestConvertCommand::stopEndsTheRunWithoutCompletionAction() {
    AddFiles({"hang.html", "b.html"});
    m_rig.host->completionAction = kShowMessage;
    m_rig.command->Execute();
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->Invocations().size(), 1, kWaitMs);
    QCOMPARE(m_rig.queue->State(0), RowState::Converting);
    m_rig.host->events.clear();

    m_rig.command->Execute();

    QCOMPARE(m_rig.command->Status(), rsStop);
    QCOMPARE(m_rig.host->events, (QStringList{"status:3", "running:0", "visible:0"}));
    QCOMPARE(m_rig.queue->State(0), RowState::Failed);
    QCOMPARE(m_rig.queue->Reason(0), kStoppedReason);
    // The row the run never reached says so.
    QCOMPARE(m_rig.queue->State(1), RowState::NotReached);
    QCOMPARE(m_rig.queue->Reason(1), kNotReachedReason);
    QVERIFY(!m_rig.command->Runner().IsRunning());
    // Whatever the ended converter still reports changes nothing.
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(m_fake->Invocations().at(0).pid), kWaitMs);
    QCoreApplication::processEvents();
    QCOMPARE(m_rig.host->messages, QStringList{});
    QCOMPARE(m_fake->Invocations().size(), 1);
}

void TestConvertCommand::stopForClose_data() {
    QTest::addColumn<QStringList>("sources"); // empty: never run
    QTest::addColumn<bool>("waitForEnd");
    QTest::addColumn<TRunStatus>("status");

    QTest::newRow("never run") << QStringList{} << false << rsNone;
    QTest::newRow("after a run") << QStringList{"a.html"} << true << rsStop;
    QTest::newRow("during a run") << QStringList{"hang.html"} << false << rsStop;
}

void TestConvertCommand::stopForClose() {
    QFETCH(QStringList, sources);
    QFETCH(bool, waitForEnd);
    QFETCH(TRunStatus, status);
    m_rig.host->completionAction = kShowMessage;
    if (!sources.isEmpty()) {
        AddFiles(sources);
        m_rig.command->Execute();
    }
    if (waitForEnd)
        WaitForStop();
    const QStringList messagesBefore = m_rig.host->messages;
    m_rig.host->events.clear();

    m_rig.command->StopForClose();

    QCOMPARE(m_rig.command->Status(), status);
    QVERIFY(!m_rig.command->Runner().IsRunning());
    QCOMPARE(m_rig.host->messages, messagesBefore);
    if (status == rsStop && !waitForEnd)
        QCOMPARE(m_rig.host->events, (QStringList{"status:3", "running:0", "visible:0"}));
    else
        QCOMPARE(m_rig.host->events, QStringList{});
}

void TestConvertCommand::refusedStarts_data() {
    QTest::addColumn<QString>("folder");    // relative to the work folder unless absolute; "" stays empty
    QTest::addColumn<QString>("converter"); // "fake", "missing", or the bytes of a file that is no program
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("why"); // for a converter that cannot be started: what the message says of it

    QTest::newRow("empty folder text") << ""
                                       << "fake" << kNoTargetFolderMessage << "";
    QTest::newRow("blanks only") << "   "
                                 << "fake" << kNoTargetFolderMessage << "";
    QTest::newRow("a file has the folder's name") << "file"
                                                  << "fake" << kFolderNotCreatedMessage << "";
    QTest::newRow("folder below a file") << "file/sub"
                                         << "fake" << kFolderNotCreatedMessage << "";
#ifdef Q_OS_LINUX
    // Even root cannot write there, so the check holds whoever runs the tests.
    QTest::newRow("folder that cannot be written to") << "/proc"
                                                      << "fake" << kFolderNotWritableMessage << "";
#endif
    QTest::newRow("converter missing") << "out"
                                       << "missing" << kConverterMissingMessage << "";
#ifndef Q_OS_WIN
    QTest::newRow("converter not executable") << "out"
                                              << "#!/bin/sh\n"
                                              << kConverterNotStartedMessage << "";
    QTest::newRow("converter with a bad interpreter line") << "out"
                                                           << "#!/nonexistent/interpreter\n"
                                                           << kConverterNotStartedMessage << "";
    QTest::newRow("converter failing when asked for its version")
        << "out"
        << "#!/bin/sh\nexit 3\n"
        << kConverterNotStartedMessage << "it ended with exit code 3 when asked for its version";
    QTest::newRow("converter crashing when asked for its version")
        << "out"
        << "#!/bin/sh\nkill -SEGV $$\n"
        << kConverterNotStartedMessage << "it crashed when asked for its version";
#endif
}

void TestConvertCommand::refusedStarts() {
    QFETCH(QString, folder);
    QFETCH(QString, converter);
    QFETCH(QString, message);
    QFETCH(QString, why);
    QVERIFY(WriteFile(m_rig.work->filePath("file"), "not a folder"));
    m_rig.host->targetFolder =
        folder.trimmed().isEmpty() || QDir::isAbsolutePath(folder) ? folder : WorkPath(folder);
    QTemporaryDir emptyPath;
    const EnvironmentOverride path("PATH", emptyPath.path().toLocal8Bit());
    const bool missing = converter == QLatin1String("missing");
    if (missing) {
        m_fake->Uninstall();
    } else if (converter != QLatin1String("fake")) {
        QVERIFY(QFile::remove(m_fake->ConverterPath()));
        QVERIFY(WriteFile(m_fake->ConverterPath(), converter.toUtf8()));
        if (converter.contains(QLatin1String("interpreter")) || !why.isEmpty())
            QVERIFY(QFile::setPermissions(m_fake->ConverterPath(),
                                          QFile::permissions(m_fake->ConverterPath()) | QFile::ExeOwner));
    }
    AddFiles({"a.html"});
    QSignalSpy statusChanged(m_rig.command.get(), &ConvertCommand::statusChanged);

    m_rig.command->Execute();

    // A converter that has to be started to be asked leaves the command standing as a run begun until
    // it has answered; only a missing one, or no folder to ask for, is told at once.
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.host->messages.size(), 1, kWaitMs);
    const QString shown = "message:" + m_rig.host->messages.at(0);
    const bool asked = !missing && !folder.trimmed().isEmpty();
    const QStringList events = asked ? QStringList{"running:1", "status:1", "progress:0", "visible:1",
                                                   shown,       "status:3", "running:0",  "visible:0"}
                                     : QStringList{shown};
    QCOMPARE(m_rig.host->events, events);
    const QString converterPath = QDir::toNativeSeparators(m_fake->ConverterPath());
    if (missing) {
        // Every place searched is named: on Windows only the program's bin folder, elsewhere PATH too.
#ifdef Q_OS_WIN
        QCOMPARE(shown, "message:" + message.arg(converterPath));
#else
        QCOMPARE(shown, "message:" + message.arg(converterPath + "; " + PathSearchDescription()));
        QVERIFY(shown.contains(emptyPath.path()));
#endif
    } else if (message == kConverterNotStartedMessage) {
        QVERIFY2(shown.startsWith("message:" + message.section("%1", 0, 0) + converterPath),
                 qPrintable(shown));
        QVERIFY2(shown.contains(why), qPrintable(shown));
    } else {
        QCOMPARE(shown, "message:" + (m_rig.host->targetFolder.trimmed().isEmpty()
                                          ? message
                                          : message.arg(m_rig.host->targetFolder)));
    }
    QCOMPARE(m_rig.command->Status(), asked ? rsStop : rsNone);
    QCOMPARE(statusChanged.count(), asked ? 2 : 0);
    QCOMPARE(m_rig.queue->State(0), RowState::Waiting);
    QCOMPARE(m_fake->Invocations().size(), 0);
    if (converter != QLatin1String("fake"))
        QVERIFY(!QFileInfo::exists(m_rig.host->targetFolder));
}

// Asking a converter for its version may take long (this one never answers): meanwhile the command stands
// as a run begun, a call queued meanwhile comes while the question is open, and Stop ends the question
// and its converter at once, leaving the rows as they were.
void TestConvertCommand::stopWhileTheConverterIsAskedForItsVersion() {
    const EnvironmentOverride version("VELMORA_FAKE_VERSION", "hang");
    AddFiles({"a.html"});

    m_rig.command->Execute();
    QCOMPARE(m_rig.command->Status(), rsStart);
    QCOMPARE(m_rig.host->events, (QStringList{"running:1", "status:1", "progress:0", "visible:1"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->Invocations().size(), 1, kWaitMs);
    const Invocation probe = m_fake->Invocations().at(0);
    QCOMPARE(probe.arguments, QStringList{"--version"});
    bool queuedCallCame = false;
    QTimer::singleShot(0, m_rig.command.get(), [&queuedCallCame] { queuedCallCame = true; });
    QTRY_VERIFY(queuedCallCame);
    QVERIFY(ProcessAlive(probe.pid));

    m_rig.command->Execute(); // Stop
    QCOMPARE(m_rig.command->Status(), rsStop);
    QCOMPARE(m_rig.host->events, (QStringList{"running:1", "status:1", "progress:0", "visible:1", "status:3",
                                              "running:0", "visible:0"}));
    QCOMPARE(m_rig.host->messages, QStringList{});
    QCOMPARE(m_rig.queue->State(0), RowState::Waiting);
    QVERIFY(!QFileInfo::exists(m_rig.host->targetFolder));
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(probe.pid), kWaitMs);
    QCOMPARE(m_fake->Invocations().size(), 1);
}

void TestConvertCommand::converterInstalledLaterIsFound() {
    m_fake->Uninstall();
    QTemporaryDir emptyPath;
    const EnvironmentOverride path("PATH", emptyPath.path().toLocal8Bit());
    AddFiles({"a.html"});
    m_rig.command->Execute();
    QCOMPARE(m_rig.host->messages.size(), 1);

    QVERIFY(m_fake->Install());
    m_rig.command->Execute();
    WaitForStop();

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QCOMPARE(m_fake->Invocations().size(), 1);
}

void TestConvertCommand::equalOutputNamesDoNotOverwrite() {
    for (const QString& file : {QStringLiteral("x/page.html"), QStringLiteral("y/page.html")})
        QVERIFY(WriteFile(m_rig.work->filePath(file), "<p>page</p>"));
    m_rig.queue->AddFiles({WorkPath("x/page.html"), WorkPath("y/page.html")});
    m_rig.queue->AddWebAddresses({"http://page.html"});
    m_rig.command->Execute();
    WaitForStop();

    const QString folder = m_rig.host->targetFolder + QDir::separator();
    const QList<Invocation> invocations = m_fake->Invocations();
    QCOMPARE(invocations.size(), 3);
    QCOMPARE(invocations.at(2).source, "http://page.html");
    for (const char* name : {"page-html.pdf", "page-html (2).pdf", "page-html (3).pdf"})
        QVERIFY2(ReadFile(folder + name).startsWith("%PDF-"), name);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(m_rig.queue->State(row), RowState::Converted);
}

void TestConvertCommand::homeFolderAndRetryOfChosenRows() {
    const EnvironmentOverride home("HOME", m_rig.work->filePath("home").toLocal8Bit());
    m_rig.host->targetFolder = QStringLiteral("~/pdfs");
    AddFiles({"a.html", "fail-b.html", "c.html"});
    m_rig.command->Execute();
    WaitForStop();
#ifdef Q_OS_WIN
    QVERIFY(QFileInfo::exists(QDir::current().absoluteFilePath("~/pdfs/a-html.pdf")));
    QDir(QDir::current().absoluteFilePath("~")).removeRecursively();
#else
    QVERIFY(ReadFile(m_rig.work->filePath("home/pdfs/a-html.pdf")).startsWith("%PDF-"));
    QVERIFY(!QFileInfo::exists(QDir::current().absoluteFilePath("~")));
#endif
    QCOMPARE(m_rig.queue->State(1), RowState::Failed);

    const int before = int(m_fake->Invocations().size());
    m_rig.command->ConvertRows({1});
    WaitForStop();

    const QList<Invocation> invocations = m_fake->Invocations();
    QCOMPARE(invocations.size(), before + 1);
    QVERIFY(invocations.last().source.endsWith("fail-b.html"));
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QCOMPARE(m_rig.queue->State(1), RowState::Failed);
    QCOMPARE(m_rig.queue->State(2), RowState::Converted);
}

void TestConvertCommand::relativeFolderResolvesAgainstCurrentDirectory() {
    const CurrentDirectoryOverride current(m_rig.work->path());
    m_rig.host->targetFolder = QStringLiteral("relative/out");
    AddFiles({"a.html"});

    m_rig.command->Execute();
    WaitForStop();

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY(ReadFile(m_rig.work->filePath("relative/out/a-html.pdf")).startsWith("%PDF-"));
}

void TestConvertCommand::secondRunResetsOutcomes() {
    AddFiles({"a.html", "fail-b.html"});
    m_rig.command->Execute();
    WaitForStop();
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QCOMPARE(m_rig.queue->State(1), RowState::Failed);

    QList<RowState> statesAtFirstStart;
    QStringList reasonsAtFirstStart;
    connect(&m_rig.command->Runner(), &BatchRunner::rowStarted, this, [&](int row) {
        if (row != 0)
            return;
        statesAtFirstStart = {m_rig.queue->State(0), m_rig.queue->State(1)};
        reasonsAtFirstStart = {m_rig.queue->Reason(0), m_rig.queue->Reason(1)};
    });
    m_rig.host->events.clear();
    m_rig.command->Execute();
    WaitForStop();

    QCOMPARE(statesAtFirstStart, (QList<RowState>{RowState::Converting, RowState::Waiting}));
    QCOMPARE(reasonsAtFirstStart, (QStringList{QString(), QString()}));
    QCOMPARE(m_rig.host->events.mid(0, 4), (QStringList{"running:1", "status:1", "progress:0", "visible:1"}));
    QCOMPARE(m_rig.queue->State(1), RowState::Failed);
}

QTEST_GUILESS_MAIN(TestConvertCommand)
#include "test_convert_command.moc"
