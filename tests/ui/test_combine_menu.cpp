// Convert › "Combine into one PDF", the combined file's name, "Keep the separate PDFs" and "Name PDFs by".
#include "CombinedPdfOpener.h"
#include "MainFormFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

class TestCombineMenu : public QObject {
    Q_OBJECT
private slots:
    void offInitiallyAndByAddress();
    void nameAskedOnceWhenTurnedOn_data();
    void nameAskedOnceWhenTurnedOn();
    void nameThatCannotBeAFileNameIsTold_data();
    void nameThatCannotBeAFileNameIsTold();
    void nameOfferedIsTheSiteTheTitlesShare();
    void combinedPdfOpensFromTheEndMessageAndTheFileMenu();
    void cancellingTheNameLeavesCombiningOff();
    void namingByTitleIsRememberedAndUsed();
    void runInTheWindowCombines();
};

void TestCombineMenu::offInitiallyAndByAddress() {
    MainFormFixture f;
    f.Open();
    QVERIFY(!f.Child<QAction>("actCombine")->isChecked());
    QVERIFY(f.Child<QAction>("actKeepSeparate")->isChecked());
    QVERIFY(!f.Child<QAction>("actKeepSeparate")->isEnabled());
    QVERIFY(!f.Child<QAction>("actContentsPage")->isChecked());
    QVERIFY(!f.Child<QAction>("actContentsPage")->isEnabled());
    QVERIFY(f.Child<QAction>("actNameByAddress")->isChecked());
    QCOMPARE(f.Window().Command().Combine(), CombineChoice());
    QCOMPARE(f.Window().Command().Runner().NamedBy(), NameBy::Address);
}

void TestCombineMenu::nameAskedOnceWhenTurnedOn_data() {
    QTest::addColumn<QString>("firstTitle"); // the first row's page title, as a run read it
    QTest::addColumn<QString>("firstPdf");   // the first row's PDF, named in the target folder
    QTest::addColumn<QString>("suggested");
    QTest::newRow("nothing converted yet") << ""
                                           << ""
                                           << "Combined.pdf";
    QTest::newRow("the first row's title") << "Guide: Intro/Start"
                                           << "site-test-a.pdf"
                                           << "Guide: Intro-Start.pdf";
    // The combined file would be refused that name.
    QTest::newRow("not the first row's PDF's name") << "Guide"
                                                    << "Guide.pdf"
                                                    << "Combined.pdf";
}

void TestCombineMenu::nameAskedOnceWhenTurnedOn() {
    QFETCH(QString, firstTitle);
    QFETCH(QString, firstPdf);
    QFETCH(QString, suggested);
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    f.Queue().SetPageTitle(0, firstTitle);
    if (!firstPdf.isEmpty())
        f.Queue().SetOutputPath(0, QDir(f.OutputFolder()).filePath(firstPdf));
    f.dialogs.nextText = QStringLiteral("The Guide");
    QVERIFY(f.Trigger("actCombine"));
    QCOMPARE(f.dialogs.textSuggestions, QStringList{suggested});
    const CombineChoice chosen{true, QStringLiteral("The Guide"), true};
    // The name given is the combined file's title too.
    QCOMPARE(f.Window().Command().Combine(),
             (CombineChoice{true, QStringLiteral("The Guide"), true, QStringLiteral("The Guide")}));
    QCOMPARE(f.Store().Combine(), chosen);
    QVERIFY(f.Child<QAction>("actKeepSeparate")->isEnabled());
    QVERIFY(f.Child<QAction>("actCombinedName")->text().contains(QStringLiteral("The Guide")));

    // Off and on again: the name stands, not asked again.
    QVERIFY(f.Trigger("actCombine"));
    QVERIFY(f.Trigger("actCombine"));
    QCOMPARE(f.dialogs.textSuggestions.size(), 1);
    QVERIFY(f.Trigger("actKeepSeparate"));
    QVERIFY(f.Child<QAction>("actContentsPage")->isEnabled());
    QVERIFY(f.Trigger("actContentsPage"));
    QCOMPARE(f.Store().Combine(), (CombineChoice{true, QStringLiteral("The Guide"), false, QString(), true}));

    f.Open(); // a restart
    QVERIFY(f.Child<QAction>("actCombine")->isChecked());
    QVERIFY(!f.Child<QAction>("actKeepSeparate")->isChecked());
    QVERIFY(f.Child<QAction>("actContentsPage")->isChecked());
    QCOMPARE(f.Window().Command().Combine(),
             (CombineChoice{true, QStringLiteral("The Guide"), false, QStringLiteral("The Guide"), true}));
    // Asked again only through its own item, which offers the name there is.
    f.dialogs.nextText = QStringLiteral("Other.pdf");
    QVERIFY(f.Trigger("actCombinedName"));
    QCOMPARE(f.dialogs.textSuggestions.last(), QStringLiteral("The Guide"));
    QCOMPARE(f.Store().Combine().name, QStringLiteral("Other.pdf"));
}

void TestCombineMenu::nameThatCannotBeAFileNameIsTold_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("became"); // empty: nothing told
    QTest::newRow("a folder in it") << "sub/dir:name?.pdf"
                                    << "sub-dir:name?.pdf";
    QTest::newRow("hidden") << ".notes"
                            << "notes.pdf";
    QTest::newRow("without .pdf") << "The Guide"
                                  << "";
    QTest::newRow("as it is") << "The Guide.PDF"
                              << "";
}

