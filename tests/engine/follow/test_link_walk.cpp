#include "RouteServer.h"
#include "follow/LinkWalk.h"
#include "follow/PageReader.h"
#include "queue/ConversionQueue.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using velmora::test::RouteServer;

namespace {

RouteServer::Answer Html(const QByteArray& body) {
    return {"200 OK", "text/html; charset=utf-8", "<!doctype html><html><body>" + body + "</body></html>"};
}

// A small site under /docs/: a contents page linking to a, b and c, which name c, a, b as their
// reading order; pages linking back in a loop; robots.txt keeping /docs/private/ out; a link to
// another host, a PDF, an image, a page answering 404, one answering with a picture, and one
// redirecting off the prefix.
void BuildSite(RouteServer& server) {
    server.routes = {
        {"/robots.txt", {"200 OK", "text/plain", "User-agent: *\nDisallow: /docs/private/\n"}},
        {"/docs/index.html",
         {"200 OK", "text/html",
          "<html><head><link rel=next href=c.html></head><body>"
          "<a href=a.html>A</a> <a href=b.html#part>B</a> <a href=c.html>C</a> <a href=#top>top</a>"
          "<a href=index.html>self</a> <a href=../outside.html>up</a>"
          "<a href=\"http://127.0.0.2:9/docs/other.html\">other host</a>"
          "<a href=manual.pdf>PDF</a> <a href=pic.png>image</a> <a href=\"mailto:a@b.test\">mail</a>"
          "<a href=missing.html>gone</a> <a href=moved.html>moved</a> <a href=private/secret.html>private</a>"
          "<a href=picture.html>picture</a> <a href=\"javascript:void(0)\">script</a>"
          "<a href=\"file:///etc/hostname\">a local file</a></body></html>"}},
        {"/docs/a.html", {"200 OK", "text/html", "<link rel=next href=b.html><a href=index.html>up</a>"}},
        {"/docs/b.html", Html("<a href=index.html>up</a> <a href=deep.html>deeper</a>")},
        {"/docs/c.html", Html("<a rel=next href=a.html>next</a> <a href=c2.html>more</a>")},
        {"/docs/deep.html", Html("<a href=b.html>back</a>")},
        {"/docs/c2.html", Html("end")},
        {"/docs/missing.html", {"404 Not Found", "text/html", "no such page"}},
        {"/docs/moved.html", {"301 Moved Permanently", "text/html", ""}},
        {"/elsewhere/page.html", Html("elsewhere")},
        {"/docs/picture.html", {"200 OK", "image/png", "\x89PNG"}},
        {"/docs/private/secret.html", Html("secret")},
    };
    server.headers.insert("/docs/moved.html", "Location: /elsewhere/page.html\r\n");
}

QStringList Paths(const QStringList& addresses, const RouteServer& server) {
    QStringList paths;
    for (const QString& address : addresses)
        paths.append(QString(address).remove(server.Url({})));
    return paths;
}

QString ReasonFor(const LinkWalk& walk, const QString& addressEnd, SkippedLink::Kind& kind) {
    for (const SkippedLink& link : walk.Skipped())
        if (link.address.endsWith(addressEnd)) {
            kind = link.kind;
            return link.reason;
        }
    return {};
}

void Write(const QString& path, const QByteArray& html) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(html);
}

} // namespace

class TestLinkWalk : public QObject {
    Q_OBJECT
private slots:
    void WebPagesInReadingOrder_data();
    void WebPagesInReadingOrder();
    void WebSkipsWhatIsNoPageOfTheSite();
    void NoMoreThanTwoRequestsToOneHost();
    void PageLimit();
    void SilentPageIsGivenUp();
    void StopKeepsWhatWasFound();
    void LocalSetStaysInFolderAndSet_data();
    void LocalSetStaysInFolderAndSet();
    void FoundPagesFollowTheirSourceWithoutDuplicates();
};

