// The main window as a user meets it: layout, commands, enabling, the grid's part in them, the dialogs it
// opens and the settings it loads and saves.
#include "MainFormFixture.h"

#include "AddURLUnit.h"
#include "QueueGrid.h"
#include "ShellRoutines.h"
#include "aboutForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace velmora;
using namespace velmora::test;

namespace {

QStringList Panes(int urls, int files) {
    return {QStringLiteral("URL Count: %1").arg(urls), QStringLiteral("Files Count: %1").arg(files),
            QStringLiteral("URL/Files Count: %1").arg(urls + files)};
}

const QStringList kEmptyPanes = Panes(0, 0);

void WriteSettings(const QString& path, const QByteArray& contents) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void windowIsFixedCentredAndFocusesTheGrid();
    void controlsSitWhereLaidOut_data();
    void controlsSitWhereLaidOut();
    void labelsEndBeforeTheirControls();
    void menusOfferTheCommands();
    void toolbarButtonsNeverTakeTheFocus();
    void keysReachTheMenuItems_data();
    void keysReachTheMenuItems();
    void altCOpensTheConvertMenu();
    void freshStartShowsZeroCounters();

    void deleteButtonWorksWithNothingSelected();
    void deleteCommandsFollowTheSelection();
    void ctrlAThenDeleteButtonEmptiesTheQueue();
    void rightClickSelectsTheRowThenQueueMenuDeletesIt();
    void recountingCommandsPickUpATypeEdit_data();
    void recountingCommandsPickUpATypeEdit();
    void headerClickSortsAndLaterRowsGoToTheEnd();

    void addUrlsReusesOneDialogThatKeepsItsText();
    void addFilesPassesTheFilterAndSkipsDuplicates();
    void addFilesOpensWhereItWasLastUsed();
    void aboutIsANewDialogEachTime();
    void linksGoToTheShell_data();
    void linksGoToTheShell();
    void productsMenuOpensEachProductPage();
    void folderChooserSetsTheTargetFolder_data();
    void folderChooserSetsTheTargetFolder();
    void targetFolderToolTipShowsTheAbsoluteFolder_data();
    void targetFolderToolTipShowsTheAbsoluteFolder();

    void settingsSurviveARestart();
    void settingsLoadErrorIsReportedAndTheWindowWorks_data();
    void settingsLoadErrorIsReportedAndTheWindowWorks();
    void failedSaveKeepsTheWindowOpenUntilASaveSucceeds_data();
    void failedSaveKeepsTheWindowOpenUntilASaveSucceeds();
    void errorReportText_data();
    void errorReportText();
};

// The "&Convert" menu and the "&Convert Now" button both underline C; the key belongs to the menu.
void TestMainForm::altCOpensTheConvertMenu() {
    MainFormFixture f;
    f.Open();
    auto* menu = f.Child<QMenu>("Convert");
    QTest::keyClick(&f.Window(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), menu);
    QVERIFY(f.Child<QPushButton>("RzBitBtn1")->text().contains(QStringLiteral("&C")));
    menu->close();
}

void TestMainForm::windowIsFixedCentredAndFocusesTheGrid() {
    MainFormFixture f;
    TfrmMain& window = f.Open();
    QCOMPARE(window.windowTitle(), QStringLiteral("Velmora Free HTML to PDF Converter"));
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(window.centralWidget()->size(), QSize(733, 580));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    const QSize before = window.size();
    window.resize(before + QSize(200, 100));
    QCOMPARE(window.size(), before);
    window.showMaximized();
    QCOMPARE(window.size(), before);

    const QPoint screenCentre = window.screen()->availableGeometry().center();
    QVERIFY((window.geometry().center() - screenCentre).manhattanLength() <= 2);
    QCOMPARE(QApplication::focusWidget(), &f.Grid());
    QVERIFY(f.Child<QProgressBar>("ProgressBar")->isHidden());
    QVERIFY(!f.Child<QProgressBar>("ProgressBar")->isTextVisible());
}

