// Runs started from the main window, with the fake converter in the program's "bin" folder.
#include "MainFormFixture.h"

#include "QueueGrid.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace velmora;
using namespace velmora::test;

namespace {

RowState StateOf(const MainFormFixture& f, int row) {
    return RowState(f.RowData(row, ConversionQueue::RowStateRole).toInt());
}

QString ToolTipOf(const MainFormFixture& f, int row) {
    return f.RowData(row, Qt::ToolTipRole).toString();
}

// The captions of the command and of both controls bound to it.
QStringList ConvertCaptions(const MainFormFixture& f) {
    return {f.Child<QAction>("ActConvert")->text(), f.Child<QAction>("Exit1")->text(),
            f.Child<QPushButton>("RzBitBtn1")->text()};
}

} // namespace

class TestMainFormRun : public QObject {
    Q_OBJECT
private slots:
    void convertWithAnEmptyQueueOnlyTellsTheUser();
    void endToEnd_data();
    void endToEnd();
    void convertsInTheOrderShown();
    void stopEndsTheRunWithoutTheCompletionAction();
    void stopWhileTheConverterIsAskedForItsVersion();
    void keysStartAndStopARun();
    void duringARunOnlyStopSettingsAndLinksAreAvailable();
    void closeDuringARunStopsItAndSaves();
    void windowsDefaultFolderWithBackslashNames();
};

void TestMainFormRun::convertWithAnEmptyQueueOnlyTellsTheUser() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(f.dialogs.messages, QStringList({kEmptyQueueMessage}));
    QCOMPARE(f.Window().RunStatus(), rsNone);
    QCOMPARE(ConvertCaptions(f), QStringList(3, kConvertCaption));
    QVERIFY(f.ConverterCalls().isEmpty());
}

void TestMainFormRun::endToEnd_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("withFailure");
    QTest::addColumn<QList<int>>("message"); // converted, with warnings, failed; empty: none
    QTest::addColumn<bool>("explores");
    QTest::newRow("show message, one row fails") << kShowMessage << true << QList<int>{2, 1, 1} << false;
    QTest::newRow("show message, none fails") << kShowMessage << false << QList<int>{3, 1, 0} << false;
    QTest::newRow("open target folder") << kOpenTargetFolder << true << QList<int>{} << true;
    QTest::newRow("do nothing") << kDoNothing << true << QList<int>{} << false;
}