void TestLinkWalk::WebPagesInReadingOrder_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("depth 0 reads nothing") << 0 << QStringList{};
    QTest::newRow("depth 1: the chain c, a, b")
        << 1 << QStringList{"/docs/c.html", "/docs/a.html", "/docs/b.html"};
    QTest::newRow("depth 2: then the rest as first linked")
        << 2
        << QStringList{"/docs/c.html", "/docs/a.html", "/docs/b.html", "/docs/deep.html", "/docs/c2.html"};
}

void TestLinkWalk::WebPagesInReadingOrder() {
    QFETCH(int, depth);
    QFETCH(QStringList, pages);
    RouteServer server;
    BuildSite(server);
    QVERIFY(server.Listen());
    FollowOptions options;
    options.depth = depth;
    LinkWalk walk(options);
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({server.Url("/docs/index.html")});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QVERIFY(!walk.IsRunning());
    // Depth 0 has nothing to look for from any start.
    QCOMPARE(walk.Found().size(), depth == 0 ? 0 : 1);
    if (depth > 0) {
        QCOMPARE(walk.Found().first().start, server.Url("/docs/index.html"));
        QCOMPARE(Paths(walk.Found().first().pages, server), pages);
    }
    QCOMPARE(walk.FoundCount(), pages.size());
    // Each page is asked for once, loops and repeated links notwithstanding.
    for (auto hit = server.hits.cbegin(); hit != server.hits.cend(); ++hit)
        QVERIFY2(hit.value() == 1, qPrintable(hit.key()));
    if (depth == 0)
        QVERIFY(server.hits.isEmpty());
}

void TestLinkWalk::WebSkipsWhatIsNoPageOfTheSite() {
    RouteServer server;
    BuildSite(server);
    QVERIFY(server.Listen());
    LinkWalk walk(FollowOptions{});
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({server.Url("/docs/index.html")});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

    using Kind = SkippedLink::Kind;
    struct Expected {
        const char* addressEnd;
        Kind kind;
        const char* reasonPart;
    };
    const QString prefix = server.Url("/docs/");
    const Expected expected[] = {
        {"/outside.html", Kind::Outside, "outside"},
        {"127.0.0.2:9/docs/other.html", Kind::Outside, "outside"},
        {"manual.pdf", Kind::NotAPage, ".pdf"},
        {"pic.png", Kind::NotAPage, ".png"},
        {"mailto:a@b.test", Kind::NotAPage, "mailto:"},
        {"javascript:void(0)", Kind::NotAPage, "javascript:"},
        {"/docs/missing.html", Kind::Unreadable, "404 Not Found"},
        {"/docs/moved.html", Kind::Outside, "redirects to"},
        {"/docs/private/secret.html", Kind::Disallowed, "robots.txt"},
        {"/docs/picture.html", Kind::NotAPage, "image/png"},
        {"/etc/hostname", Kind::Outside, "a web page may not lead to a local file"},
    };
    for (const Expected& item : expected) {
        Kind kind = Kind::PageLimit;
        const QString reason = ReasonFor(walk, QLatin1String(item.addressEnd), kind);
        QVERIFY2(reason.contains(QLatin1String(item.reasonPart)),
                 qPrintable(item.addressEnd + (": " + reason)));
        QCOMPARE(int(kind), int(item.kind));
    }
    QCOMPARE(walk.Skipped().size(), qsizetype(std::size(expected)));
    QCOMPARE(walk.UnreadableCount(), 1);
    QVERIFY(!server.hits.contains("/docs/private/secret.html"));
    QVERIFY(!server.hits.contains("/elsewhere/page.html"));
    QCOMPARE(
        SkippedSummary(walk.Skipped()),
        QStringLiteral("Not added: 4 outside the pages' folder or prefix, 5 not pages, 1 kept out by the "
                       "site's robots.txt, 1 could not be read."));
}