void TestMainForm::controlsSitWhereLaidOut_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // in its parent: the client area, toolbar or status bar
    QTest::newRow("toolbar") << "pelToolbar" << QRect(0, 0, 733, 65);
    QTest::newRow("Add URL") << "AdvGlowButton2" << QRect(3, 10, 113, 50);
    QTest::newRow("Add Files") << "AdvGlowButton3" << QRect(130, 10, 113, 50);
    QTest::newRow("Delete") << "AdvGlowButton1" << QRect(258, 10, 113, 50);
    QTest::newRow("Website") << "AdvGlowButton5" << QRect(386, 10, 113, 50);
    QTest::newRow("About") << "AdvGlowButton4" << QRect(514, 10, 113, 50);
    QTest::newRow("grid") << "gvConvert" << QRect(6, 80, 720, 397);
    QTest::newRow("folder edit") << "edtoutFolder" << QRect(180, 494, 361, 21);
    QTest::newRow("action box") << "completeaction" << QRect(180, 523, 361, 21);
    QTest::newRow("Convert") << "RzBitBtn1" << QRect(570, 492, 157, 56);
    QTest::newRow("progress") << "ProgressBar" << QRect(0, 548, 733, 13);
    QTest::newRow("status bar") << "RzStatusBar1" << QRect(0, 561, 733, 19);
    QTest::newRow("URL pane") << "spListcount" << QRect(0, 0, 244, 19);
    QTest::newRow("files pane") << "spTotalConvert" << QRect(244, 0, 244, 19);
    QTest::newRow("total pane") << "spQuality" << QRect(488, 0, 245, 19);
}

void TestMainForm::controlsSitWhereLaidOut() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    MainFormFixture f;
    f.Open();
    QCOMPARE(f.Child<QWidget>(qPrintable(name))->geometry(), geometry);
}

// Whatever font stands in for Tahoma, a caption must not run under the control beside it.
void TestMainForm::labelsEndBeforeTheirControls() {
    MainFormFixture f;
    f.Open();
    const QList<QPair<const char*, QString>> labels = {{"lbl1", "Target PDF folder:"},
                                                       {"RzLabel1", "When conversion is completed:"}};
    for (const auto& [name, caption] : labels) {
        auto* label = f.Child<QLabel>(name);
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->x(), 12);
        QVERIFY(label->fontMetrics().horizontalAdvance(caption) < 180 - 12);
        QVERIFY(label->geometry().right() < f.Child<QLineEdit>("edtoutFolder")->x());
    }
}

void TestMainForm::menusOfferTheCommands() {
    MainFormFixture f;
    TfrmMain& window = f.Open();
    QStringList titles;
    for (QAction* menu : window.menuBar()->actions())
        titles << menu->text();
    QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Convert", "&Products", "&Online", "&Help"}));

    const QList<QPair<const char*, QString>> items = {
        {"addVideoFiles1", "Add URL"},
        {"mnuEdit", "Add Files"},
        {"SetOutputFolder1", "Delete Selected"},
        {"OpenOutputFolder1", "Delete unselected"},
        {"DeleteAll1", "Delete All"},
        {"Close1", "Close"},
        {"Exit1", "&Convert Now"},
        {"ConvertwebsitetoPDFonline1", "Convert website to PDF online"},
        {"ConvertHTMLtoPDFonline1", "Convert HTML to PDF online"},
        {"Order1", "Website..."},
        {"About1", "About..."},
        {"Selectall1", "Delete Selected"},
        {"Selectnone1", "Delete unselected"},
        {"Invertselect1", "Delete All"},
    };
    for (const auto& [name, caption] : items)
        QCOMPARE(f.Child<QAction>(name)->text(), caption);
    for (const char* separator : {"N3", "N6", "N2"})
        QVERIFY(f.Child<QAction>(separator)->isSeparator());

    // The Convert button is bound to the command but is not the window's default button.
    auto* convert = f.Child<QPushButton>("RzBitBtn1");
    QCOMPARE(convert->text(), kConvertCaption);
    QVERIFY(!convert->isDefault() && !convert->autoDefault());
    QVERIFY(convert->font().bold());
    QCOMPARE(f.Child<QComboBox>("completeaction")->isEditable(), false);
    QCOMPARE(f.Child<QComboBox>("completeaction")->count(), 3);
}

void TestMainForm::toolbarButtonsNeverTakeTheFocus() {
    MainFormFixture f;
    f.Open();
    f.Child<QLineEdit>("edtoutFolder")->setFocus();
    for (const char* name : {"AdvGlowButton2", "AdvGlowButton3", "AdvGlowButton1", "AdvGlowButton5"}) {
        QVERIFY(f.Click(name));
        QCOMPARE(QApplication::focusWidget(), f.Child<QLineEdit>("edtoutFolder"));
    }
}

