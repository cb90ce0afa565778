#include "QueueGrid.h"
#include "queue/ConversionQueue.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#ifdef QT_SVG_LIB // a Windows Qt may lack it; its icons are then PNGs rendered at build time
#include <QSvgRenderer>
#endif
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>

using namespace velmora;

namespace {

QStringList NumberedRows(int count) {
    QStringList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i)
        rows.append(QStringLiteral("r%1").arg(i));
    return rows;
}

// The grid over a queue of file rows, in a window that also holds a line edit so the focus can leave
// the grid.
struct GridFixture {
    ConversionQueue queue;
    QWidget window;
    TQueueGrid* grid = nullptr;
    QLineEdit* otherControl = nullptr;

    explicit GridFixture(const QStringList& sources) {
        queue.AddFiles(sources);
        auto* layout = new QVBoxLayout(&window);
        grid = new TQueueGrid(queue);
        otherControl = new QLineEdit;
        layout->addWidget(grid);
        layout->addWidget(otherControl);
        window.resize(760, 420);
        window.show();
    }

    QModelIndex Cell(int row, int column = ConversionQueue::SourceColumn) const {
        return queue.index(row, column);
    }

    QPoint CellCenter(int row, int column = ConversionQueue::SourceColumn) const {
        return grid->visualRect(Cell(row, column)).center();
    }

    void Click(int row, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {},
               int column = ConversionQueue::SourceColumn) {
        QTest::mouseClick(grid->viewport(), button, modifiers, CellCenter(row, column));
    }

    // A script of clicks on the "URL/Filename" column: "3" plain, "^3" Ctrl, "+3" Shift, "^+3" both,
    // "r3" right button.
    void RunClicks(const QString& script) {
        const QStringList tokens = script.split(u' ', Qt::SkipEmptyParts);
        for (QString token : tokens) {
            Qt::MouseButton button = Qt::LeftButton;
            Qt::KeyboardModifiers modifiers;
            if (token.startsWith(u'r')) {
                button = Qt::RightButton;
                token.remove(0, 1);
            }
            if (token.startsWith(u'^')) {
                modifiers |= Qt::ControlModifier;
                token.remove(0, 1);
            }
            if (token.startsWith(u'+')) {
                modifiers |= Qt::ShiftModifier;
                token.remove(0, 1);
            }
            Click(token.toInt(), button, modifiers);
        }
    }

    void ClickHeader(int section) {
        QHeaderView* header = grid->horizontalHeader();
        const QPoint pos(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                         header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pos);
    }

    QList<int> FlaggedRows() const {
        QList<int> rows;
        for (int row = 0; row < queue.RowCount(); ++row) {
            if (queue.IsSelected(row))
                rows.append(row);
        }
        return rows;
    }

    QList<int> ViewSelectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : grid->selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    QStringList Sources() const {
        QStringList sources;
        for (int row = 0; row < queue.RowCount(); ++row)
            sources.append(queue.SourceText(row));
        return sources;
    }

    QLineEdit* EditorAt(int row, int column = ConversionQueue::KindColumn) const {
        return qobject_cast<QLineEdit*>(grid->indexWidget(Cell(row, column)));
    }

    bool AnyEditorOpen() const {
        for (int row = 0; row < queue.RowCount(); ++row) {
            for (int column = 0; column < ConversionQueue::ColumnCount; ++column) {
                if (grid->indexWidget(Cell(row, column)))
                    return true;
            }
        }
        return false;
    }

    QStyleOptionViewItem PaintOption(int row, int column) const {
        auto* delegate = qobject_cast<QueueRowDelegate*>(grid->itemDelegate());
        QStyleOptionViewItem option;
        option.widget = grid;
        if (delegate)
            delegate->initStyleOption(&option, Cell(row, column));
        return option;
    }
};

// The queue's flags and the view's selection must agree, and be what the user asked for.
#define COMPARE_SELECTION(fixture, expected)                                                                 \
    do {                                                                                                     \
        QCOMPARE((fixture).FlaggedRows(), (expected));                                                       \
        QCOMPARE((fixture).ViewSelectedRows(), (expected));                                                  \
    } while (false)

QImage IconImage(const QIcon& icon) {
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool HasVisiblePixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).alpha() > 0)
                return true;
        }
    }
    return false;
}

