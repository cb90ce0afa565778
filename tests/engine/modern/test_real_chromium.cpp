#include "LoadingPages.h"
#include "PdfTools.h"
#include "RouteServer.h"
#include "SignInServer.h"
#include "SmallDisk.h"
#include "modern/BrowserLocation.h"
#include "modern/ChromiumBackend.h"
#include "modern/SignInProfile.h"
#include "render/PageLoadRules.h"
#include "run/BatchRunner.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

#include <csignal>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kRowWaitMs = 2 * 60 * 1000;
// For the browser to close what a row leaves: a fraction of a second, on a slow machine a few seconds.
constexpr int kCloseWaitMs = 30 * 1000;
constexpr int kImageWidth = 37;
constexpr int kImageHeight = 23;

// Takes requests on ports of its own and never answers them: a page's request stays open until the page
// goes, which drops its connection. One port for each page, as the browser opens at most six
// connections to one port at a time.
class HoldingServers final : public QObject {
public:
    int held = 0; // requests arrived whose connection is still open

    bool Listen(int count) {
        for (int i = 0; i < count; ++i) {
            auto server = std::make_unique<QTcpServer>();
            if (!server->listen(QHostAddress::LocalHost))
                return false;
            connect(server.get(), &QTcpServer::newConnection, this, [this, listening = server.get()] {
                while (QTcpSocket* socket = listening->nextPendingConnection())
                    Hold(socket);
            });
            m_servers.push_back(std::move(server));
        }
        return true;
    }
    QStringList Ports() const {
        QStringList ports;
        for (const auto& server : m_servers)
            ports << QString::number(server->serverPort());
        return ports;
    }

private:
    void Hold(QTcpSocket* socket) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, counted = false]() mutable {
            socket->readAll();
            if (!counted) {
                counted = true;
                ++held;
                connect(socket, &QTcpSocket::disconnected, this, [this] { --held; });
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    std::vector<std::unique_ptr<QTcpServer>> m_servers;
};

QSet<QString> Words(const QString& text) {
    QSet<QString> words;
    static const QRegularExpression kWord(QStringLiteral("[A-Za-z]{3,}"));
    for (auto match = kWord.globalMatch(text); match.hasNext();)
        words.insert(match.next().captured().toLower());
    return words;
}

// The words a reader sees in an HTML page's <main>: tags, scripts and styles removed, entities decoded.
QSet<QString> HtmlWords(const QString& html) {
    QString text = html.mid(html.indexOf("<main>"));
    text.truncate(text.indexOf("</main>"));
    text.remove(QRegularExpression(QStringLiteral("<(script|style)[^>]*>.*?</\\1>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    text.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "));
    text.replace(QRegularExpression(QStringLiteral("&[a-z]+;|&#[0-9]+;")), QStringLiteral(" "));
    return Words(text);
}

// Processes whose command line mentions the text (the browser and its helpers name their profile).
int ProcessesMentioning(const QString& text) {
    int count = 0;
    QDirIterator proc(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (proc.hasNext()) {
        QFile cmdline(proc.next() + QStringLiteral("/cmdline"));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toLocal8Bit()))
            ++count;
    }
    return count;
}

// An address on 127.0.0.1 where nothing listens: a port that was free a moment ago and is closed again.
QString ClosedPortUrl() {
    QTcpServer closed;
    if (!closed.listen(QHostAddress::LocalHost))
        return {};
    return QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
}

// The process group of the first process whose command line mentions the text; 0 when none does.
qint64 GroupOfProcessMentioning(const QString& text) {
    QDirIterator proc(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (proc.hasNext()) {
        const QString folder = proc.next();
        QFile cmdline(folder + QStringLiteral("/cmdline"));
        QFile stat(folder + QStringLiteral("/stat"));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toLocal8Bit()) &&
            stat.open(QIODevice::ReadOnly)) {
            // "pid (name) state ppid pgrp ...": the name may hold spaces, so count from its end.
            const QByteArray fields = stat.readAll();
            return fields.mid(fields.lastIndexOf(')') + 2).split(' ').value(2).toLongLong();
        }
    }
    return 0;
}

