#include "queue/ConversionQueue.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

using namespace velmora;

namespace {

// One Add URL or Add Files command with its input lines.
struct AddCall {
    bool files = false;
    QStringList texts;
};

AddCall Urls(const QStringList& lines) {
    return {false, lines};
}

AddCall Files(const QStringList& paths) {
    return {true, paths};
}

void Apply(ConversionQueue& queue, const QList<AddCall>& calls) {
    for (const AddCall& call : calls) {
        if (call.files)
            queue.AddFiles(call.texts);
        else
            queue.AddWebAddresses(call.texts);
    }
}

QStringList Sources(const ConversionQueue& queue) {
    QStringList sources;
    for (int row = 0; row < queue.RowCount(); ++row)
        sources << queue.SourceText(row);
    return sources;
}

QStringList Kinds(const ConversionQueue& queue) {
    QStringList kinds;
    for (int row = 0; row < queue.RowCount(); ++row)
        kinds << queue.Kind(row);
    return kinds;
}

QList<int> SelectedRows(const ConversionQueue& queue) {
    QList<int> rows;
    for (int row = 0; row < queue.RowCount(); ++row) {
        if (queue.IsSelected(row))
            rows << row;
    }
    return rows;
}

const QStringList kFiveFiles = {"C:\\q\\0.html", "C:\\q\\1.html", "C:\\q\\2.html", "C:\\q\\3.html",
                                "C:\\q\\4.html"};

// Everything a row carries besides its source text, for checking that it travels with the row.
struct RowAttributes {
    QString kind;
    bool selected = false;
    RowState state = RowState::Waiting;
    QString reason;
    bool operator==(const RowAttributes&) const = default;
};

QHash<QString, RowAttributes> AttributesBySource(const ConversionQueue& queue) {
    QHash<QString, RowAttributes> attributes;
    for (int row = 0; row < queue.RowCount(); ++row) {
        attributes.insert(queue.SourceText(row),
                          {queue.Kind(row), queue.IsSelected(row), queue.State(row), queue.Reason(row)});
    }
    return attributes;
}

enum class DeleteOp { Selected, Unselected, All };

} // namespace

Q_DECLARE_METATYPE(AddCall)
Q_DECLARE_METATYPE(DeleteOp)
Q_DECLARE_METATYPE(velmora::SortKey)

class TestConversionQueue : public QObject {
    Q_OBJECT
private slots:
    void adding_data();
    void adding();
    void addOutcomes_data();
    void addOutcomes();
    void rowsAddedAfterSortGoToTheEnd();
    void counters_data();
    void counters();
    void counterCaptions_data();
    void counterCaptions();
    void deleting_data();
    void deleting();
    void deleteRules_data();
    void deleteRules();
    void restoring_data();
    void restoring();
    void restoringAfterTheQueueChanged();
    void sortOrder_data();
    void sortOrder();
    void attributesTravelWithRows();
    void persistentIndexesFollowRows();
    void modelShape();
    void editingKind();
    void selectionSignals();
    void outcomes();
    void resultColumn_data();
    void resultColumn();
    void modelTesterThroughEdits();
};