void TestMainForm::keysReachTheMenuItems_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<bool>("needsRow");
    QTest::newRow("Add URL") << "addVideoFiles1" << QKeySequence(Qt::CTRL | Qt::Key_U) << false;
    QTest::newRow("Add Files") << "mnuEdit" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O) << false;
    QTest::newRow("Open queue") << "actOpenQueue" << QKeySequence(QKeySequence::Open) << false;
    QTest::newRow("Save queue") << "actSaveQueue" << QKeySequence(QKeySequence::Save) << true;
    QTest::newRow("Convert Now") << "Exit1" << kConvertKey << false; // an empty queue: only a message
    if (!QKeySequence(QKeySequence::Quit).isEmpty())                 // Windows leaves quitting to Alt+F4
        QTest::newRow("Close") << "Close1" << QKeySequence(QKeySequence::Quit) << false;
}

// Each key is shown beside its menu item and reaches it from the grid, though the toolbar's buttons
// hold the same commands.
void TestMainForm::keysReachTheMenuItems() {
    QFETCH(QString, item);
    QFETCH(QKeySequence, key);
    QFETCH(bool, needsRow);
    MainFormFixture f;
    f.Open();
    if (needsRow)
        QVERIFY(f.AddUrls({"http://a.test/"}));
    auto* action = f.Child<QAction>(qPrintable(item));
    QCOMPARE(action->shortcut(), key);
    QSignalSpy triggered(action, &QAction::triggered);
    f.Grid().setFocus();
    QTest::keySequence(&f.Grid(), key);
    QCOMPARE(triggered.count(), 1);
}

void TestMainForm::freshStartShowsZeroCounters() {
    MainFormFixture f;
    f.Open();
    QCOMPARE(f.PaneTexts(), kEmptyPanes);
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->text(), DefaultTargetFolder());
    QCOMPARE(f.Child<QComboBox>("completeaction")->currentText(), kOpenTargetFolder);
    QCOMPARE(f.Child<QAction>("ActConvert")->text(), kConvertCaption);
}

void TestMainForm::deleteButtonWorksWithNothingSelected() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://a.test/", "http://b.test/"}));
    QVERIFY(f.AddFiles(f.MakeFiles({"c.html"})));
    const QStringList panes = f.PaneTexts();
    QCOMPARE(panes, Panes(2, 1));
    QVERIFY(!f.Child<QAction>("SetOutputFolder1")->isEnabled());
    QVERIFY(!f.Child<QAction>("Selectall1")->isEnabled());

    QVERIFY(f.Click("AdvGlowButton1"));
    QCOMPARE(f.Queue().RowCount(), 3);
    QCOMPARE(f.PaneTexts(), panes);
}