// The browser's helper processes of one type ("zygote": those that start its renderers; "renderer"; empty:
// all of them): processes of the group started with --type=<type>.
QList<qint64> HelpersInGroup(qint64 group, const QByteArray& type) {
    QList<qint64> helpers;
    QDirIterator proc(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (proc.hasNext()) {
        const QString folder = proc.next();
        QFile cmdline(folder + QStringLiteral("/cmdline"));
        QFile stat(folder + QStringLiteral("/stat"));
        if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains("--type=" + type) ||
            !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        if (fields.mid(fields.lastIndexOf(')') + 2).split(' ').value(2).toLongLong() == group)
            helpers << QFileInfo(folder).fileName().toLongLong();
    }
    return helpers;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int ProcessesInGroup(qint64 group) {
    int count = 0;
    QDirIterator proc(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (proc.hasNext()) {
        QFile stat(proc.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        if (fields.mid(fields.lastIndexOf(')') + 2).split(' ').value(2).toLongLong() == group)
            ++count;
    }
    return count;
}

} // namespace

// The Modern engine with the real Chromium, on the book corpus and on pages served on 127.0.0.1.
class TestRealChromium : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bookChapterKeepsItsText();
    void localPageReadsOnlyItsOwnFolder();
    void documentSetKeepsItsLook();
    void receivedPageReadsNothingAround_data();
    void receivedPageReadsNothingAround();
    void rowsInTurnShareATabButNotTheirText_data();
    void rowsInTurnShareATabButNotTheirText();
    void failedMainDocument_data();
    void failedMainDocument();
    void pageThatNeverLoadsHitsTheTimeLimit();
    void stopMidPageLeavesNothingBehind();
    void dialogsAreDismissed();
    void pageStillRunningAfterItsRowGivesUpItsTab_data();
    void pageStillRunningAfterItsRowGivesUpItsTab();
    void windowsAPageOpensCloseWithItsRow();
    void browserWithoutZygoteIsReplaced();
    void killedRendererFailsItsRow_data();
    void killedRendererFailsItsRow();
    void killedBrowserLeavesNoProfile();
    void pageSentOnIsJudgedByWhereItArrives_data();
    void pageSentOnIsJudgedByWhereItArrives();
    void textAddedAfterTheLoadEventIsPrinted();
    void onlyPartsThePrintShowsWarn_data();
    void onlyPartsThePrintShowsWarn();
    void fullDiskSaysSo_data();
    void fullDiskSaysSo();
    void contentLoadedOnScrollIsPrinted_data();
    void contentLoadedOnScrollIsPrinted();
    void collapsedSectionsOpenWhenAsked_data();
    void collapsedSectionsOpenWhenAsked();
    void waitsForWhatThePageFinishesLate_data();
    void waitsForWhatThePageFinishesLate();
    void waitThatNeverEndsNamesWhatNeverCame_data();
    void waitThatNeverEndsNamesWhatNeverCame();
    void userStyleAndHiddenElements();
    void lateRedirectIsFollowed_data();
    void lateRedirectIsFollowed();
    void signInGoesOnlyToTheRowsHosts_data();
    void signInGoesOnlyToTheRowsHosts();
    void browserSignInServesLaterRunsUntilCleared();

private:
    // Converts one page of the loading pages with what is done to it before printing; its PDF's text.
    QString ConvertLoadingPage(const QString& path, const PageLoading& loading);
    QString BeginRow(int job, const QString& source, const QString& localRoot = {});
    QList<ConversionJob> JobsInto(const QString& folder, const QStringList& paths) const;
    bool WaitForEndWithin(int job, int ms) {
        return QTest::qWaitFor([&] { return m_ended.contains(job); }, ms);
    }
    bool WaitForEnd(int job) { return WaitForEndWithin(job, kRowWaitMs); }

    QString m_browser;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<ChromiumBackend> m_backend;
    RouteServer m_server;
    QHash<int, std::pair<RowState, QString>> m_ended;
};

// A user signs in in a real browser window (on a screen of Xvfb's): the site sets a session cookie,
// which the program saves from the window while it is open. Later runs send it, until it is cleared.
void TestRealChromium::browserSignInServesLaterRunsUntilCleared() {
    const ProgramLocation windowed = LocateWindowedBrowser(QDir::tempPath());
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (!windowed.found || xvfb.isEmpty())
        QSKIP("A browser that shows windows and Xvfb are needed.");
    int display = 60;
    while (display < 100 && (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)) ||
                             QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display))))
        ++display;
    QProcess screen;
    screen.start(xvfb,
                 {QStringLiteral(":%1").arg(display), "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QVERIFY(screen.waitForStarted());
    const auto stopScreen = qScopeGuard([&screen] {
        screen.terminate();
        screen.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)), kCloseWaitMs);
    const QByteArray previousDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", QStringLiteral(":%1").arg(display).toLatin1());
    const auto restoreDisplay = qScopeGuard([&previousDisplay] { qputenv("DISPLAY", previousDisplay); });

    MembersSite site;
    QVERIFY(site.Start("session=opensesame", false));
    site.first.routes.insert(
        "/login", {{"200 OK", "Content-Type: text/html\r\nSet-Cookie: session=opensesame; Path=/\r\n",
                    "<p>Signed in</p>"},
                   {},
                   {}});
    QVERIFY(ClearSignInProfile());
    {
        SignInBrowser browser(windowed.path);
        QString reason;
        QVERIFY2(browser.Open(site.first.Url("/login"), &reason), qPrintable(reason));
        const auto saved = [] {
            const QList<Cookie> cookies = SignInProfileCookies();
            return std::any_of(cookies.cbegin(), cookies.cend(), [](const Cookie& c) {
                return c.name == "session" && c.value == "opensesame";
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(saved(), kRowWaitMs);
    } // the program ends, and its window with it

    const auto convert = [this, &site](int job) {
        m_backend = std::make_unique<ChromiumBackend>(m_browser);
        connect(m_backend.get(), &RenderBackend::rowEnded, this,
                [this](int ended, RowState state, const QString& reason) {
                    m_ended.insert(ended, {state, reason});
                });
        m_backend->BeginRun(1);
        return BeginRow(job, site.MembersUrl());
    };
    const QString pdf = convert(0);
    QVERIFY(WaitForEnd(0));
    QVERIFY2(m_ended[0].first != RowState::Failed, qPrintable(m_ended[0].second));
    QVERIFY2(PdfText(pdf).contains(MembersSite::kText), qPrintable(PdfText(pdf)));
    QVERIFY(!site.second.AnyHeadHolds("opensesame"));

    QVERIFY(ClearSignInProfile());
    convert(1);
    QVERIFY(WaitForEnd(1));
    QCOMPARE(m_ended[1].first, RowState::Failed);
    QVERIFY2(m_ended[1].second.contains("asks for a sign-in"), qPrintable(m_ended[1].second));
}

void TestRealChromium::initTestCase() {
    // The browser sign-in's profile lives in a folder of the tests' own.
    QStandardPaths::setTestModeEnabled(true);
    const ProgramLocation browser = LocateBrowser(QDir::tempPath());
    QVERIFY2(browser.found, qPrintable("Chromium must be installed; looked at " + browser.path));
    m_browser = browser.path;
    QVERIFY(m_server.Listen());
}

void TestRealChromium::init() {
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    m_ended.clear();
    m_server.hits.clear();
    m_backend = std::make_unique<ChromiumBackend>(m_browser);
    connect(m_backend.get(), &RenderBackend::rowEnded, this,
            [this](int job, RowState state, const QString& reason) {
                m_ended.insert(job, {state, reason});
            });
    m_backend->BeginRun(1);
}

void TestRealChromium::cleanup() {
    m_backend.reset();
    m_work.reset();
}

QString TestRealChromium::ConvertLoadingPage(const QString& path, const PageLoading& loading) {
    AddLoadingPages(m_server);
    PageSetup page;
    page.loading = loading;
    const QString output = m_work->filePath(QStringLiteral("loading.pdf.part"));
    QFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.close();
    m_backend->Begin(0, RenderRequest{m_server.Url(path), output, {}, page});
    if (!WaitForEnd(0))
        return {};
    return PdfText(output).simplified();
}

// What a page behind a login needs reaches it, and nothing of it the second host the page loads from; a
// page left without it fails with a reason that points to the setting.
void TestRealChromium::signInGoesOnlyToTheRowsHosts_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("needs");
    QTest::addColumn<bool>("basic");
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");

    const QString signInReason = QStringLiteral("the page asks for a sign-in");
    QTest::newRow("no cookie: refused")
        << "none" << QByteArray("session=opensesame") << false << RowState::Failed
        << "The server answered 403 Forbidden: " + signInReason;
    QTest::newRow("cookie for the rows' hosts") << "cookie" << QByteArray("session=opensesame") << false
                                                << RowState::ConvertedWithWarnings << "ask.png";
    QTest::newRow("cookie from a cookies file") << "cookies file" << QByteArray("session=opensesame") << false
                                                << RowState::ConvertedWithWarnings << "ask.png";
    QTest::newRow("header") << "header" << QByteArray("X-Club: members") << false
                            << RowState::ConvertedWithWarnings << "ask.png";
    QTest::newRow("basic sign-in") << "basic" << QByteArray("Authorization: Basic dTpwdw==") << true
                                   << RowState::ConvertedWithWarnings << "ask.png";
    QTest::newRow("wrong password: asked once")
        << "wrong password" << QByteArray("Authorization: Basic dTpwdw==") << true << RowState::Failed
        << "The server answered 401 Unauthorized: " + signInReason;
}

void TestRealChromium::signInGoesOnlyToTheRowsHosts() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, needs);
    QFETCH(bool, basic);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    MembersSite site;
    QVERIFY(site.Start(needs, basic));

    SignIn signIn;
    signIn.hosts = HostsOf({site.MembersUrl()});
    if (kind == "cookie") {
        signIn.cookies = {*ParseCookieArgument("session=opensesame")};
    } else if (kind == "cookies file") {
        const QString file = m_work->filePath("cookies.txt");
        QVERIFY(WriteBytes(file,
                           "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\topensesame\n"
                           "127.0.0.2\tFALSE\t/\tFALSE\t0\tother\tsecondonly\n"));
        QString error;
        signIn.cookies = ReadCookiesFile(file, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    } else if (kind == "header") {
        signIn.headers = {*ParseHeader("X-Club: members")};
    } else if (kind == "basic" || kind == "wrong password") {
        signIn.user = "u";
        signIn.password = kind == "basic" ? "pw" : "nope";
    }
    const QString output = m_work->filePath("row0.pdf.part");
    QVERIFY(WriteBytes(output, {}));
    m_backend->Begin(0, RenderRequest{site.MembersUrl(), output, {}, {}, signIn});
    QVERIFY(WaitForEnd(0));

    QCOMPARE(m_ended[0].first, state);
    QVERIFY2(m_ended[0].second.contains(reason), qPrintable(m_ended[0].second));
    if (state != RowState::Failed) {
        QVERIFY2(PdfText(output).contains(MembersSite::kText), qPrintable(PdfText(output)));
        QVERIFY(site.first.AnyHeadHolds(needs));
        // The framed address of the rows' host that redirects to the second host was followed.
        QTRY_VERIFY_WITH_TIMEOUT(site.second.AnyHeadHolds("GET /landing"), kCloseWaitMs);
    }
    const QString problem =
        site.SecondHostProblem({"opensesame", "X-Club", "Authorization"}, state != RowState::Failed);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    if (kind == "cookies file") {
        // A cookie of the second host's own reaches it, when it is the page (the browser sends no
        // cookie to a third party's picture), and the first host's does not.
        m_ended.clear();
        const QString second = m_work->filePath("row1.pdf.part");
        QVERIFY(WriteBytes(second, {}));
        m_backend->Begin(1, RenderRequest{site.second.Url("/landing"), second, {}, {}, signIn});
        QVERIFY(WaitForEnd(1));
        QCOMPARE(m_ended[1].first, RowState::Converted);
        QVERIFY(site.second.AnyHeadHolds("other=secondonly"));
        QVERIFY(!site.second.AnyHeadHolds("opensesame"));
    }
}

QString TestRealChromium::BeginRow(int job, const QString& source, const QString& localRoot) {
    const QString output = m_work->filePath(QStringLiteral("row%1.pdf.part").arg(job));
    QFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.close();
    m_backend->Begin(job, RenderRequest{source, output, localRoot});
    return output;
}

void TestRealChromium::bookChapterKeepsItsText() {
    const QString book = QDir::cleanPath(QStringLiteral(VELMORA_CORPUS_DIR));
    const QString chapter = book + "/ch04-01-what-is-ownership.html";
    if (!QFile::exists(chapter))
        QSKIP(qPrintable("The book corpus is not at " + book));
    QFile html(chapter);
    QVERIFY(html.open(QIODevice::ReadOnly));
    const QSet<QString> chapterWords = HtmlWords(QString::fromUtf8(html.readAll()));
    QVERIFY(chapterWords.size() > 500);

    const QString pdf = BeginRow(0, chapter, book);
    QVERIFY(WaitForEnd(0));
    // The corpus lacks one figure the chapter shows; nothing else may be missing.
    QCOMPARE(m_ended[0].second,
             "This part could not be loaded: " +
                 QUrl::fromLocalFile(book + "/img/ferris/does_not_compile.svg").toString() + ".");
    const QSet<QString> printed = Words(PdfText(pdf));
    const QSet<QString> missing = chapterWords - printed;
    // Web-font text must stay text: the Classic engine keeps only a few hundred words of this chapter.
    QVERIFY2(missing.size() < chapterWords.size() / 10,
             qPrintable(QStringLiteral("%1 of %2 words missing, e.g. %3")
                            .arg(missing.size())
                            .arg(chapterWords.size())
                            .arg(QStringList(missing.values().mid(0, 20)).join(' '))));
}

void TestRealChromium::localPageReadsOnlyItsOwnFolder() {
    const QString site = m_work->filePath("site");
    QVERIFY(QDir().mkpath(site));
    QImage image(kImageWidth, kImageHeight, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(site + "/pic.png"));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(write(site + "/own.css", "p::after { content: ' OWNSTYLEMARK'; }"));
    QVERIFY(write(m_work->filePath("outside.css"), "p::before { content: 'OUTSIDEMARK '; }"));
    QVERIFY(write(site + "/page.html", "<html><head><link rel=stylesheet href='own.css'>"
                                       "<link rel=stylesheet href='../outside.css'></head>"
                                       "<body><p>Local page text</p><img src='pic.png'></body></html>"));

    const QString pdf = BeginRow(0, site + "/page.html", site);
    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0].first, RowState::ConvertedWithWarnings);
    QCOMPARE(m_ended[0].second, "This part could not be loaded: " +
                                    QUrl::fromLocalFile(m_work->filePath("outside.css")).toString() +
                                    " (blocked: outside the document's folder).");
    const QString text = PdfText(pdf).simplified();
    QVERIFY2(text.contains("Local page text OWNSTYLEMARK"), qPrintable(text));
    QVERIFY2(!text.contains("OUTSIDEMARK"), qPrintable(text));
    QCOMPARE(PdfImageSizes(pdf), QStringList{QStringLiteral("%1 x %2").arg(kImageWidth).arg(kImageHeight)});
}

