// One window per user session, with real starts of the window program beside this test's own window.
#include "MainFormFixture.h"

#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kStartTimeoutMs = 30000;

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aLaterStartHandsItsSourcesToTheWindow();
    void theFirstStartOpensTheWindowAndLaterOnesEnd();

private:
    // A start of the window program in `folder`, in this test's session.
    void Start(QProcess& process, const QStringList& arguments, const QString& folder = {});

    QTemporaryDir m_session; // stands in for the user's runtime and temporary folders
    QTemporaryDir m_config;
};

// The socket and its lock go where a real session keeps them ($XDG_RUNTIME_DIR; %TEMP% on Windows), so
// neither this test nor the programs it starts meet a window the user has open.
void TestSingleInstance::initTestCase() {
    QVERIFY(m_session.isValid() && m_config.isValid());
    for (const char* name : {"XDG_RUNTIME_DIR", "TEMP", "TMP"})
        qputenv(name, QFile::encodeName(m_session.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void TestSingleInstance::Start(QProcess& process, const QStringList& arguments, const QString& folder) {
    process.setProgram(QStringLiteral(VELMORA_WINDOW_PROGRAM));
    process.setArguments(arguments);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start();
    QVERIFY(process.waitForStarted());
}

// A file named relative to the later start's folder arrives as its full path; the window queues what
// came as --queue does and tells what it skipped.
void TestSingleInstance::aLaterStartHandsItsSourcesToTheWindow() {
    MainFormFixture f;
    f.Open();
    const QString file = f.MakeFiles({"page.html"}).first();
    SingleInstance instance;
    QVERIFY(!instance.HandToRunningWindow({}));
    instance.Serve(f.Window());

    QProcess later;
    Start(later, {"--queue", "page.html", "http://a.test/", "no such thing"}, QFileInfo(file).path());
    QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, kStartTimeoutMs);
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), 0);
    QTRY_COMPARE(f.RowTexts(), QStringList({QDir::toNativeSeparators(file), "http://a.test/"}));
    QCOMPARE(f.PaneTexts().last(), QStringLiteral("URL/Files Count: 2"));
}

// While the first start's window runs, later starts end at once; once it has closed, the next start
// opens the window and is the one later starts reach.
void TestSingleInstance::theFirstStartOpensTheWindowAndLaterOnesEnd() {
    QProcess first;
    Start(first, {});
    QTRY_VERIFY_WITH_TIMEOUT(SingleInstance().HandToRunningWindow({}), kStartTimeoutMs);

    QProcess later;
    Start(later, {"--queue", "http://a.test/"});
    QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, kStartTimeoutMs);
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate(); // closes the window as the user would
    QVERIFY(first.waitForFinished(kStartTimeoutMs));
    QVERIFY(!SingleInstance().HandToRunningWindow({}));

    QProcess next;
    Start(next, {});
    QTRY_VERIFY_WITH_TIMEOUT(SingleInstance().HandToRunningWindow({}), kStartTimeoutMs);
    QCOMPARE(next.state(), QProcess::Running);
    next.terminate();
    QVERIFY(next.waitForFinished(kStartTimeoutMs));
}

QTEST_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
