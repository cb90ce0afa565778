// Page setup with both real engines: what reaches the PDF, read back with poppler's tools.
#include "PdfTools.h"
#include "RowFinish.h"
#include "classic/ConverterLocation.h"
#include "classic/WkhtmltopdfBackend.h"
#include "modern/BrowserLocation.h"
#include "modern/ChromiumBackend.h"
#include "run/BatchRunner.h"
#include "run/ConvertCommand.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velmora;
using namespace velmora::test;

Q_DECLARE_METATYPE(velmora::PageSetup)

namespace {

constexpr int kRowWaitMs = 2 * 60 * 1000;
// Chromium rounds the paper up to its own units, the Classic engine down to whole points.
constexpr double kPaperTolerancePt = 1.0;
constexpr double kMarginTolerancePt = 2.0;

const QStringList kEngines{QStringLiteral("classic"), QStringLiteral("modern")};
const QByteArray kPlainStyle = "<style>html, body { margin: 0; padding: 0; font: 12pt sans-serif; }</style>";

QByteArray Page(const QByteArray& head, const QByteArray& body) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + kPlainStyle + head + "</head><body>" +
           body + "</body></html>";
}

// Three pages, each ended by a page break, with words to find on each.
QByteArray ThreePages() {
    QByteArray body;
    for (int page = 1; page <= 3; ++page)
        body += "<div style=\"page-break-after: " + QByteArray(page < 3 ? "always" : "auto") +
                "\"><p>Content" + QByteArray::number(page) + " begins</p><p>more words here</p></div>";
    return Page("<title>Chapter T\xc3\xadtle</title>", body);
}

double Mm(double mm) {
    return mm * kPointsPerMm;
}

bool Near(double actual, double expected, double tolerance) {
    return qAbs(actual - expected) <= tolerance;
}

} // namespace

class TestRealPageSetup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void paperSize_data();
    void paperSize();
    void margins_data();
    void margins();
    void headerAndFooter_data();
    void headerAndFooter();
    void backgrounds_data();
    void backgrounds();
    void printAndScreenStyle();
    void cssPageSize();
    void classicRefusesWhatItCannotDo();

private:
    // Converts `html` with the engine and the page setup through the run, with its header and footer
    // step; the PDF's path, or empty after a test failure.
    QString Convert(const QString& engine, const PageSetup& page, const QByteArray& html);
    std::unique_ptr<RenderBackend> Engine(const QString& engine) const;

    QTemporaryDir m_work;
    bool m_hasClassic = false;
    bool m_hasModern = false;
    int m_count = 0;
};

void TestRealPageSetup::initTestCase() {
    QVERIFY(m_work.isValid());
    m_hasClassic = LocateConverter(QDir::tempPath()).found;
    m_hasModern = LocateBrowser(QDir::tempPath()).found;
    if (!m_hasClassic && !m_hasModern)
        QSKIP("Neither wkhtmltopdf nor Chromium is installed.");
}

std::unique_ptr<RenderBackend> TestRealPageSetup::Engine(const QString& engine) const {
    return engine == QLatin1String("modern") ? MakeModernEngine(QDir::tempPath())
                                             : MakeClassicEngine(QDir::tempPath());
}

QString TestRealPageSetup::Convert(const QString& engine, const PageSetup& page, const QByteArray& html) {
    if (engine == QLatin1String("classic") ? !m_hasClassic : !m_hasModern) {
        QTest::qSkip(qPrintable(engine + QStringLiteral(" engine not installed")), __FILE__, __LINE__);
        return {};
    }
    const QString name = QStringLiteral("page%1").arg(++m_count);
    const QString source = m_work.filePath(name + QStringLiteral(".html"));
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size()) {
        QTest::qFail("could not write the page", __FILE__, __LINE__);
        return {};
    }
    file.close();
    BatchRunner runner;
    runner.SetBackend(Engine(engine));
    runner.SetPageSetup(page);
    runner.SetFinisher(pdf::RowFinisher());
    QSignalSpy rows(&runner, &BatchRunner::rowFinished);
    QSignalSpy finished(&runner, &BatchRunner::finished);
    const QString output = m_work.filePath(name + QStringLiteral(".pdf"));
    runner.Start({{source, output}});
    if (finished.isEmpty() && !finished.wait(kRowWaitMs)) {
        QTest::qFail("the run did not end", __FILE__, __LINE__);
        return {};
    }
    if (rows.size() != 1 || rows[0][1].value<RowState>() == RowState::Failed) {
        QTest::qFail(qPrintable(QStringLiteral("the row failed: %1").arg(rows.value(0).value(2).toString())),
                     __FILE__, __LINE__);
        return {};
    }
    return output;
}