// Generated documentation keeps its style sheets, fonts and scripts in a folder beside the pages', which
// the document set's root takes in.
void TestRealChromium::documentSetKeepsItsLook() {
    const QString page = WriteDocumentSet(m_work->filePath("docs"));
    QVERIFY(!page.isEmpty());

    const QString pdf = BeginRow(0, page, LocalRootFor(page));
    QVERIFY(WaitForEnd(0));

    QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    const QString problem = DocumentSetLookProblem(pdf);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(PdfFontNames(pdf).join(' ').contains(kDocumentSetFont), qPrintable(PdfFontNames(pdf).join(' ')));
}

// A received page names files around it in every way a page can without drawing with them, and its
// script builds a frame: none lets it read them, and its own style sheet still loads.
void TestRealChromium::receivedPageReadsNothingAround_data() {
    QTest::addColumn<QByteArray>("body");
    for (const auto& [name, body] : ReceivedPageBodies())
        QTest::newRow(qPrintable(name)) << body;
    QTest::newRow("a link up, and a frame built by script")
        << QByteArray("<a href=\"../../\">up</a><script>var frame = document.createElement('iframe');"
                      "frame.src = '../../secret.txt'; document.body.appendChild(frame);</script>");
}

void TestRealChromium::receivedPageReadsNothingAround() {
    QFETCH(QByteArray, body);
    const QString page = WriteReceivedPage(m_work->filePath("home"), body);
    QVERIFY(!page.isEmpty());

    const QString pdf = BeginRow(0, page, LocalRootFor(page));
    QVERIFY(WaitForEnd(0));

    QVERIFY2(m_ended[0].first != RowState::Failed, qPrintable(m_ended[0].second));
    const QString text = PdfText(pdf);
    QVERIFY2(text.contains("Own text " + kReceivedPageOwnMark), qPrintable(text));
    for (const QString& secret : kReceivedPageSecrets)
        QVERIFY2(!text.contains(secret), qPrintable(text));
}

