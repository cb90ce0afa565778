// The converter's process tree on Windows ends with the program that started it, however the program
// ends: the job object it is in closes with the program's last handle to it.
#include "RunTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace velmora::test;

namespace {

constexpr int kWaitMs = 30 * 1000;

} // namespace

class TestProcessTreeWin : public QObject {
    Q_OBJECT

private slots:
    void treeEndsWithTheProgram();
};

void TestProcessTreeWin::treeEndsWithTheProgram() {
    FakeConverterInstall fake;
    QVERIFY(fake.Install());
    QTemporaryDir work;
    QVERIFY(WriteFile(work.filePath("in/spawn.html"), "<p>spawn</p>"));
    QVERIFY(QDir().mkpath(work.filePath("out")));

    // A program running the batch run as the window does; its converter starts a child of its own.
    QProcess host;
    host.start(QStringLiteral(RUNNERHOST_PATH),
               {fake.ConverterPath(), work.filePath("out"), work.filePath("in/spawn.html")});
    QVERIFY(host.waitForStarted());
    QTRY_VERIFY2_WITH_TIMEOUT(!fake.Invocations().isEmpty() && fake.Invocations().at(0).childPid > 0,
                              "the fake did not start its child in time", kWaitMs);
    const Invocation converter = fake.Invocations().at(0);
    QVERIFY(ProcessAlive(converter.pid));
    QVERIFY(ProcessAlive(converter.childPid));

    // As the system ends a program: none of its own code runs any more.
    host.kill();
    QVERIFY(host.waitForFinished(kWaitMs));

    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.pid), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.childPid), kWaitMs);
}

QTEST_GUILESS_MAIN(TestProcessTreeWin)
#include "test_process_tree_win.moc"
