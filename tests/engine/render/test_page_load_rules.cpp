#include "render/PageLoadRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace velmora;

// The sentences a row's outcome is told in, and which files a page may read.
class TestPageLoadRules : public QObject {
    Q_OBJECT
private slots:
    void netErrors_data();
    void netErrors();
    void httpStatuses_data();
    void httpStatuses();
    void missingParts_data();
    void missingParts();
    void shownParts_data();
    void shownParts();
    void fileAccess_data();
    void fileAccess();
    void documentSetRoot_data();
    void documentSetRoot();
    void namedLocalFiles_data();
    void namedLocalFiles();
    void localDocumentTitle_data();
    void localDocumentTitle();
};

void TestPageLoadRules::netErrors_data() {
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("reason");

    const QString url = "http://nohost.invalid/page";
    QTest::newRow("unknown host") << "net::ERR_NAME_NOT_RESOLVED" << url
                                  << "The host nohost.invalid could not be found.";
    QTest::newRow("refused") << "net::ERR_CONNECTION_REFUSED" << url
                             << "The server nohost.invalid refused the connection.";
    QTest::newRow("timed out") << "net::ERR_CONNECTION_TIMED_OUT" << url
                               << "The server nohost.invalid did not answer in time.";
    QTest::newRow("unreachable") << "net::ERR_ADDRESS_UNREACHABLE" << url
                                 << "The host nohost.invalid could not be reached.";
    QTest::newRow("certificate") << "net::ERR_CERT_DATE_INVALID" << url
                                 << "The site's secure connection could not be trusted.";
    QTest::newRow("missing file") << "net::ERR_FILE_NOT_FOUND"
                                  << "file:///docs/gone%20away.html"
                                  << "No such file: " + QDir::toNativeSeparators("/docs/gone away.html");
    QTest::newRow("anything else named") << "net::ERR_BLOCKED_BY_RESPONSE" << url
                                         << "The page could not be loaded (net::ERR_BLOCKED_BY_RESPONSE).";
}

void TestPageLoadRules::netErrors() {
    QFETCH(QString, errorText);
    QFETCH(QString, url);
    QFETCH(QString, reason);
    QCOMPARE(NetErrorReason(errorText, url), reason);
}

void TestPageLoadRules::httpStatuses_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<QString>("reason");

    QTest::newRow("ok") << 200 << "OK"
                        << "";
    QTest::newRow("redirect target fine") << 304 << "Not Modified"
                                          << "";
    QTest::newRow("server's own phrase") << 404 << "Not Found"
                                         << "The server answered 404 Not Found.";
    QTest::newRow("unusual phrase kept") << 410 << "Went Away"
                                         << "The server answered 410 Went Away.";
    QTest::newRow("403 asks for a sign-in") << 403 << "Go Away"
                                            << "The server answered 403 Go Away: the page asks for a "
                                               "sign-in. " + kSignInHint;
    QTest::newRow("401 over HTTP/2 asks for a sign-in") << 401 << ""
                                                        << "The server answered 401 Unauthorized: the "
                                                           "page asks for a sign-in. " + kSignInHint;
    QTest::newRow("HTTP/2 without phrase") << 503 << ""
                                           << "The server answered 503 Service Unavailable.";
    QTest::newRow("unknown code without phrase") << 599 << ""
                                                 << "The server answered 599.";
}

void TestPageLoadRules::httpStatuses() {
    QFETCH(int, status);
    QFETCH(QString, statusText);
    QFETCH(QString, reason);
    QCOMPARE(HttpStatusReason(status, statusText), reason);
}

void TestPageLoadRules::missingParts_data() {
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("reason");

    QTest::newRow("none") << QStringList() << "";
    QTest::newRow("one") << QStringList{"a.png"} << "This part could not be loaded: a.png.";
    QTest::newRow("repeats named once")
        << QStringList{"a.png", "b.css", "a.png"} << "These 2 parts could not be loaded: a.png, b.css.";
}

