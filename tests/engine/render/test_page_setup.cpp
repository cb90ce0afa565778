#include "render/PageSetup.h"

#include <QTest>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::PageSetup)

class TestPageSetup : public QObject {
    Q_OBJECT
private slots:
    void paperText_data();
    void paperText();
    void marginsText_data();
    void marginsText();
    void otherTexts();
    void printMargins_data();
    void printMargins();
    void problem();
    void fillPageText_data();
    void fillPageText();
};

void TestPageSetup::paperText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QSizeF>("sizeMm"); // portrait
    QTest::addColumn<QString>("storedAs");

    QTest::newRow("A4") << "A4" << true << QSizeF(210, 297) << "A4";
    QTest::newRow("letter, any case") << "letter" << true << QSizeF(215.9, 279.4) << "Letter";
    QTest::newRow("Legal") << "Legal" << true << QSizeF(215.9, 355.6) << "Legal";
    QTest::newRow("A3") << "a3" << true << QSizeF(297, 420) << "A3";
    QTest::newRow("A5") << "A5" << true << QSizeF(148, 210) << "A5";
    QTest::newRow("custom mm") << "200x250mm" << true << QSizeF(200, 250) << "200x250mm";
    QTest::newRow("custom inches") << "8x10in" << true << QSizeF(203.2, 254) << "203.2x254mm";
    QTest::newRow("custom cm, decimals") << "10.5x14.8cm" << true << QSizeF(105, 148) << "105x148mm";
    QTest::newRow("no unit") << "200x250" << false << QSizeF() << "";
    QTest::newRow("unknown name") << "B5" << false << QSizeF() << "";
    QTest::newRow("too small") << "20x250mm" << false << QSizeF() << "";
    QTest::newRow("too large") << "200x2500mm" << false << QSizeF() << "";
    QTest::newRow("empty") << "" << false << QSizeF() << "";
}

void TestPageSetup::paperText() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QSizeF, sizeMm);
    QFETCH(QString, storedAs);

    PageSetup page;
    page.paper = Paper::A3;
    QCOMPARE(page_text::ParsePaper(text, page), accepted);
    if (!accepted) {
        QCOMPARE(page.paper, Paper::A3); // left as it was
        return;
    }
    QVERIFY2(qAbs(page.PaperSizeMm().width() - sizeMm.width()) < 0.01 &&
                 qAbs(page.PaperSizeMm().height() - sizeMm.height()) < 0.01,
             qPrintable(
                 QStringLiteral("%1 x %2").arg(page.PaperSizeMm().width()).arg(page.PaperSizeMm().height())));
    QCOMPARE(page_text::PaperText(page), storedAs);
    page.orientation = Orientation::Landscape;
    QVERIFY(qAbs(page.PaperSizeMm().width() - sizeMm.height()) < 0.01);
}

void TestPageSetup::marginsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("engineOwn");
    QTest::addColumn<QMarginsF>("marginsMm"); // left, top, right, bottom

    QTest::newRow("one for all") << "12mm" << true << false << QMarginsF(12, 12, 12, 12);
    QTest::newRow("four, CSS order") << "1mm 2mm 3mm 4mm" << true << false << QMarginsF(4, 1, 2, 3);
    QTest::newRow("commas and units") << "1cm,0.5in,0mm,2cm" << true << false << QMarginsF(20, 10, 12.7, 0);
    QTest::newRow("engine's own") << "default" << true << true << QMarginsF();
    QTest::newRow("two values") << "10mm 20mm" << false << false << QMarginsF();
    QTest::newRow("no unit") << "10" << false << false << QMarginsF();
    QTest::newRow("negative") << "-1mm" << false << false << QMarginsF();
    QTest::newRow("over 100mm") << "101mm" << false << false << QMarginsF();
    QTest::newRow("empty") << "" << false << false << QMarginsF();
}

void TestPageSetup::marginsText() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(bool, engineOwn);
    QFETCH(QMarginsF, marginsMm);

    std::optional<QMarginsF> parsed = QMarginsF(7, 7, 7, 7);
    QCOMPARE(page_text::ParseMargins(text, parsed), accepted);
    if (!accepted) {
        QCOMPARE(parsed, std::optional(QMarginsF(7, 7, 7, 7)));
        return;
    }
    QCOMPARE(!parsed, engineOwn);
    if (!engineOwn)
        QVERIFY(qAbs(parsed->left() - marginsMm.left()) < 0.001 &&
                qAbs(parsed->top() - marginsMm.top()) < 0.001 &&
                qAbs(parsed->right() - marginsMm.right()) < 0.001 &&
                qAbs(parsed->bottom() - marginsMm.bottom()) < 0.001);
    // What is stored reads back the same.
    std::optional<QMarginsF> again;
    QVERIFY(page_text::ParseMargins(page_text::MarginsText(parsed), again));
    QCOMPARE(again, parsed);
}

void TestPageSetup::otherTexts() {
    using namespace page_text;
    QCOMPARE(ParseOrientation("Landscape"), std::optional(Orientation::Landscape));
    QCOMPARE(ParseOrientation("sideways"), std::nullopt);
    QCOMPARE(ParseScale("80%"), std::optional(80));
    QCOMPARE(ParseScale("10"), std::optional(10));
    QCOMPARE(ParseScale("200"), std::optional(200));
    QCOMPARE(ParseScale("9"), std::nullopt);
    QCOMPARE(ParseScale("201"), std::nullopt);
    QCOMPARE(ParseScale("1.5"), std::nullopt);
    QCOMPARE(ParseMedia("screen"), std::optional(MediaStyle::Screen));
    QCOMPARE(ParseMedia("tv"), std::nullopt);
    QCOMPARE(ParseLine("a|{page}|c"), std::optional(PageText{"a", "{page}", "c"}));
    QCOMPARE(ParseLine("||Page {page} of {pages}"),
             std::optional(PageText{"", "", "Page {page} of {pages}"}));
    QCOMPARE(ParseLine(""), std::optional(PageText{}));
    QCOMPARE(ParseLine("only one part"), std::nullopt);
    QCOMPARE(ParseLine("a|b|c|d"), std::nullopt);
    QCOMPARE(LineText(PageText{"x", "", "z"}), QStringLiteral("x||z"));
    QCOMPARE(LineText(PageText{}), QString());
    QCOMPARE(ParseOnOff("off"), std::optional(false));
    QCOMPARE(ParseOnOff("maybe"), std::nullopt);
    QCOMPARE(ParseTextSize("9.5"), std::optional(9.5));
    QCOMPARE(ParseTextSize("100"), std::nullopt);
}

