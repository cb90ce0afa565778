// What a program killed hard leaves behind (temporary PDFs, the browser's profile) is removed by the
// next run, and what a program still running uses is never touched: not one on another computer or boot
// sharing the folder, nor one in another process-id namespace.
#include "RunTestSupport.h"
#include "modern/DevToolsBrowser.h"
#include "platform/Leftovers.h"
#include "render/PendingPdf.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kWaitMs = 30 * 1000;
// Set for this program run again as another user by ownerHiddenFromThisUserIsNotGone.
constexpr char kHiddenOwnerVariable[] = "VELMORA_TEST_HIDDEN_OWNER";
constexpr int kCannotHide = 77;
const QString kProfilePrefix = QStringLiteral("velmora-profile-");
constexpr QFile::Permissions kOthersAccess = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

// The id of a process that has ended.
qint64 EndedProcessId() {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-functions")});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

QString OwnPlace() {
    return OwnerTag().section(QLatin1Char('-'), 0, 0);
}

// The mark another computer, boot or pid namespace would give its leftovers.
QString OtherPlace() {
    QString place = OwnPlace();
    place[0] = place.at(0) == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    return place;
}

QString TagOf(const QString& place, qint64 pid, quint64 start) {
    return QStringLiteral("%1-%2-%3").arg(place).arg(pid, 0, 16).arg(start, 0, 16);
}

// This program's own tag, but for a process that had the same id before it.
QString ReusedIdTag() {
    return TagOf(OwnPlace(), QCoreApplication::applicationPid(),
                 OwnerTag().section(QLatin1Char('-'), 2, 2).toULongLong(nullptr, 16) + 1);
}

// The owner id the file system gives what this process makes.
uint OwnUserId(const QString& folder) {
    QFile probe(QDir(folder).filePath(QStringLiteral("owner-probe")));
    probe.open(QIODevice::WriteOnly);
    const uint owner = QFileInfo(probe).ownerId();
    probe.remove();
    return owner;
}

bool Private(const QString& folder) {
    const QFileInfo info(folder);
#ifdef Q_OS_WIN
    const bool closed = true; // a matter of the access list, inherited from the user's temporary folder
#else
    const bool closed = (info.permissions() & kOthersAccess) == 0;
#endif
    return info.isDir() && !info.isSymLink() && closed && info.ownerId() == OwnUserId(folder);
}

// Temporarily another temporary folder for this process.
class TempPathOverride {
public:
    explicit TempPathOverride(const QString& path)
        : m_wasSet(qEnvironmentVariableIsSet("TMPDIR")), m_previous(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(path));
    }
    ~TempPathOverride() { m_wasSet ? qputenv("TMPDIR", m_previous) : qunsetenv("TMPDIR"); }

private:
    bool m_wasSet;
    QByteArray m_previous;
};

} // namespace

class TestLeftovers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nextRunRemovesPartFilesOfAHardKilledRun();
    void runInAnotherPidNamespaceKeepsItsPartFile();
    void ownerHiddenFromThisUserIsNotGone();
    void onlyProvablyAbandonedLeftoversAreRemoved_data();
    void onlyProvablyAbandonedLeftoversAreRemoved();
    void entrySwappedForALinkIsNotFollowed_data();
    void entrySwappedForALinkIsNotFollowed();
    void privateFolderIsUsedOnlyWhenOwnAndClosed_data();
    void privateFolderIsUsedOnlyWhenOwnAndClosed();
    void browserStartRemovesAbandonedProfiles();
    void browserStartsBesideAnUntrustedProfilesFolder();
};

void TestLeftovers::initTestCase() {
    // The tests about this place's own leftovers need a place this system can tell.
    QVERIFY2(OwnPlace() != QLatin1String("unknown"), qPrintable(OwnerTag()));
}

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