void TestPageLoadRules::missingParts() {
    QFETCH(QStringList, parts);
    QFETCH(QString, reason);
    QCOMPARE(MissingPartsReason(parts), reason);
}

void TestPageLoadRules::shownParts_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("initiator");
    QTest::addColumn<bool>("shows");

    for (const char* shown : {"Document", "Stylesheet", "Image", "Media", "Font", "Script", "TextTrack"})
        QTest::newRow(shown) << shown << "parser" << true;
    for (const char* hidden : {"Other", "Fetch", "XHR", "EventSource", "WebSocket", "Manifest", "Ping", ""})
        QTest::newRow(qPrintable(QStringLiteral("not %1").arg(hidden))) << hidden << "parser" << false;
    QTest::newRow("not a script a script adds") << "Script"
                                                << "script" << false;
    for (const char* shown : {"Stylesheet", "Image", "Font"})
        QTest::newRow(qPrintable(QStringLiteral("%1 a script adds").arg(shown))) << shown << "script" << true;
}

void TestPageLoadRules::shownParts() {
    QFETCH(QString, type);
    QFETCH(QString, initiator);
    QFETCH(bool, shows);
    QCOMPARE(ShowsInPrint(type, initiator), shows);
}

void TestPageLoadRules::fileAccess_data() {
    QTest::addColumn<QString>("file"); // relative to a temporary folder holding site/ and a link
    QTest::addColumn<QString>("root"); // relative too; empty: a web page
    QTest::addColumn<bool>("allowed");

    QTest::newRow("own page") << "site/page.html"
                              << "site" << true;
    QTest::newRow("sub-folder") << "site/img/a.png"
                                << "site" << true;
    QTest::newRow("parent folder") << "secret.txt"
                                   << "site" << false;
    QTest::newRow("climbing out with ..") << "site/../secret.txt"
                                          << "site" << false;
    QTest::newRow("sibling with the same prefix") << "site2/a.png"
                                                  << "site" << false;
    QTest::newRow("link leading outside") << "site/link-out"
                                          << "site" << false;
    QTest::newRow("missing file inside") << "site/none.png"
                                         << "site" << true;
    QTest::newRow("web page") << "site/page.html"
                              << "" << false;
    QTest::newRow("dot-named folder below the root") << "site/.ssh/id_rsa"
                                                     << "site" << false;
    QTest::newRow("dot-named file below the root") << "site/img/.key"
                                                   << "site" << false;
    QTest::newRow("dot-named folder above the root") << ".docs/site/page.html"
                                                     << ".docs/site" << true;
}

void TestPageLoadRules::fileAccess() {
    QFETCH(QString, file);
    QFETCH(QString, root);
    QFETCH(bool, allowed);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("site/img") && QDir(dir.path()).mkpath("site2"));
    QVERIFY(QDir(dir.path()).mkpath("site/.ssh") && QDir(dir.path()).mkpath(".docs/site"));
    for (const char* name : {"site/page.html", "site/img/a.png", "secret.txt", "site2/a.png",
                             "site/.ssh/id_rsa", "site/img/.key", ".docs/site/page.html"})
        QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(dir.filePath("secret.txt"), dir.filePath("site/link-out")));

    // Addresses as the browser writes them: absolute, percent-encoded.
    const QString url = "file://" + dir.path() + "/" + file;
    QCOMPARE(MayReadFile(url, root.isEmpty() ? QString() : dir.filePath(root)), allowed);
    QCOMPARE(MayReadFile("http://127.0.0.1/" + file, dir.filePath("site")), false);
}