// The name stays as typed (it is the book's title too); the file's name is told when it differs.
void TestCombineMenu::nameThatCannotBeAFileNameIsTold() {
    QFETCH(QString, typed);
    QFETCH(QString, became);
    MainFormFixture f;
    f.Open();
    f.dialogs.nextText = typed;
    QVERIFY(f.Trigger("actCombine"));
    QCOMPARE(f.Store().Combine().name, typed);
    if (became.isEmpty()) {
        QCOMPARE(f.dialogs.messages, QStringList());
    } else {
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY2(f.dialogs.messages[0].startsWith(
                     QStringLiteral("The combined PDF will be named \"%1\"").arg(became)),
                 qPrintable(f.dialogs.messages[0]));
    }
}

void TestCombineMenu::nameOfferedIsTheSiteTheTitlesShare() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://site.test/a", "http://site.test/b"}));
    f.Queue().SetPageTitle(0, QStringLiteral("Intro - The Guide"));
    f.Queue().SetPageTitle(1, QStringLiteral("Usage - The Guide"));
    f.dialogs.nextText = QStringLiteral("The Guide.pdf");
    QVERIFY(f.Trigger("actCombine"));
    QCOMPARE(f.dialogs.textSuggestions, QStringList{QStringLiteral("The Guide.pdf")});
    QCOMPARE(f.Window().Command().Combine().title, QStringLiteral("The Guide"));
}

void TestCombineMenu::cancellingTheNameLeavesCombiningOff() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.Trigger("actCombine")); // no answer scripted: cancelled
    QCOMPARE(f.dialogs.textSuggestions.size(), 1);
    QVERIFY(!f.Child<QAction>("actCombine")->isChecked());
    QVERIFY(!f.Window().Command().Combine().enabled);
    QVERIFY(!f.Store().Combine().enabled);
}

void TestCombineMenu::namingByTitleIsRememberedAndUsed() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.Trigger("actNameByTitle"));
    QCOMPARE(f.Window().Command().Runner().NamedBy(), NameBy::Title);
    QCOMPARE(f.Store().NamePdfsBy(), NameBy::Title);
    f.Open();
    QVERIFY(f.Child<QAction>("actNameByTitle")->isChecked());
    QCOMPARE(f.Window().Command().Runner().NamedBy(), NameBy::Title);
}

// The status bar names the combined file; the choices wait while a run goes on.
void TestCombineMenu::runInTheWindowCombines() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    TfrmMain& window = f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    f.dialogs.nextText = QStringLiteral("Book");
    QVERIFY(f.Trigger("actCombine"));
    QVERIFY(f.AddUrls({"http://site.test/a", "http://site.test/b-fail", "http://site.test/c-slow"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QVERIFY(!f.Child<QAction>("actCombine")->isEnabled());
    QVERIFY(!f.Child<QMenu>("mnuNameBy")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(window.RunStatus(), rsStop, kRunTimeoutMs);

    const QString book = QDir::toNativeSeparators(QDir(f.OutputFolder()).filePath("Book.pdf"));
    QVERIFY(QFileInfo::exists(book));
    QVERIFY2(
        f.Child<QLabel>("spRunSummary")
            ->text()
            .endsWith(QStringLiteral("Combined into one PDF: %1; 1 row that did not convert is left out.")
                          .arg(book)),
        qPrintable(f.Child<QLabel>("spRunSummary")->text()));
    QVERIFY(f.Child<QAction>("actCombine")->isEnabled());
    QVERIFY(f.dialogs.messages.isEmpty());
}

// With the separate PDFs removed, the end message counts rows, offers to open the book, and the File
// menu opens it for as long as it exists.
void TestCombineMenu::combinedPdfOpensFromTheEndMessageAndTheFileMenu() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    TfrmMain& window = f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kShowMessage);
    f.dialogs.nextText = QStringLiteral("Book");
    QVERIFY(f.Trigger("actCombine"));
    QVERIFY(f.Trigger("actKeepSeparate")); // off
    QVERIFY(!f.Child<QAction>("actOpenCombined")->isEnabled());
    QVERIFY(f.AddUrls({"http://site.test/a", "http://site.test/b-fail"}));
    f.dialogs.takeOffer = true;
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(window.RunStatus(), rsStop, kRunTimeoutMs);

    const QString book = QDir::toNativeSeparators(QDir(f.OutputFolder()).filePath("Book.pdf"));
    QCOMPARE(f.dialogs.offers.size(), 1);
    QCOMPARE(f.dialogs.warnings.size(), 1); // a row failed
    QVERIFY2(
        f.dialogs.offers.at(0).startsWith(QStringLiteral("Conversion finished: 1 row converted, 1 failed. "
                                                         "Their PDFs were combined into one")) &&
            f.dialogs.offers.at(0).endsWith(QStringLiteral("[%1]").arg(kOpenCombinedCaption)),
        qPrintable(f.dialogs.offers.at(0)));
    QTRY_COMPARE(f.dialogs.openedFiles, QStringList{book});

    QVERIFY(f.Child<QAction>("actOpenCombined")->isEnabled());
    QVERIFY(f.Trigger("actOpenCombined"));
    QTRY_COMPARE(f.dialogs.openedFiles, (QStringList{book, book}));
    QVERIFY(QFile::remove(book));
    emit f.Child<QMenu>("mnuFile")->aboutToShow();
    QVERIFY(!f.Child<QAction>("actOpenCombined")->isEnabled());
}

QTEST_MAIN(TestCombineMenu)
#include "test_combine_menu.moc"