void TestConversionQueue::adding_data() {
    QTest::addColumn<QList<AddCall>>("calls");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("kinds");

    QTest::newRow("trimmed, letter case distinct")
        << QList<AddCall>{Urls({"  HTTP://Site.test/a  ", "http://site.test/a"})}
        << QStringList{"HTTP://Site.test/a", "http://site.test/a"} << QStringList{"URL", "URL"};
    QTest::newRow("same line twice in one call")
        << QList<AddCall>{Urls({"http://a.test", "http://b.test", "http://a.test"})}
        << QStringList{"http://a.test", "http://b.test"} << QStringList{"URL", "URL"};
    QTest::newRow("same line in a later call")
        << QList<AddCall>{Urls({"http://a.test"}), Urls({"http://a.test"})} << QStringList{"http://a.test"}
        << QStringList{"URL"};
    QTest::newRow("blanks around an address already queued")
        << QList<AddCall>{Urls({"http://a.test"}), Urls({"\t http://a.test \r\n"})}
        << QStringList{"http://a.test"} << QStringList{"URL"};
    QTest::newRow("rejected lines") << QList<AddCall>{Urls({"https://", "", "   ", "ftp://a.test",
                                                            "site.test/a.html", "http://.b", "http://server/",
                                                            QStringLiteral("\u00a0http://a.test")})}
                                    << QStringList{} << QStringList{};
    QTest::newRow("control characters trimmed, inner blank kept")
        << QList<AddCall>{Urls({"\x01\thttp://my site.test\x1f\n"})} << QStringList{"http://my site.test"}
        << QStringList{"URL"};
    QTest::newRow("path again in a later call, other letter case is new")
        << QList<AddCall>{Files({"C:\\docs\\a.html"}), Files({"C:\\docs\\a.html", "C:\\Docs\\A.html"})}
        << QStringList{"C:\\docs\\a.html", "C:\\Docs\\A.html"} << QStringList{"File", "File"};
    QTest::newRow("paths kept untrimmed and untested, in dialog order")
        << QList<AddCall>{Files({"C:\\z.htm", " C:\\x y.htm ", "readme", "http://a.test"})}
        << QStringList{"C:\\z.htm", " C:\\x y.htm ", "readme", "http://a.test"}
        << QStringList{"File", "File", "File", "File"};
    QTest::newRow("address equal to a file row")
        << QList<AddCall>{Files({"http://a.test"}), Urls({" http://a.test", "http://b.test"})}
        << QStringList{"http://a.test", "http://b.test"} << QStringList{"File", "URL"};
    QTest::newRow("path equal to an address row")
        << QList<AddCall>{Urls({"http://a.test"}), Files({"http://a.test"})} << QStringList{"http://a.test"}
        << QStringList{"URL"};
}

void TestConversionQueue::adding() {
    QFETCH(QList<AddCall>, calls);
    QFETCH(QStringList, sources);
    QFETCH(QStringList, kinds);

    ConversionQueue queue;
    Apply(queue, calls);
    QCOMPARE(Sources(queue), sources);
    QCOMPARE(Kinds(queue), kinds);
    QCOMPARE(SelectedRows(queue), QList<int>{});
    QCOMPARE(queue.SelectedCount(), 0);
}

void TestConversionQueue::addOutcomes_data() {
    QTest::addColumn<bool>("files");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("expected"); // added, not a web address, already queued

    // The queue holds "http://a.test" and the file "C:\\a.htm" before each call.
    QTest::newRow("blank lines are not counted")
        << false << QStringList{"", "  ", "\t", "http://b.test"} << QList<int>{1, 0, 0};
    QTest::newRow("no web address") << false
                                    << QStringList{"www.example.org/page", "example.org", "http://c.test"}
                                    << QList<int>{1, 2, 0};
    QTest::newRow("queued before and given twice")
        << false << QStringList{" http://a.test ", "http://b.test", "http://b.test"} << QList<int>{1, 0, 2};
    QTest::newRow("all three") << false << QStringList{"example.org", "http://a.test", "http://d.test"}
                               << QList<int>{1, 1, 1};
    QTest::newRow("files: queued before")
        << true << QStringList{"C:\\a.htm", "C:\\b.htm", "C:\\b.htm"} << QList<int>{1, 0, 2};
}

void TestConversionQueue::addOutcomes() {
    QFETCH(bool, files);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, expected);
    ConversionQueue queue;
    queue.AddWebAddresses({"http://a.test"});
    queue.AddFiles({"C:\\a.htm"});

    const AddOutcome outcome = files ? queue.AddFiles(texts) : queue.AddWebAddresses(texts);
    QCOMPARE((QList<int>{outcome.added, outcome.notWebAddress, outcome.alreadyQueued}), expected);
    QCOMPARE(queue.RowCount(), 2 + expected.at(0));
}

void TestConversionQueue::rowsAddedAfterSortGoToTheEnd() {
    ConversionQueue queue;
    queue.AddWebAddresses({"http://b.test", "http://c.test"});
    queue.SortBy(SortKey::SourceText, Qt::DescendingOrder);
    queue.AddWebAddresses({"http://a.test", "http://d.test"});
    QCOMPARE(Sources(queue),
             (QStringList{"http://c.test", "http://b.test", "http://a.test", "http://d.test"}));
}