// Inside its own pid namespace a run is process 1, an id that names another process out here.
void TestLeftovers::runInAnotherPidNamespaceKeepsItsPartFile() {
#ifdef Q_OS_WIN
    QSKIP("Windows has no pid namespaces");
#endif
    const QStringList unshare = {QStringLiteral("--pid"), QStringLiteral("--fork"),
                                 QStringLiteral("--mount-proc"), QStringLiteral("--kill-child")};
    if (QProcess::execute(QStringLiteral("unshare"), unshare + QStringList{QStringLiteral("true")}) != 0)
        QSKIP("unshare --pid needs root and the unshare program");
    FakeConverterInstall fake;
    QVERIFY(fake.Install());
    QTemporaryDir work;
    QVERIFY(WriteFile(work.filePath("in/hang.html"), "<p>hang</p>"));
    QVERIFY(WriteFile(work.filePath("in/page.html"), "<p>page</p>"));
    const QString out = work.filePath("out");
    QVERIFY(QDir().mkpath(out));

    QProcess inside;
    inside.start(QStringLiteral("unshare"),
                 unshare + QStringList{QStringLiteral(RUNNERHOST_PATH), fake.ConverterPath(), out,
                                       work.filePath("in/hang.html")});
    QVERIFY(inside.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.Invocations().size() == 1, kWaitMs);
    const QStringList inUse = TemporaryFilesIn(out);
    QCOMPARE(inUse.size(), 1);

    QProcess outside;
    outside.start(QStringLiteral(RUNNERHOST_PATH),
                  {fake.ConverterPath(), out, work.filePath("in/page.html")});
    QVERIFY(outside.waitForFinished(kWaitMs));
    QCOMPARE(outside.exitCode(), 0);
    QVERIFY(QFileInfo(work.filePath("out/page.pdf")).size() > 0);
    QCOMPARE(TemporaryFilesIn(out), inUse);

    inside.kill(); // --kill-child takes the whole namespace with it
    QVERIFY(inside.waitForFinished(kWaitMs));
}

// A /proc that hides other users' processes shows no entry for a run of another user still writing.
void TestLeftovers::ownerHiddenFromThisUserIsNotGone() {
    if (qEnvironmentVariableIsSet(kHiddenOwnerVariable)) { // as nobody, beside process 1 of root's
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/1")));
        QTemporaryDir folder;
        const QString part =
            folder.filePath(QStringLiteral(".velmora-%1-0000abcd.part").arg(TagOf(OwnPlace(), 1, 1)));
        QVERIFY(WriteFile(part, "%PDF-1.4"));
        RemoveAbandonedPartFiles(folder.path());
        QVERIFY(QFileInfo::exists(part));
        return;
    }
#ifdef Q_OS_WIN
    QSKIP("Windows has no /proc");
#endif
    // A new pid namespace whose process 1 is root's and whose /proc shows nobody only nobody's own.
    const QString script = QStringLiteral("mount -o remount,hidepid=2 /proc || exit %1; "
                                          "command -v runuser >/dev/null || exit %1; "
                                          "exec runuser -u nobody -- \"$0\" ownerHiddenFromThisUserIsNotGone")
                               .arg(kCannotHide);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kHiddenOwnerVariable), QStringLiteral("1"));
    QProcess hidden;
    hidden.setProcessEnvironment(environment);
    hidden.setProcessChannelMode(QProcess::MergedChannels);
    hidden.start(QStringLiteral("unshare"),
                 {QStringLiteral("--pid"), QStringLiteral("--fork"), QStringLiteral("--mount-proc"),
                  QStringLiteral("--kill-child"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                  QCoreApplication::applicationFilePath()});
    const bool ended = hidden.waitForFinished(kWaitMs);
    const QByteArray output = hidden.readAll();
    if (hidden.error() == QProcess::FailedToStart || hidden.exitCode() == kCannotHide ||
        (ended && !output.contains("Start testing")))
        QSKIP("hiding processes needs root, unshare, mount and runuser");
    QVERIFY2(ended && hidden.exitStatus() == QProcess::NormalExit && hidden.exitCode() == 0,
             output.constData());
}