void TestMainForm::deleteCommandsFollowTheSelection() {
    MainFormFixture f;
    f.Open();
    const auto enabled = [&f](const char* command, const char* fileItem, const char* queueItem) {
        const bool state = f.Child<QAction>(command)->isEnabled();
        if (f.Child<QAction>(fileItem)->isEnabled() != state ||
            f.Child<QAction>(queueItem)->isEnabled() != state)
            qWarning("Menu items of %s do not follow it", command);
        return state;
    };
    const auto states = [&] {
        return QList<bool>{enabled("actDelSelected", "SetOutputFolder1", "Selectall1"),
                           enabled("actDelunselected", "OpenOutputFolder1", "Selectnone1"),
                           enabled("actDelall", "DeleteAll1", "Invertselect1")};
    };
    QCOMPARE(states(), QList<bool>({false, false, false}));

    QVERIFY(f.AddUrls({"http://a.test/", "http://b.test/", "http://c.test/"}));
    QCOMPARE(states(), QList<bool>({false, true, true}));

    f.ClickCell(1, ConversionQueue::SourceColumn);
    QCOMPARE(f.SelectedRows(), QList<int>({1}));
    QCOMPARE(states(), QList<bool>({true, true, true}));

    QTest::keyClick(&f.Grid(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(states(), QList<bool>({true, false, true}));

    // Delete unselected from the File menu after a single selection keeps just that row.
    f.ClickCell(2, ConversionQueue::SourceColumn);
    QVERIFY(f.Trigger("OpenOutputFolder1"));
    QCOMPARE(f.RowTexts(), QStringList({"http://c.test/"}));
    QCOMPARE(f.PaneTexts(), Panes(1, 0));

    QVERIFY(f.Trigger("DeleteAll1"));
    QCOMPARE(f.Queue().RowCount(), 0);
    QCOMPARE(states(), QList<bool>({false, false, false}));
    QCOMPARE(f.PaneTexts(), kEmptyPanes);
}

void TestMainForm::ctrlAThenDeleteButtonEmptiesTheQueue() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddFiles(f.MakeFiles({"a.html", "b.txt", "c.xml"})));
    f.Grid().setFocus();
    QTest::keyClick(&f.Grid(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.SelectedRows(), QList<int>({0, 1, 2}));
    QVERIFY(f.Click("AdvGlowButton1"));
    QCOMPARE(f.Queue().RowCount(), 0);
    QCOMPARE(f.PaneTexts(), kEmptyPanes);
}

void TestMainForm::rightClickSelectsTheRowThenQueueMenuDeletesIt() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://r0.test/", "http://r1.test/", "http://r2.test/", "http://r3.test/"}));
    for (int row : {0, 1, 2})
        f.ClickCell(row, ConversionQueue::SourceColumn, Qt::ControlModifier);
    QCOMPARE(f.SelectedRows(), QList<int>({0, 1, 2}));

    // The queue menu is answered from inside whatever loop shows it.
    auto* menu = f.Child<QMenu>("PopupMenu");
    auto* deleteSelected = f.Child<QAction>("Selectall1");
    bool shown = false;
    QTimer::singleShot(0, menu, [&] {
        shown = menu->isVisible();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(deleteSelected).center());
    });
    f.ClickCell(3, ConversionQueue::SourceColumn, {}, Qt::RightButton);
    QTRY_VERIFY(shown);
    QTRY_VERIFY(!menu->isVisible());
    QCOMPARE(f.RowTexts(), QStringList({"http://r0.test/", "http://r1.test/", "http://r2.test/"}));
    QCOMPARE(f.PaneTexts(), Panes(3, 0));
}

void TestMainForm::recountingCommandsPickUpATypeEdit_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Add URL cancelled") << "AdvGlowButton2";
    QTest::newRow("Add Files cancelled") << "AdvGlowButton3";
    QTest::newRow("Delete with nothing selected") << "AdvGlowButton1";
}

// A plain click on a "Type" cell edits it in place; the counters stay as they were until a command that
// recounts, even one that changes nothing.
void TestMainForm::recountingCommandsPickUpATypeEdit() {
    QFETCH(QString, command);
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://a.test/", "http://b.test/"}));
    f.ClickCell(0, ConversionQueue::SourceColumn);
    f.ClickCell(1, ConversionQueue::KindColumn);
    auto* editor =
        qobject_cast<QLineEdit*>(f.Grid().indexWidget(f.Queue().index(1, ConversionQueue::KindColumn)));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("URL"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("File"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.Queue().Kind(1), QStringLiteral("File"));
    QCOMPARE(f.PaneTexts(), Panes(2, 0));

    f.dialogs.onModal = nullptr;
    f.dialogs.nextFiles.reset();
    f.Grid().clearSelection();
    QVERIFY(f.SelectedRows().isEmpty());
    QVERIFY(f.Click(qPrintable(command)));
    QCOMPARE(f.Queue().RowCount(), 2);
    QCOMPARE(f.PaneTexts(), Panes(1, 1));
}

void TestMainForm::headerClickSortsAndLaterRowsGoToTheEnd() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"http://a.test/", "HTTP://B.TEST/", "http://c.test/"}));
    const QStringList panes = f.PaneTexts();

    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.RowTexts(), QStringList({"HTTP://B.TEST/", "http://a.test/", "http://c.test/"}));
    f.ClickHeader(ConversionQueue::SourceColumn);
    QCOMPARE(f.RowTexts(), QStringList({"http://c.test/", "http://a.test/", "HTTP://B.TEST/"}));
    QCOMPARE(f.PaneTexts(), panes);

    QVERIFY(f.AddUrls({"http://0.test/"}));
    QVERIFY(f.AddFiles(f.MakeFiles({"0.html"})));
    QCOMPARE(f.RowTexts().mid(0, 4),
             QStringList({"http://c.test/", "http://a.test/", "HTTP://B.TEST/", "http://0.test/"}));
    QCOMPARE(f.Queue().Kind(4), QStringLiteral("File"));
}

