// Seeing outcomes in the main window: the picked row's result in the status bar, the "Result" column
// (remembered), and the filter that keeps only the rows that did not convert cleanly.
#include "MainFormFixture.h"

#include "QueueGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

using namespace velmora;
using namespace velmora::test;

namespace {

// Three rows as a run leaves them: converted, with warnings, failed; and a fourth never run.
void SetOutcomes(MainFormFixture& f) {
    QVERIFY(
        f.AddUrls({"http://site.test/a", "http://site.test/b", "http://site.test/c", "http://site.test/d"}));
    f.Queue().SetOutcome(0, RowState::Converted);
    f.Queue().SetOutcome(1, RowState::ConvertedWithWarnings, QStringLiteral("missing.png not loaded"));
    f.Queue().SetOutcome(2, RowState::Failed, QStringLiteral("Timed out."));
}

QStringList VisibleRows(const MainFormFixture& f) {
    QStringList rows;
    for (int row = 0; row < f.Queue().RowCount(); ++row) {
        if (!f.Grid().isRowHidden(row))
            rows << f.Queue().SourceText(row);
    }
    return rows;
}

} // namespace

class TestOutcomeViews : public QObject {
    Q_OBJECT
private slots:
    void pickedRowShowsItsResultInTheStatusBar_data();
    void pickedRowShowsItsResultInTheStatusBar();
    void resultLineStepsAsideForARunAndANotice();
    void resultColumnIsRemembered();
    void problemRowsOnly();
};

void TestOutcomeViews::pickedRowShowsItsResultInTheStatusBar_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text"); // empty: the line stays hidden
    QTest::newRow("converted") << 0 << "Converted";
    QTest::newRow("warnings") << 1 << "Converted with warnings: missing.png not loaded";
    QTest::newRow("failed") << 2 << "Failed: Timed out.";
    QTest::newRow("never run: the counters stay") << 3 << QString();
}

void TestOutcomeViews::pickedRowShowsItsResultInTheStatusBar() {
    QFETCH(int, row);
    QFETCH(QString, text);
    MainFormFixture f;
    f.Open();
    SetOutcomes(f);
    f.ClickCell(row, ConversionQueue::SourceColumn);

    auto* line = f.Child<QWidget>("spRowStatus");
    QCOMPARE(line->isVisible(), !text.isEmpty());
    if (text.isEmpty())
        return;
    auto* edit = f.Child<QLineEdit>("edtRowStatus");
    QCOMPARE(edit->text(), text);
    QVERIFY(edit->isReadOnly());
    // Selectable by hand, and the Copy button copies the whole line.
    edit->selectAll();
    QCOMPARE(edit->selectedText(), text);
    QApplication::clipboard()->clear();
    QVERIFY(f.Click("btnCopyRowStatus"));
    QCOMPARE(QApplication::clipboard()->text(), text);
}

void TestOutcomeViews::resultLineStepsAsideForARunAndANotice() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    SetOutcomes(f);
    f.ClickCell(2, ConversionQueue::SourceColumn);
    auto* line = f.Child<QWidget>("spRowStatus");
    QVERIFY(line->isVisible());
    // A row's result follows its changes while it is shown.
    f.Queue().SetOutcome(2, RowState::Failed, QStringLiteral("Gone."));
    QCOMPARE(f.Child<QLineEdit>("edtRowStatus")->text(), QStringLiteral("Failed: Gone."));

    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.Click("RzBitBtn1"));
    QVERIFY(!line->isVisible()); // the run's progress and then its summary have the status bar
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QVERIFY(!line->isVisible());
    QVERIFY(f.Child<QWidget>("spRunSummary")->isVisible());
    f.ClickCell(1, ConversionQueue::SourceColumn);
    QVERIFY(line->isVisible());

    // A notice (here: a line skipped by Add URL) takes the status bar.
    QVERIFY(f.AddUrls({"example.org"}));
    QVERIFY(!line->isVisible());
}