void TestLinkWalk::NoMoreThanTwoRequestsToOneHost() {
    RouteServer server;
    BuildSite(server);
    server.held = {"/docs/a.html",       "/docs/b.html",     "/docs/c.html",
                   "/docs/missing.html", "/docs/moved.html", "/docs/picture.html"};
    QVERIFY(server.Listen());
    LinkWalk walk(FollowOptions{});
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({server.Url("/docs/index.html")});
    QTRY_COMPARE_WITH_TIMEOUT(server.HeldNow(), 2, 30000);
    for (const QString& path : QSet<QString>(server.held))
        server.Release(path);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(server.mostHeldAtOnce, PageReader::kRequestsPerHost);
}

void TestLinkWalk::PageLimit() {
    // A page with ten thousand links, a loop among them: the walk ends at its limit.
    RouteServer server;
    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += "<a href=p" + QByteArray::number(i) + ".html>" + QByteArray::number(i) + "</a>";
    server.routes = {{"/robots.txt", {"404 Not Found", "text/plain", ""}}, {"/site/index.html", Html(many)}};
    for (int i = 0; i < 10000; ++i)
        server.routes.insert(QStringLiteral("/site/p%1.html").arg(i), Html("<a href=index.html>back</a>"));
    QVERIFY(server.Listen());
    FollowOptions options;
    options.depth = 3;
    options.maxPages = 5;
    LinkWalk walk(options);
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({server.Url("/site/index.html")});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QCOMPARE(
        Paths(walk.Found().first().pages, server),
        (QStringList{"/site/p0.html", "/site/p1.html", "/site/p2.html", "/site/p3.html", "/site/p4.html"}));
    QCOMPARE(walk.Skipped().size(), 10000 - 5);
    QVERIFY(walk.Skipped().first().reason.contains(QLatin1String("limit of 5 pages")));
    QCOMPARE(server.hits.size(), 1 + 1 + 5); // robots.txt, the start, five pages
}

void TestLinkWalk::SilentPageIsGivenUp() {
    RouteServer server; // a path it has no route for is never answered
    server.routes = {{"/robots.txt", {"404 Not Found", "text/plain", ""}},
                     {"/docs/index.html", Html("<a href=silent.html>S</a><a href=a.html>A</a>")},
                     {"/docs/a.html", Html("a")}};
    QVERIFY(server.Listen());
    FollowOptions options;
    options.pageTimeoutMs = 1000;
    LinkWalk walk(options);
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({server.Url("/docs/index.html")});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(Paths(walk.Found().first().pages, server), QStringList{"/docs/a.html"});
    SkippedLink::Kind kind = SkippedLink::Kind::PageLimit;
    QCOMPARE(ReasonFor(walk, "/docs/silent.html", kind),
             QStringLiteral("The server 127.0.0.1 did not answer within 1 second."));
    QCOMPARE(int(kind), int(SkippedLink::Kind::Unreadable));
}

void TestLinkWalk::StopKeepsWhatWasFound() {
    RouteServer server;
    BuildSite(server);
    server.held = {"/docs/b.html"};
    QVERIFY(server.Listen());
    LinkWalk walk(FollowOptions{});
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({server.Url("/docs/index.html")});
    QTRY_COMPARE_WITH_TIMEOUT(walk.FoundCount(), 2, 30000); // a and c; b never answers
    QTRY_COMPARE_WITH_TIMEOUT(server.HeldNow(), 1, 30000);
    QCOMPARE(finished.count(), 0);
    walk.Stop();
    QCOMPARE(finished.count(), 1);
    QVERIFY(walk.WasStopped());
    QVERIFY(!walk.IsRunning());
    QCOMPARE(Paths(walk.Found().first().pages, server), (QStringList{"/docs/c.html", "/docs/a.html"}));
}

void TestLinkWalk::LocalSetStaysInFolderAndSet_data() {
    QTest::addColumn<QString>("within");
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("the start's folder")
        << QString() << QStringList{"guide/intro.html", "guide/usage/basics.html"};
    QTest::newRow("widened to the set")
        << "." << QStringList{"guide/intro.html", "guide/usage/basics.html", "other/page.html"};
    QTest::newRow("narrowed") << "guide/usage" << QStringList{"guide/usage/basics.html"};
}