bool RectContainsColour(const QImage& image, const QRect& rect, const QColor& colour) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                return true;
        }
    }
    return false;
}

} // namespace

class TestQueueGrid : public QObject {
    Q_OBJECT

private slots:
    void iconsRenderWithQtSvg_data();
    void iconsRenderWithQtSvg();
    void layoutOfRowsAndColumns();
    void resultColumnNeitherSortsNorEdits();
    void selectAllLeavesHiddenRowsOut();

    void mouseSelection_data();
    void mouseSelection();
    void rightClickOpensPopupMenuAtCursor();
    void ctrlASelectsAllAndDeleteKeyDoesNothing();
    void selectionFollowsFlagsSetByOthers();

    void headerClicksSort_data();
    void headerClicksSort();
    void sortLeavesOnlyCurrentRowSelected();
    void sortWithoutCurrentRowKeepsFlags();
    void sortArrowPointsTheWayOfTheOrder_data();
    void sortArrowPointsTheWayOfTheOrder();
    void typedLetterDoesNotMoveTheSelection();

    void deletesRebuildSelection_data();
    void deletesRebuildSelection();
    void appendKeepsSelection();

    void plainClickOnTypeCellEditsKind();
    void typingOnTypeCellOpensEditorWithCharacter();
    void noEditorWithoutPlainTypeClick_data();
    void noEditorWithoutPlainTypeClick();

    void lockedGridNeitherSortsNorEdits();
    void lockingCommitsAndClosesOpenEditor();

    void stateIconOnSourceCell_data();
    void stateIconOnSourceCell();
    void selectedRowsAreBold();
    void selectionColoursFollowFocus_data();
    void selectionColoursFollowFocus();

    void hundredThousandRowsSelectAllAndDelete();
};

