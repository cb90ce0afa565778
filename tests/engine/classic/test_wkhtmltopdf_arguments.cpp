#include "classic/ReadyScript.h"
#include "classic/WkhtmltopdfBackend.h"
#include "classic/WkhtmltopdfReport.h"

#include <QDir>
#include <QTest>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::PageSetup)

// How a row's page setup and title reach the converter's arguments, and come back in its report.
class TestWkhtmltopdfArguments : public QObject {
    Q_OBJECT
private slots:
    void pageSetup_data();
    void pageSetup();
    void titleReport();
};

void TestWkhtmltopdfArguments::pageSetup_data() {
    QTest::addColumn<PageSetup>("page");
    QTest::addColumn<QStringList>("pageArguments");

    PageSetup page;
    QTest::newRow("default: none") << page << QStringList{};
    page.paper = Paper::Letter;
    page.orientation = Orientation::Landscape;
    QTest::newRow("named paper, landscape")
        << page << QStringList{"--page-size", "Letter", "--orientation", "Landscape"};
    page = {};
    page.paper = Paper::Custom;
    page.customSizeMm = QSizeF(100, 150);
    page.orientation = Orientation::Landscape;
    QTest::newRow("custom size, turned")
        << page << QStringList{"--page-width", "150.00mm", "--page-height", "100.00mm"};
    page = {};
    page.marginsMm = QMarginsF(4, 1, 2, 3);
    page.scalePercent = 80;
    page.backgrounds = false;
    QTest::newRow("margins, zoom, no backgrounds")
        << page << QStringList{"-T",     "1.00mm", "-R",  "2.00mm",         "-B", "3.00mm", "-L",
                               "4.00mm", "--zoom", "0.8", "--no-background"};
    page = {};
    page.footer.right = kPageNumberText;
    QTest::newRow("a footer sets the margins")
        << page << QStringList{"-T", "10.00mm", "-R", "10.00mm", "-B", "10.00mm", "-L", "10.00mm"};
    // Each hidden selector is a rule of its own; a comma inside brackets stays with its selector.
    page = {};
    page.loading.delayMs = 1500;
    page.loading.hide = QStringLiteral(" a ,b[title=\"x,y\"], ");
    QTest::newRow("a delay, hidden elements")
        << page
        << QStringList{"--javascript-delay", "1500", "--user-style-sheet",
                       "data:text/css;charset=utf-8;base64," +
                           QByteArray("a { display: none !important; }\nb[title=\"x,y\"] { display: none "
                                      "!important; }\n")
                               .toBase64()};
}

void TestWkhtmltopdfArguments::pageSetup() {
    QFETCH(PageSetup, page);
    QFETCH(QStringList, pageArguments);

    const RenderRequest request{
        QStringLiteral("https://example.test/"), QStringLiteral("/tmp/out.pdf"), {}, page};
    const QStringList arguments = WkhtmltopdfArguments(request);
    // A web page always tells the address it finally shows.
    const QString script = arguments.value(arguments.indexOf(QStringLiteral("--run-script")) + 1);
    QVERIFY(script.contains(kAddressMarker));
    const QStringList expected = QStringList{"--disable-local-file-access"} + pageArguments +
                                 QStringList{"--debug-javascript",
                                             "--window-status",
                                             kReadyStatus,
                                             "--run-script",
                                             script,
                                             "https://example.test/",
                                             QDir::toNativeSeparators(QStringLiteral("/tmp/out.pdf"))};
    QCOMPARE(arguments, expected);
}

// The converter writes no title into the PDF, so every web page says it: for the PDF's Title, a name
// from it, a header with {title}.
void TestWkhtmltopdfArguments::titleReport() {
    const RenderRequest request{
        QStringLiteral("https://example.test/"), QStringLiteral("/tmp/out.pdf"), {}, {}};
    const QStringList arguments = WkhtmltopdfArguments(request);
    QVERIFY(arguments.value(arguments.indexOf(QStringLiteral("--run-script")) + 1).contains(kTitleMarker));

    const QByteArray output =
        "Loading page (1/2)\n[====] 100%\rWarning: :1 " + kTitleMarker.toUtf8() +
        "\"Caf\\u00e9 \\\"quoted\\\" | {page}\"\nWarning: https://example.test/:3 own message\n"
        "Printing pages (2/2)\nDone\n";
    const WkhtmltopdfReport report = ReadWkhtmltopdfReport(output, QStringLiteral("https://example.test/"));
    QCOMPARE(report.pageTitle, QStringLiteral("Café \"quoted\" | {page}"));
    QVERIFY(!report.HasWarnings());
    QCOMPARE(report.lastMessage, QStringLiteral("Warning: https://example.test/:3 own message"));

    // What the page is waited for, until the wait is over.
    const QByteArray waiting = "Warning: :4 " + kWaitingMarker.toUtf8() + "element\n";
    QCOMPARE(ReadWkhtmltopdfReport(output + waiting, {}).waitingFor, kWaitingForElement);
    QCOMPARE(ReadWkhtmltopdfReport(output + waiting + "Warning: :4 " + kWaitingMarker.toUtf8() + "\n", {})
                 .waitingFor,
             QString());
}

QTEST_GUILESS_MAIN(TestWkhtmltopdfArguments)
#include "test_wkhtmltopdf_arguments.moc"