// A converted row's tab serves the next row: each PDF must still hold its own page only, and an address
// that differs only after '#' (the same document, which a tab does not load again by itself) converts.
void TestRealChromium::rowsInTurnShareATabButNotTheirText_data() {
    QTest::addColumn<bool>("desktop"); // the desktop chromium rather than the browser found first
    QTest::newRow("found first") << false;
    QTest::newRow("desktop chromium") << true;
}

void TestRealChromium::rowsInTurnShareATabButNotTheirText() {
    QFETCH(bool, desktop);
    if (desktop) {
        const QString program = QStandardPaths::findExecutable("chromium");
        if (program.isEmpty())
            QSKIP("chromium is not on PATH");
        m_backend = std::make_unique<ChromiumBackend>(program);
        connect(m_backend.get(), &RenderBackend::rowEnded, this,
                [this](int job, RowState state, const QString& reason) {
                    m_ended.insert(job, {state, reason});
                });
        m_backend->BeginRun(1);
    }
    const QString site = m_work->filePath("site");
    QVERIFY(QDir().mkpath(site));
    for (const char* name : {"first", "second"}) {
        QFile page(site + "/" + name + ".html");
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(QByteArray("<html><body><p>Text of the ") + name + " page</p></body></html>");
    }
    const QList<std::pair<QString, QString>> rows = {
        {"first.html", "Text of the first page"},
        {"first.html#again", "Text of the first page"},
        {"second.html", "Text of the second page"},
        {"second.html", "Text of the second page"}, // the very same address again
    };
    for (int job = 0; job < rows.size(); ++job) {
        const QString pdf = BeginRow(job, QUrl::fromLocalFile(site).toString() + "/" + rows[job].first, site);
        QVERIFY(WaitForEnd(job));
        QVERIFY2(m_ended[job].first == RowState::Converted,
                 qPrintable(rows[job].first + ": " + m_ended[job].second));
        QCOMPARE(PdfText(pdf).simplified(), rows[job].second);
    }
}

void TestRealChromium::failedMainDocument_data() {
    QTest::addColumn<QString>("path"); // on the local server; empty: a port nothing listens on
    QTest::addColumn<QString>("reason");

    QTest::newRow("404 with a page") << "/missing-with-body"
                                     << "The server answered 404 Not Found.";
    QTest::newRow("404 without a page") << "/missing-empty"
                                        << "The server answered 404 Not Found.";
    QTest::newRow("500") << "/broken"
                         << "The server answered 500 Internal Server Error.";
    QTest::newRow("nothing listening") << ""
                                       << "The server 127.0.0.1 refused the connection.";
    QTest::newRow("closed without an answer") << "/drop"
                                              << "The server closed the connection without sending the page.";
    QTest::newRow("download") << "/file.bin"
                              << "The address leads to a file to download, not to a page.";
    QTest::newRow("204 No Content") << "/empty"
                                    << "The address gave no page to print (it answered with no content, "
                                       "or the load was called off).";
}