void TestConversionQueue::counters_data() {
    QTest::addColumn<QList<AddCall>>("calls");
    QTest::addColumn<int>("editedRow"); // -1: no edit
    QTest::addColumn<QString>("editedKind");
    QTest::addColumn<int>("urls");
    QTest::addColumn<int>("files");

    QTest::newRow("empty") << QList<AddCall>{} << -1 << QString() << 0 << 0;
    QTest::newRow("cancelled dialogs") << QList<AddCall>{Urls({}), Files({})} << -1 << QString() << 0 << 0;
    QTest::newRow("two addresses, three files")
        << QList<AddCall>{Urls({"http://a.test", "http://b.test"}), Files({"C:\\1", "C:\\2", "C:\\3"})} << -1
        << QString() << 2 << 3;
    QTest::newRow("kind edited to small url")
        << QList<AddCall>{Urls({"http://a.test", "http://b.test"})} << 0 << "url" << 1 << 1;
    QTest::newRow("file edited to URL") << QList<AddCall>{Files({"C:\\1", "C:\\2"})} << 1 << "URL" << 1 << 1;
    QTest::newRow("kind edited to URL with a blank")
        << QList<AddCall>{Urls({"http://a.test"})} << 0 << "URL " << 0 << 1;
}

void TestConversionQueue::counters() {
    QFETCH(QList<AddCall>, calls);
    QFETCH(int, editedRow);
    QFETCH(QString, editedKind);
    QFETCH(int, urls);
    QFETCH(int, files);

    ConversionQueue queue;
    Apply(queue, calls);
    if (editedRow >= 0)
        queue.SetKind(editedRow, editedKind);
    const QueueCounters counters = queue.Counters();
    QCOMPARE(counters.urls, urls);
    QCOMPARE(counters.files, files);
    QCOMPARE(counters.total, queue.RowCount());
    QCOMPARE(counters.total, urls + files);
}

void TestConversionQueue::counterCaptions_data() {
    QTest::addColumn<int>("urls");
    QTest::addColumn<int>("files");
    QTest::addColumn<QString>("listCount");
    QTest::addColumn<QString>("totalConvert");
    QTest::addColumn<QString>("quality");

    QTest::newRow("zero") << 0 << 0 << "URL Count: 0"
                          << "Files Count: 0"
                          << "URL/Files Count: 0";
    QTest::newRow("two and three") << 2 << 3 << "URL Count: 2"
                                   << "Files Count: 3"
                                   << "URL/Files Count: 5";
    QTest::newRow("no digit grouping") << 12000 << 345 << "URL Count: 12000"
                                       << "Files Count: 345"
                                       << "URL/Files Count: 12345";
}

void TestConversionQueue::counterCaptions() {
    QFETCH(int, urls);
    QFETCH(int, files);
    QFETCH(QString, listCount);
    QFETCH(QString, totalConvert);
    QFETCH(QString, quality);

    const CounterCaptions captions = CounterCaptionsFor({urls + files, urls, files});
    QCOMPARE(captions.listCount, listCount);
    QCOMPARE(captions.totalConvert, totalConvert);
    QCOMPARE(captions.quality, quality);
}

void TestConversionQueue::deleting_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<DeleteOp>("op");
    QTest::addColumn<QList<int>>("remaining"); // former row numbers, in order
    QTest::addColumn<bool>("remainingSelected");

    QTest::newRow("selected, scattered")
        << QList<int>{1, 3} << DeleteOp::Selected << QList<int>{0, 2, 4} << false;
    QTest::newRow("unselected, scattered")
        << QList<int>{1, 3} << DeleteOp::Unselected << QList<int>{1, 3} << true;
    QTest::newRow("selected, one block")
        << QList<int>{1, 2, 3} << DeleteOp::Selected << QList<int>{0, 4} << false;
    QTest::newRow("unselected, one block")
        << QList<int>{0, 1, 4} << DeleteOp::Unselected << QList<int>{0, 1, 4} << true;
    QTest::newRow("selected, last row")
        << QList<int>{4} << DeleteOp::Selected << QList<int>{0, 1, 2, 3} << false;
    QTest::newRow("selected, none") << QList<int>{} << DeleteOp::Selected << QList<int>{0, 1, 2, 3, 4}
                                    << false;
    QTest::newRow("unselected, none selected")
        << QList<int>{} << DeleteOp::Unselected << QList<int>{} << true;
    QTest::newRow("unselected, all selected")
        << QList<int>{0, 1, 2, 3, 4} << DeleteOp::Unselected << QList<int>{0, 1, 2, 3, 4} << true;
    QTest::newRow("all") << QList<int>{1, 3} << DeleteOp::All << QList<int>{} << false;
}