void TestMainForm::addUrlsReusesOneDialogThatKeepsItsText() {
    MainFormFixture f;
    f.Open();
    QList<QPointer<QDialog>> shown;
    QStringList textsOnEntry;
    const auto record = [&](QDialog& dialog) {
        shown << &dialog;
        textsOnEntry << qobject_cast<TAddURLForm*>(&dialog)->urlmemo()->toPlainText();
    };

    // Cancelled with text typed: nothing is added, the counters are recomputed.
    f.dialogs.onModal = [&](QDialog& dialog) {
        record(dialog);
        QPlainTextEdit* memo = qobject_cast<TAddURLForm*>(&dialog)->urlmemo();
        QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(memo, QStringLiteral("http://kept.test/"));
        return false;
    };
    QVERIFY(f.Trigger("addVideoFiles1"));
    QCOMPARE(f.Queue().RowCount(), 0);
    QCOMPARE(f.PaneTexts(), kEmptyPanes);

    f.dialogs.onModal = [&](QDialog& dialog) {
        record(dialog);
        return true;
    };
    QVERIFY(f.Click("AdvGlowButton2"));
    QCOMPARE(f.RowTexts(), QStringList({"http://kept.test/"}));

    QCOMPARE(shown.size(), 2);
    QVERIFY(shown[0] && shown[0] == shown[1]);
    QCOMPARE(textsOnEntry[0], QStringLiteral("https://"));
    QCOMPARE(textsOnEntry[1], QStringLiteral("http://kept.test/"));
}

void TestMainForm::addFilesPassesTheFilterAndSkipsDuplicates() {
    MainFormFixture f;
    f.Open();
    const QStringList files = f.MakeFiles({"b.html", "a.htm", "c.xhtml"});
    QVERIFY(f.AddFiles(files));
    QVERIFY(f.AddFiles({files[1], files[1] + QStringLiteral("x")}));
    QVERIFY(f.Trigger("mnuEdit")); // cancelled
    QCOMPARE(
        f.dialogs.openFileFilters,
        QStringList(3, QStringLiteral("All Supported Files(*.htm,*.html,*.xhtml,*.txt,*.xml)|*.htm;*.html;"
                                      "*.xhtml;*.txt;*.xml|HTML Documents(*.htm,*.html,*.xhtml)|*.htm;"
                                      "*.html;*.xhtml|Text Files(*.txt)|*.txt|XML Files(*.xml)|*.xml|All "
                                      "files(*.*)|*.*")));
    QCOMPARE(f.RowTexts(), files + QStringList{files[1] + QStringLiteral("x")});
    QCOMPARE(f.PaneTexts(), Panes(0, 4));
}

void TestMainForm::addFilesOpensWhereItWasLastUsed() {
    MainFormFixture f;
    f.Open();
    const QStringList files = f.MakeFiles({"a.html"});
    const QString folder = QFileInfo(files[0]).absolutePath();
    QVERIFY(f.Trigger("mnuEdit")); // cancelled: remembers nothing
    QVERIFY(f.AddFiles(files));
    QVERIFY(f.Trigger("mnuEdit"));
    f.Open(); // a restart
    QVERIFY(f.Trigger("mnuEdit"));
    QCOMPARE(f.dialogs.openFileStarts, (QStringList{QString(), QString(), folder, folder}));
}

void TestMainForm::aboutIsANewDialogEachTime() {
    MainFormFixture f;
    f.Open();
    QList<QPointer<QDialog>> shown;
    f.dialogs.onModal = [&shown](QDialog& dialog) {
        if (qobject_cast<TfrmAbout*>(&dialog))
            shown << &dialog;
        return true;
    };
    QVERIFY(f.Click("AdvGlowButton4"));
    QVERIFY(f.Trigger("About1"));
    QCOMPARE(shown.size(), 2);
    // Each was destroyed once closed, so the second cannot be the first one shown again.
    QVERIFY(!shown[0] && !shown[1]);
}