void TestOutcomeViews::resultColumnIsRemembered() {
    MainFormFixture f;
    f.Open();
    auto* toggle = f.Child<QAction>("actResultColumn");
    QVERIFY(f.Child<QMenu>("mnuView")->actions().contains(toggle));
    QVERIFY(!toggle->isChecked());
    QVERIFY(f.Grid().isColumnHidden(ConversionQueue::ResultColumn));
    SetOutcomes(f);

    QVERIFY(f.Trigger("actResultColumn"));
    QVERIFY(!f.Grid().isColumnHidden(ConversionQueue::ResultColumn));
    QCOMPARE(f.Queue().index(2, ConversionQueue::ResultColumn).data().toString(),
             QStringLiteral("Failed: Timed out."));
    QCOMPARE(f.Store().PreferenceText(Preference::ResultColumn), kShownText);

    f.Open(); // a new window over the same store
    QVERIFY(f.Child<QAction>("actResultColumn")->isChecked());
    QVERIFY(!f.Grid().isColumnHidden(ConversionQueue::ResultColumn));
    QVERIFY(f.Trigger("actResultColumn"));
    QCOMPARE(f.Store().PreferenceText(Preference::ResultColumn), kHiddenText);
    f.Open();
    QVERIFY(f.Grid().isColumnHidden(ConversionQueue::ResultColumn));
}

// The line below the grid: how many rows the filter hides now, or nothing.
static QString HiddenCount(const MainFormFixture& f) {
    auto* note = f.Child<QLabel>("lblHiddenRows");
    return note->isVisible() ? note->text().section(u' ', 0, 0) : QString();
}

void TestOutcomeViews::problemRowsOnly() {
    MainFormFixture f;
    f.Open();
    SetOutcomes(f);
    QVERIFY(f.Child<QMenu>("mnuView")->actions().contains(f.Child<QAction>("actProblemRowsOnly")));
    const QStringList all = f.RowTexts();
    f.Grid().selectAll();
    QCOMPARE(f.Queue().SelectedCount(), 4);

    QCOMPARE(HiddenCount(f), QString());
    QVERIFY(f.Trigger("actProblemRowsOnly"));
    QCOMPARE(VisibleRows(f), all.mid(1));
    QCOMPARE(HiddenCount(f), QStringLiteral("1"));
    QVERIFY(
        f.Child<QLabel>("lblHiddenRows")->text().contains(QStringLiteral("Convert Now converts them too")));
    // The hidden row is no longer selected: Delete cannot remove a row out of sight.
    QVERIFY(!f.Queue().IsSelected(0));
    // A row that converts cleanly later leaves the view; one converted again with a problem returns.
    f.Queue().SetOutcome(3, RowState::Converted);
    QCOMPARE(VisibleRows(f), all.mid(1, 2));
    QCOMPARE(HiddenCount(f), QStringLiteral("2"));
    f.Queue().SetOutcome(0, RowState::Failed, QStringLiteral("Gone."));
    QCOMPARE(VisibleRows(f), all.mid(0, 3));
    QCOMPARE(HiddenCount(f), QStringLiteral("1"));
    // The filter survives a sort, which moves the rows.
    f.ClickHeader(ConversionQueue::SourceColumn);
    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.RowTexts().first(), all.last());
    QCOMPARE(VisibleRows(f), (QStringList{all.at(2), all.at(1), all.at(0)}));
    QCOMPARE(HiddenCount(f), QStringLiteral("1"));
    // Deleting visible rows, and Undo bringing back a clean one, keep the count.
    f.ClickCell(1, ConversionQueue::SourceColumn);
    QVERIFY(f.Trigger("SetOutputFolder1"));
    QCOMPARE(HiddenCount(f), QStringLiteral("1"));
    QVERIFY(f.Trigger("DeleteAll1"));
    QCOMPARE(HiddenCount(f), QString());
    QVERIFY(f.Trigger("actUndo"));
    QCOMPARE(f.RowTexts().size(), 3);
    QCOMPARE(HiddenCount(f), QStringLiteral("1"));

    QVERIFY(f.Trigger("actProblemRowsOnly"));
    QCOMPARE(VisibleRows(f), f.RowTexts());
    QCOMPARE(HiddenCount(f), QString());
}

QTEST_MAIN(TestOutcomeViews)
#include "test_outcome_views.moc"