void TestQueueGrid::iconsRenderWithQtSvg_data() {
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"app", "add-url", "add-files", "delete", "website", "about", "convert", "folder", "state-waiting",
          "state-converting", "state-converted", "state-warning", "state-failed", "state-not-reached"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestQueueGrid::iconsRenderWithQtSvg() {
    QFETCH(QString, name);
#ifdef QT_SVG_LIB
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    QVERIFY(renderer.isValid());
    QVERIFY(!renderer.viewBoxF().isEmpty());
#endif
    const QImage image = IconImage(QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
    QVERIFY(HasVisiblePixel(image));
}

void TestQueueGrid::layoutOfRowsAndColumns() {
    GridFixture f(NumberedRows(3));
    QCOMPARE(f.grid->horizontalHeader()->height(), 18);
    QCOMPARE(f.grid->rowHeight(0), 16);
    QCOMPARE(f.grid->rowHeight(2), 16);
    QCOMPARE(f.grid->columnWidth(ConversionQueue::SourceColumn), 600);
    // The last column reaches the grid's right edge, so does a selected row's highlight.
    QVERIFY(f.grid->columnWidth(ConversionQueue::KindColumn) >= 100);
    QCOMPARE(f.grid->columnWidth(ConversionQueue::SourceColumn) +
                 f.grid->columnWidth(ConversionQueue::KindColumn),
             f.grid->viewport()->width());
    QVERIFY(f.grid->isColumnHidden(ConversionQueue::ResultColumn));

    // Shown, the "Result" column takes the room left, and still ends at the edge; hidden again, all is back.
    f.grid->SetResultColumnShown(true);
    QVERIFY(!f.grid->isColumnHidden(ConversionQueue::ResultColumn));
    QVERIFY(f.grid->columnWidth(ConversionQueue::ResultColumn) >= 150);
    QCOMPARE(f.grid->columnWidth(ConversionQueue::SourceColumn) +
                 f.grid->columnWidth(ConversionQueue::KindColumn) +
                 f.grid->columnWidth(ConversionQueue::ResultColumn),
             f.grid->viewport()->width());
    f.grid->SetResultColumnShown(false);
    QCOMPARE(f.grid->columnWidth(ConversionQueue::SourceColumn), 600);
    QVERIFY(!f.grid->verticalHeader()->isVisible());
    QVERIFY(!f.grid->showGrid());
    QCOMPARE(f.grid->textElideMode(), Qt::ElideRight);
    QVERIFY(!f.grid->wordWrap());
}

void TestQueueGrid::resultColumnNeitherSortsNorEdits() {
    GridFixture f({"c.html", "a.html", "b.html"});
    f.queue.SetOutcome(0, RowState::Converted);
    f.queue.SetOutcome(1, RowState::Failed, QStringLiteral("Timed out."));
    f.grid->SetResultColumnShown(true);
    f.ClickHeader(ConversionQueue::ResultColumn);
    QCOMPARE(f.Sources(), (QStringList{"c.html", "a.html", "b.html"}));
    QCOMPARE(f.grid->horizontalHeader()->sortIndicatorSection(), -1);
    f.Click(1, Qt::LeftButton, {}, ConversionQueue::ResultColumn);
    QVERIFY(!f.grid->indexWidget(f.Cell(1, ConversionQueue::ResultColumn))); // no editor opened
    QCOMPARE(f.FlaggedRows(), QList<int>{1});
}

void TestQueueGrid::selectAllLeavesHiddenRowsOut() {
    GridFixture f(NumberedRows(4));
    f.grid->setRowHidden(1, true);
    f.grid->selectAll();
    QCOMPARE(f.FlaggedRows(), (QList<int>{0, 2, 3}));
    f.grid->setRowHidden(1, false);
    f.grid->selectAll();
    QCOMPARE(f.FlaggedRows(), (QList<int>{0, 1, 2, 3}));
}

void TestQueueGrid::mouseSelection_data() {
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QList<int>>("selected");

    QTest::newRow("plain click selects the row alone") << "1 ^2 4" << QList<int>{4};
    QTest::newRow("ctrl click adds rows") << "1 ^3 ^4" << QList<int>{1, 3, 4};
    QTest::newRow("ctrl click on a selected row removes it") << "1 ^3 ^1" << QList<int>{3};
    QTest::newRow("shift click selects down from the anchor") << "1 +4" << QList<int>{1, 2, 3, 4};
    QTest::newRow("shift click selects up from the anchor") << "4 +1" << QList<int>{1, 2, 3, 4};
    QTest::newRow("ctrl click sets the anchor, shift drops rows outside") << "0 ^5 +3" << QList<int>{3, 4, 5};
    QTest::newRow("shift clicks keep the anchor of the last plain click") << "1 +5 +3" << QList<int>{1, 2, 3};
    QTest::newRow("ctrl shift click keeps the other rows") << "0 ^4 ^+5" << QList<int>{0, 4, 5};
    QTest::newRow("right click on an unselected row selects it alone") << "1 ^2 ^3 r5" << QList<int>{5};
    QTest::newRow("right click on a selected row keeps the selection") << "1 ^2 ^3 r2" << QList<int>{1, 2, 3};
}

void TestQueueGrid::mouseSelection() {
    QFETCH(QString, clicks);
    QFETCH(QList<int>, selected);
    GridFixture f(NumberedRows(6));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));

    f.RunClicks(clicks);
    COMPARE_SELECTION(f, selected);
    QCOMPARE(f.queue.SelectedCount(), selected.size());
}

void TestQueueGrid::rightClickOpensPopupMenuAtCursor() {
    GridFixture f(NumberedRows(4));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QMenu menu;
    menu.addAction(QStringLiteral("Delete Selected"));
    f.grid->SetPopupMenu(&menu);

    f.Click(2, Qt::RightButton);
    QTRY_VERIFY(menu.isVisible());
    QCOMPARE(menu.pos(), f.grid->viewport()->mapToGlobal(f.CellCenter(2)));
    COMPARE_SELECTION(f, QList<int>{2});
    menu.hide();
}

void TestQueueGrid::ctrlASelectsAllAndDeleteKeyDoesNothing() {
    GridFixture f(NumberedRows(5));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.Click(1);

    QTest::keyClick(f.grid, Qt::Key_A, Qt::ControlModifier);
    COMPARE_SELECTION(f, (QList<int>{0, 1, 2, 3, 4}));

    QTest::keyClick(f.grid, Qt::Key_Delete);
    QCOMPARE(f.queue.RowCount(), 5);
    COMPARE_SELECTION(f, (QList<int>{0, 1, 2, 3, 4}));

    // Not even on an editable cell: Delete is no character to type.
    QTest::keyClick(f.grid, Qt::Key_Right);
    QCOMPARE(f.grid->currentIndex(), f.Cell(1, ConversionQueue::KindColumn));
    QTest::keyClick(f.grid, Qt::Key_Delete);
    QVERIFY(!f.AnyEditorOpen());
    QCOMPARE(f.queue.RowCount(), 5);
    QCOMPARE(f.queue.Kind(1), kKindFile);
}