void TestConversionQueue::deleting() {
    QFETCH(QList<int>, selected);
    QFETCH(DeleteOp, op);
    QFETCH(QList<int>, remaining);
    QFETCH(bool, remainingSelected);

    ConversionQueue queue;
    queue.AddFiles(kFiveFiles);
    for (int row : selected)
        queue.SetSelected(row, true);
    QSignalSpy flagsSpy(&queue, &ConversionQueue::selectionFlagsChanged);

    switch (op) {
    case DeleteOp::Selected:
        queue.DeleteSelected();
        break;
    case DeleteOp::Unselected:
        queue.DeleteUnselected();
        break;
    case DeleteOp::All:
        queue.DeleteAll();
        break;
    }

    QStringList expected;
    for (int former : remaining)
        expected << kFiveFiles.at(former);
    QCOMPARE(Sources(queue), expected);
    QCOMPARE(flagsSpy.count(), 1);
    for (int row = 0; row < queue.RowCount(); ++row)
        QCOMPARE(queue.IsSelected(row), remainingSelected);
    QCOMPARE(queue.SelectedCount(), remainingSelected ? queue.RowCount() : 0);

    // The duplicate test must forget exactly the removed rows.
    queue.AddFiles(kFiveFiles);
    for (const QString& path : kFiveFiles) {
        if (!expected.contains(path))
            expected << path;
    }
    QCOMPARE(Sources(queue), expected);
}

void TestConversionQueue::restoring_data() {
    deleting_data();
}

// Whatever a delete took comes back at its place, with its flags and outcome, as one model change.
void TestConversionQueue::restoring() {
    QFETCH(QList<int>, selected);
    QFETCH(DeleteOp, op);

    ConversionQueue queue;
    QAbstractItemModelTester tester(&queue, QAbstractItemModelTester::FailureReportingMode::QtTest);
    queue.AddFiles(kFiveFiles);
    for (int row : selected)
        queue.SetSelected(row, true);
    queue.SetOutcome(1, RowState::Failed, QStringLiteral("The server 127.0.0.1 refused the connection."));
    queue.SetOutcome(3, RowState::ConvertedWithWarnings, QStringLiteral("An image did not load."));
    queue.SetKind(4, QStringLiteral("Mine"));
    const QStringList before = Sources(queue);
    const auto attributes = AttributesBySource(queue);
    const int selectedBefore = queue.SelectedCount();

    RemovedRows removed;
    switch (op) {
    case DeleteOp::Selected:
        removed = queue.DeleteSelected();
        break;
    case DeleteOp::Unselected:
        removed = queue.DeleteUnselected();
        break;
    case DeleteOp::All:
        removed = queue.DeleteAll();
        break;
    }
    QSignalSpy flagsSpy(&queue, &ConversionQueue::selectionFlagsChanged);
    QCOMPARE(queue.Restore(removed), int(removed.size()));

    QCOMPARE(Sources(queue), before);
    QCOMPARE(AttributesBySource(queue), attributes);
    QCOMPARE(queue.SelectedCount(), selectedBefore);
    QCOMPARE(flagsSpy.count(), removed.isEmpty() ? 0 : 1);
    // The restored sources count as queued again.
    QCOMPARE(queue.AddFiles(kFiveFiles).added, 0);
}

// Rows added after the delete stay below the restored ones; a source queued again meanwhile keeps its
// new row and is not restored twice.
void TestConversionQueue::restoringAfterTheQueueChanged() {
    ConversionQueue queue;
    QAbstractItemModelTester tester(&queue, QAbstractItemModelTester::FailureReportingMode::QtTest);
    queue.AddFiles(kFiveFiles);
    queue.SetSelected(1, true);
    queue.SetSelected(3, true);
    const RemovedRows removed = queue.DeleteSelected();
    queue.AddFiles({QStringLiteral("C:\\q\\new.html"), kFiveFiles.at(3)});

    QCOMPARE(queue.Restore(removed), 1);

    QCOMPARE(Sources(queue),
             (QStringList{kFiveFiles.at(0), kFiveFiles.at(1), kFiveFiles.at(2), kFiveFiles.at(4),
                          QStringLiteral("C:\\q\\new.html"), kFiveFiles.at(3)}));
    QCOMPARE(SelectedRows(queue), QList<int>{1});
    QCOMPARE(queue.SelectedCount(), 1);
}

