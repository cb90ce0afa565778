// Edit -> "Add linked pages...": the dialog, the walk off the event loop, Stop, and the rows it adds.
#include "FollowLinksDialog.h"
#include "MainFormFixture.h"
#include "RouteServer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

void Write(const QString& path, const QByteArray& html) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(html);
}

QString StatusText(const MainFormFixture& f) {
    return f.Child<QStatusBar>("RzStatusBar1")->currentMessage();
}

} // namespace

class TestFollowLinks : public QObject {
    Q_OBJECT
private slots:
    void OfferedInEditMenuAndPopup();
    void AddsPagesAfterTheirRowsConvertingNothing();
    void CancelLooksForNothing();
    void StopAddsWhatWasFound();
    void PagesWaitForARunToEnd();
};

void TestFollowLinks::OfferedInEditMenuAndPopup() {
    MainFormFixture f;
    f.Open();
    auto* action = f.Child<QAction>("actAddLinkedPages");
    QVERIFY(f.Child<QMenu>("mnuEditMenu")->actions().contains(action));
    QVERIFY(f.Child<QMenu>("PopupMenu")->actions().contains(action));
    QVERIFY(!action->isEnabled()); // nothing queued to start from
}

void TestFollowLinks::AddsPagesAfterTheirRowsConvertingNothing() {
    MainFormFixture f;
    QTemporaryDir dir;
    const QString root = dir.path();
    Write(root + "/guide/index.html",
          "<link rel=next href=intro.html><a href=basics.html>B</a>"
          "<a href=intro.html>I</a><a href=.hidden/x.html>x</a><a href=../up.html>up</a>");
    Write(root + "/guide/intro.html", "<link rel=next href=basics.html>");
    Write(root + "/guide/basics.html", "basics");
    Write(root + "/guide/.hidden/x.html", "hidden");
    Write(root + "/up.html", "up");
    Write(root + "/other.html", "other");
    f.Open();
    const auto native = [&root](const char* name) { return QDir::toNativeSeparators(root + name); };
    QVERIFY(f.AddFiles({native("/guide/index.html"), native("/other.html")}));
    f.ClickCell(0, 0);
    QCOMPARE(f.SelectedRows(), QList<int>{0});

    QString prefilled;
    f.dialogs.onModal = [&prefilled](QDialog& dialog) {
        prefilled = dialog.findChild<QLineEdit*>("edtFollowWithin")->text();
        dialog.findChild<QSpinBox*>("spnFollowDepth")->setValue(2);
        return true;
    };
    QVERIFY(f.Trigger("actAddLinkedPages"));
    QCOMPARE(prefilled, native("/guide"));
    QTRY_VERIFY_WITH_TIMEOUT(StatusText(f).contains(QLatin1String("linked pages added")), 30000);
    QCOMPARE(f.RowTexts(), (QStringList{native("/guide/index.html"), native("/guide/intro.html"),
                                        native("/guide/basics.html"), native("/other.html")}));
    QCOMPARE(StatusText(f),
             QStringLiteral("2 linked pages added. Not added: 2 outside the pages' folder or prefix."));
    QVERIFY(f.ConverterCalls().isEmpty());
    for (int row = 0; row < f.Queue().RowCount(); ++row)
        QCOMPARE(f.State(row), RowState::Waiting);
}

void TestFollowLinks::CancelLooksForNothing() {
    MainFormFixture f;
    RouteServer server;
    server.routes = {{"/index.html", {"200 OK", "text/html", "<a href=a.html>a</a>"}}};
    QVERIFY(server.Listen());
    f.Open();
    QVERIFY(f.AddUrls({server.Url("/index.html")}));
    f.dialogs.onModal = [](QDialog&) { return false; };
    const int dialogsBefore = f.dialogs.modalCount;
    QVERIFY(f.Trigger("actAddLinkedPages"));
    QCOMPARE(f.dialogs.modalCount, dialogsBefore + 1);
    QVERIFY(server.hits.isEmpty());
    QCOMPARE(f.Child<QAction>("actAddLinkedPages")->text(), QStringLiteral("Add &linked pages..."));
}

void TestFollowLinks::StopAddsWhatWasFound() {
    MainFormFixture f;
    RouteServer server;
    server.routes = {
        {"/robots.txt", {"404 Not Found", "text/plain", ""}},
        {"/docs/index.html", {"200 OK", "text/html", "<a href=a.html>a</a><a href=b.html>b</a>"}},
        {"/docs/a.html", {"200 OK", "text/html", "a"}},
        {"/docs/b.html", {"200 OK", "text/html", "b"}},
    };
    server.held = {"/docs/b.html"};
    QVERIFY(server.Listen());
    f.Open();
    QVERIFY(f.AddUrls({server.Url("/docs/index.html")}));
    f.dialogs.onModal = [](QDialog&) { return true; };
    QVERIFY(f.Trigger("actAddLinkedPages"));
    QTRY_VERIFY_WITH_TIMEOUT(StatusText(f).contains(QLatin1String("1 found")), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(server.HeldNow(), 1, 30000);
    QCOMPARE(f.Child<QAction>("actAddLinkedPages")->text(), QStringLiteral("Stop &looking for linked pages"));
    QCOMPARE(f.Queue().RowCount(), 1); // nothing added before the walk ends
    QVERIFY(f.Trigger("actAddLinkedPages"));
    QVERIFY(StatusText(f).startsWith(QLatin1String("Stopped looking for linked pages. 1 linked page added")));
    QCOMPARE(f.RowTexts(), (QStringList{server.Url("/docs/index.html"), server.Url("/docs/a.html")}));
    QCOMPARE(f.Child<QAction>("actAddLinkedPages")->text(), QStringLiteral("Add &linked pages..."));
    server.Release("/docs/b.html");
}

// A run started while the walk goes on converts the queue as it was; the pages go in once it ends.
void TestFollowLinks::PagesWaitForARunToEnd() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    RouteServer server;
    server.routes = {
        {"/robots.txt", {"404 Not Found", "text/plain", ""}},
        {"/docs/index.html", {"200 OK", "text/html", "<a href=a.html>a</a>"}},
        {"/docs/a.html", {"200 OK", "text/html", "a"}},
    };
    server.held = {"/docs/a.html"};
    QVERIFY(server.Listen());
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1"));
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.AddUrls({"http://site.test/hang", server.Url("/docs/index.html")}));
    f.ClickCell(1, 0);
    f.dialogs.onModal = [](QDialog&) { return true; };
    QVERIFY(f.Trigger("actAddLinkedPages"));
    QTRY_COMPARE_WITH_TIMEOUT(server.HeldNow(), 1, 30000);

    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.ConverterCalls().size(), 1, kRunTimeoutMs); // the converter hangs now
    server.Release("/docs/a.html");
    QTRY_COMPARE_WITH_TIMEOUT(f.Child<QAction>("actAddLinkedPages")->text(),
                              QStringLiteral("Add &linked pages..."), 30000);
    QVERIFY(!f.Child<QAction>("actAddLinkedPages")->isEnabled());
    QCOMPARE(f.Queue().RowCount(), 2);

    QVERIFY(f.Click("RzBitBtn1")); // Stop
    QCOMPARE(f.Window().RunStatus(), rsStop);
    QCOMPARE(f.RowTexts(), (QStringList{"http://site.test/hang", server.Url("/docs/index.html"),
                                        server.Url("/docs/a.html")}));
    QCOMPARE(f.State(2), RowState::Waiting);
}

QTEST_MAIN(TestFollowLinks)
#include "test_follow_links.moc"