void TestQueueGrid::selectionFollowsFlagsSetByOthers() {
    GridFixture f(NumberedRows(4));
    f.queue.SetSelected(1, true);
    f.queue.SetSelected(3, true);
    COMPARE_SELECTION(f, (QList<int>{1, 3}));
    f.queue.SetSelected(1, false);
    COMPARE_SELECTION(f, QList<int>{3});
}

void TestQueueGrid::headerClicksSort_data() {
    QTest::addColumn<QList<int>>("sections");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("indicatorSection");
    QTest::addColumn<Qt::SortOrder>("indicatorOrder");

    // Source texts compare by code unit ("C" < "a" < "b"), kinds too ("File" < "URL" < "url").
    const QStringList sourceUp{"C.html", "a.html", "b.html"};
    const QStringList sourceDown{"b.html", "a.html", "C.html"};
    const QStringList kindUp{"C.html", "b.html", "a.html"};
    const QStringList kindDown{"a.html", "b.html", "C.html"};
    QTest::newRow("first click ascending") << QList<int>{0} << sourceUp << 0 << Qt::AscendingOrder;
    QTest::newRow("second click descending") << QList<int>{0, 0} << sourceDown << 0 << Qt::DescendingOrder;
    QTest::newRow("third click ascending again")
        << QList<int>{0, 0, 0} << sourceUp << 0 << Qt::AscendingOrder;
    QTest::newRow("Type first time ascending") << QList<int>{0, 0, 1} << kindUp << 1 << Qt::AscendingOrder;
    QTest::newRow("URL/Filename remembers descending")
        << QList<int>{0, 0, 1, 0} << sourceDown << 0 << Qt::DescendingOrder;
    QTest::newRow("Type remembers descending")
        << QList<int>{1, 1, 0, 1} << kindDown << 1 << Qt::DescendingOrder;
}

void TestQueueGrid::headerClicksSort() {
    QFETCH(QList<int>, sections);
    QFETCH(QStringList, order);
    QFETCH(int, indicatorSection);
    QFETCH(Qt::SortOrder, indicatorOrder);
    GridFixture f({"b.html", "C.html", "a.html"});
    f.queue.SetKind(0, kKindUrl);
    f.queue.SetKind(2, QStringLiteral("url"));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QCOMPARE(f.grid->horizontalHeader()->sortIndicatorSection(), -1);

    for (int section : sections)
        f.ClickHeader(section);

    QCOMPARE(f.Sources(), order);
    QCOMPARE(f.grid->horizontalHeader()->sortIndicatorSection(), indicatorSection);
    QCOMPARE(f.grid->horizontalHeader()->sortIndicatorOrder(), indicatorOrder);
    QVERIFY(f.grid->horizontalHeader()->isSortIndicatorShown());
}

void TestQueueGrid::sortLeavesOnlyCurrentRowSelected() {
    GridFixture f({"e.html", "d.html", "c.html", "b.html", "a.html"});
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.RunClicks(QStringLiteral("0 ^2 ^4")); // the current row is the last one clicked: a.html

    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.Sources(), (QStringList{"a.html", "b.html", "c.html", "d.html", "e.html"}));
    QCOMPARE(f.grid->currentIndex().row(), 0);
    COMPARE_SELECTION(f, QList<int>{0});

    f.queue.DeleteSelected();
    QCOMPARE(f.Sources(), (QStringList{"b.html", "c.html", "d.html", "e.html"}));
    COMPARE_SELECTION(f, QList<int>{});
}

