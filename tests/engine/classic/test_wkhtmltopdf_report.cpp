#include "classic/WkhtmltopdfReport.h"
#include "render/PageLoadRules.h"

#include <QDir>
#include <QTest>

using namespace velmora;

// The converter's messages as it prints them (progress bars end in carriage returns).
class TestWkhtmltopdfReport : public QObject {
    Q_OBJECT
private slots:
    void reports_data();
    void reports();
    void warningReasonNamesAFew_data();
    void warningReasonNamesAFew();
};

void TestWkhtmltopdfReport::reports_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("mainPageFailure");
    QTest::addColumn<QStringList>("notLoaded");
    QTest::addColumn<QStringList>("blocked");
    QTest::addColumn<QString>("lastMessage");

    const QByteArray progress = "Loading page (1/2)\n[>                  ] 0%\r[======>      ] 10%\r";
    QTest::newRow("clean") << progress + "Printing pages (2/2)\n[====] Page 1 of 1\rDone\n"
                           << "http://a.test/"
                           << "" << QStringList{} << QStringList{} << "";
    QTest::newRow("main page 404, address normalised by the converter")
        << progress +
               "Error: Failed to load http://a.test/x, with network status code 203 and http status code 404 "
               "- "
               "Error transferring http://a.test/x - server replied: Not Found\nPrinting pages (2/2)\nDone\n"
               "Exit with code 1 due to network error: ContentNotFoundError\n"
        << "HTTP://a.test/x/"
        << "The server answered 404 Not Found." << QStringList{} << QStringList{}
        << "Error: Failed to load http://a.test/x, with network status code 203 and http status code 404 - "
           "Error "
           "transferring http://a.test/x - server replied: Not Found";
    // Without a user name the converter gives up on a page that asks for one, naming neither phrase nor
    // server reply.
    const QByteArray unauthorized =
        "Error: Failed to load http://a.test/in, with network status code 204 and http status code 401 - Host "
        "requires authentication";
    QTest::newRow("main page asks for a sign-in")
        << progress + unauthorized + "\nPrinting pages (2/2)\nDone\nExit with code 1 due to network error: "
                                     "AuthenticationRequiredError\n"
        << "http://a.test/in"
        << "The server answered 401 Unauthorized: the page asks for a sign-in. " + kSignInHint << QStringList{}
        << QStringList{} << QString::fromLatin1(unauthorized);
    // The converter fills its message in with Qt's arg(), which also replaces "%2" and "%3" inside the
    // address; the address it failed to transfer is printed as it was.
    const QByteArray escaped =
        "Error: Failed to load http://127.0.0.1:8/status/500?q=a203Fb500Ac, with network status code 203 and "
        "http status code 500 - Error transferring http://127.0.0.1:8/status/500?q=a%2Fb%3Ac - server "
        "replied: Internal Server Error";
    QTest::newRow("main page 500, escapes in its address")
        << progress + escaped + "\nPrinting pages (2/2)\nDone\n"
        << "http://127.0.0.1:8/status/500?q=a%2Fb%3Ac"
        << "The server answered 500 Internal Server Error." << QStringList{} << QStringList{}
        << QString::fromLatin1(escaped);
    const QByteArray escapedRefused =
        "Error: Failed to load http://127.0.0.1:8/a11Fb, with network status code 1 and http status code 0 "
        "- Connection refused";
    QTest::newRow("main page refused, escapes in its address")
        << progress + escapedRefused + "\n"
        << "http://127.0.0.1:8/a%2Fb"
        << "The server 127.0.0.1 refused the connection." << QStringList{} << QStringList{}
        << QString::fromLatin1(escapedRefused);
    const QByteArray closed =
        "Error: Failed to load http://127.0.0.1:8/x, with network status code 2 and http "
        "status code 0 - Connection closed";
    QTest::newRow("main page closed without an answer")
        << progress + closed + "\n"
        << "http://127.0.0.1:8/x"
        << "The server closed the connection without sending the page." << QStringList{} << QStringList{}
        << QString::fromLatin1(closed);
    QTest::newRow("host not found")
        << progress +
               "Error: Failed to load http://nowhere.invalid/x, with network status code 3 and http status "
               "code "
               "0 - Host nowhere.invalid not found\nError: Failed loading page http://nowhere.invalid/x "
               "(sometimes it will work just to ignore this error with --load-error-handling ignore)\n"
        << "http://nowhere.invalid/x"
        << "The host nowhere.invalid could not be found." << QStringList{} << QStringList{}
        << "Error: Failed loading page http://nowhere.invalid/x (sometimes it will work just to ignore this "
           "error "
           "with --load-error-handling ignore)";
    QTest::newRow("no answer at all")
        << progress + "Error: Failed loading page http://127.0.0.1:1/x (sometimes it will work)\n"
                      "Exit with code 1, due to unknown error.\n"
        << "http://127.0.0.1:1/x"
        << "The page could not be loaded, and the converter did not say why (an address that leads to a "
           "download, answers with no content, redirects without end or closes its own window ends this way)."
        << QStringList{} << QStringList{}
        << "Error: Failed loading page http://127.0.0.1:1/x (sometimes it will work)";
    QTest::newRow("a part missing, the page fine")
        << progress + "Warning: Failed to load http://a.test/img.png (ignore)\nPrinting pages (2/2)\nDone\n"
        << "http://a.test/"
        << "" << QStringList{"http://a.test/img.png"} << QStringList{}
        << "Warning: Failed to load http://a.test/img.png (ignore)";
    QTest::newRow("a part answered 404 as an error line")
        << progress +
               "Error: Failed to load http://a.test/style.css, with network status code 203 and http status "
               "code 404 - server replied: Not Found\n"
        << "http://a.test/page.html"
        << "" << QStringList{"http://a.test/style.css"} << QStringList{}
        << "Error: Failed to load http://a.test/style.css, with network status code 203 and http status code "
           "404 "
           "- server replied: Not Found";
    // What the converter printed for pages that send the browser on; the marked lines come from the
    // script that tells the address shown at every load.
    const auto at = [](const char* address) {
        return QByteArray("Warning: :1 ") + kAddressMarker.toUtf8() + '"' + address + "\"    \n";
    };
    const QByteArray status404 =
        "Error: Failed to load http://127.0.0.1:8/status/404, with network status code "
        "203 and http status code 404 - Error transferring "
        "http://127.0.0.1:8/status/404 - server replied: Not Found\n";
    const QByteArray ended = "Printing pages (2/2)\nDone\nExit with code 1 due to network error: X\n";
    QTest::newRow("script sends the page on to a 404")
        << progress + at("http://127.0.0.1:8/js") + status404 + at("http://127.0.0.1:8/status/404") + ended
        << "http://127.0.0.1:8/js"
        << "The server answered 404 Not Found." << QStringList{} << QStringList{}
        << QString::fromLatin1(status404.trimmed());
    QTest::newRow("refresh sends the page on to a 500")
        << progress + at("http://127.0.0.1:8/meta") +
               "Error: Failed to load http://127.0.0.1:8/status/500, with network status code 401 and http "
               "status code 500 - Error transferring http://127.0.0.1:8/status/500 - server replied: "
               "Internal Server Error\n" +
               at("http://127.0.0.1:8/status/500") + ended
        << "http://127.0.0.1:8/meta"
        << "The server answered 500 Internal Server Error." << QStringList{} << QStringList{}
        << "Error: Failed to load http://127.0.0.1:8/status/500, with network status code 401 and http "
           "status "
           "code 500 - Error transferring http://127.0.0.1:8/status/500 - server replied: Internal Server "
           "Error";
    QTest::newRow("script sends the page on to a port the converter will not use, unnamed")
        << progress + at("http://127.0.0.1:8/js") +
               "Error: Failed loading page http://127.0.0.1:8/js (sometimes it will work)\n" +
               at("http://127.0.0.1:1/") + "Exit with code 1, due to unknown error.\n"
        << "http://127.0.0.1:8/js"
        << "The host 127.0.0.1 could not be reached." << QStringList{} << QStringList{}
        << "Error: Failed loading page http://127.0.0.1:8/js (sometimes it will work)";
    QTest::newRow("script sends the page on to a good page")
        << progress + at("http://127.0.0.1:8/js") + at("http://127.0.0.1:8/good") +
               "Printing pages (2/2)\nDone\n"
        << "http://127.0.0.1:8/js"
        << "" << QStringList{} << QStringList{} << "";
    QTest::newRow("an image answered 404, the page stayed")
        << progress + status404 + at("http://127.0.0.1:8/img") + ended << "http://127.0.0.1:8/img"
        << "" << QStringList{"http://127.0.0.1:8/status/404"} << QStringList{}
        << QString::fromLatin1(status404.trimmed());
    QTest::newRow("local document: files outside its folder blocked")
        << progress +
               "Warning: Blocked access to file /home/u/secret.txt              \r\nWarning: Blocked access "
               "to "
               "file \nError: Failed to load about:blank, with network status code 301 and http status code "
               "0 - "
               "Protocol \"about\" is unknown\nPrinting pages (2/2)\nDone\nExit with code 1 due to network "
               "error: ProtocolUnknownError\n"
        << "/home/u/site/page.html"
        << "" << QStringList{} << QStringList{QDir::toNativeSeparators("/home/u/secret.txt"), ""}
        << "Error: Failed to load about:blank, with network status code 301 and http status code 0 - "
           "Protocol "
           "\"about\" is unknown";
}