void TestRealChromium::failedMainDocument() {
    QFETCH(QString, path);
    QFETCH(QString, reason);

    m_server.routes["/missing-with-body"] = {"404 Not Found", "text/html", "<p>No such page here.</p>"};
    m_server.routes["/missing-empty"] = {"404 Not Found", "text/html", ""};
    m_server.routes["/broken"] = {"500 Internal Server Error", "text/html", "<p>Oops</p>"};
    m_server.routes["/file.bin"] = {"200 OK", "application/octet-stream", QByteArray(4096, 'x')};
    m_server.routes["/empty"] = {"204 No Content", "text/html", ""};
    m_server.routes["/drop"] = {};
    const QString url = path.isEmpty() ? ClosedPortUrl() : m_server.Url(path);
    const QString pdf = BeginRow(0, url);
    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0].first, RowState::Failed);
    QCOMPARE(m_ended[0].second, reason);
    QCOMPARE(QFileInfo(pdf).size(), 0);
}

QList<ConversionJob> TestRealChromium::JobsInto(const QString& folder, const QStringList& paths) const {
    QList<ConversionJob> jobs;
    for (const QString& path : paths)
        jobs.append({m_server.Url(path), QDir(folder).filePath(path.mid(1) + ".pdf")});
    return jobs;
}

void TestRealChromium::pageThatNeverLoadsHitsTheTimeLimit() {
    m_server.routes["/hanging"] = {"200 OK", "text/html", "<p>Waiting</p><img src='/never.png'>"};
    m_server.routes["/fine"] = {"200 OK", "text/html", "<p>Fine page</p>"};
    const QString folder = m_work->filePath("out");
    QVERIFY(QDir().mkpath(folder));
    BatchRunner runner;
    runner.SetBackend(std::make_unique<ChromiumBackend>(m_browser));
    // The limit also covers the browser's start; long enough that even a loaded machine has the page
    // open by then, since the page itself never finishes.
    runner.SetTimeoutMs(20000);
    QSignalSpy rows(&runner, &BatchRunner::rowFinished);
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.Start(JobsInto(folder, {"/hanging", "/fine"}));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kRowWaitMs);

    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][1].value<RowState>(), RowState::Failed);
    QCOMPARE(rows[0][2].toString(),
             QStringLiteral("The conversion did not finish within 20 seconds and was ended. "
                            "Its last message was: The page had not finished loading."));
    QCOMPARE(rows[1][1].value<RowState>(), RowState::Converted); // the same browser went on
    QVERIFY(PdfText(folder + "/fine.pdf").contains("Fine page"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"fine.pdf"});
}

void TestRealChromium::stopMidPageLeavesNothingBehind() {
    m_server.routes["/hanging"] = {"200 OK", "text/html", "<p>Waiting</p><img src='/never.png'>"};
    const QString folder = m_work->filePath("out");
    QVERIFY(QDir().mkpath(folder));
    BatchRunner runner;
    auto engine = std::make_unique<ChromiumBackend>(m_browser);
    ChromiumBackend* chromium = engine.get();
    runner.SetBackend(std::move(engine));
    QSignalSpy rows(&runner, &BatchRunner::rowFinished);
    runner.Start(JobsInto(folder, {"/hanging"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_server.hits.value("/never.png"), 1, kRowWaitMs); // the page is loading
    // Read only now: a browser slow to open the row's tab is replaced by one with a new profile.
    const QString profile = chromium->ProfileFolder();
    QVERIFY(!profile.isEmpty());
    const qint64 group = GroupOfProcessMentioning(profile);
    QVERIFY(group > 0);
    QVERIFY2(ProcessesInGroup(group) > 2, "the browser, its zygote and the page's renderer");

    runner.Stop();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][2].toString(), kStoppedReason);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    // The browser is asked to close and not waited for; its profile goes once it has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(profile), kRowWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ProcessesMentioning(profile), 0, kRowWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ProcessesInGroup(group), 0, kRowWaitMs);
}

void TestRealChromium::dialogsAreDismissed() {
    m_server.routes["/asks"] = {"200 OK", "text/html",
                                "<p>Before</p><script>alert('Hello');"
                                "document.write('<p>confirm ' + confirm('Sure?') + ' prompt ' + "
                                "prompt('Name?', 'x') + '</p>')</script>"};
    const QString pdf = BeginRow(0, m_server.Url("/asks"));
    QVERIFY2(WaitForEndWithin(0, 30000), "the dialogs stalled the page");
    QCOMPARE(m_ended[0].first, RowState::Converted);
    const QString text = PdfText(pdf).simplified();
    QVERIFY2(text.contains("confirm false prompt null"), qPrintable(text));
}

void TestRealChromium::pageStillRunningAfterItsRowGivesUpItsTab_data() {
    QTest::addColumn<QByteArray>("afterPrint"); // script run once the page was printed
    QTest::newRow("endless loop") << QByteArray("for (;;) {}");
    QTest::newRow("dialog") << QByteArray("alert('printed')");
}

// The next row must not wait on a tab whose page went on running after it was printed.
void TestRealChromium::pageStillRunningAfterItsRowGivesUpItsTab() {
    QFETCH(QByteArray, afterPrint);
    m_server.routes["/restless"] = {"200 OK", "text/html",
                                    "<p>Restless page</p><script>addEventListener('afterprint', () => "
                                    "setTimeout(() => { " +
                                        afterPrint + " }, 0))</script>"};
    m_server.routes["/fine"] = {"200 OK", "text/html", "<p>Fine page</p>"};
    const QString first = BeginRow(0, m_server.Url("/restless"));
    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0].first, RowState::Converted);
    QVERIFY(PdfText(first).contains("Restless page"));
    const QString second = BeginRow(1, m_server.Url("/fine"));
    QVERIFY2(WaitForEndWithin(1, 30000), "the next row waited on the restless page's tab");
    QCOMPARE(m_ended[1].first, RowState::Converted);
    QVERIFY(PdfText(second).contains("Fine page"));
}

// Each window holds a request open on a port of its own until it goes. The opener's load waits until all
// of them run, so that the row cannot end before its windows are there to be closed.
void TestRealChromium::windowsAPageOpensCloseWithItsRow() {
    constexpr int kWindows = 20;
    HoldingServers holding;
    QVERIFY(holding.Listen(kWindows));
    m_server.routes["/opener"] = {"200 OK", "text/html",
                                  "<p>Opener</p><img src='/gate.png'><script>for (const port of [" +
                                      holding.Ports().join(',').toLatin1() +
                                      "]) window.open('/opened', String(port))</script>"};
    m_server.routes["/opened"] = {"200 OK", "text/html",
                                  "<p>Opened</p><script>fetch('http://127.0.0.1:' + name + '/hold', "
                                  "{mode: 'no-cors'})</script>"};
    m_server.routes["/gate.png"] = {"200 OK", "image/png", ""};
    m_server.held.insert("/gate.png");
    BeginRow(0, m_server.Url("/opener"));
    QTRY_COMPARE_WITH_TIMEOUT(holding.held, kWindows, kRowWaitMs);
    QVERIFY(!m_ended.contains(0));
    m_server.Release("/gate.png");
    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    // Nothing a window started runs on: closing it called off its request.
    QTRY_COMPARE_WITH_TIMEOUT(holding.held, 0, kCloseWaitMs);
}