void TestMainForm::linksGoToTheShell_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("address");
    QTest::newRow("toolbar Website") << "AdvGlowButton5" << kHomePageAddress;
    QTest::newRow("Help Website") << "Order1" << kHomePageAddress;
    QTest::newRow("website online") << "ConvertwebsitetoPDFonline1" << kWebsiteToPdfOnlineAddress;
    QTest::newRow("HTML online") << "ConvertHTMLtoPDFonline1" << kHtmlToPdfOnlineAddress;
}

void TestMainForm::linksGoToTheShell() {
    QFETCH(QString, control);
    QFETCH(QString, address);
    MainFormFixture f;
    f.Open();
    f.dialogs.openUrlResult = false; // a failure is dropped without a message
    QVERIFY(control.startsWith(QLatin1String("AdvGlow")) ? f.Click(qPrintable(control))
                                                         : f.Trigger(qPrintable(control)));
    QCOMPARE(f.dialogs.openedUrls, QList<QUrl>({QUrl(address)}));
    QVERIFY(f.dialogs.messages.isEmpty() && f.dialogs.errors.isEmpty());
}

void TestMainForm::productsMenuOpensEachProductPage() {
    MainFormFixture f;
    f.Open();
    QList<QUrl> expected;
    for (const ProductLink& product : OtherProducts())
        expected << QUrl(product.address);
    QVERIFY(!expected.isEmpty());
    for (QAction* item : f.Child<QMenu>("mnuProducts")->actions())
        item->trigger();
    QCOMPARE(f.dialogs.openedUrls, expected);
}

void TestMainForm::folderChooserSetsTheTargetFolder_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("F4 in the edit") << true;
    QTest::newRow("folder button") << false;
}

void TestMainForm::targetFolderToolTipShowsTheAbsoluteFolder_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    const QString current = QDir::currentPath();
    QTest::newRow("relative") << "pdfs/out"
                              << kTargetFolderToolTip.arg(QDir::toNativeSeparators(current + "/pdfs/out"));
    QTest::newRow("absolute") << QDir::rootPath() + "data"
                              << kTargetFolderToolTip.arg(
                                     QDir::toNativeSeparators(QDir::rootPath() + "data"));
    QTest::newRow("blanks only") << "   " << kNoTargetFolderToolTip;
#ifndef Q_OS_WIN
    QTest::newRow("home") << "~/pdfs" << kTargetFolderToolTip.arg(QDir::homePath() + "/pdfs");
#endif
}

void TestMainForm::targetFolderToolTipShowsTheAbsoluteFolder() {
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    MainFormFixture f;
    f.Open();
    f.TypeTargetFolder(text);
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->toolTip(), toolTip);
}

void TestMainForm::folderChooserSetsTheTargetFolder() {
    QFETCH(bool, byKey);
    MainFormFixture f;
    f.Open();
    auto* edit = f.Child<QLineEdit>("edtoutFolder");
    const auto choose = [&] {
        if (byKey) {
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_F4);
        } else {
            f.Child<QAction>("edtoutFolderButton")->trigger();
        }
    };
    f.TypeTargetFolder(QStringLiteral("typed"));

    f.dialogs.nextFolder.reset();
    choose();
    QCOMPARE(f.dialogs.folderStarts.size(), 1);
    QCOMPARE(edit->text(), QStringLiteral("typed"));

    f.dialogs.nextFolder = f.OutputFolder();
    choose();
    QCOMPARE(f.dialogs.folderStarts.size(), 2);
    QCOMPARE(edit->text(), QDir::toNativeSeparators(f.OutputFolder()));

    // F4 belongs to the edit: elsewhere it opens nothing.
    f.Grid().setFocus();
    QTest::keyClick(&f.Grid(), Qt::Key_F4);
    QCOMPARE(f.dialogs.folderStarts.size(), 2);
}

void TestMainForm::settingsSurviveARestart() {
    MainFormFixture f;
    f.Open();
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);
    QCOMPARE(f.Child<QComboBox>("completeaction")->currentText(), kDoNothing);
    QVERIFY(f.Trigger("Close1"));
    QVERIFY(!f.Window().isVisible());

    f.Open();
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->text(), f.OutputFolder());
    QCOMPARE(f.Child<QComboBox>("completeaction")->currentText(), kDoNothing);
    f.ChooseCompletionAction(kShowMessage);
    f.Window().close();

    f.Open();
    QCOMPARE(f.Child<QComboBox>("completeaction")->currentText(), kShowMessage);
    QVERIFY(f.dialogs.errors.isEmpty());
}