// A Sphinx-like set: a contents page in guide/ with its look in a sibling _static/, a dot-named folder
// beside it, and a page in a folder beside guide/.
void TestLinkWalk::LocalSetStaysInFolderAndSet() {
    QFETCH(QString, within);
    QFETCH(QStringList, pages);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    Write(root + "/_static/style.css", "body {}");
    Write(root + "/_static/search.html", "<p>search</p>");
    Write(
        root + "/guide/index.html",
        "<html><head><link rel=stylesheet href=../_static/style.css><link rel=next href=intro.html></head>"
        "<body><div class=toctree><a href=intro.html>Intro</a><a href=usage/basics.html#top>Basics</a></div>"
        "<a href=../_static/search.html>Search</a><a href=.hidden/secret.html>hidden</a>"
        "<a href=../other/page.html>other</a><a href=notes.txt>notes</a><a href=figure.png>figure</a>"
        "<a href=\"https://example.test/\">web</a><a href=gone.html>gone</a></body></html>");
    Write(root + "/guide/intro.html", "<link rel=next href=usage/basics.html><a href=index.html>up</a>");
    Write(root + "/guide/usage/basics.html", "<a href=../index.html>up</a>");
    Write(root + "/guide/.hidden/secret.html", "secret");
    Write(root + "/other/page.html", "other");
    Write(root + "/guide/notes.txt", "notes");

    FollowOptions options;
    options.within = within.isEmpty() ? QString() : QDir(root).filePath(within);
    LinkWalk walk(options);
    QSignalSpy finished(&walk, &LinkWalk::finished);
    const QString start = QDir::toNativeSeparators(root + "/guide/index.html");
    walk.Start({start});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QStringList found;
    for (const QString& page : walk.Found().first().pages)
        found.append(QDir(root).relativeFilePath(QDir::fromNativeSeparators(page)));
    if (within == QLatin1String("."))
        pages.insert(2, QStringLiteral("_static/search.html"));
    QCOMPARE(found, pages);

    SkippedLink::Kind kind = SkippedLink::Kind::PageLimit;
    QVERIFY(ReasonFor(walk, ".hidden/secret.html", kind).contains(QLatin1String("outside")));
    QCOMPARE(int(kind), int(SkippedLink::Kind::Outside));
    QVERIFY(ReasonFor(walk, "notes.txt", kind).contains(QLatin1String("not a page")));
    QVERIFY(ReasonFor(walk, "https://example.test/", kind).contains(QLatin1String("on the web")));
    if (within != QLatin1String("guide/usage")) {
        QVERIFY(ReasonFor(walk, "gone.html", kind).startsWith(QLatin1String("No such file")));
        QCOMPARE(int(kind), int(SkippedLink::Kind::Unreadable));
    }
}

void TestLinkWalk::FoundPagesFollowTheirSourceWithoutDuplicates() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    Write(root + "/index.html", "<a href=one.html>1</a><a href=two.html>2</a><a href=three.html>3</a>");
    for (const char* name : {"/one.html", "/two.html", "/three.html", "/other.html"})
        Write(root + name, "page");
    const auto path = [&root](const char* name) { return QDir::toNativeSeparators(root + name); };

    ConversionQueue queue;
    queue.AddFiles({path("/index.html"), path("/other.html"), path("/two.html")});
    LinkWalk walk(FollowOptions{});
    QSignalSpy finished(&walk, &LinkWalk::finished);
    walk.Start({queue.SourceText(0)});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(AddFoundPages(queue, walk.Found()), 2);
    QStringList rows;
    for (int row = 0; row < queue.RowCount(); ++row)
        rows.append(queue.SourceText(row));
    QCOMPARE(rows, (QStringList{path("/index.html"), path("/one.html"), path("/three.html"),
                                path("/other.html"), path("/two.html")}));
}

QTEST_GUILESS_MAIN(TestLinkWalk)
#include "test_link_walk.moc"