// Addresses through the Add URLs dialog and files through the open-file dialog, converted by the fake
// converter; each row's outcome, the counters, the completion action and what the converter was given.
void TestMainFormRun::endToEnd() {
    QFETCH(QString, action);
    QFETCH(bool, withFailure);
    QFETCH(QList<int>, message);
    QFETCH(bool, explores);
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1")); // the converter's log lists the rows in queue order
    const QString target = QDir::toNativeSeparators(f.OutputFolder() + QStringLiteral("/out put"));
    f.TypeTargetFolder(target);
    f.ChooseCompletionAction(action);

    const QString failing =
        withFailure ? QStringLiteral("https://site.test/fail") : QStringLiteral("https://site.test/other");
    QVERIFY(f.AddUrls({"  http://site.test/page  ", "not an address", failing, "http://site.test/page"}));
    const QStringList files = f.MakeFiles({"intro page.html", "notes-warn.txt"});
    QVERIFY(f.AddFiles(files + QStringList{files[0]}));
    QCOMPARE(f.RowTexts(), QStringList({"http://site.test/page", failing}) + files);
    QCOMPARE(f.PaneTexts(), QStringList({"URL Count: 2", "Files Count: 2", "URL/Files Count: 4"}));

    auto* progress = f.Child<QProgressBar>("ProgressBar");
    QSignalSpy progressValues(progress, &QProgressBar::valueChanged);
    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(f.Window().RunStatus(), rsStart);
    QVERIFY(progress->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);

    const QList<RowState> expected = {RowState::Converted,
                                      withFailure ? RowState::Failed : RowState::Converted,
                                      RowState::Converted, RowState::ConvertedWithWarnings};
    for (int row = 0; row < expected.size(); ++row)
        QCOMPARE(StateOf(f, row), expected[row]);
    if (withFailure)
        QVERIFY2(ToolTipOf(f, 1).contains(QLatin1String("could not be loaded")), qPrintable(ToolTipOf(f, 1)));
    QVERIFY2(ToolTipOf(f, 3).contains(QLatin1String("did not load")), qPrintable(ToolTipOf(f, 3)));

    QVERIFY(progress->isHidden());
    QCOMPARE(progressValues.last().first().toInt(), 100);
    QCOMPARE(ConvertCaptions(f), QStringList(3, kConvertCaption));
    QCOMPARE(f.PaneTexts(), QStringList({"URL Count: 2", "Files Count: 2", "URL/Files Count: 4"}));
    // With a failed row the message has a warning icon.
    const QStringList endMessage =
        message.isEmpty() ? QStringList()
                          : QStringList{EndOfRunMessage(message.at(0), message.at(1), message.at(2), target)};
    QCOMPARE(f.dialogs.messages, withFailure ? QStringList() : endMessage);
    QCOMPARE(f.dialogs.warnings, withFailure ? endMessage : QStringList());
    QCOMPARE(f.dialogs.exploredFolders, explores ? QStringList{target} : QStringList());

    // Local files may read their own folder, and their arguments come on the converter's standard
    // input; web pages get no access to local files. Each converter writes a temporary file in the
    // target folder, renamed to its PDF name when complete.
    const QList<QStringList> calls = f.ConverterCalls();
    QCOMPARE(calls.size(), 4);
    for (int row = 0; row < calls.size(); ++row) {
        const QStringList& args = calls[row];
        const bool isFile = row >= 2;
        QCOMPARE(args.mid(0, isFile ? 2 : 1),
                 QStringList(isFile ? QStringList{"--read-args-from-stdin"} : QStringList{}) +
                     QStringList{"--disable-local-file-access"});
        QCOMPARE(args.contains(QStringLiteral("--allow")), isFile);
        QCOMPARE(args[args.size() - 2], f.RowTexts()[row]);
        QCOMPARE(QFileInfo(args.last()).absolutePath(), QDir::fromNativeSeparators(target));
    }
    QCOMPARE(QDir(target).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(),
             expected.count(RowState::Converted) + expected.count(RowState::ConvertedWithWarnings));
    QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".velmora-")),
             QStringList());
}

void TestMainFormRun::convertsInTheOrderShown() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1")); // the converter's log lists the rows in queue order
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    const QStringList files = f.MakeFiles({"a.html", "B.html", "c.html"});
    QVERIFY(f.AddFiles(files));
    f.ClickHeader(ConversionQueue::SourceColumn);
    f.ClickHeader(ConversionQueue::SourceColumn);
    const QStringList shown = {files[2], files[0], files[1]};
    QCOMPARE(f.RowTexts(), shown);

    QVERIFY(f.Trigger("Exit1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QStringList converted;
    for (const QStringList& args : f.ConverterCalls())
        converted << args.value(args.size() - 2);
    QCOMPARE(converted, shown);
}

void TestMainFormRun::stopEndsTheRunWithoutTheCompletionAction() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce1")); // the second row waits for the first
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kShowMessage);
    QVERIFY(f.AddUrls({"http://site.test/hang", "http://site.test/next"}));

    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.ConverterCalls().size(), 1, kRunTimeoutMs); // the converter hangs now
    QCOMPARE(StateOf(f, 0), RowState::Converting);
    QCOMPARE(ConvertCaptions(f), QStringList(3, kStopCaption));
    QVERIFY(f.Child<QProgressBar>("ProgressBar")->isVisible());

    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(f.Window().RunStatus(), rsStop);
    QCOMPARE(ConvertCaptions(f), QStringList(3, kConvertCaption));
    QVERIFY(f.Child<QProgressBar>("ProgressBar")->isHidden());
    QCOMPARE(StateOf(f, 0), RowState::Failed);
    QCOMPARE(StateOf(f, 1), RowState::NotReached); // not the waiting clock: this run will not reach it
    QCOMPARE(f.ConverterCalls().size(), 1);
    QCoreApplication::processEvents(); // Stop waited for the converter's end; what it queued arrives now
    QVERIFY(f.dialogs.messages.isEmpty() && f.dialogs.exploredFolders.isEmpty());
    QCOMPARE(f.Window().RunStatus(), rsStop);
}