void TestMainForm::settingsLoadErrorIsReportedAndTheWindowWorks_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("folder");
    QTest::newRow("bad action") << QByteArray("[General]\nTargetFolder=loaded\ncompleteaction=a, b\n")
                                << "Invalid data type for 'completeaction'"
                                << "loaded";
    QTest::newRow("bad folder") << QByteArray("[General]\nTargetFolder=x, y\ncompleteaction=Do nothing\n")
                                << "Invalid data type for 'TargetFolder'" << DefaultTargetFolder();
}

// What was loaded before the error stays, the action keeps its default, and the panes stay empty until
// the first command that recounts.
void TestMainForm::settingsLoadErrorIsReportedAndTheWindowWorks() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, error);
    QFETCH(QString, folder);
    MainFormFixture f;
    WriteSettings(f.SettingsPath(), contents);
    f.Open();
    QCOMPARE(f.dialogs.errors, QStringList({error}));
    QCOMPARE(f.PaneTexts(), QStringList({"", "", ""}));
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->text(), folder);
    QCOMPARE(f.Child<QComboBox>("completeaction")->currentText(), kOpenTargetFolder);

    QVERIFY(f.AddUrls({"http://a.test/"}));
    QCOMPARE(f.PaneTexts(), Panes(1, 0));
}

void TestMainForm::failedSaveKeepsTheWindowOpenUntilASaveSucceeds_data() {
    QTest::addColumn<bool>("readOnly");
    // A folder in the settings path that is a file makes every write fail, whoever runs the test.
    QTest::newRow("settings folder is a file") << false;
    QTest::newRow("read-only file in a read-only folder") << true;
}

// The settings are not lost: the window stays open after the error, and each later close tries again.
void TestMainForm::failedSaveKeepsTheWindowOpenUntilASaveSucceeds() {
    QFETCH(bool, readOnly);
    MainFormFixture f;
    const QString folder = f.SettingsPath() + QStringLiteral(".d");
    const QString file = folder + QStringLiteral("/settings.ini");
    const QFile::Permissions writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (readOnly) {
        QVERIFY(QDir().mkpath(folder));
        WriteSettings(file, "");
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (QFile probe(folder + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QVERIFY(QFile::setPermissions(folder, writable));
            QSKIP("This user may write into read-only folders.");
        }
    } else {
        WriteSettings(folder, "not a folder");
    }
    f.Open(SettingsStore::AtIniFile(file));
    QVERIFY(f.dialogs.errors.isEmpty());
    f.TypeTargetFolder(f.OutputFolder());

    QVERIFY(!f.Window().close());
    QVERIFY(f.Window().isVisible());
    QCOMPARE(f.dialogs.errors, QStringList({"Failed to set data for 'TargetFolder'"}));
    QVERIFY(!f.Window().close());
    QCOMPARE(f.dialogs.errors.size(), 2);

    if (readOnly) {
        QVERIFY(QFile::setPermissions(folder, writable));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    } else {
        QVERIFY(QFile::remove(folder));
    }
    QVERIFY(f.Window().close());
    QVERIFY(!f.Window().isVisible());
    QCOMPARE(f.dialogs.errors.size(), 2);
    f.Open(SettingsStore::AtIniFile(file));
    QCOMPARE(f.Child<QLineEdit>("edtoutFolder")->text(), f.OutputFolder());
}

void TestMainForm::errorReportText_data() {
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Access denied"
                            << "Access denied.";
    QTest::newRow("quotation mark") << "Invalid data type for 'x'"
                                    << "Invalid data type for 'x'";
    QTest::newRow("full stop") << "Failed."
                               << "Failed.";
    QTest::newRow("slash, just past the full stop") << "C:/"
                                                    << "C:/.";
    QTest::newRow("hyphen, just before it") << "a -"
                                            << "a -";
    QTest::newRow("empty") << ""
                           << "";
}

void TestMainForm::errorReportText() {
    QFETCH(QString, error);
    QFETCH(QString, shown);
    QCOMPARE(ErrorReportText(error), shown);
}

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
