// The grid's per-row actions after a run with the fake converter: open the PDF, show it in its folder,
// copy the reason.
#include "MainFormFixture.h"

#include "QueueGrid.h"
#include "RowActions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenu>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

// Converted, failed, converted with a warning, and a second row of the first row's name.
const QStringList kSources{"http://site.test/page", "http://site.test/b-fail", "http://site.test/c-warn",
                           "https://site.test/page"};

void Convert(MainFormFixture& f) {
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.AddUrls(kSources));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
}

bool Enabled(const MainFormFixture& f, const char* name) {
    return f.Child<QAction>(name)->isEnabled();
}

} // namespace

class TestRowActions : public QObject {
    Q_OBJECT
private slots:
    void rowsKeepThePdfTheyProduced();
    void popupItemsFollowTheRow_data();
    void popupItemsFollowTheRow();
    void actionsActOnTheRowsFiles();
    void doubleClickOpensAConvertedRowsPdf();
    void whatCannotBeShownIsSaidWithItsPath_data();
    void whatCannotBeShownIsSaidWithItsPath();
};

void TestRowActions::rowsKeepThePdfTheyProduced() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    Convert(f);
    const QStringList states{"converted", "failed", "warned", "converted"};
    QStringList pdfs;
    for (int row : {0, 2, 3}) {
        const QString pdf = f.Queue().OutputPath(row);
        QVERIFY2(QFileInfo(pdf).isFile(), qPrintable(pdf));
        QCOMPARE(QFileInfo(pdf).absolutePath(), QFileInfo(f.OutputFolder()).absoluteFilePath());
        pdfs << pdf;
    }
    QVERIFY(pdfs[0] != pdfs[2]); // numbered apart
    QCOMPARE(f.Queue().OutputPath(1), QString());
    QCOMPARE(f.RowData(0, ConversionQueue::OutputPathRole).toString(), pdfs[0]);

    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.Click("RzBitBtn1")); // a new run forgets the old results until it makes its own
    QCOMPARE(f.Queue().OutputPath(3), QString());
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QVERIFY(QFileInfo(f.Queue().OutputPath(3)).isFile());
}

void TestRowActions::popupItemsFollowTheRow_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("hasPdf");
    QTest::addColumn<bool>("hasReason");
    QTest::newRow("converted") << 0 << true << false;
    QTest::newRow("failed") << 1 << false << true;
    QTest::newRow("converted with warnings") << 2 << true << true;
}

// The popup opens on a right click, which makes the row current; its items are read while it shows.
void TestRowActions::popupItemsFollowTheRow() {
    QFETCH(int, row);
    QFETCH(bool, hasPdf);
    QFETCH(bool, hasReason);
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    Convert(f);
    auto* popup = f.Child<QMenu>("PopupMenu");
    f.ClickCell(row, ConversionQueue::SourceColumn, {}, Qt::RightButton);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(Enabled(f, "actOpenPdf"), hasPdf);
    QCOMPARE(Enabled(f, "actShowInFolder"), hasPdf);
    QCOMPARE(Enabled(f, "actCopyReason"), hasReason);
    popup->close();
}

void TestRowActions::actionsActOnTheRowsFiles() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    Convert(f);
    f.ClickCell(3, ConversionQueue::SourceColumn);
    QVERIFY(f.Trigger("actOpenPdf"));
    QVERIFY(f.Trigger("actShowInFolder"));
    QCOMPARE(f.dialogs.openedFiles, QStringList{f.Queue().OutputPath(3)});
    QCOMPARE(f.dialogs.shownFiles, QStringList{f.Queue().OutputPath(3)});
    QTest::qWait(0);
    QCOMPARE(f.dialogs.messages, QStringList()); // both were shown

    f.ClickCell(1, ConversionQueue::SourceColumn);
    QGuiApplication::clipboard()->clear();
    QVERIFY(f.Trigger("actCopyReason"));
    QVERIFY(!f.Queue().Reason(1).isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), f.Queue().Reason(1));
    QVERIFY(!f.Trigger("actOpenPdf"));
}

void TestRowActions::doubleClickOpensAConvertedRowsPdf() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    Convert(f);
    TQueueGrid& grid = f.Grid();
    const auto doubleClick = [&grid, &f](int row) {
        const QPoint at = grid.visualRect(f.Queue().index(row, ConversionQueue::SourceColumn)).center();
        // As the window system delivers it: a click, then the second press as a double-click.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(1); // failed: nothing to open
    QVERIFY(f.dialogs.openedFiles.isEmpty());
    doubleClick(2);
    QCOMPARE(f.dialogs.openedFiles, QStringList{f.Queue().OutputPath(2)});
}

void TestRowActions::whatCannotBeShownIsSaidWithItsPath_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("Open PDF") << "actOpenPdf" << kPdfNotOpenedMessage;
    QTest::newRow("Show in folder") << "actShowInFolder" << kPdfNotShownMessage;
    QTest::newRow("double-click") << QString() << kPdfNotOpenedMessage;
}

// The opener answers after it ran; the window carries on meanwhile and then names the PDF, copyably.
void TestRowActions::whatCannotBeShownIsSaidWithItsPath() {
    QFETCH(QString, how);
    QFETCH(QString, message);
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    Convert(f);
    f.dialogs.exploreResult = false;
    const QString pdf = f.Queue().OutputPath(0);
    if (how.isEmpty()) {
        const QPoint at = f.Grid().visualRect(f.Queue().index(0, ConversionQueue::SourceColumn)).center();
        QTest::mouseClick(f.Grid().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(f.Grid().viewport(), Qt::LeftButton, {}, at);
    } else {
        f.ClickCell(0, ConversionQueue::SourceColumn);
        QVERIFY(f.Trigger(how.toLatin1().constData()));
    }
    QCOMPARE(f.dialogs.messages, QStringList()); // not yet: the opener has not answered
    QTRY_COMPARE(f.dialogs.messages, QStringList{message.arg(pdf)});
    QCOMPARE(f.dialogs.copyablePaths, QStringList{pdf});
}

QTEST_MAIN(TestRowActions)
#include "test_row_actions.moc"