// A converter that never tells its version (asked at its first run): the window goes on meanwhile, and
// Stop ends the question at once, leaving the rows and the status bar as they were.
void TestMainFormRun::stopWhileTheConverterIsAskedForItsVersion() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    const QByteArray versionMode = qgetenv("VELMORA_FAKE_VERSION");
    qputenv("VELMORA_FAKE_VERSION", "hang");
    const auto restore = qScopeGuard([versionMode] { qputenv("VELMORA_FAKE_VERSION", versionMode); });
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kShowMessage);
    QVERIFY(f.AddUrls({"http://site.test/a"}));
    const QString title = f.Window().windowTitle();

    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(f.Window().RunStatus(), rsStart);
    QCOMPARE(ConvertCaptions(f), QStringList(3, kStopCaption));
    QTRY_COMPARE_WITH_TIMEOUT(f.ConverterCalls(), QList<QStringList>{{"--version"}}, kRunTimeoutMs);
    bool queuedCallCame = false;
    QTimer::singleShot(0, &f.Window(), [&queuedCallCame] { queuedCallCame = true; });
    QTRY_VERIFY(queuedCallCame);
    QCOMPARE(f.Window().RunStatus(), rsStart);

    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(f.Window().RunStatus(), rsStop);
    QCOMPARE(ConvertCaptions(f), QStringList(3, kConvertCaption));
    QCOMPARE(StateOf(f, 0), RowState::Waiting);
    QVERIFY(f.Child<QLabel>("spRunSummary")->isHidden());
    QCOMPARE(f.Window().windowTitle(), title);
    QVERIFY(f.dialogs.messages.isEmpty());
    QCOMPARE(f.ConverterCalls().size(), 1);
}

// F5 starts a run and a second F5 leaves it going; Escape stops it. The menu item shows the key that applies.
void TestMainFormRun::keysStartAndStopARun() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.AddUrls({"http://site.test/hang"}));
    auto* item = f.Child<QAction>("Exit1");
    QCOMPARE(item->shortcut(), kConvertKey);

    QTest::keySequence(&f.Window(), kConvertKey);
    QCOMPARE(f.Window().RunStatus(), rsStart);
    QTRY_COMPARE_WITH_TIMEOUT(StateOf(f, 0), RowState::Converting, kRunTimeoutMs);
    QCOMPARE(item->shortcut(), kStopKey);
    QTest::keySequence(&f.Window(), kConvertKey);
    QCOMPARE(f.Window().RunStatus(), rsStart);

    QTest::keySequence(&f.Window(), kStopKey);
    QCOMPARE(f.Window().RunStatus(), rsStop);
    QCOMPARE(item->shortcut(), kConvertKey);
}

