#include "RunTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kWaitMs = 30 * 1000;

} // namespace

// Whatever ends the program, no converter outlives it.
class TestTermination : public QObject {
    Q_OBJECT
private slots:
    void programEnded_data();
    void programEnded();
};

void TestTermination::programEnded_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("orderly"); // the program stops its run and cleans up itself

    QTest::newRow("SIGTERM") << int(SIGTERM) << true;
    QTest::newRow("SIGINT") << int(SIGINT) << true;
#ifndef Q_OS_WIN // signals Windows does not have
    QTest::newRow("SIGHUP") << int(SIGHUP) << true;
    QTest::newRow("SIGKILL") << int(SIGKILL) << false;
#endif
}

void TestTermination::programEnded() {
#ifdef Q_OS_WIN
    QSKIP("POSIX signals; on Windows a job object ends the converters with the program.");
#else
    QFETCH(int, signalNumber);
    QFETCH(bool, orderly);
    FakeConverterInstall fake;
    QVERIFY(fake.Install());
    QTemporaryDir work;
    QVERIFY(WriteFile(work.filePath("in/hang.html"), "<p>hang</p>"));
    QVERIFY(QDir().mkpath(work.filePath("out")));

    QProcess host;
    host.start(QStringLiteral(RUNNERHOST_PATH),
               {fake.ConverterPath(), work.filePath("out"), work.filePath("in/hang.html")});
    QVERIFY(host.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.Invocations().size() == 1, kWaitMs);
    const qint64 converter = fake.Invocations().at(0).pid;
    QVERIFY(ProcessAlive(converter));

    ::kill(pid_t(host.processId()), signalNumber);
    QVERIFY(host.waitForFinished(kWaitMs));

    if (orderly) {
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.exitCode(), 0);
        QVERIFY(!ProcessAlive(converter));
        QCOMPARE(TemporaryFilesIn(work.filePath("out")), QStringList());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter), kWaitMs);
    }
#endif
}

QTEST_GUILESS_MAIN(TestTermination)
#include "test_termination.moc"
