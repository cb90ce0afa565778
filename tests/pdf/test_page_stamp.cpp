#include "PageStamp.h"
#include "PdfTools.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

PageSetup Footed() {
    PageSetup page;
    page.header = {QStringLiteral("{title}"), QString(), QStringLiteral("{url}")};
    page.footer.right = kPageNumberText;
    return page;
}

} // namespace

class TestPageStamp : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_work.isValid()); }
    void everyPageGetsItsOwnNumber();
    void titleFromTheDocumentUnlessGiven();
    void pagesOfTheirOwnSize();
    void damagedPdfIsAPlainFailure();
    void namesInAnyScript_data();
    void namesInAnyScript();

private:
    QString Path(const QString& name) const { return m_work.filePath(name); }
    QTemporaryDir m_work;
};

void TestPageStamp::everyPageGetsItsOwnNumber() {
    const QPageSize a4(QPageSize::A4);
    QVERIFY(WriteTestPdf(Path("in.pdf"), {a4, a4, a4}, QStringLiteral("Own Title")));
    PageFacts facts;
    facts.url = QStringLiteral("https://example.test/doc");
    QCOMPARE(pdf::StampPageText(Path("in.pdf"), Path("out.pdf"), Footed(), facts), QString());

    for (int page = 1; page <= 3; ++page) {
        const QString text = PdfPageText(Path("out.pdf"), page);
        // The page's own content stays, with its header and footer.
        QVERIFY2(text.contains(QStringLiteral("Body%1").arg(page)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Page %1 of 3").arg(page)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("https://example.test/doc")), qPrintable(text));
    }
    QCOMPARE(PdfTitle(Path("out.pdf")), QStringLiteral("Own Title"));
    // The number is in the footer band at the right, the title in the header band at the left.
    const QList<PdfWord> words = PdfWords(Path("out.pdf"), 2);
    const QSizeF size = a4.size(QPageSize::Point);
    bool numberPlaced = false, titlePlaced = false;
    for (const PdfWord& word : words) {
        if (word.text == QLatin1String("of"))
            numberPlaced = word.box.top() > size.height() - kSetMarginsMm * kPointsPerMm &&
                           word.box.left() > size.width() / 2;
        if (word.text == QLatin1String("Own"))
            titlePlaced = word.box.bottom() < kSetMarginsMm * kPointsPerMm &&
                          qAbs(word.box.left() - kSetMarginsMm * kPointsPerMm) < 2;
    }
    QVERIFY(numberPlaced);
    QVERIFY(titlePlaced);
}

void TestPageStamp::titleFromTheDocumentUnlessGiven() {
    QVERIFY(WriteTestPdf(Path("in.pdf"), {QPageSize(QPageSize::A5)}, QStringLiteral("Titre été")));
    PageSetup page;
    page.header.centre = QStringLiteral("[{title}]");
    QCOMPARE(pdf::StampPageText(Path("in.pdf"), Path("own.pdf"), page, {}), QString());
    QVERIFY2(PdfText(Path("own.pdf")).contains(QStringLiteral("[Titre été]")),
             qPrintable(PdfText(Path("own.pdf"))));
    PageFacts facts;
    facts.title = QStringLiteral("Told Title");
    QCOMPARE(pdf::StampPageText(Path("in.pdf"), Path("told.pdf"), page, facts), QString());
    QVERIFY(PdfText(Path("told.pdf")).contains(QStringLiteral("[Told Title]")));
}

// A document whose pages differ in size gets each stamp within its own page.
void TestPageStamp::pagesOfTheirOwnSize() {
    const QPageSize small(QPageSize::A5);
    const QPageSize wide(QSizeF(400, 200), QPageSize::Millimeter);
    QVERIFY(WriteTestPdf(Path("in.pdf"), {small, wide}, {}));
    QCOMPARE(pdf::StampPageText(Path("in.pdf"), Path("out.pdf"), Footed(), {}), QString());
    const QList<QSizeF> sizes = PdfPageSizes(Path("out.pdf"));
    QCOMPARE(sizes.size(), 2);
    for (int page = 1; page <= 2; ++page) {
        const QSizeF size = sizes[page - 1];
        QRectF number;
        for (const PdfWord& word : PdfWords(Path("out.pdf"), page))
            if (word.text == QStringLiteral("%1").arg(page) || word.text == QLatin1String("of"))
                number = number.isNull() ? word.box : number.united(word.box);
        QVERIFY2(!number.isNull() && number.right() <= size.width() - kSetMarginsMm * kPointsPerMm + 1 &&
                     number.right() > size.width() - kSetMarginsMm * kPointsPerMm - 60 &&
                     number.bottom() < size.height(),
                 qPrintable(QStringLiteral("page %1: %2,%3 on %4 x %5")
                                .arg(page)
                                .arg(number.right())
                                .arg(number.bottom())
                                .arg(size.width())
                                .arg(size.height())));
    }
}

void TestPageStamp::damagedPdfIsAPlainFailure() {
    QFile damaged(Path("damaged.pdf"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("%PDF-1.4\nnot really a PDF at all\n%%EOF\n");
    damaged.close();
    const QString reason = pdf::StampPageText(Path("damaged.pdf"), Path("out.pdf"), Footed(), {});
    QVERIFY2(reason.startsWith(QStringLiteral("The header and footer could not be added to the PDF (")),
             qPrintable(reason));
    QVERIFY(!reason.contains(u'\n'));
}

void TestPageStamp::namesInAnyScript_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("accented Latin") << QStringLiteral("R\u00e9sum\u00e9 \u2013 final");
    QTest::newRow("Japanese") << QStringLiteral("\u5831\u544a\u66f8");
}

// The stamped PDF lands under the very name it was given, and a failure names the file as it is named.
void TestPageStamp::namesInAnyScript() {
    QFETCH(QString, name);
    QTemporaryDir folder; // nothing else in it
    QVERIFY(folder.isValid());
    const QString from = folder.filePath(name + QStringLiteral(" in.pdf"));
    const QString to = folder.filePath(name + QStringLiteral(".pdf"));
    QVERIFY(WriteTestPdf(from, {QPageSize(QPageSize::A4)}, {}));

    QCOMPARE(pdf::StampPageText(from, to, Footed(), {}), QString());

    QFile stamped(to);
    QVERIFY2(stamped.open(QIODevice::ReadOnly), qPrintable(stamped.errorString()));
    QVERIFY(stamped.read(5) == "%PDF-");
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 2);

    QFile damaged(from);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("%PDF-1.4\nnot really a PDF at all\n%%EOF\n");
    damaged.close();
    const QString reason = pdf::StampPageText(from, to, Footed(), {});
    QVERIFY2(reason.contains(name), qPrintable(reason));
}

QTEST_MAIN(TestPageStamp)
#include "test_page_stamp.moc"