void TestQueueGrid::sortWithoutCurrentRowKeepsFlags() {
    GridFixture f({"e.html", "d.html", "c.html", "b.html", "a.html"});
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    // Taking the focus gives the grid a current row; take it away again.
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.grid->selectionModel()->clearCurrentIndex();
    f.queue.SetSelected(0, true);
    f.queue.SetSelected(1, true);

    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.Sources(), (QStringList{"a.html", "b.html", "c.html", "d.html", "e.html"}));
    COMPARE_SELECTION(f, (QList<int>{3, 4})); // d.html and e.html travelled with their flags
}

void TestQueueGrid::deletesRebuildSelection_data() {
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<bool>("deleteSelected");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<QList<int>>("selected");

    QTest::newRow("selected, scattered") << "1 ^3" << true << QStringList{"r0", "r2", "r4"} << QList<int>{};
    QTest::newRow("unselected, scattered") << "1 ^3" << false << QStringList{"r1", "r3"} << QList<int>{0, 1};
    QTest::newRow("selected, one block") << "1 +2" << true << QStringList{"r0", "r3", "r4"} << QList<int>{};
    QTest::newRow("unselected, one block")
        << "0 +2" << false << QStringList{"r0", "r1", "r2"} << QList<int>{0, 1, 2};
}

void TestQueueGrid::deletesRebuildSelection() {
    QFETCH(QString, clicks);
    QFETCH(bool, deleteSelected);
    QFETCH(QStringList, remaining);
    QFETCH(QList<int>, selected);
    GridFixture f(NumberedRows(5));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.RunClicks(clicks);

    if (deleteSelected)
        f.queue.DeleteSelected();
    else
        f.queue.DeleteUnselected();

    QCOMPARE(f.Sources(), remaining);
    COMPARE_SELECTION(f, selected);
}

void TestQueueGrid::appendKeepsSelection() {
    GridFixture f(NumberedRows(4));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.RunClicks(QStringLiteral("1 ^3"));
    f.queue.AddFiles({QStringLiteral("new1"), QStringLiteral("new2")});
    QCOMPARE(f.queue.RowCount(), 6);
    COMPARE_SELECTION(f, (QList<int>{1, 3}));
}

void TestQueueGrid::plainClickOnTypeCellEditsKind() {
    GridFixture f(NumberedRows(3));
    f.queue.SetKind(1, kKindUrl);
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));

    f.Click(1, Qt::LeftButton, {}, ConversionQueue::KindColumn);
    QLineEdit* editor = f.EditorAt(1);
    QVERIFY(editor);
    QCOMPARE(editor->text(), kKindUrl);
    COMPARE_SELECTION(f, QList<int>{1});

    editor->setText(kKindFile);
    QTest::keyClick(editor, Qt::Key_Return); // the delegate commits through a queued call
    QTRY_VERIFY(!f.AnyEditorOpen());
    QCOMPARE(f.queue.Kind(1), kKindFile);
}

void TestQueueGrid::typingOnTypeCellOpensEditorWithCharacter() {
    GridFixture f(NumberedRows(3));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.Click(1);
    QTest::keyClick(f.grid, Qt::Key_Right);
    QVERIFY(!f.AnyEditorOpen());

    QTest::keyClick(f.grid, Qt::Key_X);
    QLineEdit* editor = f.EditorAt(1);
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("x"));
    QTest::keyClicks(editor, QStringLiteral("ml"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.queue.Kind(1), QStringLiteral("xml"));
}

void TestQueueGrid::noEditorWithoutPlainTypeClick_data() {
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("modifiers");

    const int source = ConversionQueue::SourceColumn;
    const int kind = ConversionQueue::KindColumn;
    QTest::newRow("click on URL/Filename") << "click" << source << 0;
    QTest::newRow("double click on URL/Filename") << "double" << source << 0;
    QTest::newRow("typing on URL/Filename") << "type" << source << 0;
    QTest::newRow("ctrl click on Type") << "click" << kind << int(Qt::ControlModifier);
    QTest::newRow("shift click on Type") << "click" << kind << int(Qt::ShiftModifier);
    QTest::newRow("right click on Type") << "right" << kind << 0;
    QTest::newRow("press on Type, release on URL/Filename") << "drag" << kind << 0;
}