// Without its zygote the browser lives on but starts no renderer for a new tab: it is replaced.
void TestRealChromium::browserWithoutZygoteIsReplaced() {
    m_server.routes["/fine"] = {"200 OK", "text/html", "<p>Fine page</p>"};
    m_server.routes["/missing"] = {"404 Not Found", "text/html", "<p>No such page here.</p>"};
    BeginRow(0, m_server.Url("/fine"));
    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0].first, RowState::Converted);
    const QString profile = m_backend->ProfileFolder();
    const qint64 group = GroupOfProcessMentioning(profile);
    QVERIFY(group > 0);
    const QList<qint64> zygotes = HelpersInGroup(group, "zygote");
    QVERIFY(!zygotes.isEmpty());
    for (const qint64 zygote : zygotes)
        QVERIFY(::kill(pid_t(zygote), SIGKILL) == 0);

    BeginRow(1, m_server.Url("/missing")); // fails, so its tab is closed
    QVERIFY(WaitForEnd(1));
    QCOMPARE(m_ended[1].first, RowState::Failed);
    const QString pdf = BeginRow(2, m_server.Url("/fine")); // needs a new tab
    QVERIFY2(WaitForEndWithin(2, ChromiumBackend::kTabOpenLimitMs + 30000), "no new tab was opened");
    QVERIFY2(m_ended[2].first == RowState::Converted, qPrintable(m_ended[2].second));
    QVERIFY(PdfText(pdf).contains("Fine page"));
    QVERIFY(m_backend->ProfileFolder() != profile);
}

void TestRealChromium::killedRendererFailsItsRow_data() {
    QTest::addColumn<QString>("path");      // the row's page
    QTest::addColumn<QString>("requested"); // asked of the server once the page is where the case needs it

    QTest::newRow("while its document is fetched") << "/never-answered"
                                                   << "/never-answered";
    QTest::newRow("while its parts load") << "/hanging"
                                          << "/never.png";
}

void TestRealChromium::killedRendererFailsItsRow() {
    QFETCH(QString, path);
    QFETCH(QString, requested);

    m_server.routes["/hanging"] = {"200 OK", "text/html", "<p>Waiting</p><img src='/never.png'>"};
    const int earlierRequests = m_server.hits.value(requested); // by the tests before
    const QString pdf = BeginRow(0, m_server.Url(path));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.hits.value(requested) > earlierRequests, kRowWaitMs);
    const qint64 group = GroupOfProcessMentioning(m_backend->ProfileFolder());
    QVERIFY(group > 0);
    QTRY_VERIFY(!HelpersInGroup(group, "renderer").isEmpty());
    for (const qint64 renderer : HelpersInGroup(group, "renderer"))
        QVERIFY(::kill(pid_t(renderer), SIGKILL) == 0);

    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0],
             std::pair(RowState::Failed, QStringLiteral("The browser's renderer crashed on this page.")));
    QCOMPARE(QFileInfo(pdf).size(), 0);
}

// A browser killed from outside takes its helpers along and leaves no profile behind, without a word on
// standard error.
void TestRealChromium::killedBrowserLeavesNoProfile() {
    m_server.routes["/hanging"] = {"200 OK", "text/html", "<p>Waiting</p><img src='/never.png'>"};
    const int earlierRequests = m_server.hits.value("/never.png"); // by the tests before
    BeginRow(0, m_server.Url("/hanging"));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.hits.value("/never.png") > earlierRequests, kRowWaitMs);
    const QString profile = m_backend->ProfileFolder();
    const qint64 group = GroupOfProcessMentioning(profile); // the browser leads its group
    QVERIFY(group > 0);
    const auto endGroup = qScopeGuard([group] { ::kill(-pid_t(group), SIGKILL); }); // should the test fail
    // Helpers held still cannot notice that the browser is gone and end by themselves.
    const QList<qint64> helpers = HelpersInGroup(group, {});
    QVERIFY(!helpers.isEmpty());
    for (const qint64 helper : helpers)
        QVERIFY(::kill(pid_t(helper), SIGSTOP) == 0);
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QVERIFY(::kill(pid_t(group), SIGKILL) == 0);

    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0], std::pair(RowState::Failed, QStringLiteral("The browser ended unexpectedly.")));
    QTRY_COMPARE(ProcessesInGroup(group), 0);
    QTRY_VERIFY(!QFileInfo::exists(profile));
}

void TestRealChromium::pageSentOnIsJudgedByWhereItArrives_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");

    QTest::newRow("script to a 404") << "/to-missing" << RowState::Failed
                                     << "The server answered 404 Not Found.";
    QTest::newRow("refresh to a 500")
        << "/to-broken" << RowState::Failed << "The server answered 500 Internal Server Error.";
    QTest::newRow("replace to an unreachable host")
        << "/to-nowhere" << RowState::Failed << "The server 127.0.0.1 refused the connection.";
    QTest::newRow("script to a good page") << "/to-fine" << RowState::Converted << "";
}

