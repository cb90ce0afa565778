// The converter's process tree on Windows ends with the program that started it, however the program
// ends: the job object it is in is closed with the program's last handle to it.
#include "RunTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace velmora::test;

class TestProcessTreeWin : public QObject {
    Q_OBJECT

private slots:
    void treeEndsWithTheProgram();
};

void TestProcessTreeWin::treeEndsWithTheProgram() {
    FakeConverterInstall fake;
    QVERIFY(fake.Install());
    QTemporaryDir work;
    QVERIFY(work.isValid());

    // A stand-in for this program, holding the converter the way the batch run does.
    QProcess owner;
    owner.start(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("process_tree_owner.exe")),
        {fake.ConverterPath(), work.filePath(QStringLiteral("page-spawn.html")),
         work.filePath(QStringLiteral("page-spawn-html.pdf"))});
    QVERIFY2(owner.waitForStarted(), qPrintable(owner.errorString()));
    QVERIFY(owner.waitForReadyRead(30000));
    const qint64 converterPid = owner.readLine().trimmed().toLongLong();
    QVERIFY(converterPid > 0);
    QTRY_VERIFY2_WITH_TIMEOUT(!fake.Invocations().isEmpty() && fake.Invocations().at(0).childPid > 0,
                              "the fake did not start its child in time", 30000);
    const Invocation converter = fake.Invocations().at(0);
    QCOMPARE(converter.pid, converterPid);
    QVERIFY(ProcessAlive(converter.childPid));

    // As the system ends a program: no code of its own runs any more.
    owner.kill();
    QVERIFY(owner.waitForFinished(30000));

    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.pid), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(converter.childPid), 5000);
}

QTEST_GUILESS_MAIN(TestProcessTreeWin)
#include "test_process_tree_win.moc"