void TestLeftovers::onlyProvablyAbandonedLeftoversAreRemoved_data() {
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("removed");

    const qint64 ended = EndedProcessId();
    QTest::newRow("here, owner ended") << TagOf(OwnPlace(), ended, 1) << true;
    QTest::newRow("here, owner's id used again") << ReusedIdTag() << true;
    QTest::newRow("here, owner running") << OwnerTag() << false;
    // The id is free here, but there it may be a run still writing.
    QTest::newRow("another computer, boot or namespace") << TagOf(OtherPlace(), ended, 1) << false;
    QTest::newRow("maker could not tell its place") << TagOf(QStringLiteral("unknown"), ended, 1) << false;
    QTest::newRow("no place (an earlier version)")
        << QStringLiteral("%1-%2").arg(ended, 0, 16).arg(1, 0, 16) << false;
}

void TestLeftovers::onlyProvablyAbandonedLeftoversAreRemoved() {
    QFETCH(QString, tag);
    QFETCH(bool, removed);

    QTemporaryDir folder;
    const QString part = folder.filePath(QStringLiteral(".velmora-%1-0000abcd.part").arg(tag));
    QVERIFY(WriteFile(part, "%PDF-1.4"));
    RemoveAbandonedPartFiles(folder.path());
    QCOMPARE(QFileInfo::exists(part), !removed);
}

void TestLeftovers::entrySwappedForALinkIsNotFollowed_data() {
    QTest::addColumn<LeftoverKind>("kind");
    QTest::addColumn<bool>("swapped");

    QTest::newRow("file") << LeftoverKind::File << false;
    QTest::newRow("folder") << LeftoverKind::Folder << false;
    QTest::newRow("file swapped for a link") << LeftoverKind::File << true;
    QTest::newRow("folder swapped for a link") << LeftoverKind::Folder << true;
}

// Between judging a leftover by its name and removing it, someone may put a link in its place.
void TestLeftovers::entrySwappedForALinkIsNotFollowed() {
#ifdef Q_OS_WIN
    QSKIP("links need extra rights on Windows");
#endif
    QFETCH(LeftoverKind, kind);
    QFETCH(bool, swapped);

    QTemporaryDir work;
    const QString elsewhere = work.filePath("elsewhere/keep.txt");
    QVERIFY(WriteFile(elsewhere, "keep"));
    const QString entry = work.filePath(QStringLiteral("leftover"));
    QVERIFY(WriteFile(kind == LeftoverKind::Folder ? entry + QStringLiteral("/Default/Preferences") : entry,
                      "{}"));
    if (swapped) {
        QVERIFY(kind == LeftoverKind::Folder ? QDir(entry).removeRecursively() : QFile::remove(entry));
        QVERIFY(QFile::link(kind == LeftoverKind::Folder ? QFileInfo(elsewhere).path() : elsewhere, entry));
    }

    QCOMPARE(RemoveLeftover(entry, kind), !swapped);
    // A link it leaves as it is, and what the link leads to too.
    QCOMPARE(QFileInfo(entry).isSymLink(), swapped);
    QCOMPARE(QFileInfo::exists(entry), swapped);
    QVERIFY(QFileInfo::exists(elsewhere));
}

void TestLeftovers::privateFolderIsUsedOnlyWhenOwnAndClosed_data() {
    QTest::addColumn<QString>("found"); // what stands at the folder's place beforehand
    QTest::addColumn<bool>("used");

    QTest::newRow("nothing") << "nothing" << true;
    QTest::newRow("the user's own, closed") << "own" << true;
    QTest::newRow("open to others") << "open" << false;
    QTest::newRow("a link to a folder of the user's") << "link" << false;
    QTest::newRow("another user's") << "other user" << false;
}