void TestConversionQueue::deleteRules_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("canSelected");
    QTest::addColumn<bool>("canUnselected");
    QTest::addColumn<bool>("canAll");

    QTest::newRow("empty") << 0 << QList<int>{} << false << false << false;
    QTest::newRow("none selected") << 3 << QList<int>{} << false << true << true;
    QTest::newRow("one selected") << 3 << QList<int>{1} << true << true << true;
    QTest::newRow("same row selected twice") << 3 << QList<int>{1, 1} << true << true << true;
    QTest::newRow("all selected") << 3 << QList<int>{0, 1, 2} << true << false << true;
}

void TestConversionQueue::deleteRules() {
    QFETCH(int, rows);
    QFETCH(QList<int>, selected);
    QFETCH(bool, canSelected);
    QFETCH(bool, canUnselected);
    QFETCH(bool, canAll);

    ConversionQueue queue;
    queue.AddFiles(kFiveFiles.first(rows));
    for (int row : selected)
        queue.SetSelected(row, true);
    QCOMPARE(queue.CanDeleteSelected(), canSelected);
    QCOMPARE(queue.CanDeleteUnselected(), canUnselected);
    QCOMPARE(queue.CanDeleteAll(), canAll);
}

void TestConversionQueue::sortOrder_data() {
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<SortKey>("key");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QStringList>("sortedKeys");

    const QStringList mixedCase = {"http://a.test", "HTTP://B.TEST", "http://B.test"};
    QTest::newRow("capitals first") << mixedCase << QStringList{"URL", "URL", "URL"} << SortKey::SourceText
                                    << Qt::AscendingOrder
                                    << QStringList{"HTTP://B.TEST", "http://B.test", "http://a.test"};
    QTest::newRow("descending") << mixedCase << QStringList{"URL", "URL", "URL"} << SortKey::SourceText
                                << Qt::DescendingOrder
                                << QStringList{"http://a.test", "http://B.test", "HTTP://B.TEST"};
    QTest::newRow("shorter prefix first")
        << QStringList{"http://a.test/", "http://a.tes", "http://a.test"} << QStringList{"URL", "URL", "URL"}
        << SortKey::SourceText << Qt::AscendingOrder
        << QStringList{"http://a.tes", "http://a.test", "http://a.test/"};
    QTest::newRow("no locale") << QStringList{QStringLiteral("\u00e4.htm"), "z.htm", "Z.htm"}
                               << QStringList{"File", "File", "File"} << SortKey::SourceText
                               << Qt::AscendingOrder
                               << QStringList{"Z.htm", "z.htm", QStringLiteral("\u00e4.htm")};
    // A surrogate pair (U+10000) starts with D800, so by code units it precedes U+E000 and U+FFFF.
    const QString astral = QStringLiteral("x\U00010000");
    QTest::newRow("code units, not code points")
        << QStringList{QStringLiteral("x\uffff"), QStringLiteral("x\ue000"), astral}
        << QStringList{"File", "File", "File"} << SortKey::SourceText << Qt::AscendingOrder
        << QStringList{astral, QStringLiteral("x\ue000"), QStringLiteral("x\uffff")};
    const QStringList fourRows = {"C:\\1", "C:\\2", "C:\\3", "C:\\4"};
    QTest::newRow("kind ascending") << fourRows << QStringList{"URL", "File", "URL", "File"} << SortKey::Kind
                                    << Qt::AscendingOrder << QStringList{"File", "File", "URL", "URL"};
    QTest::newRow("kind descending") << fourRows << QStringList{"File", "URL", "File", "URL"} << SortKey::Kind
                                     << Qt::DescendingOrder << QStringList{"URL", "URL", "File", "File"};
    QTest::newRow("edited kinds") << fourRows << QStringList{"url", "URL", "File", ""} << SortKey::Kind
                                  << Qt::AscendingOrder << QStringList{"", "File", "URL", "url"};
}