void TestPageLoadRules::documentSetRoot_data() {
    QTest::addColumn<QString>("document"); // relative to a temporary folder "top" with home/ inside
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QString>("chosen"); // relative too; empty: automatic
    QTest::addColumn<QString>("root");   // the expected root, relative too

    const QString page = "site/library/page.html";
    QTest::newRow("no links") << page << QByteArray("<p>text</p>") << ""
                              << "site/library";
    QTest::newRow("style sheet in a sibling folder")
        << page << QByteArray("<link rel=\"stylesheet\" href=\"../_static/style.css?v=3\">") << ""
        << "site";
    QTest::newRow("url() in a style element and attribute, quotes of each kind")
        << page
        << QByteArray("<style>@font-face { src: url(../_static/font.woff) }</style>"
                      "<div style=\"background: url('../../assets/b.png')\"></div>")
        << ""
        << ".";
    QTest::newRow("script and image, unquoted, upper case")
        << page << QByteArray("<SCRIPT SRC=../_static/x.js></SCRIPT><img src='sub/a.png#top'>") << ""
        << "site";
    QTest::newRow("web addresses and fragments widen nothing")
        << page
        << QByteArray("<a href=\"http://127.0.0.1/x\">a</a><a href=\"//127.0.0.1/y\">b</a>"
                      "<a href=\"#top\">c</a><img src=\"data:image/png;base64,AA\">")
        << ""
        << "site/library";
    QTest::newRow("a file that does not exist") << page << QByteArray("<img src=\"../missing/a.png\">") << ""
                                                << "site/library";
    QTest::newRow("beyond the top-level folder's child")
        << page << QByteArray("<img src=\"../../../../../../../../etc/passwd\"><img src=\"/etc/hostname\">")
        << ""
        << "site/library";
    QTest::newRow("a dot-named folder") << page << QByteArray("<img src=\"../../.ssh/id_rsa\">") << ""
                                        << "site/library";
    QTest::newRow("home-relative name") << page << QByteArray("<img src=\"~/.ssh/id_rsa\">") << ""
                                        << "site/library";
    QTest::newRow("in the home folder, up to it")
        << "home/docs/set/page.html" << QByteArray("<img src=\"../../pictures/a.png\">") << ""
        << "home";
    QTest::newRow("in the home folder, never beyond")
        << "home/docs/set/page.html" << QByteArray("<img src=\"../../../assets/b.png\">") << ""
        << "home/docs/set";
    QTest::newRow("in a dot-named folder, never above it")
        << ".cache/docs/page.html" << QByteArray("<img src=\"../../assets/b.png\">") << ""
        << ".cache/docs";
    QTest::newRow("links, frames, object and embed widen nothing")
        << page
        << QByteArray("<a href=\"../../\">up</a><map><area href=\"../../assets/b.png\"></map>"
                      "<iframe src=\"../../assets/b.png\"></iframe><object data=\"../_static/x.js\"></object>"
                      "<embed src=\"../_static/x.js\">")
        << ""
        << "site/library";
    QTest::newRow("names in comments and script text widen nothing")
        << page
        << QByteArray("<!-- <img src=\"../../assets/b.png\"> -->"
                      "<script>document.write('<img src=\"../_static/x.js\">');</script>")
        << ""
        << "site/library";
    QTest::newRow("a folder named as an image widens nothing")
        << page << QByteArray("<img src=\"../../\"><img src=\"../_static\">") << ""
        << "site/library";
    QTest::newRow("a poster and srcset widen")
        << page
        << QByteArray("<video poster=\"../_static/x.js\"></video>"
                      "<img srcset=\"sub/a.png 1x, ../../assets/b.png 2x\">")
        << ""
        << ".";
    QTest::newRow("a link beside the page that leads out")
        << page << QByteArray("<link rel=\"stylesheet\" href=\"linked.css\">") << ""
        << "site/library";
    QTest::newRow("a link in a sibling folder that leads out")
        << page << QByteArray("<script src=\"../_static/linked.js\"></script>") << ""
        << "site/library";
    QTest::newRow("the page reached through a linked folder")
        << "alias/library/page.html" << QByteArray("<link rel=\"stylesheet\" href=\"../_static/style.css\">")
        << ""
        << "site";
    QTest::newRow("chosen root holding the document") << page << QByteArray("<p>text</p>") << "."
                                                      << ".";
    QTest::newRow("chosen root elsewhere") << page << QByteArray("<p>text</p>") << "home"
                                           << "site/library";
    QTest::newRow("chosen root with a dot-named folder on the way")
        << ".cache/docs/page.html" << QByteArray("<p>text</p>") << "."
        << ".cache/docs";
}

