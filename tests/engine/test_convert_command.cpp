#include "ConvertCommand.h"
#include "RunTestSupport.h"
#include "TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

class CurrentDirectoryOverride {
public:
    explicit CurrentDirectoryOverride(const QString& path) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~CurrentDirectoryOverride() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
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
    void exploreReadsTheFolderTextAtTheEnd();
    void emptyQueueOnlyShowsAMessage();
    void stopEndsTheRunWithoutCompletionAction();
    void stopForClose_data();
    void stopForClose();
    void refusedStarts_data();
    void refusedStarts();
    void converterInstalledLaterIsFound();
    void equalOutputNamesDoNotOverwrite();
    void relativeFolderResolvesAgainstCurrentDirectory();
    void secondRunResetsOutcomes();

private:
    // Adds local files named after fake markers; the fake never reads them.
    void AddFiles(const QStringList& names);
    // Waits until the run in progress has ended.
    void WaitForStop();
    QString Output(const QString& sourceName) const;

    std::unique_ptr<FakeConverterInstall> m_fake;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<ConversionQueue> m_queue;
    std::unique_ptr<RecordingHost> m_host;
    std::unique_ptr<ConvertCommand> m_command;
};

void TestConvertCommand::init() {
    m_fake = std::make_unique<FakeConverterInstall>();
    QVERIFY(m_fake->Install());
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    m_queue = std::make_unique<ConversionQueue>();
    m_host = std::make_unique<RecordingHost>();
    m_host->targetFolder = m_work->filePath(QStringLiteral("My PDF/new"));
    m_command = std::make_unique<ConvertCommand>(*m_queue, *m_host, m_fake->ProgramFolder());
    m_command->Runner().SetTimeoutMs(kWaitMs * 2);
    connect(m_command.get(), &ConvertCommand::statusChanged, this, [this](TRunStatus status) {
        m_host->events.append(QStringLiteral("status:%1").arg(int(status)));
    });
}

void TestConvertCommand::cleanup() {
    m_command.reset();
    m_host.reset();
    m_queue.reset();
    m_work.reset();
    m_fake.reset();
}

void TestConvertCommand::AddFiles(const QStringList& names) {
    QStringList paths;
    for (const QString& name : names)
        paths.append(m_work->filePath(QStringLiteral("in/") + name));
    m_queue->AddFiles(paths);
}

void TestConvertCommand::WaitForStop() {
    QTRY_COMPARE_WITH_TIMEOUT(m_command->Status(), rsStop, kWaitMs);
}

QString TestConvertCommand::Output(const QString& sourceName) const {
    return OutputPathFor(m_work->filePath(QStringLiteral("in/") + sourceName), m_host->targetFolder);
}

void TestConvertCommand::runShowsProgressAndRestoresTheCommand() {
    AddFiles({"a.html", "b.htm", "c.txt"});
    m_host->completionAction = kDoNothing;

    m_command->Execute();
    QCOMPARE(m_command->Status(), rsStart);
    WaitForStop();

    QCOMPARE(m_host->events, (QStringList{"caption:" + kStopCaption, "status:1", "progress:0", "visible:1",
                                          "progress:33", "progress:67", "progress:100", "visible:0",
                                          "status:3", "caption:" + kConvertCaption}));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(m_queue->State(row), RowState::Converted);
    QVERIFY(ReadFile(Output("a.html")).startsWith("%PDF-"));
    QVERIFY(ReadFile(Output("c.txt")).startsWith("%PDF-"));
}

void TestConvertCommand::completionActions_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("explores");

    const QStringList good{"a.html", "b.html"};
    const QStringList twoOfFiveFail{"a.html", "fail-b.html", "warn-c.html", "crash-d.html", "e.html"};
    QTest::newRow("do nothing") << kDoNothing << good << QStringList{} << false;
    QTest::newRow("do nothing, with failures") << kDoNothing << twoOfFiveFail << QStringList{} << false;
    QTest::newRow("show message") << kShowMessage << good << QStringList{kCompleteMessage} << false;
    QTest::newRow("show message, warnings are no failures")
        << kShowMessage << QStringList{"warn.html"} << QStringList{kCompleteMessage} << false;
    QTest::newRow("show message, with failures")
        << kShowMessage << twoOfFiveFail
        << QStringList{"2 of 5 rows could not be converted. Point at a failed row to see why."} << false;
    QTest::newRow("show message, the only row failed")
        << kShowMessage << QStringList{"fail.html"}
        << QStringList{"1 of 1 row could not be converted. Point at a failed row to see why."} << false;
    QTest::newRow("open target folder") << kOpenTargetFolder << good << QStringList{} << true;
    QTest::newRow("open target folder, with failures")
        << kOpenTargetFolder << twoOfFiveFail << QStringList{} << true;
    QTest::newRow("unknown text opens the folder") << "Shut down" << good << QStringList{} << true;
    QTest::newRow("texts compared with case") << "show message" << good << QStringList{} << true;
}