void TestPageSetup::printMargins_data() {
    QTest::addColumn<std::optional<QMarginsF>>("chosen");
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("footer");
    QTest::addColumn<double>("textSizePt");
    QTest::addColumn<std::optional<QMarginsF>>("printed");

    const std::optional<QMarginsF> none;
    // 4mm from the edge, a 9pt line (3.81mm) and 2mm to the content: 9.81mm, within 10mm.
    QTest::newRow("engine's own, no text") << none << false << false << 9.0 << none;
    QTest::newRow("engine's own, a footer")
        << none << false << true << 9.0 << std::optional(QMarginsF(10, 10, 10, 10));
    QTest::newRow("chosen, no text") << std::optional(QMarginsF(1, 2, 3, 4)) << false << false << 9.0
                                     << std::optional(QMarginsF(1, 2, 3, 4));
    QTest::newRow("a header grows a small top margin")
        << std::optional(QMarginsF(1, 2, 3, 4)) << true << false << 9.0
        << std::optional(QMarginsF(1, 4 + 9 * 1.2 / kPointsPerMm + 2, 3, 4));
    QTest::newRow("a large footer grows the default margin")
        << none << false << true << 24.0
        << std::optional(QMarginsF(10, 10, 10, 4 + 24 * 1.2 / kPointsPerMm + 2));
    QTest::newRow("a wide margin stays") << std::optional(QMarginsF(30, 30, 30, 30)) << true << true << 12.0
                                         << std::optional(QMarginsF(30, 30, 30, 30));
}

void TestPageSetup::printMargins() {
    QFETCH(std::optional<QMarginsF>, chosen);
    QFETCH(bool, header);
    QFETCH(bool, footer);
    QFETCH(double, textSizePt);
    QFETCH(std::optional<QMarginsF>, printed);

    PageSetup page;
    page.marginsMm = chosen;
    page.textSizePt = textSizePt;
    if (header)
        page.header.centre = QStringLiteral("{title}");
    if (footer)
        page.footer.right = kPageNumberText;
    const std::optional<QMarginsF> actual = page.PrintMarginsMm();
    QCOMPARE(actual.has_value(), printed.has_value());
    if (printed) {
        for (auto side : {&QMarginsF::left, &QMarginsF::top, &QMarginsF::right, &QMarginsF::bottom})
            QVERIFY2(qAbs(((*actual).*side)() - ((*printed).*side)()) < 0.001,
                     qPrintable(page_text::MarginsText(actual)));
    }
}

void TestPageSetup::problem() {
    PageSetup page;
    QCOMPARE(page.Problem(), QString());
    page.paper = Paper::Custom;
    page.customSizeMm = QSizeF(60, 60);
    page.marginsMm = QMarginsF(25, 25, 25, 25);
    QCOMPARE(page.Problem(), QString()); // 10mm left across and down
    page.marginsMm = QMarginsF(26, 10, 25, 10);
    QVERIFY(!page.Problem().isEmpty());
    page.marginsMm = QMarginsF(10, 25, 10, 20);
    QCOMPARE(page.Problem(), QString());
    // A 24pt footer needs 16.2mm below the content, which leaves less than 10mm down this paper.
    page.marginsMm = QMarginsF(10, 35, 10, 10);
    QCOMPARE(page.Problem(), QString());
    page.footer.left = QStringLiteral("x");
    page.textSizePt = 24;
    QVERIFY(!page.Problem().isEmpty());
}

void TestPageSetup::fillPageText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("filled"); // "DATE": the date as the locale writes it

    const QString url = QStringLiteral("https://example.test/a");
    QTest::newRow("page numbers") << kPageNumberText << "T" << url << "Page 2 of 3";
    QTest::newRow("address, a field twice") << "{url} {pages}{pages}"
                                            << "T" << url << "https://example.test/a 33";
    QTest::newRow("date") << "{date}"
                          << "T" << url << "DATE";
    QTest::newRow("unknown field") << "{unknown} {Page} {page"
                                   << "T" << url << "{unknown} {Page} {page";
    // What came from the page or its address is shown as it is, never read for fields.
    QTest::newRow("fields in the title")
        << "[{title}] {page}"
        << "A {url} {date} {page} {title}" << url << "[A {url} {date} {page} {title}] 2";
    QTest::newRow("fields in the address") << "{url} {date}"
                                           << "T"
                                           << "/home/a/report {date} {title}.html"
                                           << "/home/a/report {date} {title}.html DATE";
}

void TestPageSetup::fillPageText() {
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, url);
    QFETCH(QString, filled);
    const QDate date(2026, 1, 31);
    const PageFacts facts{2, 3, title, url, date};
    QCOMPARE(FillPageText(text, facts),
             QString(filled).replace(QStringLiteral("DATE"), QLocale().toString(date, QLocale::ShortFormat)));
}

QTEST_GUILESS_MAIN(TestPageSetup)
#include "test_page_setup.moc"
