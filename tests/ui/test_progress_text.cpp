// Progress while a run goes on and the outcome after it, in the main window.
#include "MainFormFixture.h"

#include "ProgressText.h"
#include "QueueGrid.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace velmora;
using namespace velmora::test;

class TestProgressText : public QObject {
    Q_OBJECT
private slots:
    void progressCaption_data();
    void progressCaption();
    void runSummary_data();
    void runSummary();
    void runShowsCountTitleAndOutcome();
    void stoppedRunCountsWhatWasNotConverted();
    void convertingRowStaysInViewUntilTheUserScrolls_data();
    void convertingRowStaysInViewUntilTheUserScrolls();
    void folderThatCannotBeShownIsNamed();
    void textReadsOverBothPartsOfTheBar();
};

namespace {

// The relative luminance of a colour, and the contrast of two, as the web's accessibility rules
// define them; 7 or more reads well for small text.
double Luminance(QRgb rgb) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text pixel that stands out most from `background` in the columns [left, right) of the image.
QRgb TextPixel(const QImage& image, int left, int right, QRgb background) {
    QRgb best = background;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < right; ++x) {
            if (Contrast(image.pixel(x, y), background) > Contrast(best, background))
                best = image.pixel(x, y);
        }
    }
    return best;
}

} // namespace

void TestProgressText::progressCaption_data() {
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("caption");
    QTest::newRow("start") << 0 << 200 << qint64(0) << "0 of 200";
    QTest::newRow("one row is no pace yet") << 1 << 200 << qint64(5000) << "1 of 200";
    QTest::newRow("minutes") << 12 << 200 << qint64(6000) << "12 of 200 \u00B7 about 1:34 left";
    QTest::newRow("seconds round up") << 2 << 3 << qint64(3001) << "2 of 3 \u00B7 about 0:02 left";
    QTest::newRow("hours") << 10 << 1000 << qint64(60000) << "10 of 1000 \u00B7 about 1:39:00 left";
    QTest::newRow("done") << 200 << 200 << qint64(90000) << "200 of 200";
}

void TestProgressText::progressCaption() {
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, caption);
    QCOMPARE(ProgressCaption(done, total, elapsedMs), caption);
}

void TestProgressText::runSummary_data() {
    QTest::addColumn<int>("converted");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("notConverted");
    QTest::addColumn<QString>("summary");
    QTest::newRow("all converted") << 5 << 0 << 0 << 0
                                   << "5 converted, 0 with warnings, 0 failed. PDFs in /o";
    QTest::newRow("mixed") << 3 << 1 << 2 << 0 << "3 converted, 1 with warnings, 2 failed. PDFs in /o";
    QTest::newRow("stopped") << 1 << 0 << 1 << 4
                             << "1 converted, 0 with warnings, 1 failed, 4 not converted. PDFs in /o";
}

void TestProgressText::runSummary() {
    QFETCH(int, converted);
    QFETCH(int, warnings);
    QFETCH(int, failed);
    QFETCH(int, notConverted);
    QFETCH(QString, summary);
    QCOMPARE(RunSummary({converted, warnings, failed, notConverted}, QStringLiteral("/o")), summary);
}

// The bar's text and the title are read each time a row ends and the progress moves, just after the
// window has updated them.
void TestProgressText::runShowsCountTitleAndOutcome() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    TfrmMain& window = f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1"));
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.AddUrls({"http://site.test/a", "http://site.test/b-fail", "http://site.test/c-warn",
                       "http://site.test/d", "http://site.test/e"}));
    const QString title = window.windowTitle();
    auto* bar = f.Child<QProgressBar>("ProgressBar");
    auto* summary = f.Child<QLabel>("spRunSummary");
    QStringList captions;
    QStringList titles;
    BatchRunner& runner = window.Command().Runner();
    connect(&runner, &BatchRunner::rowFinished, this, [&] { captions << bar->format(); });
    connect(&runner, &BatchRunner::progressChanged, this, [&] { titles << window.windowTitle(); });

    QVERIFY(f.Click("RzBitBtn1"));
    QVERIFY(bar->isTextVisible());
    QCOMPARE(bar->format(), QStringLiteral("0 of 5"));
    QCOMPARE(window.windowTitle(), QStringLiteral("0% - ") + title);
    QVERIFY(summary->isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(window.RunStatus(), rsStop, kRunTimeoutMs);

    QCOMPARE(captions.size(), 5);
    QCOMPARE(captions[0], QStringLiteral("1 of 5"));
    for (int done = 2; done < 5; ++done)
        QVERIFY2(captions[done - 1].startsWith(QStringLiteral("%1 of 5 \u00B7 about ").arg(done)) &&
                     captions[done - 1].endsWith(QLatin1String(" left")),
                 qPrintable(captions[done - 1]));
    QCOMPARE(captions[4], QStringLiteral("5 of 5"));
    QCOMPARE(titles, (QStringList{"20% - " + title, "40% - " + title, "60% - " + title, "80% - " + title,
                                  "100% - " + title}));
    QCOMPARE(window.windowTitle(), title);

    QVERIFY(summary->isVisible());
    QCOMPARE(summary->text(), QStringLiteral("3 converted, 1 with warnings, 1 failed. PDFs in ") +
                                  QDir::toNativeSeparators(f.OutputFolder()));
    QVERIFY(f.AddUrls({"http://site.test/f"}));
    QVERIFY(summary->isHidden());
    QCOMPARE(f.PaneTexts()[2], QStringLiteral("URL/Files Count: 6"));
}