// The temporary folder stands for a top-level folder's child (as /tmp/x does), with a home folder in it.
void TestPageLoadRules::documentSetRoot() {
    QFETCH(QString, document);
    QFETCH(QByteArray, html);
    QFETCH(QString, chosen);
    QFETCH(QString, root);

    QTemporaryDir top(QDir::rootPath() + "tmp/velmora-rules-XXXXXX");
    QVERIFY(top.isValid());
    const QDir dir(top.path());
    for (const char* folder : {"site/library/sub", "site/_static", "assets", ".ssh", "home/docs/set",
                               "home/pictures", ".cache/docs"})
        QVERIFY(dir.mkpath(folder));
    for (const char* name : {"site/_static/style.css", "site/_static/font.woff", "site/_static/x.js",
                             "site/library/sub/a.png", "assets/b.png", ".ssh/id_rsa", "home/pictures/a.png"})
        QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(dir.filePath("assets/b.png"), dir.filePath("site/library/linked.css")));
    QVERIFY(QFile::link(dir.filePath("assets/b.png"), dir.filePath("site/_static/linked.js")));
    QVERIFY(QFile::link(dir.filePath("site"), dir.filePath("alias")));
    QFile page(dir.filePath(document));
    QVERIFY(page.open(QIODevice::WriteOnly) && page.write("<html><body>" + html + "</body></html>") > 0);
    page.close();
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir.filePath("home").toUtf8());

    const QString found =
        LocalRootFor(dir.filePath(document), chosen.isEmpty() ? QString() : dir.filePath(chosen));
    qputenv("HOME", home);
    QCOMPARE(found, QDir::cleanPath(dir.filePath(root)));
}

// Only what the markup loads to draw the page counts, in the order it names it.
void TestPageLoadRules::namedLocalFiles_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QStringList>("files"); // relative to the page's folder unless absolute

    QTest::newRow("style sheets, not other links")
        << QByteArray(
               "<link rel=\"stylesheet\" href=\"s.css\"><link rel=\"alternate stylesheet\" href=\"t.css\">"
               "<link rel=next href=\"n.html\"><link rel=icon href=\"i.png\"><a href=\"a.html\">a</a>"
               "<map><area href=\"m.html\"></map><form action=\"f.html\"></form>")
        << QStringList{"s.css", "t.css"};
    QTest::newRow("frames, object and embed")
        << QByteArray(
               "<iframe src=\"f.html\"><img src=\"in-fallback.png\"></iframe><frameset><frame src=\"g.html\">"
               "</frameset><object data=\"o.txt\"></object><embed src=\"e.txt\">")
        << QStringList{};
    QTest::newRow("comments and the text of scripts and titles")
        << QByteArray(
               "<!-- <img src=\"c.png\"> --><title><img src=t.png></title>"
               "<script>var s = '<img src=\"s.png\">'; x.src = \"u.png\";</script><script src=\"code.js\">"
               "</script><textarea><img src=\"v.png\"></textarea><img src=\"w.png\">")
        << QStringList{"code.js", "w.png"};
    QTest::newRow("images, srcset, media and posters")
        << QByteArray(
               "<img src=\"a%20b.png?q=1&amp;r=2\" srcset=\"small.png 1x, large.png 2x,tiny.png\">"
               "<picture><source srcset=\"wide.png 800w\"></picture><video src=\"v.mp4\" poster=\"p.png\">"
               "<track src=\"t.vtt\"></video><audio src=\"a.ogg\"></audio><input type=image src=button.png>"
               "<input src=\"not-an-image.png\"><svg><image href=\"drawing.svg\"/></svg>")
        << QStringList{"a b.png", "small.png", "large.png", "tiny.png",   "wide.png",   "v.mp4",
                       "p.png",   "t.vtt",     "a.ogg",     "button.png", "drawing.svg"};
    QTest::newRow("style: url(), @import and background, not in comments")
        << QByteArray(
               "<style>/* url(gone.png) */ @import \"base.css\"; body { background: url('bg.png') }</style>"
               "<table background=\"old.png\" style=\"background-image: url(d.png)\"></table>")
        << QStringList{"base.css", "bg.png", "old.png", "d.png"};
    QTest::newRow("upper case, unquoted, '>' in a value")
        << QByteArray("<LINK REL=STYLESHEET HREF=s.css><IMG ALT=\"a > b\" SRC=a.png>")
        << QStringList{"s.css", "a.png"};
    QTest::newRow("web, data and file: addresses")
        << QByteArray("<img src=\"file:///opt/x.png\"><img src=\"http://127.0.0.1/y.png\">"
                      "<img src=\"data:image/png;base64,AA\"><img src=\"#top\">")
        << QStringList{"/opt/x.png"};
}