void TestRealPageSetup::paperSize_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("paper");
    QTest::addColumn<Orientation>("orientation");
    QTest::addColumn<QSizeF>("sizePt");
    for (const QString& engine : kEngines) {
        const auto row = [&engine](const char* name, const char* paper, Orientation orientation,
                                   QSizeF size) {
            QTest::addRow("%s, %s", qPrintable(engine), name) << engine << paper << orientation << size;
        };
        row("A4 as before", "A4", Orientation::Portrait, QSizeF(Mm(210), Mm(297)));
        row("Letter", "Letter", Orientation::Portrait, QSizeF(612, 792));
        row("A5 landscape", "A5", Orientation::Landscape, QSizeF(Mm(210), Mm(148)));
        row("custom", "100x150mm", Orientation::Portrait, QSizeF(Mm(100), Mm(150)));
    }
}

void TestRealPageSetup::paperSize() {
    QFETCH(QString, engine);
    QFETCH(QString, paper);
    QFETCH(Orientation, orientation);
    QFETCH(QSizeF, sizePt);

    PageSetup page;
    QVERIFY(page_text::ParsePaper(paper, page));
    page.orientation = orientation;
    const QString pdf = Convert(engine, page, Page({}, "<p>Paper</p>"));
    if (pdf.isEmpty())
        return;
    const QList<QSizeF> sizes = PdfPageSizes(pdf);
    QCOMPARE(sizes.size(), 1);
    QVERIFY2(Near(sizes[0].width(), sizePt.width(), kPaperTolerancePt) &&
                 Near(sizes[0].height(), sizePt.height(), kPaperTolerancePt),
             qPrintable(QStringLiteral("%1 x %2 pt").arg(sizes[0].width()).arg(sizes[0].height())));
}

void TestRealPageSetup::margins_data() {
    QTest::addColumn<QString>("engine");
    for (const QString& engine : kEngines)
        QTest::addRow("%s", qPrintable(engine)) << engine;
}

// The text of a page without margins of its own begins where the margins end.
void TestRealPageSetup::margins() {
    QFETCH(QString, engine);
    PageSetup page;
    page.marginsMm = QMarginsF(30, 20, 15, 25); // left, top, right, bottom
    const QString pdf = Convert(engine, page, Page({}, "<div>Marginal words</div>"));
    if (pdf.isEmpty())
        return;
    const QRectF text = PdfTextBox(PdfWords(pdf, 1));
    QVERIFY(!text.isEmpty());
    // The first line's box starts a little below the margin, by the font's line spacing.
    QVERIFY2(Near(text.left(), Mm(30), kMarginTolerancePt) && text.top() >= Mm(20) - kMarginTolerancePt &&
                 text.top() <= Mm(20) + 6,
             qPrintable(QStringLiteral("text at %1, %2 pt").arg(text.left()).arg(text.top())));
}

void TestRealPageSetup::headerAndFooter_data() {
    QTest::addColumn<QString>("engine");
    for (const QString& engine : kEngines)
        QTest::addRow("%s", qPrintable(engine)) << engine;
}

// "Page 2 of 3" in the right footer of the second page, the title in the header, both clear of the
// content at the default margins.
void TestRealPageSetup::headerAndFooter() {
    QFETCH(QString, engine);
    PageSetup page;
    page.header.left = QStringLiteral("{title}");
    page.footer.right = kPageNumberText;
    const QString pdf = Convert(engine, page, ThreePages());
    if (pdf.isEmpty())
        return;
    const QList<QSizeF> sizes = PdfPageSizes(pdf);
    QCOMPARE(sizes.size(), 3);
    const QList<PdfWord> words = PdfWords(pdf, 2);
    QList<PdfWord> header, footer, content;
    for (const PdfWord& word : words)
        (word.box.bottom() < Mm(kSetMarginsMm)                    ? header
         : word.box.top() > sizes[1].height() - Mm(kSetMarginsMm) ? footer
                                                                  : content)
            .append(word);
    QStringList headerText, footerText;
    for (const PdfWord& word : std::as_const(header))
        headerText << word.text;
    for (const PdfWord& word : std::as_const(footer))
        footerText << word.text;
    QCOMPARE(headerText.join(u' '), QStringLiteral("Chapter T\u00edtle"));
    QCOMPARE(footerText.join(u' '), QStringLiteral("Page 2 of 3"));
    QVERIFY2(PdfTextBox(footer).right() > sizes[1].width() - Mm(kSetMarginsMm) - kMarginTolerancePt,
             "the page number is at the right");
    QVERIFY(!content.isEmpty());
    QVERIFY2(PdfTextBox(content).top() >= PdfTextBox(header).bottom() + Mm(kPageTextGapMm) - 1,
             "the content keeps clear of the header");
    QVERIFY(PdfPageText(pdf, 2).contains(QStringLiteral("Content2 begins")));
    QVERIFY(PdfPageText(pdf, 3).contains(QStringLiteral("Page 3 of 3")));
}

