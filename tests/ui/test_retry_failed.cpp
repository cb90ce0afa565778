// "Convert failed rows again" and "Convert the rest" in the main window, with the fake converter.
#include "MainFormFixture.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

bool RetryEnabled(const MainFormFixture& f) {
    return f.Child<QAction>("actConvertFailedAgain")->isEnabled();
}

QStringList ConvertedSources(const MainFormFixture& f) {
    QStringList sources;
    for (const QStringList& args : f.ConverterCalls())
        sources << args.value(args.size() - 2);
    return sources;
}

} // namespace

class TestRetryFailed : public QObject {
    Q_OBJECT
private slots:
    void offeredUnderConvertAndInThePopup();
    void convertsOnlyTheFailedRowsAgain();
    void unavailableWhileARunGoesOn();
    void convertTheRestAfterAStop();
};

void TestRetryFailed::offeredUnderConvertAndInThePopup() {
    MainFormFixture f;
    f.Open();
    auto* retry = f.Child<QAction>("actConvertFailedAgain");
    QCOMPARE(retry->text(), QStringLiteral("Convert &failed rows again"));
    QVERIFY(f.Child<QMenu>("Convert")->actions().contains(retry));
    QVERIFY(f.Child<QMenu>("PopupMenu")->actions().contains(retry));
    QVERIFY(!RetryEnabled(f)); // nothing has failed yet
    auto* rest = f.Child<QAction>("actConvertTheRest");
    QCOMPARE(rest->text(), QStringLiteral("Convert the &rest"));
    QVERIFY(f.Child<QMenu>("Convert")->actions().contains(rest));
    QVERIFY(f.Child<QMenu>("PopupMenu")->actions().contains(rest));
    QVERIFY(!rest->isEnabled());
}

// After a Stop, the rows never reached say so, and "Convert the rest" runs them with the stopped one;
// the row that converted is left be.
void TestRetryFailed::convertTheRestAfterAStop() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1"));
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.AddUrls(
        {"http://site.test/a", "http://site.test/b-hang", "http://site.test/c", "http://site.test/d"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.State(1), RowState::Converting, kRunTimeoutMs);
    QVERIFY(!f.Child<QAction>("actConvertTheRest")->isEnabled());
    QVERIFY(f.Click("RzBitBtn1")); // Stop
    QCOMPARE(f.State(0), RowState::Converted);
    QCOMPARE(f.State(1), RowState::Failed);
    for (int row : {2, 3}) {
        QCOMPARE(f.State(row), RowState::NotReached);
        QCOMPARE(f.RowData(row, ConversionQueue::ReasonRole).toString(), kNotReachedReason);
    }
    QVERIFY(f.Child<QAction>("actConvertTheRest")->isEnabled());

    const int callsBefore = int(f.ConverterCalls().size());
    QVERIFY(f.Trigger("actConvertTheRest"));
    QCOMPARE(f.Window().RunStatus(), rsStart);
    QCOMPARE(f.State(0), RowState::Converted);
    QTRY_COMPARE_WITH_TIMEOUT(f.State(1), RowState::Converting, kRunTimeoutMs);
    QCOMPARE(f.State(2), RowState::Waiting);
    QCOMPARE(f.State(3), RowState::Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(ConvertedSources(f).mid(callsBefore), QStringList{"http://site.test/b-hang"},
                              kRunTimeoutMs);
    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(f.State(2), RowState::NotReached);
}

// A file that was missing at the first run is there for the second; the row that converted is left be.
void TestRetryFailed::convertsOnlyTheFailedRowsAgain() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kShowMessage);
    const QStringList files = f.MakeFiles({"kept.html", "late.html"});
    QVERIFY(QFile::remove(files[1]));
    QVERIFY(f.AddFiles(files));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QCOMPARE(f.State(0), RowState::Converted);
    QCOMPARE(f.State(1), RowState::Failed);
    QVERIFY(RetryEnabled(f));
    const QString firstPdf = f.Queue().OutputPath(0);

    f.MakeFiles({"late.html"});
    QVERIFY(f.Trigger("actConvertFailedAgain"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QCOMPARE(f.State(0), RowState::Converted);
    QCOMPARE(f.State(1), RowState::Converted);
    QCOMPARE(f.Queue().OutputPath(0), firstPdf);
    QCOMPARE(ConvertedSources(f), (QStringList{files[0], files[1]}));
    QCOMPARE(f.dialogs.warnings.size(), 1); // the first run's, with its failed row
    QCOMPARE(f.dialogs.messages, QStringList{kCompleteMessage});
    QVERIFY(!RetryEnabled(f));
}

void TestRetryFailed::unavailableWhileARunGoesOn() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1"));
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.AddUrls({"http://site.test/a-fail", "http://site.test/b-hang"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.State(1), RowState::Converting, kRunTimeoutMs);
    QCOMPARE(f.State(0), RowState::Failed);
    QVERIFY(!RetryEnabled(f));
    QVERIFY(f.Click("RzBitBtn1")); // Stop: the hanging row failed too
    QVERIFY(RetryEnabled(f));
    QVERIFY(f.Trigger("actConvertFailedAgain"));
    QCOMPARE(f.Window().RunStatus(), rsStart);
    QCOMPARE(f.State(0), RowState::Converting);
    QVERIFY(f.Click("RzBitBtn1"));
}

QTEST_MAIN(TestRetryFailed)
#include "test_retry_failed.moc"
