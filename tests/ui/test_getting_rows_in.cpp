// Getting rows in: the Edit menu and its keys, Add URL telling what it skipped, Save and Open queue, and
// the sources the command line hands the window (--queue).
#include "MainFormFixture.h"

#include "QueueGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

QString StatusMessage(const MainFormFixture& f) {
    return f.Child<QStatusBar>("RzStatusBar1")->currentMessage();
}

QStringList MenuTitles(const MainFormFixture& f) {
    QStringList titles;
    for (QAction* menu : f.Window().menuBar()->actions())
        titles << menu->text();
    return titles;
}

} // namespace

class TestGettingRowsIn : public QObject {
    Q_OBJECT
private slots:
    void editMenuShowsItsShortcuts();
    void editMenuAndKeysActOnTheGrid();
    void deleteKeyInTheTypeEditorStaysThere();
    void addUrlTellsWhatItSkipped_data();
    void addUrlTellsWhatItSkipped();
    void saveAndOpenQueue();
    void sourcesFromTheCommandLine();
};

void TestGettingRowsIn::editMenuShowsItsShortcuts() {
    MainFormFixture f;
    f.Open();
    QCOMPARE(MenuTitles(f).mid(0, 4), (QStringList{"&File", "&Edit", "&View", "&Convert"}));
    QList<QAction*> items = f.Child<QMenu>("mnuEditMenu")->actions();
    QCOMPARE(items.size(), 7);
    // Undo first, on its own.
    QCOMPARE(items.takeFirst()->shortcut(), QKeySequence(QKeySequence::Undo));
    QVERIFY(items.takeFirst()->isSeparator());
    QCOMPARE(items.at(0)->objectName(), QStringLiteral("actPaste"));
    QCOMPARE(items.at(1)->objectName(), QStringLiteral("actSelectAll"));
    QCOMPARE(items.at(2)->objectName(), QStringLiteral("actDeleteRows"));
    QVERIFY(items.at(3)->isSeparator());
    QCOMPARE(items.at(4)->objectName(), QStringLiteral("actAddLinkedPages"));
    // Shown beside each item, since a menu action shows its own shortcut.
    QCOMPARE(items.at(0)->shortcut(), QKeySequence(QKeySequence::Paste));
    QCOMPARE(items.at(1)->shortcut(), QKeySequence(QKeySequence::SelectAll));
    QCOMPARE(items.at(2)->shortcut(), QKeySequence(QKeySequence::Delete));
    QVERIFY(!items.at(2)->isEnabled()); // nothing selected
}

void TestGettingRowsIn::editMenuAndKeysActOnTheGrid() {
    MainFormFixture f;
    f.Open();
    QApplication::clipboard()->setText(
        QStringLiteral("http://site.test/a\nhttp://site.test/b\nhttp://site.test/c"));
    QVERIFY(f.Trigger("actPaste"));
    QCOMPARE(f.RowTexts().size(), 3);
    QVERIFY(f.Trigger("actSelectAll"));
    QCOMPARE(f.SelectedRows(), (QList<int>{0, 1, 2}));
    f.ClickCell(1, ConversionQueue::SourceColumn);
    QVERIFY(f.Trigger("actDeleteRows"));
    QCOMPARE(f.RowTexts(), (QStringList{"http://site.test/a", "http://site.test/c"}));
    QCOMPARE(f.PaneTexts().at(2), QStringLiteral("URL/Files Count: 2"));

    // The keys, in the grid: Ctrl+A, then Delete removes the selected rows as the toolbar button does.
    f.Grid().setFocus();
    QTest::keyClick(&f.Grid(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.SelectedRows(), (QList<int>{0, 1}));
    QTest::keyClick(&f.Grid(), Qt::Key_Delete);
    QCOMPARE(f.RowTexts(), QStringList{});
    QCOMPARE(f.PaneTexts().at(2), QStringLiteral("URL/Files Count: 0"));

    // Delete in the target folder's edit deletes text, not rows.
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    f.Grid().selectAll();
    auto* folder = f.Child<QLineEdit>("edtoutFolder");
    folder->setFocus();
    folder->setText(QStringLiteral("out"));
    folder->setCursorPosition(0);
    QTest::keyClick(folder, Qt::Key_Delete);
    QCOMPARE(folder->text(), QStringLiteral("ut"));
    QCOMPARE(f.RowTexts().size(), 1);
}

void TestGettingRowsIn::deleteKeyInTheTypeEditorStaysThere() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    f.ClickCell(0, ConversionQueue::KindColumn); // opens the "Type" editor
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit*>(editor));
    auto* line = static_cast<QLineEdit*>(editor);
    line->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(line->text(), QStringLiteral("RL"));
    QCOMPARE(f.RowTexts().size(), 1);
}