void TestConversionQueue::sortOrder() {
    QFETCH(QStringList, sources);
    QFETCH(QStringList, kinds);
    QFETCH(SortKey, key);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QStringList, sortedKeys);

    ConversionQueue queue;
    queue.AddFiles(sources);
    QCOMPARE(queue.RowCount(), sources.size());
    for (int row = 0; row < kinds.size(); ++row)
        queue.SetKind(row, kinds.at(row));
    queue.SortBy(key, order);
    QCOMPARE(key == SortKey::SourceText ? Sources(queue) : Kinds(queue), sortedKeys);
}

void TestConversionQueue::attributesTravelWithRows() {
    ConversionQueue queue;
    queue.AddWebAddresses({"http://f.test", "http://b.test", "http://e.test"});
    queue.AddFiles({"C:\\d", "C:\\a", "C:\\c", "C:\\g"});
    queue.SetKind(0, QStringLiteral("Page"));
    for (int row : {0, 2, 3, 6})
        queue.SetSelected(row, true);
    queue.SetOutcome(1, RowState::Failed, QStringLiteral("exit code 1"));
    queue.SetOutcome(3, RowState::ConvertedWithWarnings, QStringLiteral("slow"));
    queue.SetOutcome(6, RowState::Converted);
    const QHash<QString, RowAttributes> before = AttributesBySource(queue);

    QSignalSpy flagsSpy(&queue, &ConversionQueue::selectionFlagsChanged);
    for (SortKey key : {SortKey::SourceText, SortKey::Kind}) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            queue.SortBy(key, order);
            QCOMPARE(AttributesBySource(queue), before);
            QCOMPARE(queue.SelectedCount(), 4);
        }
    }
    QCOMPARE(flagsSpy.count(), 4);

    queue.SortBy(SortKey::SourceText, Qt::AscendingOrder);
    QCOMPARE(SelectedRows(queue), (QList<int>{2, 3, 5, 6}));
    queue.SetSelected(5, false); // leaves the unselected rows 0, 1, 4 and 5 in two blocks
    queue.DeleteUnselected();
    QHash<QString, RowAttributes> expected = before;
    for (const QString& gone : QStringList{"C:\\a", "C:\\c", "http://b.test", "http://e.test"})
        expected.remove(gone);
    QCOMPARE(AttributesBySource(queue), expected);
    QCOMPARE(Sources(queue), (QStringList{"C:\\d", "C:\\g", "http://f.test"}));
}