// While a run is in progress nothing may change the queue, the target folder or start another run.
void TestMainFormRun::duringARunOnlyStopSettingsAndLinksAreAvailable() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QVERIFY(f.AddUrls({"http://site.test/b-hang", "http://site.test/a"}));
    f.ClickCell(0, ConversionQueue::SourceColumn);

    const QList<QPair<const char*, bool>> usable = {
        {"ActaddURL", false},
        {"actAddFiles", false},
        {"actDelSelected", false},
        {"actDelunselected", false},
        {"actDelall", false},
        {"addVideoFiles1", false},
        {"mnuEdit", false},
        {"SetOutputFolder1", false},
        {"OpenOutputFolder1", false},
        {"DeleteAll1", false},
        {"Selectall1", false},
        {"Selectnone1", false},
        {"Invertselect1", false},
        {"AdvGlowButton2", false},
        {"AdvGlowButton3", false},
        {"AdvGlowButton1", false},
        {"edtoutFolder", false},
        {"edtoutFolderButton", false},
        {"ActConvert", true},
        {"Exit1", true},
        {"RzBitBtn1", true},
        {"AdvGlowButton5", true},
        {"AdvGlowButton4", true},
        {"completeaction", true},
        {"Close1", true},
        {"Order1", true},
        {"About1", true},
        {"ConvertwebsitetoPDFonline1", true},
        {"ConvertHTMLtoPDFonline1", true},
    };
    const auto enabledOf = [&f](const char* name) {
        QObject* object = f.Child<QObject>(name);
        if (auto* action = qobject_cast<QAction*>(object))
            return action->isEnabled();
        return qobject_cast<QWidget*>(object)->isEnabled();
    };
    for (const auto& [name, _] : usable)
        QVERIFY2(enabledOf(name), name);

    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(StateOf(f, 0), RowState::Converting, kRunTimeoutMs);
    for (const auto& [name, duringRun] : usable)
        QVERIFY2(enabledOf(name) == duringRun, name);
    QVERIFY(f.Grid().IsLocked());
    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.RowTexts(), QStringList({"http://site.test/b-hang", "http://site.test/a"}));

    QVERIFY(f.Trigger("Exit1"));
    QCOMPARE(f.Window().RunStatus(), rsStop);
    for (const auto& [name, _] : usable)
        QVERIFY2(enabledOf(name), name);
    QVERIFY(!f.Grid().IsLocked());
}

void TestMainFormRun::closeDuringARunStopsItAndSaves() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kShowMessage);
    QVERIFY(f.AddUrls({"http://site.test/hang"}));
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(StateOf(f, 0), RowState::Converting, kRunTimeoutMs);

    QVERIFY(f.Trigger("Close1"));
    QVERIFY(!f.Window().isVisible());
    QCOMPARE(f.Window().RunStatus(), rsStop);
    QCOMPARE(StateOf(f, 0), RowState::Failed);
    QVERIFY(f.dialogs.messages.isEmpty() && f.dialogs.errors.isEmpty());

    f.Open();
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->text(), f.OutputFolder());
    QCOMPARE(f.Child<QComboBox>("completeaction")->currentText(), kShowMessage);
}

// A first start on Windows converts into C:\My PDF, with backslashes from the open-file dialog through
// the folder text to the converter's arguments.
void TestMainFormRun::windowsDefaultFolderWithBackslashNames() {
#ifndef Q_OS_WIN
    QSKIP("C:\\My PDF is the default target folder on Windows only");
#endif
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    const QString folder = QStringLiteral("C:\\My PDF");
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->text(), folder);
    f.ChooseCompletionAction(kDoNothing);
    const QString source =
        QDir::toNativeSeparators(f.MakeFiles({QStringLiteral("velmora default folder.html")}).first());
    QVERIFY(source.contains(u'\\'));
    QVERIFY(f.AddFiles({source}));
    const bool folderExisted = QFileInfo::exists(folder);

    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);

    const QString pdf = folder + QStringLiteral("\\velmora default folder-html.pdf");
    const QList<QStringList> calls = f.ConverterCalls();
    QCOMPARE(calls.size(), 1);
    // The converter writes a temporary file in the folder, renamed to the PDF's name when complete.
    QCOMPARE(calls.first().value(calls.first().size() - 2), source);
    const QString written = calls.first().last();
    QVERIFY2(written.startsWith(folder + QStringLiteral("\\.velmora-")), qPrintable(written));
    QCOMPARE(StateOf(f, 0), RowState::Converted);
    const qint64 size = QFileInfo(pdf).size();
    QFile::remove(pdf);
    if (!folderExisted)
        QDir().rmdir(folder);
    QVERIFY(size > 0);
}

QTEST_MAIN(TestMainFormRun)
#include "test_mainform_run.moc"