void TestGettingRowsIn::addUrlTellsWhatItSkipped_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing skipped") << QStringList{"http://site.test/b", ""} << QString();
    QTest::newRow("no web address and queued already")
        << QStringList{"www.example.org/page", "http://site.test/a", "example.org", "http://site.test/b"}
        << "2 lines skipped: not a web address; 1 already in the queue";
    QTest::newRow("queued already only")
        << QStringList{"http://site.test/a"} << "1 line skipped: already in the queue";
}

void TestGettingRowsIn::addUrlTellsWhatItSkipped() {
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    QVERIFY(f.AddUrls(lines));
    QCOMPARE(StatusMessage(f), message);
}

// A saved queue is the list --list reads: one source a line, in the queue's order; opened again it
// brings back the same rows, and anything it cannot take is told.
void TestGettingRowsIn::saveAndOpenQueue() {
    MainFormFixture f;
    f.Open();
    QVERIFY(!f.Child<QAction>("actSaveQueue")->isEnabled()); // nothing to save
    const QStringList files = f.MakeFiles({"one.html", "two.txt"});
    QVERIFY(f.AddUrls({"https://site.test/x y"}));
    QVERIFY(f.AddFiles(files));
    QTemporaryDir scratch;
    const QString list = QDir::toNativeSeparators(scratch.filePath(QStringLiteral("batch.txt")));
    f.dialogs.nextSaveFile = list;
    QVERIFY(f.Trigger("actSaveQueue"));
    QFile saved(list);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray expected = ("https://site.test/x y\n" + files.join(u'\n') + u'\n').toUtf8();
    QCOMPARE(saved.readAll(), expected);
    QCOMPARE(f.dialogs.errors, QStringList{});

    QVERIFY(f.Trigger("actDelall"));
    QFile more(scratch.filePath(QStringLiteral("more.txt")));
    QVERIFY(more.open(QIODevice::WriteOnly));
    more.write("example.org\r\n" + files.at(0).toUtf8() + "\r\n");
    more.close();
    f.dialogs.nextFiles = QStringList{list, QDir::toNativeSeparators(more.fileName())};
    QVERIFY(f.Trigger("actOpenQueue"));
    QCOMPARE(f.RowTexts(), QStringList{"https://site.test/x y"} + files);
    QCOMPARE(f.Queue().Kind(1), kKindFile);
    QCOMPARE(f.PaneTexts(), (QStringList{"URL Count: 1", "Files Count: 2", "URL/Files Count: 3"}));
    QCOMPARE(StatusMessage(f),
             QStringLiteral("1 line skipped: neither a web address (http:// or https://) nor "
                            "a file; 1 already in the queue"));
    QCOMPARE(f.dialogs.fileTitles.mid(1), (QStringList{"Save queue", "Open queue"})); // after Add Files'
    QCOMPARE(FileDialogFilters(f.dialogs.openFileFilters.last()).first(), "Queue lists (*.txt) (*.txt)");

    // A list that cannot be read is reported; a save that cannot be written too.
    f.dialogs.nextFiles = QStringList{scratch.filePath(QStringLiteral("missing.txt"))};
    QVERIFY(f.Trigger("actOpenQueue"));
    QCOMPARE(f.dialogs.errors.size(), 1);
    f.dialogs.nextSaveFile = scratch.filePath(QStringLiteral("no/such/folder/q.txt"));
    QVERIFY(f.Trigger("actSaveQueue"));
    QCOMPARE(f.dialogs.errors.size(), 2);
    QVERIFY(f.dialogs.errors.last().startsWith(QLatin1String("The queue could not be saved to")));
}

// What "Open with" hands over: the window queues the sources in their order, as Add Files and Add URL
// would, and tells what it could not take.
void TestGettingRowsIn::sourcesFromTheCommandLine() {
    MainFormFixture f;
    f.Open();
    const QStringList files = f.MakeFiles({"page.htm"});
    f.Window().QueueSources(
        {"https://site.test/", files.at(0), "missing.html", "gone/away.htm", "example.org"});
    QCOMPARE(f.RowTexts(), (QStringList{"https://site.test/", files.at(0)}));
    QCOMPARE(f.PaneTexts(), (QStringList{"URL Count: 1", "Files Count: 1", "URL/Files Count: 2"}));
    QCOMPARE(StatusMessage(f), QStringLiteral("2 lines skipped: no such file; 1 neither a web address "
                                              "(http:// or https://) nor a file"));
    QCOMPARE(f.Window().RunStatus(), rsNone); // nothing converts yet
}

QTEST_MAIN(TestGettingRowsIn)
#include "test_getting_rows_in.moc"