void TestConversionQueue::persistentIndexesFollowRows() {
    ConversionQueue queue;
    queue.AddWebAddresses({"http://c.test", "http://a.test", "http://d.test", "http://b.test"});
    QItemSelectionModel selection(&queue);
    selection.setCurrentIndex(queue.index(2, ConversionQueue::KindColumn), QItemSelectionModel::NoUpdate);
    selection.select(queue.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.select(queue.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QPersistentModelIndex pinned = queue.index(1, ConversionQueue::SourceColumn);

    queue.SortBy(SortKey::SourceText, Qt::AscendingOrder);

    QCOMPARE(Sources(queue),
             (QStringList{"http://a.test", "http://b.test", "http://c.test", "http://d.test"}));
    QCOMPARE(selection.currentIndex(), queue.index(3, ConversionQueue::KindColumn));
    QCOMPARE(pinned.row(), 0);
    QCOMPARE(pinned.column(), int(ConversionQueue::SourceColumn));
    QStringList selectedSources;
    for (const QModelIndex& index : selection.selectedRows())
        selectedSources << index.data().toString();
    selectedSources.sort();
    QCOMPARE(selectedSources, (QStringList{"http://b.test", "http://c.test"}));
}

void TestConversionQueue::modelShape() {
    ConversionQueue queue;
    queue.AddWebAddresses({"http://a.test"});
    QCOMPARE(queue.columnCount(), 3);
    QCOMPARE(queue.headerData(ConversionQueue::SourceColumn, Qt::Horizontal).toString(),
             QStringLiteral("URL/Filename"));
    QCOMPARE(queue.headerData(ConversionQueue::KindColumn, Qt::Horizontal).toString(),
             QStringLiteral("Type"));
    QCOMPARE(queue.headerData(ConversionQueue::ResultColumn, Qt::Horizontal).toString(),
             QStringLiteral("Result"));
    QVERIFY(!queue.flags(queue.index(0, ConversionQueue::ResultColumn)).testFlag(Qt::ItemIsEditable));

    const QModelIndex source = queue.index(0, ConversionQueue::SourceColumn);
    const QModelIndex kind = queue.index(0, ConversionQueue::KindColumn);
    QCOMPARE(source.data(Qt::DisplayRole).toString(), QStringLiteral("http://a.test"));
    QCOMPARE(source.data(Qt::EditRole).toString(), QStringLiteral("http://a.test"));
    QCOMPARE(kind.data(Qt::DisplayRole).toString(), QStringLiteral("URL"));
    QCOMPARE(kind.data(Qt::EditRole).toString(), QStringLiteral("URL"));
    QVERIFY(!queue.flags(source).testFlag(Qt::ItemIsEditable));
    QVERIFY(queue.flags(kind).testFlag(Qt::ItemIsEditable));
    QVERIFY(queue.flags(kind).testFlag(Qt::ItemIsSelectable));
}

void TestConversionQueue::editingKind() {
    ConversionQueue queue;
    queue.AddWebAddresses({"http://a.test", "http://b.test"});
    QSignalSpy changed(&queue, &QAbstractItemModel::dataChanged);
    const QModelIndex kind = queue.index(1, ConversionQueue::KindColumn);

    QVERIFY(queue.setData(kind, QStringLiteral("url")));
    QCOMPARE(queue.Kind(1), QStringLiteral("url"));
    QCOMPARE(kind.data().toString(), QStringLiteral("url"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), kind);
    QCOMPARE(changed.at(0).at(1).toModelIndex(), kind);

    QVERIFY(!queue.setData(queue.index(1, ConversionQueue::SourceColumn), QStringLiteral("http://x.test")));
    QVERIFY(!queue.setData(kind, QStringLiteral("File"), Qt::DisplayRole));
    QCOMPARE(queue.SourceText(1), QStringLiteral("http://b.test"));
    QCOMPARE(queue.Kind(1), QStringLiteral("url"));
    QCOMPARE(queue.Kind(0), QStringLiteral("URL"));
    QCOMPARE(changed.count(), 1);
}

void TestConversionQueue::selectionSignals() {
    ConversionQueue queue;
    queue.AddFiles(kFiveFiles.first(3));
    QSignalSpy changed(&queue, &QAbstractItemModel::dataChanged);
    QSignalSpy flags(&queue, &ConversionQueue::selectionFlagsChanged);

    queue.SetSelected(1, true);
    QCOMPARE(flags.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 1);
    QCOMPARE(changed.at(0).at(1).toModelIndex().row(), 1);
    QVERIFY(queue.index(1, 0).data(ConversionQueue::SelectedRole).toBool());
    QVERIFY(!queue.index(0, 0).data(ConversionQueue::SelectedRole).toBool());

    queue.SetSelected(1, true); // no change, no signal
    QCOMPARE(flags.count(), 1);
    QCOMPARE(queue.SelectedCount(), 1);

    queue.SetSelected(1, false);
    QCOMPARE(flags.count(), 2);
    QCOMPARE(queue.SelectedCount(), 0);
    QVERIFY(!queue.index(1, 0).data(ConversionQueue::SelectedRole).toBool());
}

void TestConversionQueue::outcomes() {
    ConversionQueue queue;
    queue.AddFiles(kFiveFiles.first(3));
    QSignalSpy changed(&queue, &QAbstractItemModel::dataChanged);

    queue.SetOutcome(0, RowState::Failed, QStringLiteral("converter not found"));
    queue.SetOutcome(1, RowState::ConvertedWithWarnings, QStringLiteral("missing images"));
    queue.SetOutcome(2, RowState::Converted);
    QCOMPARE(changed.count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(changed.at(i).at(0).toModelIndex().row(), i);
        QCOMPARE(changed.at(i).at(1).toModelIndex().row(), i);
    }

    const QModelIndex failed = queue.index(0, ConversionQueue::SourceColumn);
    QCOMPARE(failed.data(ConversionQueue::RowStateRole).toInt(), int(RowState::Failed));
    QCOMPARE(failed.data(ConversionQueue::ReasonRole).toString(), QStringLiteral("converter not found"));
    QCOMPARE(failed.data(Qt::ToolTipRole).toString(), QStringLiteral("converter not found"));
    QCOMPARE(queue.index(1, ConversionQueue::KindColumn).data(Qt::ToolTipRole).toString(),
             QStringLiteral("missing images"));
    QCOMPARE(queue.index(2, ConversionQueue::SourceColumn).data(Qt::ToolTipRole).toString(),
             kFiveFiles.at(2));
    QCOMPARE(queue.State(2), RowState::Converted);

    changed.clear();
    queue.ResetOutcomes();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), queue.index(0, 0));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), queue.index(2, ConversionQueue::ColumnCount - 1));
    for (int row = 0; row < queue.RowCount(); ++row) {
        QCOMPARE(queue.State(row), RowState::Waiting);
        QVERIFY(queue.Reason(row).isEmpty());
    }
    QCOMPARE(failed.data(Qt::ToolTipRole).toString(), kFiveFiles.at(0));
}