void TestConvertCommand::completionActions() {
    QFETCH(QString, action);
    QFETCH(QStringList, sources);
    QFETCH(QStringList, messages);
    QFETCH(bool, explores);
    AddFiles(sources);
    m_host->completionAction = action;

    m_command->Execute();
    WaitForStop();

    QCOMPARE(m_host->messages, messages);
    QCOMPARE(m_host->explored, explores ? QStringList{m_host->targetFolder} : QStringList{});
    // The action comes last, after the command is back to Convert.
    if (!messages.isEmpty() || explores)
        QCOMPARE(m_host->events.at(m_host->events.size() - 2), "caption:" + kConvertCaption);
}

void TestConvertCommand::exploreReadsTheFolderTextAtTheEnd() {
    AddFiles({"slow.html"});
    m_host->completionAction = kOpenTargetFolder;
    const QString folderAtStart = m_host->targetFolder;

    m_command->Execute();
    m_host->targetFolder = QStringLiteral("typed during the run");
    WaitForStop();

    QCOMPARE(m_host->explored, QStringList{QStringLiteral("typed during the run")});
    QVERIFY(QFileInfo::exists(OutputPathFor(m_work->filePath("in/slow.html"), folderAtStart)));
}

void TestConvertCommand::emptyQueueOnlyShowsAMessage() {
    m_command->Execute();
    QCOMPARE(m_host->events, QStringList{"message:" + kEmptyQueueMessage});
    QCOMPARE(m_command->Status(), rsNone);

    // While a run is in progress too; the rows are re-added only so the run can be stopped afterwards.
    AddFiles({"hang.html"});
    m_command->Execute();
    QCOMPARE(m_command->Status(), rsStart);
    m_host->events.clear();
    m_queue->DeleteAll();
    m_command->Execute();
    QCOMPARE(m_host->events, QStringList{"message:" + kEmptyQueueMessage});
    QCOMPARE(m_command->Status(), rsStart);
    QVERIFY(m_command->Runner().IsRunning());

    AddFiles({"hang.html"});
    m_command->Execute();
    QCOMPARE(m_command->Status(), rsStop);
}

void TestConvertCommand::stopEndsTheRunWithoutCompletionAction() {
    AddFiles({"hang.html", "b.html"});
    m_host->completionAction = kShowMessage;
    m_command->Execute();
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->Invocations().size(), 1, kWaitMs);
    QCOMPARE(m_queue->State(0), RowState::Converting);
    m_host->events.clear();

    m_command->Execute();

    QCOMPARE(m_command->Status(), rsStop);
    QCOMPARE(m_host->events, (QStringList{"status:3", "caption:" + kConvertCaption, "visible:0"}));
    QCOMPARE(m_queue->State(0), RowState::Failed);
    QCOMPARE(m_queue->Reason(0), kStoppedReason);
    QCOMPARE(m_queue->State(1), RowState::Waiting);
    QVERIFY(!m_command->Runner().IsRunning());
    QTest::qWait(300);
    QCOMPARE(m_host->messages, QStringList{});
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
    m_host->completionAction = kShowMessage;
    if (!sources.isEmpty()) {
        AddFiles(sources);
        m_command->Execute();
    }
    if (waitForEnd)
        WaitForStop();
    const QStringList messagesBefore = m_host->messages;
    m_host->events.clear();

    m_command->StopForClose();

    QCOMPARE(m_command->Status(), status);
    QVERIFY(!m_command->Runner().IsRunning());
    QCOMPARE(m_host->messages, messagesBefore);
    if (status == rsStop && !waitForEnd)
        QCOMPARE(m_host->events, (QStringList{"status:3", "caption:" + kConvertCaption, "visible:0"}));
    else
        QCOMPARE(m_host->events, QStringList{});
}

void TestConvertCommand::refusedStarts_data() {
    QTest::addColumn<QString>("folder"); // relative to the work folder; "" stays empty
    QTest::addColumn<bool>("converterMissing");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty folder text") << "" << false << kNoTargetFolderMessage;
    QTest::newRow("a file has the folder's name") << "file" << false << kFolderNotCreatedMessage;
    QTest::newRow("folder below a file") << "file/sub" << false << kFolderNotCreatedMessage;
    QTest::newRow("converter missing") << "out" << true << kConverterMissingMessage;
}