void TestRealPageSetup::backgrounds_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("backgrounds");
    for (const QString& engine : kEngines) {
        QTest::addRow("%s, on", qPrintable(engine)) << engine << true;
        QTest::addRow("%s, off", qPrintable(engine)) << engine << false;
    }
}

void TestRealPageSetup::backgrounds() {
    QFETCH(QString, engine);
    QFETCH(bool, backgrounds);
    PageSetup page;
    page.backgrounds = backgrounds;
    const QString pdf = Convert(
        engine, page,
        Page("<style>body { background: #1060c0; } div { height: 300px; }</style>", "<div>Blue</div>"));
    if (pdf.isEmpty())
        return;
    const QColor pixel = PdfPixel(pdf, 1, QPointF(Mm(105), Mm(60)));
    QCOMPARE(pixel.name(), backgrounds ? QStringLiteral("#1060c0") : QStringLiteral("#ffffff"));
}

void TestRealPageSetup::printAndScreenStyle() {
    const QByteArray html = Page("<style>@media print { .screen-only { display: none } }</style>",
                                 "<p>Always shown</p><p class=\"screen-only\">Screen only</p>");
    for (const QString& engine : kEngines) {
        const QString pdf = Convert(engine, PageSetup(), html);
        if (pdf.isEmpty())
            continue;
        QCOMPARE(PdfText(pdf), QStringLiteral("Always shown"));
    }
    PageSetup screen;
    screen.media = MediaStyle::Screen;
    const QString pdf = Convert(QStringLiteral("modern"), screen, html);
    if (!pdf.isEmpty())
        QCOMPARE(PdfText(pdf), QStringLiteral("Always shown Screen only"));
}

// The page's own @page size wins only when asked for.
void TestRealPageSetup::cssPageSize() {
    const QByteArray html = Page("<style>@page { size: A5 }</style>", "<p>Small paper</p>");
    PageSetup page;
    const QString asA4 = Convert(QStringLiteral("modern"), page, html);
    if (asA4.isEmpty())
        return;
    const QSizeF a4 = PdfPageSizes(asA4).value(0);
    QVERIFY2(Near(a4.width(), Mm(210), kPaperTolerancePt) && Near(a4.height(), Mm(297), kPaperTolerancePt),
             qPrintable(QStringLiteral("%1 x %2 pt").arg(a4.width()).arg(a4.height())));
    page.cssPageSize = true;
    const QString asA5 = Convert(QStringLiteral("modern"), page, html);
    QVERIFY(!asA5.isEmpty());
    const QSizeF a5 = PdfPageSizes(asA5).value(0);
    QVERIFY2(Near(a5.width(), Mm(148), kPaperTolerancePt) && Near(a5.height(), Mm(210), kPaperTolerancePt),
             qPrintable(QStringLiteral("%1 x %2 pt").arg(a5.width()).arg(a5.height())));
}

// Debian's wkhtmltopdf has neither screen style nor the page's own size: a run says so before it starts.
void TestRealPageSetup::classicRefusesWhatItCannotDo() {
    const std::unique_ptr<RenderBackend> classic = Engine(QStringLiteral("classic"));
    PageSetup page;
    QCOMPARE(classic->PageSetupProblem(page), QString());
    page.media = MediaStyle::Screen;
    QVERIFY(classic->PageSetupProblem(page).contains(QStringLiteral("Modern engine")));
    page.media = MediaStyle::Print;
    page.cssPageSize = true;
    QVERIFY(classic->PageSetupProblem(page).contains(QStringLiteral("Modern engine")));
    QCOMPARE(Engine(QStringLiteral("modern"))->PageSetupProblem(page), QString());
}

QTEST_MAIN(TestRealPageSetup)
#include "test_real_page_setup.moc"
