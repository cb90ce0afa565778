#include "PageLoadRules.h"

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
};

void TestPageLoadRules::netErrors_data() {
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<QString>("reason");

    const QString url = "http://nohost.invalid/page";
    QTest::newRow("unknown host") << "net::ERR_NAME_NOT_RESOLVED"
                                  << "The host nohost.invalid could not be found.";
    QTest::newRow("refused") << "net::ERR_CONNECTION_REFUSED"
                             << "The connection was refused.";
    QTest::newRow("timed out") << "net::ERR_CONNECTION_TIMED_OUT"
                               << "The connection timed out.";
    QTest::newRow("unreachable") << "net::ERR_ADDRESS_UNREACHABLE"
                                 << "The host nohost.invalid could not be reached.";
    QTest::newRow("certificate") << "net::ERR_CERT_DATE_INVALID"
                                 << "The site's secure connection could not be trusted.";
    QTest::newRow("missing file") << "net::ERR_FILE_NOT_FOUND"
                                  << "The file could not be found.";
    QTest::newRow("anything else named") << "net::ERR_BLOCKED_BY_RESPONSE"
                                         << "The page could not be loaded (net::ERR_BLOCKED_BY_RESPONSE).";
}

void TestPageLoadRules::netErrors() {
    QFETCH(QString, errorText);
    QFETCH(QString, reason);
    QCOMPARE(NetErrorReason(errorText, "http://nohost.invalid/page"), reason);
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
    QTest::newRow("unusual phrase kept") << 403 << "Go Away"
                                         << "The server answered 403 Go Away.";
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
    QTest::addColumn<bool>("shows");

    for (const char* shown : {"Document", "Stylesheet", "Image", "Media", "Font", "Script", "TextTrack"})
        QTest::newRow(shown) << shown << true;
    for (const char* hidden : {"Other", "Fetch", "XHR", "EventSource", "WebSocket", "Manifest", "Ping", ""})
        QTest::newRow(qPrintable(QStringLiteral("not %1").arg(hidden))) << hidden << false;
}

void TestPageLoadRules::shownParts() {
    QFETCH(QString, type);
    QFETCH(bool, shows);
    QCOMPARE(ShowsInPrint(type), shows);
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
}

void TestPageLoadRules::fileAccess() {
    QFETCH(QString, file);
    QFETCH(QString, root);
    QFETCH(bool, allowed);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("site/img") && QDir(dir.path()).mkpath("site2"));
    for (const char* name : {"site/page.html", "site/img/a.png", "secret.txt", "site2/a.png"})
        QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(dir.filePath("secret.txt"), dir.filePath("site/link-out")));

    // Addresses as the browser writes them: absolute, percent-encoded.
    const QString url = "file://" + dir.path() + "/" + file;
    QCOMPARE(MayReadFile(url, root.isEmpty() ? QString() : dir.filePath(root)), allowed);
    QCOMPARE(MayReadFile("http://127.0.0.1/" + file, dir.filePath("site")), false);
}

QTEST_GUILESS_MAIN(TestPageLoadRules)
#include "test_page_load_rules.moc"