void TestConvertCommand::refusedStarts() {
    QFETCH(QString, folder);
    QFETCH(bool, converterMissing);
    QFETCH(QString, message);
    QVERIFY(WriteFile(m_work->filePath("file"), "not a folder"));
    m_host->targetFolder = folder.isEmpty() ? QString() : m_work->filePath(folder);
    QTemporaryDir emptyPath;
    std::unique_ptr<EnvironmentOverride> path;
    if (converterMissing) {
        m_fake->Uninstall();
        path = std::make_unique<EnvironmentOverride>("PATH", emptyPath.path().toLocal8Bit());
    }
    AddFiles({"a.html"});
    QSignalSpy statusChanged(m_command.get(), &ConvertCommand::statusChanged);

    m_command->Execute();

    const QString expected = converterMissing ? message.arg(QDir::toNativeSeparators(m_fake->ConverterPath()))
                             : folder.isEmpty() ? message
                                                : message.arg(m_host->targetFolder);
    QCOMPARE(m_host->events, QStringList{"message:" + expected});
    QCOMPARE(m_command->Status(), rsNone);
    QCOMPARE(statusChanged.count(), 0);
    QCOMPARE(m_queue->State(0), RowState::Waiting);
    QCOMPARE(m_fake->Invocations().size(), 0);
    if (converterMissing)
        QVERIFY(!QFileInfo::exists(m_host->targetFolder));
}

void TestConvertCommand::converterInstalledLaterIsFound() {
    m_fake->Uninstall();
    QTemporaryDir emptyPath;
    const EnvironmentOverride path("PATH", emptyPath.path().toLocal8Bit());
    AddFiles({"a.html"});
    m_command->Execute();
    QCOMPARE(m_host->messages.size(), 1);

    QVERIFY(m_fake->Install());
    m_command->Execute();
    WaitForStop();

    QCOMPARE(m_queue->State(0), RowState::Converted);
    QCOMPARE(m_fake->Invocations().size(), 1);
}

void TestConvertCommand::equalOutputNamesDoNotOverwrite() {
    m_queue->AddFiles({m_work->filePath("x/page.html"), m_work->filePath("y/page.html")});
    m_queue->AddWebAddresses({"http://page.html"});
    m_command->Execute();
    WaitForStop();

    const QString folder = m_host->targetFolder + '/';
    const QList<Invocation> invocations = m_fake->Invocations();
    QCOMPARE(invocations.size(), 3);
    QCOMPARE(invocations.at(0).arguments.last(), folder + "page-html.pdf");
    QCOMPARE(invocations.at(1).arguments.last(), folder + "page-html (2).pdf");
    QCOMPARE(invocations.at(2).arguments, (QStringList{"http://page.html", folder + "page-html (3).pdf"}));
    QCOMPARE(invocations.at(0).arguments.first(), "--enable-local-file-access");
    for (int row = 0; row < 3; ++row)
        QCOMPARE(m_queue->State(row), RowState::Converted);
}

void TestConvertCommand::relativeFolderResolvesAgainstCurrentDirectory() {
    const CurrentDirectoryOverride current(m_work->path());
    m_host->targetFolder = QStringLiteral("relative/out");
    AddFiles({"a.html"});

    m_command->Execute();
    WaitForStop();

    QCOMPARE(m_queue->State(0), RowState::Converted);
    QVERIFY(ReadFile(m_work->filePath("relative/out/a-html.pdf")).startsWith("%PDF-"));
}

void TestConvertCommand::secondRunResetsOutcomes() {
    AddFiles({"a.html", "fail-b.html"});
    m_command->Execute();
    WaitForStop();
    QCOMPARE(m_queue->State(0), RowState::Converted);
    QCOMPARE(m_queue->State(1), RowState::Failed);

    QList<RowState> statesAtFirstStart;
    QStringList reasonsAtFirstStart;
    connect(&m_command->Runner(), &BatchRunner::rowStarted, this, [&](int row) {
        if (row != 0)
            return;
        statesAtFirstStart = {m_queue->State(0), m_queue->State(1)};
        reasonsAtFirstStart = {m_queue->Reason(0), m_queue->Reason(1)};
    });
    m_host->events.clear();
    m_command->Execute();
    WaitForStop();

    QCOMPARE(statesAtFirstStart, (QList<RowState>{RowState::Converting, RowState::Waiting}));
    QCOMPARE(reasonsAtFirstStart, (QStringList{QString(), QString()}));
    QCOMPARE(m_host->events.mid(0, 4),
             (QStringList{"caption:" + kStopCaption, "status:1", "progress:0", "visible:1"}));
    QCOMPARE(m_queue->State(1), RowState::Failed);
}

QTEST_GUILESS_MAIN(TestConvertCommand)
#include "test_convert_command.moc"