void TestQueueGrid::noEditorWithoutPlainTypeClick() {
    QFETCH(QString, gesture);
    QFETCH(int, column);
    QFETCH(int, modifiers);
    GridFixture f(NumberedRows(3));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const auto mods = Qt::KeyboardModifiers(modifiers);
    const QPoint at = f.CellCenter(1, column);

    if (gesture == u"click") {
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, mods, at);
    } else if (gesture == u"double") {
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, mods, at);
    } else if (gesture == u"type") {
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, mods, at);
        QTest::keyClick(f.grid, Qt::Key_X);
    } else if (gesture == u"right") {
        QTest::mouseClick(f.grid->viewport(), Qt::RightButton, mods, at);
    } else {
        QTest::mousePress(f.grid->viewport(), Qt::LeftButton, mods, at);
        QTest::mouseRelease(f.grid->viewport(), Qt::LeftButton, mods, f.CellCenter(1));
    }

    QVERIFY(!f.AnyEditorOpen());
    QCOMPARE(f.queue.Kind(1), kKindFile);
}

void TestQueueGrid::lockedGridNeitherSortsNorEdits() {
    GridFixture f({"b.html", "c.html", "a.html"});
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.grid->SetLocked(true);
    QVERIFY(f.grid->IsLocked());

    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.Sources(), (QStringList{"b.html", "c.html", "a.html"}));
    QCOMPARE(f.grid->horizontalHeader()->sortIndicatorSection(), -1);

    f.Click(1, Qt::LeftButton, {}, ConversionQueue::KindColumn);
    QTest::keyClick(f.grid, Qt::Key_X);
    QVERIFY(!f.AnyEditorOpen());
    QCOMPARE(f.queue.Kind(1), kKindFile);
    COMPARE_SELECTION(f, QList<int>{1}); // selecting still works

    f.grid->SetLocked(false);
    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.Sources(), (QStringList{"a.html", "b.html", "c.html"}));
}

void TestQueueGrid::lockingCommitsAndClosesOpenEditor() {
    GridFixture f(NumberedRows(3));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.Click(2, Qt::LeftButton, {}, ConversionQueue::KindColumn);
    QLineEdit* editor = f.EditorAt(2);
    QVERIFY(editor);
    editor->setText(kKindUrl);

    f.grid->SetLocked(true);
    QVERIFY(!f.AnyEditorOpen());
    QCOMPARE(f.queue.Kind(2), kKindUrl);
}

void TestQueueGrid::stateIconOnSourceCell_data() {
    QTest::addColumn<RowState>("state");
    QTest::addColumn<QString>("icon");

    QTest::newRow("waiting") << RowState::Waiting << "state-waiting";
    QTest::newRow("converting") << RowState::Converting << "state-converting";
    QTest::newRow("converted") << RowState::Converted << "state-converted";
    QTest::newRow("with warnings") << RowState::ConvertedWithWarnings << "state-warning";
    QTest::newRow("failed") << RowState::Failed << "state-failed";
}

void TestQueueGrid::stateIconOnSourceCell() {
    QFETCH(RowState, state);
    QFETCH(QString, icon);
    GridFixture f(NumberedRows(2));
    f.queue.SetOutcome(1, state, QStringLiteral("reason"));

    const QStyleOptionViewItem source = f.PaintOption(1, ConversionQueue::SourceColumn);
    QVERIFY(source.features & QStyleOptionViewItem::HasDecoration);
    QVERIFY(!source.icon.isNull());
    QCOMPARE(IconImage(source.icon), IconImage(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon))));
    QVERIFY(f.PaintOption(1, ConversionQueue::KindColumn).icon.isNull());
}

void TestQueueGrid::selectedRowsAreBold() {
    GridFixture f(NumberedRows(3));
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.Click(1);
    QVERIFY(f.PaintOption(1, ConversionQueue::SourceColumn).font.bold());
    QVERIFY(f.PaintOption(1, ConversionQueue::KindColumn).font.bold());
    QVERIFY(!f.PaintOption(0, ConversionQueue::SourceColumn).font.bold());
    QVERIFY(!f.PaintOption(2, ConversionQueue::KindColumn).font.bold());
}

void TestQueueGrid::selectionColoursFollowFocus_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("activeColours");
    QTest::newRow("grid focused") << "grid" << true;
    QTest::newRow("Type editor focused") << "editor" << true;
    QTest::newRow("focus elsewhere") << "other" << false;
}

