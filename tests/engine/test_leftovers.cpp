// What a program killed hard leaves behind (temporary PDFs, the browser's profile) is removed by the
// next run, and what a program still running uses is never touched.
#include "DevToolsBrowser.h"
#include "Leftovers.h"
#include "RunTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kWaitMs = 30 * 1000;
const QString kProfilePrefix = QStringLiteral("velmora-profile-");

// The id of a process that has ended.
qint64 EndedProcessId() {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-functions")});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

QString TagOf(qint64 pid, quint64 start) {
    return QStringLiteral("%1-%2").arg(pid, 0, 16).arg(start, 0, 16);
}

} // namespace

class TestLeftovers : public QObject {
    Q_OBJECT
private slots:
    void nextRunRemovesPartFilesOfAHardKilledRun();
    void browserStartRemovesAbandonedProfiles();
};

void TestLeftovers::nextRunRemovesPartFilesOfAHardKilledRun() {
    FakeConverterInstall fake;
    QVERIFY(fake.Install());
    QTemporaryDir work;
    QVERIFY(WriteFile(work.filePath("in/hang.html"), "<p>hang</p>"));
    QVERIFY(WriteFile(work.filePath("in/page.html"), "<p>page</p>"));
    const QString out = work.filePath("out");
    QVERIFY(QDir().mkpath(out));
    const auto startHost = [&](QProcess& host, const QString& source) {
        host.start(QStringLiteral(RUNNERHOST_PATH), {fake.ConverterPath(), out, work.filePath(source)});
        return host.waitForStarted();
    };

    QProcess killed;
    QVERIFY(startHost(killed, "in/hang.html"));
    QTRY_VERIFY_WITH_TIMEOUT(fake.Invocations().size() == 1, kWaitMs);
    const QStringList leftover = TemporaryFilesIn(out);
    QCOMPARE(leftover.size(), 1);
    killed.kill(); // no chance to clean up
    QVERIFY(killed.waitForFinished(kWaitMs));
    QCOMPARE(TemporaryFilesIn(out), leftover);

    // Another run in the same folder removes the leftover as it starts.
    QProcess living;
    QVERIFY(startHost(living, "in/hang.html"));
    QTRY_VERIFY_WITH_TIMEOUT(fake.Invocations().size() == 2, kWaitMs);
    const QStringList inUse = TemporaryFilesIn(out);
    QCOMPARE(inUse.size(), 1);
    QVERIFY(!inUse.contains(leftover.first()));

    // A run that starts while another is converting leaves the other's file alone.
    QProcess next;
    QVERIFY(startHost(next, "in/page.html"));
    QVERIFY(next.waitForFinished(kWaitMs));
    QCOMPARE(next.exitCode(), 0);
    QVERIFY(QFileInfo(work.filePath("out/page.pdf")).size() > 0);
    QCOMPARE(TemporaryFilesIn(out), inUse);

    living.kill(); // a console program on Windows has no window to ask to close
    QVERIFY(living.waitForFinished(kWaitMs));
}

void TestLeftovers::browserStartRemovesAbandonedProfiles() {
    const QDir temp(QDir::tempPath());
    const QStringList own = OwnerTag().split(QLatin1Char('-'));
    QCOMPARE(own.size(), 2);
    const qint64 ownPid = own.at(0).toLongLong(nullptr, 16);
    const quint64 ownStart = own.at(1).toULongLong(nullptr, 16);
    QCOMPARE(ownPid, QCoreApplication::applicationPid());
    const QString ended = kProfilePrefix + TagOf(EndedProcessId(), 1) + QStringLiteral("-test01");
    // Its id is this program's, but it was made by an earlier process that had the same id.
    const QString reused = kProfilePrefix + TagOf(ownPid, ownStart + 1) + QStringLiteral("-test02");
    const QString living = kProfilePrefix + OwnerTag() + QStringLiteral("-test03");
    const QString foreign = kProfilePrefix + QStringLiteral("someone-else");
    for (const QString& name : {ended, reused, living, foreign})
        QVERIFY(WriteFile(temp.filePath(name + QStringLiteral("/Default/Preferences")), "{}"));

    {
        DevToolsBrowser browser(QStringLiteral(FAKE_BROWSER_PATH));
        QString reason;
        QVERIFY2(browser.Start(&reason), qPrintable(reason));
        QVERIFY(QFileInfo(browser.ProfileFolder()).fileName().startsWith(kProfilePrefix + OwnerTag() + '-'));
        QVERIFY(!temp.exists(ended));
        QVERIFY(!temp.exists(reused));
        QVERIFY(temp.exists(living));
        QVERIFY(temp.exists(foreign));
    }
    for (const QString& name : {ended, reused, living, foreign})
        QDir(temp.filePath(name)).removeRecursively();
}

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"
