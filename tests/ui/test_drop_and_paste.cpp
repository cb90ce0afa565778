// Rows dropped onto the main window or pasted into its grid, through real drag events and the clipboard.
#include "MainFormFixture.h"

#include "QueueGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

// A folder of documents: accepted types at the top and in a sub-folder, and files of other types.
struct DocumentFolder {
    QTemporaryDir dir;

    DocumentFolder() {
        for (const char* name :
             {"b.HTML", "a.txt", "picture.png", "sub/c.xml", "sub/d.pdf", "sub/e.xhtml", "alone/page.htm"}) {
            const QString path = dir.filePath(QLatin1String(name));
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                qFatal("Cannot create %s", qPrintable(path));
        }
    }
    QString Path(const char* name) const {
        return QDir::toNativeSeparators(dir.filePath(QLatin1String(name)));
    }
};

// Enters, moves over and drops onto the grid's viewport, as the window system delivers a drag; returns
// whether the drop was taken. The grid takes no drops itself, so the window behind it gets them.
bool DropOnGrid(MainFormFixture& f, QMimeData& data) {
    QWidget* target = f.Grid().viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QList<QUrl> LocalUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

} // namespace

class TestDropAndPaste : public QObject {
    Q_OBJECT
private slots:
    void droppedFilesAndFolders();
    void droppedLinksFromABrowser();
    void droppedTextLines();
    void ctrlVInTheGridAddsTheClipboard();
    void nothingIsTakenWhileARunGoesOn();
};

void TestDropAndPaste::droppedFilesAndFolders() {
    DocumentFolder docs;
    MainFormFixture f;
    f.Open();
    QMimeData data;
    data.setUrls(LocalUrls({docs.Path("alone/page.htm"), docs.Path("picture.png"), docs.dir.path(),
                            docs.Path("alone/page.htm")}));
    QVERIFY(DropOnGrid(f, data));
    QCOMPARE(f.RowTexts(), (QStringList{docs.Path("alone/page.htm"), docs.Path("a.txt"), docs.Path("b.HTML"),
                                        docs.Path("sub/c.xml"), docs.Path("sub/e.xhtml")}));
    QCOMPARE(f.Queue().Kind(1), kKindFile);
    QCOMPARE(f.PaneTexts(), (QStringList{"URL Count: 0", "Files Count: 5", "URL/Files Count: 5"}));
}

// A browser offers a URL list and the same links as text; each link is one row.
void TestDropAndPaste::droppedLinksFromABrowser() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    QMimeData data;
    data.setUrls({QUrl("http://site.test/a"), QUrl("https://site.test/b?x=1"), QUrl("ftp://site.test/c")});
    data.setText("http://site.test/a\nhttps://site.test/b?x=1\nftp://site.test/c");
    QVERIFY(DropOnGrid(f, data));
    QCOMPARE(f.RowTexts(), (QStringList{"http://site.test/a", "https://site.test/b?x=1"}));
    QCOMPARE(f.Queue().Kind(1), kKindUrl);
    QCOMPARE(f.PaneTexts(), (QStringList{"URL Count: 2", "Files Count: 0", "URL/Files Count: 2"}));
}

void TestDropAndPaste::droppedTextLines() {
    DocumentFolder docs;
    MainFormFixture f;
    f.Open();
    QMimeData data;
    data.setText(QStringLiteral("  http://site.test/page  \r\nnot an address\n%1\n%2\n")
                     .arg(docs.Path("a.txt"), QUrl::fromLocalFile(docs.Path("sub/c.xml")).toString()));
    QVERIFY(DropOnGrid(f, data));
    // In the order given, and the line that is no address is told about.
    QCOMPARE(f.RowTexts(),
             (QStringList{"http://site.test/page", docs.Path("a.txt"), docs.Path("sub/c.xml")}));
    QCOMPARE(f.Child<QStatusBar>("RzStatusBar1")->currentMessage(),
             QStringLiteral("1 line skipped: not a web address"));
}

void TestDropAndPaste::ctrlVInTheGridAddsTheClipboard() {
    DocumentFolder docs;
    MainFormFixture f;
    f.Open();
    QGuiApplication::clipboard()->setText(
        QStringLiteral("http://site.test/one\nhttp://site.test/two\n%1").arg(docs.Path("b.HTML")));
    f.Grid().setFocus();
    QTest::keyClick(&f.Grid(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.RowTexts(),
             (QStringList{"http://site.test/one", "http://site.test/two", docs.Path("b.HTML")}));
    auto* statusBar = f.Child<QStatusBar>("RzStatusBar1");
    QCOMPARE(statusBar->currentMessage(), QString());           // nothing was skipped
    QTest::keyClick(&f.Grid(), Qt::Key_V, Qt::ControlModifier); // the same again: all duplicates
    QCOMPARE(f.RowTexts().size(), 3);
    QCOMPARE(statusBar->currentMessage(), QStringLiteral("3 lines skipped: already in the queue"));
    QCOMPARE(f.PaneTexts(), (QStringList{"URL Count: 2", "Files Count: 1", "URL/Files Count: 3"}));
}

void TestDropAndPaste::nothingIsTakenWhileARunGoesOn() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.AddUrls({"http://site.test/hang"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QMimeData data;
    data.setUrls({QUrl("http://site.test/dropped")});
    QVERIFY(!DropOnGrid(f, data));
    QGuiApplication::clipboard()->setText(QStringLiteral("http://site.test/pasted"));
    f.Grid().setFocus();
    QTest::keyClick(&f.Grid(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.RowTexts(), QStringList{"http://site.test/hang"});
    QVERIFY(f.Click("RzBitBtn1"));
}

QTEST_MAIN(TestDropAndPaste)
#include "test_drop_and_paste.moc"