void TestConversionQueue::resultColumn_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("result");

    QTest::newRow("waiting: nothing to tell") << int(RowState::Waiting) << QString() << QString();
    QTest::newRow("converting") << int(RowState::Converting) << QString() << "Converting";
    QTest::newRow("converted") << int(RowState::Converted) << QString() << "Converted";
    QTest::newRow("warnings") << int(RowState::ConvertedWithWarnings) << "missing images"
                              << "Converted with warnings: missing images";
    QTest::newRow("failed") << int(RowState::Failed) << "Timed out."
                            << "Failed: Timed out.";
    QTest::newRow("not reached") << int(RowState::NotReached) << kNotReachedReason
                                 << "Not reached: " + kNotReachedReason;
}

void TestConversionQueue::resultColumn() {
    QFETCH(int, state);
    QFETCH(QString, reason);
    QFETCH(QString, result);
    ConversionQueue queue;
    queue.AddFiles({"C:\\a.htm"});
    queue.SetOutcome(0, RowState(state), reason);

    QCOMPARE(queue.index(0, ConversionQueue::ResultColumn).data().toString(), result);
    // The reason, when there is one, is also the row's tooltip in every column.
    QCOMPARE(queue.index(0, ConversionQueue::KindColumn).data(Qt::ToolTipRole).toString(), reason);
}

void TestConversionQueue::modelTesterThroughEdits() {
    ConversionQueue queue;
    QAbstractItemModelTester tester(&queue, QAbstractItemModelTester::FailureReportingMode::QtTest);

    queue.AddWebAddresses({"http://c.test", "http://a.test", "http://a.test"});
    queue.AddFiles({"C:\\b.htm", "C:\\d.htm", "C:\\e.htm", "C:\\f.htm"});
    queue.AddFiles({"C:\\b.htm"});
    QCOMPARE(queue.RowCount(), 6);
    QVERIFY(queue.setData(queue.index(2, ConversionQueue::KindColumn), QStringLiteral("Page")));
    for (int row : {0, 2, 4})
        queue.SetSelected(row, true);
    queue.SetOutcome(1, RowState::Failed, QStringLiteral("x"));
    queue.SortBy(SortKey::SourceText, Qt::DescendingOrder);
    QCOMPARE(SelectedRows(queue), (QList<int>{0, 3, 5}));
    queue.ResetOutcomes();
    queue.DeleteSelected(); // scattered rows
    QCOMPARE(queue.RowCount(), 3);
    queue.SortBy(SortKey::Kind, Qt::AscendingOrder);
    queue.SortBy(SortKey::SourceText, Qt::AscendingOrder);
    queue.SetSelected(0, true);
    queue.DeleteUnselected(); // one block
    QCOMPARE(Sources(queue), QStringList{"C:\\d.htm"});
    queue.AddWebAddresses({"http://g.test"});
    queue.DeleteAll();
    QCOMPARE(queue.RowCount(), 0);
    queue.SortBy(SortKey::Kind, Qt::DescendingOrder);
    queue.DeleteSelected();
}

QTEST_GUILESS_MAIN(TestConversionQueue)
#include "test_conversion_queue.moc"