void TestWkhtmltopdfReport::reports() {
    QFETCH(QByteArray, output);
    QFETCH(QString, source);
    QFETCH(QString, mainPageFailure);
    QFETCH(QStringList, notLoaded);
    QFETCH(QStringList, blocked);
    QFETCH(QString, lastMessage);

    const WkhtmltopdfReport report = ReadWkhtmltopdfReport(output, source);
    QCOMPARE(report.mainPageFailure, mainPageFailure);
    QCOMPARE(report.notLoaded, notLoaded);
    QCOMPARE(report.blocked, blocked);
    QCOMPARE(report.lastMessage, lastMessage);
    QCOMPARE(report.HasWarnings(), !notLoaded.isEmpty() || !blocked.isEmpty());
}

// The converter names no file that does not exist; such a file is not called outside the folder.
void TestWkhtmltopdfReport::warningReasonNamesAFew_data() {
    QTest::addColumn<QStringList>("notLoaded");
    QTest::addColumn<QStringList>("blocked");
    QTest::addColumn<QString>("reason");
    QTest::newRow("parts, and a file that does not exist")
        << QStringList{"a.png", "b.png", "c.png", "d.png", "e.png"} << QStringList{""}
        << "Converted, but some parts did not load: a.png, b.png, c.png, and 2 more. And a file the "
           "page uses does not exist.";
    QTest::newRow("files outside, and two that do not exist")
        << QStringList{} << QStringList{"", "/home/u/secret.txt", ""}
        << "Converted, but files outside the document's folder were not read: /home/u/secret.txt. "
           "And 2 files the page uses do not exist.";
    QTest::newRow("nothing") << QStringList{} << QStringList{} << "";
}

void TestWkhtmltopdfReport::warningReasonNamesAFew() {
    QFETCH(QStringList, notLoaded);
    QFETCH(QStringList, blocked);
    QFETCH(QString, reason);
    WkhtmltopdfReport report;
    report.notLoaded = notLoaded;
    report.blocked = blocked;
    QCOMPARE(report.WarningReason(), reason);
}

QTEST_GUILESS_MAIN(TestWkhtmltopdfReport)
#include "test_wkhtmltopdf_report.moc"