void TestProgressText::stoppedRunCountsWhatWasNotConverted() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    TfrmMain& window = f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1"));
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.AddUrls({"http://site.test/a", "http://site.test/b-hang", "http://site.test/c"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.State(1), RowState::Converting, kRunTimeoutMs);
    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(window.RunStatus(), rsStop);
    QCOMPARE(f.Child<QLabel>("spRunSummary")->text(),
             QStringLiteral("1 converted, 0 with warnings, 1 failed, 1 not converted. PDFs in ") +
                 QDir::toNativeSeparators(f.OutputFolder()));
}

void TestProgressText::convertingRowStaysInViewUntilTheUserScrolls_data() {
    QTest::addColumn<bool>("userScrolls");
    QTest::newRow("followed") << false;
    QTest::newRow("user scrolled") << true;
}

// Many more rows than the grid shows; where the grid stands when the run ends tells whether it followed.
void TestProgressText::convertingRowStaysInViewUntilTheUserScrolls() {
    QFETCH(bool, userScrolls);
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce4"));
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QStringList addresses;
    for (int i = 0; i < 60; ++i)
        addresses << QStringLiteral("http://site.test/page%1").arg(i);
    QVERIFY(f.AddUrls(addresses));
    TQueueGrid& grid = f.Grid();
    QScrollBar* scroll = grid.verticalScrollBar();
    QTRY_VERIFY(scroll->maximum() > 10);

    QVERIFY(f.Click("RzBitBtn1"));
    if (userScrolls)
        scroll->setValue(3);
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);

    const QRect lastRow = grid.visualRect(f.Queue().index(59, ConversionQueue::SourceColumn));
    QCOMPARE(grid.viewport()->rect().contains(lastRow), !userScrolls);
    if (userScrolls)
        QCOMPARE(scroll->value(), 3);
}

void TestProgressText::folderThatCannotBeShownIsNamed() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.dialogs.exploreResult = false;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f.OutputFolder()));
    f.TypeTargetFolder(QStringLiteral("pdfs"));
    f.ChooseCompletionAction(kOpenTargetFolder);
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QDir::setCurrent(previous);
    const QString absolute = QDir::toNativeSeparators(f.OutputFolder() + QStringLiteral("/pdfs"));
    QCOMPARE(f.dialogs.exploredFolders.size(), 1);
    QTRY_COMPARE(f.dialogs.messages, QStringList{kFolderNotShownMessage.arg(absolute)});
    QCOMPARE(f.dialogs.copyablePaths, QStringList{absolute});
    QVERIFY(f.Child<QLabel>("spRunSummary")->text().endsWith(QStringLiteral("PDFs in ") + absolute));
}

// Half filled, a text across the middle stands out as well from the fill as from the empty part.
void TestProgressText::textReadsOverBothPartsOfTheBar() {
    MainFormFixture f;
    f.Open();
    auto* bar = f.Child<QProgressBar>("ProgressBar");
    bar->show();
    bar->setTextVisible(true);
    bar->setValue(50);
    bar->setFormat(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"));
    const QImage image = bar->grab().toImage();
    const int middle = image.width() / 2;
    const int band = image.width() / 10; // inside the text on both sides of the middle
    const int y = image.height() / 2;
    const QRgb fill = image.pixel(4, y); // far from the text at both ends
    const QRgb empty = image.pixel(image.width() - 5, y);
    QVERIFY2(fill != empty, "the fill is drawn");
    const double onFill = Contrast(TextPixel(image, middle - band, middle - 4, fill), fill);
    const double onEmpty = Contrast(TextPixel(image, middle + 4, middle + band, empty), empty);
    QVERIFY2(
        onFill >= 7 && onEmpty >= 7,
        qPrintable(QStringLiteral("text contrast %1 on the fill, %2 beside it").arg(onFill).arg(onEmpty)));
}

QTEST_MAIN(TestProgressText)
#include "test_progress_text.moc"