void TestQueueGrid::selectionColoursFollowFocus() {
    QFETCH(QString, focus);
    QFETCH(bool, activeColours);
    GridFixture f(NumberedRows(3));
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.Click(1, Qt::LeftButton, {}, ConversionQueue::KindColumn);
    QWidget* focusTarget = f.EditorAt(1);
    QVERIFY(focusTarget);
    if (focus == u"grid")
        focusTarget = f.grid; // closes the editor
    else if (focus == u"other")
        focusTarget = f.otherControl;
    focusTarget->setFocus();
    QTRY_VERIFY(focusTarget->hasFocus());

    const QPalette& palette = f.grid->palette();
    const QColor background = activeColours ? palette.color(QPalette::Active, QPalette::Highlight)
                                            : palette.color(QPalette::Active, QPalette::Button);
    const QColor text =
        activeColours ? QColor(0xE1, 0xE1, 0xE1) : palette.color(QPalette::Active, QPalette::WindowText);
    QVERIFY(background != palette.color(QPalette::Active, QPalette::Base));

    const QImage image = f.grid->viewport()->grab().toImage();
    const QRect sourceCell = f.grid->visualRect(f.Cell(1, ConversionQueue::SourceColumn));
    QCOMPARE(image.pixelColor(sourceCell.right() - 3, sourceCell.center().y()).rgb(), background.rgb());
    QVERIFY(RectContainsColour(image, sourceCell, text));
}

void TestQueueGrid::hundredThousandRowsSelectAllAndDelete() {
    QStringList sources;
    sources.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        sources.append(QStringLiteral("/data/pages/page%1.html").arg(i));
    GridFixture f(sources);
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));

    QTest::keyClick(f.grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.queue.SelectedCount(), 100000);
    f.Click(3);
    QCOMPARE(f.queue.SelectedCount(), 1);
    QVERIFY(f.queue.IsSelected(3));

    QTest::keyClick(f.grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.queue.SelectedCount(), 100000);
    f.queue.DeleteSelected();
    QCOMPARE(f.queue.RowCount(), 0);
    QVERIFY(!f.grid->selectionModel()->hasSelection());
}

void TestQueueGrid::sortArrowPointsTheWayOfTheOrder_data() {
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("pointsUp");
    QTest::newRow("ascending") << 1 << true;
    QTest::newRow("descending") << 2 << false;
}

// The arrow is read from the painted header: dark pixels at the right end of the sorted section, where
// the left-aligned caption never reaches. An upward arrow is widest at its bottom.
void TestQueueGrid::sortArrowPointsTheWayOfTheOrder() {
    QFETCH(int, clicks);
    QFETCH(bool, pointsUp);
    GridFixture f({"b.html", "a.html"});
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    for (int i = 0; i < clicks; ++i)
        f.ClickHeader(ConversionQueue::SourceColumn);

    QHeaderView* header = f.grid->horizontalHeader();
    const QImage image = header->grab().toImage();
    const int sectionEnd = header->sectionViewportPosition(ConversionQueue::SourceColumn) +
                           header->sectionSize(ConversionQueue::SourceColumn);
    QList<int> darkPerLine;
    for (int y = 0; y < image.height(); ++y) {
        int dark = 0;
        for (int x = sectionEnd - 24; x < sectionEnd - 2; ++x)
            dark += qGray(image.pixel(x, y)) < 140 ? 1 : 0;
        if (dark > 0)
            darkPerLine << dark;
    }
    QVERIFY2(darkPerLine.size() >= 2, "no arrow painted");
    QVERIFY(darkPerLine.first() != darkPerLine.last());
    QCOMPARE(darkPerLine.first() < darkPerLine.last(), pointsUp);
}

// The grid has no keyboard search: a letter must not move the selection to a row that Delete would then
// remove.
void TestQueueGrid::typedLetterDoesNotMoveTheSelection() {
    GridFixture f({"alpha.html", "beta.html", "bravo.html"});
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.Click(0);
    QTest::keyClicks(f.grid, QStringLiteral("b"));
    COMPARE_SELECTION(f, QList<int>{0});
    QCOMPARE(f.grid->currentIndex().row(), 0);
}

QTEST_MAIN(TestQueueGrid)
#include "test_queue_grid.moc"