// The outcome follows the document finally printed; a failure leaves the earlier PDF as it was.
void TestRealChromium::pageSentOnIsJudgedByWhereItArrives() {
    QFETCH(QString, path);
    QFETCH(RowState, state);
    QFETCH(QString, reason);

    m_server.routes["/missing"] = {"404 Not Found", "text/html", "<p>No such page here.</p>"};
    m_server.routes["/broken"] = {"500 Internal Server Error", "text/html", "<p>Oops</p>"};
    m_server.routes["/fine"] = {"200 OK", "text/html", "<p>Fine page</p>"};
    m_server.routes["/to-missing"] = {"200 OK", "text/html",
                                      "<p>Leaving</p><script>location.href = '/missing'</script>"};
    m_server.routes["/to-broken"] = {"200 OK", "text/html",
                                     "<meta http-equiv=refresh content='0;url=/broken'><p>Leaving</p>"};
    m_server.routes["/to-nowhere"] = {"200 OK", "text/html",
                                      "<p>Leaving</p><script>location.replace('" +
                                          ClosedPortUrl().toLatin1() + "')</script>"};
    m_server.routes["/to-fine"] = {
        "200 OK", "text/html",
        "<p>Leaving</p><script>setTimeout(() => location.href = '/fine', 50)</script>"};
    const QString folder = m_work->filePath("out");
    QVERIFY(QDir().mkpath(folder));
    const QList<ConversionJob> jobs = JobsInto(folder, {path});
    const QByteArray earlier = "%PDF-1.4\n% the good PDF of an earlier run\n%%EOF\n";
    QFile earlierPdf(jobs[0].outputPath);
    QVERIFY(earlierPdf.open(QIODevice::WriteOnly));
    earlierPdf.write(earlier);
    earlierPdf.close();

    BatchRunner runner;
    runner.SetBackend(std::make_unique<ChromiumBackend>(m_browser));
    QSignalSpy rows(&runner, &BatchRunner::rowFinished);
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.Start(jobs);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kRowWaitMs);
    QCOMPARE(std::pair(rows[0][1].value<RowState>(), rows[0][2].toString()), std::pair(state, reason));
    if (state == RowState::Failed) {
        QVERIFY(earlierPdf.open(QIODevice::ReadOnly));
        QCOMPARE(earlierPdf.readAll(), earlier);
    } else {
        const QString text = PdfText(jobs[0].outputPath);
        QVERIFY2(text.contains("Fine page") && !text.contains("Leaving"), qPrintable(text));
    }
}

void TestRealChromium::textAddedAfterTheLoadEventIsPrinted() {
    m_server.routes["/late"] = {
        "200 OK", "text/html",
        "<p>Early text</p><script>onload = () => setTimeout(() => "
        "document.body.insertAdjacentHTML('beforeend', '<p>LATE</p>'), 100)</script>"};
    const QString pdf = BeginRow(0, m_server.Url("/late"));
    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0].first, RowState::Converted);
    const QString text = PdfText(pdf).simplified();
    QVERIFY2(text.contains("Early text LATE"), qPrintable(text));
}

// A part missing from the printed page is a warning; one a script asked for and that draws nothing
// (a search index such as Javadoc's, data it fetches) is not.
void TestRealChromium::onlyPartsThePrintShowsWarn_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("missing"); // the part the warning names; empty: no warning

    QTest::newRow("search indexes a script adds")
        << QByteArray("<script>for (const name of ['module-search-index.js', 'tag-search-index.js']) {"
                      " const s = document.createElement('script'); s.src = '/gone/' + name;"
                      " document.head.appendChild(s); }</script>")
        << "";
    QTest::newRow("data a script fetches")
        << QByteArray("<script>fetch('/gone/data.json').catch(() => {});"
                      " const x = new XMLHttpRequest(); x.open('GET', '/gone/more.json'); x.send();</script>")
        << "";
    QTest::newRow("a script the page loads by tag")
        << QByteArray("<script src=\"/gone/app.js\"></script>") << "/gone/app.js";
    QTest::newRow("a style sheet a script adds")
        << QByteArray("<script>const l = document.createElement('link'); l.rel = 'stylesheet';"
                      " l.href = '/gone/look.css'; document.head.appendChild(l);</script>")
        << "/gone/look.css";
    QTest::newRow("an image a script adds")
        << QByteArray("<script>const i = new Image(); i.src = '/gone/chart.png';"
                      " document.body.appendChild(i);</script>")
        << "/gone/chart.png";
}

void TestRealChromium::onlyPartsThePrintShowsWarn() {
    QFETCH(QByteArray, body);
    QFETCH(QString, missing);
    m_server.routes["/page"] = {"200 OK", "text/html",
                                "<html><body><p>Package summary</p>" + body + "</body></html>"};
    for (const char* gone : {"/gone/module-search-index.js", "/gone/tag-search-index.js", "/gone/data.json",
                             "/gone/more.json", "/gone/app.js", "/gone/look.css", "/gone/chart.png"})
        m_server.routes[gone] = {"404 Not Found", "text/plain", "no such part"};

    BeginRow(0, m_server.Url("/page"));
    QVERIFY(WaitForEnd(0));
    if (missing.isEmpty()) {
        QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    } else {
        QCOMPARE(m_ended[0].first, RowState::ConvertedWithWarnings);
        QCOMPARE(m_ended[0].second, "This part could not be loaded: " + m_server.Url(missing) + " (404).");
    }
}

void TestRealChromium::fullDiskSaysSo_data() {
    QTest::addColumn<bool>("device"); // the full device, else a disk that fills as the PDF is written
    QTest::newRow("a full device") << true;
    QTest::newRow("fills while the PDF is written") << false;
}

void TestRealChromium::fullDiskSaysSo() {
    QFETCH(bool, device);
    QByteArray page;
    for (int paragraph = 0; paragraph < 2000; ++paragraph)
        page += "<p>Tide table entry " + QByteArray::number(paragraph) + " for the outer harbour</p>";
    m_server.routes["/long"] = {"200 OK", "text/html", page};
    std::optional<SmallDisk> disk;
    if (!device) {
        disk.emplace(32 * 1024);
        if (!disk->IsMounted())
            QSKIP(qPrintable("A small disk could not be mounted (it needs root): " + disk->Problem()));
    }
    const QString output =
        device ? QStringLiteral("/dev/full") : disk->FilePath(QStringLiteral("row.pdf.part"));

    m_backend->Begin(0, RenderRequest{m_server.Url("/long"), output, {}});

    QVERIFY(WaitForEnd(0));
    QCOMPARE(m_ended[0].first, RowState::Failed);
    QCOMPARE(m_ended[0].second, QStringLiteral("The PDF file could not be written: the disk is full."));
}

QTEST_GUILESS_MAIN(TestRealChromium)
#include "test_real_chromium.moc"

void TestRealChromium::contentLoadedOnScrollIsPrinted_data() {
    QTest::addColumn<bool>("scroll");
    QTest::newRow("scrolled through") << true;
    QTest::newRow("not scrolled") << false;
}