void TestPageLoadRules::namedLocalFiles() {
    QFETCH(QByteArray, html);
    QFETCH(QStringList, files);
    QTemporaryDir dir;
    QFile page(dir.filePath("page.html"));
    QVERIFY(page.open(QIODevice::WriteOnly) && page.write(html) == html.size());
    page.close();
    for (QString& file : files)
        file = QDir::isAbsolutePath(file) ? file : dir.filePath(file);
    QCOMPARE(NamedLocalFiles(page.fileName()), files);
}

QTEST_GUILESS_MAIN(TestPageLoadRules)
void TestPageLoadRules::localDocumentTitle_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QString>("title");

    QTest::newRow("plain") << QByteArray("<html><head><title>Chapter 1</title></head></html>") << "Chapter 1";
    QTest::newRow("upper case, attributes, lines")
        << QByteArray("<TITLE lang=\"en\">\n  The   Book\n</TITLE >") << "The Book";
    QTest::newRow("references") << QByteArray("<title>A &amp; B &lt;3&gt; &#8212; &#x263A; &copy;</title>")
                                << QString::fromUtf8("A & B <3> \u2014 \u263A \u00A9");
    QTest::newRow("Sphinx's dash") << QByteArray("<title>cmake(1) &mdash; CMake 3.25.1 Documentation</title>")
                                   << QString::fromUtf8("cmake(1) \u2014 CMake 3.25.1 Documentation");
    QTest::newRow("named, the HTML standard's whole list")
        << QByteArray("<title>&hellip;&rsquo;&euro;&Xopf;&NotEqualTilde;&fjlig;&Hacek;</title>")
        << QString::fromUtf8("\u2026\u2019\u20AC\U0001D54F\u2242\u0338fj\u02C7");
    QTest::newRow("older names without a semicolon")
        << QByteArray("<title>&copy 2024 &amp&notit; &AMP;x</title>")
        << QString::fromUtf8("\u00A9 2024 &\u00ACit; &x");
    QTest::newRow("numbers that name no character")
        << QByteArray("<title>&#150;&#x80;&#0;&#xD800;&#1114112;&#99999999999;&#65</title>")
        << QString::fromUtf8("\u2013\u20AC\uFFFD\uFFFD\uFFFD\uFFFDA");
    QTest::newRow("not references") << QByteArray("<title>&mdashx; &unknown; & ; &#; &#x;</title>")
                                    << "&mdashx; &unknown; & ; &#; &#x;";
    QTest::newRow("UTF-8") << QByteArray("<title>Gr\xc3\xbc\xc3\x9f"
                                         "e</title>")
                           << QString::fromUtf8("Grüße");
    QTest::newRow("none") << QByteArray("<html><body><h1>No title</h1></body></html>") << QString();
    QTest::newRow("a titlebar element is no title")
        << QByteArray("<titlebar>x</titlebar><title>Real</title>") << "Real";
}

// A Classic local document runs no script, so its title for headers and footers comes from the file.
void TestPageLoadRules::localDocumentTitle() {
    QFETCH(QByteArray, html);
    QFETCH(QString, title);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("page.html")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(html) == html.size());
    file.close();
    QCOMPARE(LocalDocumentTitle(file.fileName()), title);
}

#include "test_page_load_rules.moc"