void TestLeftovers::privateFolderIsUsedOnlyWhenOwnAndClosed() {
#ifdef Q_OS_WIN
    QSKIP("the user's temporary folder is private on Windows; links and modes need other tools");
#endif
    QFETCH(QString, found);
    QFETCH(bool, used);

    QTemporaryDir parent;
    const QString place = PrivateFolder(parent.path());
    QVERIFY(!place.isEmpty());
    QVERIFY(QDir(place).removeRecursively());
    const QFile::Permissions closed = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (found == "own" || found == "open" || found == "other user") {
        QVERIFY(QDir().mkdir(place));
        QVERIFY(QFile::setPermissions(place, found == "open" ? closed | kOthersAccess : closed));
    } else if (found == "link") {
        const QString elsewhere = parent.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkdir(elsewhere));
        QVERIFY(QFile::setPermissions(elsewhere, closed));
        QVERIFY(QFile::link(elsewhere, place));
    }
    if (found == "other user" &&
        (QProcess::execute(QStringLiteral("chown"), {QStringLiteral("nobody"), place}) != 0 ||
         QFileInfo(place).ownerId() == OwnUserId(parent.path())))
        QSKIP("giving a folder to another user needs root");

    const QString result = PrivateFolder(parent.path());
    QCOMPARE(!result.isEmpty(), used);
    if (used) {
        QCOMPARE(result, place);
        QVERIFY(Private(result));
    }
}

void TestLeftovers::browserStartRemovesAbandonedProfiles() {
    const QString profiles = PrivateFolder(QDir::tempPath());
    QVERIFY(!profiles.isEmpty());
    const QDir folder(profiles);
    const QString ended = kProfilePrefix + TagOf(OwnPlace(), EndedProcessId(), 1) + QStringLiteral("-test01");
    const QString reused = kProfilePrefix + ReusedIdTag() + QStringLiteral("-test02");
    const QString living = kProfilePrefix + OwnerTag() + QStringLiteral("-test03");
    const QString elsewhere =
        kProfilePrefix + TagOf(OtherPlace(), EndedProcessId(), 1) + QStringLiteral("-test04");
    const QString foreign = kProfilePrefix + QStringLiteral("someone-else");
    const QStringList planted = {ended, reused, living, elsewhere, foreign};
    const auto removePlanted = qScopeGuard([&] { // the folder is the user's own, shared by all runs
        for (const QString& name : planted)
            QDir(folder.filePath(name)).removeRecursively();
    });
    for (const QString& name : planted)
        QVERIFY(WriteFile(folder.filePath(name + QStringLiteral("/Default/Preferences")), "{}"));

    {
        DevToolsBrowser browser(QStringLiteral(FAKE_BROWSER_PATH));
        QString reason;
        QVERIFY2(browser.Start(&reason), qPrintable(reason));
        const QFileInfo profile(browser.ProfileFolder());
        QCOMPARE(profile.absolutePath(), QFileInfo(profiles).absoluteFilePath());
        QVERIFY(profile.fileName().startsWith(kProfilePrefix + OwnerTag() + '-'));
        QVERIFY(Private(profiles));
        QVERIFY(!folder.exists(ended));
        QVERIFY(!folder.exists(reused));
        QVERIFY(folder.exists(living));
        QVERIFY(folder.exists(elsewhere));
        QVERIFY(folder.exists(foreign));
    }
}

// Someone else's folder at the profiles' place neither stops the browser nor has anything removed.
void TestLeftovers::browserStartsBesideAnUntrustedProfilesFolder() {
#ifdef Q_OS_WIN
    QSKIP("links need extra rights on Windows");
#endif
    QTemporaryDir temp;
    QString place;
    {
        const TempPathOverride usingTemp(temp.path());
        place = PrivateFolder(QDir::tempPath());
    }
    QVERIFY(!place.isEmpty());
    QVERIFY(QDir(place).removeRecursively());
    const QString planted = temp.filePath(QStringLiteral("planted/") + kProfilePrefix +
                                          TagOf(OwnPlace(), EndedProcessId(), 1) + QStringLiteral("-test01"));
    QVERIFY(WriteFile(planted + QStringLiteral("/Default/Preferences"), "{}"));
    QVERIFY(QFile::link(temp.filePath(QStringLiteral("planted")), place));

    const TempPathOverride usingTemp(temp.path());
    DevToolsBrowser browser(QStringLiteral(FAKE_BROWSER_PATH));
    QString reason;
    QVERIFY2(browser.Start(&reason), qPrintable(reason));
    QCOMPARE(QFileInfo(browser.ProfileFolder()).absolutePath(), QFileInfo(temp.path()).absoluteFilePath());
    QVERIFY(Private(browser.ProfileFolder()));
    QVERIFY(QFileInfo::exists(planted));
}

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"
