// Edit › Undo: the rows the last delete took come back at their places, with their outcomes.
#include "MainFormFixture.h"

#include "QueueGrid.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

struct RowLook {
    QString source;
    RowState state;
    QString reason;
    bool operator==(const RowLook&) const = default;
};

QList<RowLook> Rows(const MainFormFixture& f) {
    QList<RowLook> rows;
    for (int row = 0; row < f.Queue().RowCount(); ++row)
        rows.append({f.Queue().SourceText(row), f.Queue().State(row), f.Queue().Reason(row)});
    return rows;
}

const QStringList kAddresses = {"http://a.test/", "http://b.test/", "http://c.test/", "http://d.test/"};

} // namespace

class TestUndoRemoval : public QObject {
    Q_OBJECT
private slots:
    void undoBringsBackWhatTheLastDeleteTook_data();
    void undoBringsBackWhatTheLastDeleteTook();
    void ctrlZInTheTargetFolderUndoesItsText();
};

void TestUndoRemoval::undoBringsBackWhatTheLastDeleteTook_data() {
    QTest::addColumn<QString>("command"); // an action, or a button when it names one
    QTest::addColumn<QStringList>("left");
    QTest::newRow("Delete Selected") << "SetOutputFolder1" << QStringList{kAddresses[0], kAddresses[2]};
    QTest::newRow("Delete unselected") << "OpenOutputFolder1" << QStringList{kAddresses[1], kAddresses[3]};
    QTest::newRow("Delete All") << "DeleteAll1" << QStringList{};
    QTest::newRow("toolbar Delete") << "AdvGlowButton1" << QStringList{kAddresses[0], kAddresses[2]};
    QTest::newRow("Delete key") << "actDeleteRows" << QStringList{kAddresses[0], kAddresses[2]};
}

void TestUndoRemoval::undoBringsBackWhatTheLastDeleteTook() {
    QFETCH(QString, command);
    QFETCH(QStringList, left);
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls(kAddresses));
    f.Queue().SetOutcome(1, RowState::Failed, QStringLiteral("The host b.test was not found."));
    f.Queue().SetOutcome(2, RowState::Converted);
    f.ClickCell(1, ConversionQueue::SourceColumn);
    f.ClickCell(3, ConversionQueue::SourceColumn, Qt::ControlModifier);
    const QList<RowLook> before = Rows(f);
    const QStringList panes = f.PaneTexts();
    auto* undo = f.Child<QAction>("actUndo");
    QVERIFY(!undo->isEnabled());

    if (command.startsWith(QLatin1String("AdvGlowButton")))
        QVERIFY(f.Click(qPrintable(command)));
    else
        QVERIFY(f.Trigger(qPrintable(command)));
    QCOMPARE(f.RowTexts(), left);
    QVERIFY(undo->isEnabled());

    f.Grid().setFocus();
    QTest::keySequence(&f.Grid(), QKeySequence::Undo);
    QCOMPARE(Rows(f), before);
    QCOMPARE(f.PaneTexts(), panes);
    QCOMPARE(f.SelectedRows(), QList<int>({1, 3}));
    // One step back: a second Undo has nothing to bring.
    QVERIFY(!undo->isEnabled());
}

// The edit keeps its own Ctrl+Z for its text; the queue is not touched.
void TestUndoRemoval::ctrlZInTheTargetFolderUndoesItsText() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls(kAddresses));
    QVERIFY(f.Trigger("DeleteAll1"));
    auto* folder = f.Child<QLineEdit>("edtoutFolder");
    const QString text = folder->text();
    folder->setFocus();
    QTest::keyClicks(folder, QStringLiteral("x"));
    QTest::keySequence(folder, QKeySequence::Undo);
    QCOMPARE(folder->text(), text);
    QCOMPARE(f.Queue().RowCount(), 0);
    QVERIFY(f.Child<QAction>("actUndo")->isEnabled());
}

QTEST_MAIN(TestUndoRemoval)
#include "test_undo_removal.moc"