// Sections a page adds as its end comes into view are there only when the page was scrolled through.
void TestRealChromium::contentLoadedOnScrollIsPrinted() {
    QFETCH(bool, scroll);
    PageLoading loading;
    loading.scroll = scroll;
    const QString text = ConvertLoadingPage("/endless", loading);
    QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    QVERIFY2(text.contains("Top of the list"), qPrintable(text));
    QCOMPARE(text.contains(kLastSectionText), scroll);
    QCOMPARE(m_server.hits.value("/section?n=6"), scroll ? 1 : 0);
}

void TestRealChromium::collapsedSectionsOpenWhenAsked_data() {
    QTest::addColumn<bool>("open");
    QTest::newRow("opened") << true;
    QTest::newRow("left closed") << false;
}

void TestRealChromium::collapsedSectionsOpenWhenAsked() {
    QFETCH(bool, open);
    PageLoading loading;
    loading.openDetails = open;
    const QString text = ConvertLoadingPage("/details", loading);
    QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    QVERIFY2(text.contains("Show the answer"), qPrintable(text));
    QCOMPARE(text.contains(kAnswerText), open);
}

void TestRealChromium::waitsForWhatThePageFinishesLate_data() {
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("finished");
    QTest::newRow("no wait") << ""
                             << "" << 0 << false;
    QTest::newRow("an element") << "#done"
                                << "" << 0 << true;
    QTest::newRow("an expression") << ""
                                   << "window.reportReady === true" << 0 << true;
    QTest::newRow("a delay") << ""
                             << "" << 2500 << true;
}

void TestRealChromium::waitsForWhatThePageFinishesLate() {
    QFETCH(QString, selector);
    QFETCH(QString, expression);
    QFETCH(int, delayMs);
    QFETCH(bool, finished);
    PageLoading loading;
    loading.waitFor = selector;
    loading.waitUntil = expression;
    loading.delayMs = delayMs;
    const QString text = ConvertLoadingPage("/late", loading);
    QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    QVERIFY2(text.contains("Report page"), qPrintable(text));
    QCOMPARE(text.contains(kFinishedText), finished);
}

void TestRealChromium::waitThatNeverEndsNamesWhatNeverCame_data() {
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("reason");
    QTest::newRow("an element")
        << "#never"
        << ""
        << "Its last message was: The page never showed an element matching \"#never\".";
    QTest::newRow("an expression") << ""
                                   << "window.neverSet"
                                   << "Its last message was: The page never made \"window.neverSet\" true.";
    QTest::newRow("not a selector") << "p["
                                    << ""
                                    << "\"p[\" is not a CSS selector the browser understands.";
    QTest::newRow("not an expression") << ""
                                       << "1 +"
                                       << "\"1 +\" is not a JavaScript expression the browser can read.";
}

// A wait ends with the row's time limit, and the row says what never came; one the browser cannot read
// fails at once.
void TestRealChromium::waitThatNeverEndsNamesWhatNeverCame() {
    QFETCH(QString, selector);
    QFETCH(QString, expression);
    QFETCH(QString, reason);
    AddLoadingPages(m_server);
    const QString folder = m_work->filePath("out");
    QVERIFY(QDir().mkpath(folder));
    BatchRunner runner;
    runner.SetBackend(std::make_unique<ChromiumBackend>(m_browser));
    // Long enough for the browser to start and the page to load on a busy machine.
    runner.SetTimeoutMs(10000);
    PageSetup page;
    page.loading.waitFor = selector;
    page.loading.waitUntil = expression;
    runner.SetPageSetup(page);
    QSignalSpy rows(&runner, &BatchRunner::rowFinished);
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.Start(JobsInto(folder, {"/details"}));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kRowWaitMs);
    QCOMPARE(rows[0][1].value<RowState>(), RowState::Failed);
    QVERIFY2(rows[0][2].toString().endsWith(reason), qPrintable(rows[0][2].toString()));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// The user's style comes after the page's own; hidden elements leave the PDF. The style sheet's folder
// stays closed to the page.
void TestRealChromium::userStyleAndHiddenElements() {
    const QString styleFolder = m_work->filePath("style");
    QVERIFY(QDir().mkpath(styleFolder));
    QFile style(styleFolder + "/mine.css");
    QVERIFY(style.open(QIODevice::WriteOnly));
    style.write("p.note::after { content: ' STYLEDBYUSER'; }");
    style.close();
    QFile secret(styleFolder + "/secret.css");
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("body::before { content: 'SECRETMARK'; }");
    secret.close();
    m_server.routes["/styled-reads"] = {
        "200 OK", "text/html",
        "<html><head><link rel=stylesheet href='" + QUrl::fromLocalFile(secret.fileName()).toEncoded() +
            "'></head><body><div id=cookie-banner>COOKIE BANNER</div><p class=note>Body text</p>"
            "<div class='chat-widget'>CHAT BUBBLE</div></body></html>"};
    PageLoading loading;
    loading.styleFile = style.fileName();
    loading.hide = "#cookie-banner, .chat-widget";
    const QString text = ConvertLoadingPage("/styled-reads", loading);
    QCOMPARE(m_ended[0], std::pair(RowState::ConvertedWithWarnings,
                                   "This part could not be loaded: " +
                                       QUrl::fromLocalFile(secret.fileName()).toString() + "."));
    QVERIFY2(text.contains("Body text STYLEDBYUSER"), qPrintable(text));
    for (const char* gone : {"COOKIE BANNER", "CHAT BUBBLE", "SECRETMARK"})
        QVERIFY2(!text.contains(gone), qPrintable(text));
}

void TestRealChromium::lateRedirectIsFollowed_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("a script after 500 ms") << "/soon";
    QTest::newRow("a refresh after half a second") << "/refresh-soon";
}

// The outcome follows the document finally printed.
void TestRealChromium::lateRedirectIsFollowed() {
    QFETCH(QString, path);
    const QString text = ConvertLoadingPage(path, {});
    QCOMPARE(m_ended[0], std::pair(RowState::Converted, QString()));
    QVERIFY2(text.contains(kArrivedText) && !text.contains("Leaving soon"), qPrintable(text));
}
