// Convert > Page setup...: the dialog's values reach a run and survive a restart; its live preview and
// notes; driven offscreen through the scripted dialogs.
#include "MainFormFixture.h"
#include "PageLoadingPanel.h"
#include "PagePreview.h"
#include "PageSetupDialog.h"
#include "PdfTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace velmora;
using namespace velmora::test;

namespace {

template <typename T> T* Find(QDialog& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no control %s in the page setup dialog", name);
    return child;
}

} // namespace

Q_DECLARE_METATYPE(velmora::Paper)

class TestPageSetupDialog : public QObject {
    Q_OBJECT
private slots:
    void valuesReachARunAndSurviveARestart();
    void pageLoadingReachesARunAndSurvivesARestart();
    void cancelKeepsTheStoredSetup();
    void notesAndOkFollowTheValues();
    void unitsConvertTheLengths();
    void unitsSwitchedBackKeepWhatWasTyped();
    void paperSizeShownTurned_data();
    void paperSizeShownTurned();
    void dialogFitsASmallScreen();
};

void TestPageSetupDialog::valuesReachARunAndSurviveARestart() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    f.dialogs.onModal = [](QDialog& dialog) {
        Find<QComboBox>(dialog, "cmbPaper")->setCurrentIndex(1); // Letter
        Find<QRadioButton>(dialog, "rbLandscape")->click();
        Find<QCheckBox>(dialog, "chkEngineMargins")->click();
        Find<QDoubleSpinBox>(dialog, "spnMarginLeft")->setValue(25);
        Find<QSpinBox>(dialog, "spnScale")->setValue(80);
        Find<QCheckBox>(dialog, "chkBackgrounds")->click();
        Find<QPushButton>(dialog, "btnPageNumbers")->click();
        Find<QCheckBox>(dialog, "chkBookNumbering")->click(); // on by default
        // A bar would split the part where it is stored, so it is not taken.
        QTest::keyClicks(Find<QLineEdit>(dialog, "edtHeaderLeft"), QStringLiteral("Draft| {page}"));
        return true;
    };
    QVERIFY(f.Trigger("actPageSetup"));
    QCOMPARE(f.dialogs.modalCount, 1);

    const PageSetup stored = f.Store().Page();
    QCOMPARE(stored.paper, Paper::Letter);
    QCOMPARE(stored.orientation, Orientation::Landscape);
    QCOMPARE(stored.marginsMm, std::optional(QMarginsF(25, 10, 10, 10)));
    QCOMPARE(stored.scalePercent, 80);
    QCOMPARE(stored.backgrounds, false);
    QCOMPARE(stored.footer, (PageText{QString(), QString(), kPageNumberText}));
    QCOMPARE(stored.header.left, QStringLiteral("Draft {page}"));
    QCOMPARE(stored.numbering, PageNumbering::EachPart);

    // A run converts with them: the converter's options, and the footer on the PDF.
    const QStringList files = f.MakeFiles({"page.html"});
    QVERIFY(f.AddFiles(files));
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QCOMPARE(f.State(0), RowState::Converted);
    const QStringList args = f.ConverterCalls().value(0);
    const QStringList expected{"--page-size", "Letter",  "--orientation", "Landscape", "-T",
                               "10.00mm",     "-R",      "10.00mm",       "-B",        "10.00mm",
                               "-L",          "25.00mm", "--zoom",        "0.8",       "--no-background"};
    const qsizetype at = args.indexOf(QStringLiteral("--page-size"));
    QVERIFY2(at >= 0 && args.mid(at, expected.size()) == expected, qPrintable(args.join(u' ')));
    const QString text = PdfText(f.OutputFolder() + QStringLiteral("/page-html.pdf"));
    QVERIFY2(text.contains(QStringLiteral("Page 1 of 1")) && text.contains(QStringLiteral("Draft 1")),
             qPrintable(text));

    // After a restart the dialog shows what was chosen.
    f.Open();
    bool shown = false;
    f.dialogs.onModal = [&shown](QDialog& dialog) {
        shown = Find<QComboBox>(dialog, "cmbPaper")->currentIndex() == 1 &&
                Find<QRadioButton>(dialog, "rbLandscape")->isChecked() &&
                !Find<QCheckBox>(dialog, "chkEngineMargins")->isChecked() &&
                Find<QDoubleSpinBox>(dialog, "spnMarginLeft")->value() == 25 &&
                Find<QSpinBox>(dialog, "spnScale")->value() == 80 &&
                !Find<QCheckBox>(dialog, "chkBackgrounds")->isChecked() &&
                !Find<QCheckBox>(dialog, "chkBookNumbering")->isChecked() &&
                Find<QLineEdit>(dialog, "edtFooterRight")->text() == kPageNumberText &&
                Find<QLineEdit>(dialog, "edtHeaderLeft")->text() == QStringLiteral("Draft {page}");
        return false;
    };
    QVERIFY(f.Trigger("actPageSetup"));
    QVERIFY(shown);
}

// The "Page loading" part: a style sheet chosen through the file dialog, elements to hide, a delay.
void TestPageSetupDialog::pageLoadingReachesARunAndSurvivesARestart() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    f.Open();
    const QString style = f.MakeFiles({"mine.css"}).value(0);
    f.dialogs.nextFiles = QStringList{style};
    f.dialogs.onModal = [](QDialog& dialog) {
        Find<QCheckBox>(dialog, "chkScroll")->click(); // on by default
        Find<QSpinBox>(dialog, "spnDelay")->setValue(1500);
        Find<QToolButton>(dialog, "btnChooseStyle")->click();
        QTest::keyClicks(Find<QLineEdit>(dialog, "edtHide"), QStringLiteral("#cookie-banner, .chat"));
        return true;
    };
    QVERIFY(f.Trigger("actPageSetup"));
    PageLoading expected;
    expected.scroll = false;
    expected.delayMs = 1500;
    expected.styleFile = style;
    expected.hide = QStringLiteral("#cookie-banner, .chat");
    QCOMPARE(f.Store().Page().loading, expected);

    const QStringList files = f.MakeFiles({"page.html"});
    QVERIFY(f.AddFiles(files));
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QCOMPARE(f.State(0), RowState::Converted);
    const QStringList args = f.ConverterCalls().value(0);
    const QString css = UserStyle(expected, nullptr);
    QVERIFY(css.contains(QStringLiteral(".chat { display: none !important; }")));
    for (const QStringList& pair :
         {QStringList{"--javascript-delay", "1500"},
          QStringList{"--user-style-sheet", "data:text/css;charset=utf-8;base64," + css.toUtf8().toBase64()}})
        QVERIFY2(args.mid(args.indexOf(pair[0]), 2) == pair, qPrintable(args.join(u' ')));

    f.Open();
    std::optional<PageLoading> shown;
    f.dialogs.onModal = [&shown](QDialog& dialog) {
        shown = dialog.findChild<PageLoadingPanel*>()->Value();
        return false;
    };
    QVERIFY(f.Trigger("actPageSetup"));
    QCOMPARE(shown, std::optional(expected));
}

void TestPageSetupDialog::cancelKeepsTheStoredSetup() {
    MainFormFixture f;
    f.Open();
    f.dialogs.onModal = [](QDialog& dialog) {
        Find<QComboBox>(dialog, "cmbPaper")->setCurrentIndex(4); // A5
        Find<QPushButton>(dialog, "btnPageNumbers")->click();
        return false;
    };
    QVERIFY(f.Trigger("actPageSetup"));
    QCOMPARE(f.dialogs.modalCount, 1);
    QCOMPARE(f.Store().Page(), PageSetup());
    QCOMPARE(f.Store().PreferenceText(Preference::PageFooter), QString());
}

// The preview and the notes follow every change; OK is off while the margins leave no room.
void TestPageSetupDialog::notesAndOkFollowTheValues() {
    PageSetupDialog dialog(PageSetup{});
    auto* note = Find<QLabel>(dialog, "lblNote");
    QPushButton* ok = Find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    QCOMPARE(note->text(), QString());
    Find<QPushButton>(dialog, "btnPageNumbers")->click();
    QCOMPARE(note->text(), QStringLiteral("With a header or footer the margins are 10.0 mm unless set."));
    Find<QDoubleSpinBox>(dialog, "spnTextSize")->setValue(20);
    QVERIFY2(note->text().contains(
                 QStringLiteral("The bottom margin grows to 14.5 mm to make room for the footer.")),
             qPrintable(note->text()));
    QVERIFY(ok->isEnabled());

    Find<QCheckBox>(dialog, "chkEngineMargins")->click();
    Find<QComboBox>(dialog, "cmbPaper")->setCurrentIndex(5); // custom
    Find<QDoubleSpinBox>(dialog, "spnPaperWidth")->setValue(60);
    Find<QDoubleSpinBox>(dialog, "spnMarginLeft")->setValue(30);
    Find<QDoubleSpinBox>(dialog, "spnMarginRight")->setValue(30);
    QVERIFY(note->text().contains(QStringLiteral("no room")));
    QVERIFY(!ok->isEnabled());
    Find<QDoubleSpinBox>(dialog, "spnMarginRight")->setValue(5);
    QVERIFY(ok->isEnabled());
    const PageSetup value = dialog.Value();
    QCOMPARE(value.paper, Paper::Custom);
    QCOMPARE(value.customSizeMm.width(), 60.0);
    QCOMPARE(value.marginsMm, std::optional(QMarginsF(30, 10, 5, 10)));

    // The preview draws the page as it now is: a landscape page is wider than high.
    auto* preview = dialog.findChild<PagePreview*>();
    QVERIFY(preview);
    preview->resize(preview->sizeHint());
    Find<QRadioButton>(dialog, "rbLandscape")->click();
    const QImage picture = preview->grab().toImage();
    const auto whiteRun = [&picture](bool across) {
        int longest = 0;
        const int lines = across ? picture.width() : picture.height();
        const int middle = (across ? picture.height() : picture.width()) / 2;
        for (int i = 0, run = 0; i < lines; ++i) {
            const QColor c = across ? picture.pixelColor(i, middle) : picture.pixelColor(middle, i);
            run = c == Qt::white || c.name() == QStringLiteral("#c8d4e4") ? run + 1 : 0;
            longest = qMax(longest, run);
        }
        return longest;
    };
    QVERIFY2(whiteRun(true) > whiteRun(false),
             qPrintable(QStringLiteral("%1 across, %2 down").arg(whiteRun(true)).arg(whiteRun(false))));
}

void TestPageSetupDialog::unitsConvertTheLengths() {
    PageSetup page;
    page.marginsMm = QMarginsF(25.4, 12.7, 25.4, 50.8);
    PageSetupDialog dialog(page);
    Find<QComboBox>(dialog, "cmbUnit")->setCurrentIndex(1); // inches
    QCOMPARE(Find<QDoubleSpinBox>(dialog, "spnMarginTop")->value(), 0.5);
    QCOMPARE(Find<QDoubleSpinBox>(dialog, "spnMarginBottom")->value(), 2.0);
    Find<QDoubleSpinBox>(dialog, "spnMarginLeft")->setValue(1.5);
    const PageSetup value = dialog.Value();
    QVERIFY(qAbs(value.marginsMm->left() - 38.1) < 0.001);
    QVERIFY(qAbs(value.marginsMm->top() - 12.7) < 0.001);
}

// 20 mm shown in inches and back is 20 mm, not the 20.1 mm that 0.79 inches would give.
void TestPageSetupDialog::unitsSwitchedBackKeepWhatWasTyped() {
    PageSetup page;
    page.marginsMm = QMarginsF(10, 10, 10, 10);
    PageSetupDialog dialog(page);
    auto* top = Find<QDoubleSpinBox>(dialog, "spnMarginTop");
    top->setValue(20);
    auto* unit = Find<QComboBox>(dialog, "cmbUnit");
    unit->setCurrentIndex(1); // inches
    QCOMPARE(top->value(), 0.79);
    QCOMPARE(dialog.Value().marginsMm->top(), 20.0);
    unit->setCurrentIndex(0);
    QCOMPARE(top->value(), 20.0);
    QCOMPARE(dialog.Value().marginsMm, std::optional(QMarginsF(10, 20, 10, 10)));
}

void TestPageSetupDialog::paperSizeShownTurned_data() {
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<bool>("inches");
    QTest::addColumn<QSizeF>("shown");
    QTest::newRow("Letter") << Paper::Letter << false << false << QSizeF(215.9, 279.4);
    QTest::newRow("Letter, landscape") << Paper::Letter << true << false << QSizeF(279.4, 215.9);
    QTest::newRow("Legal, landscape, inches") << Paper::Legal << true << true << QSizeF(14, 8.5);
    QTest::newRow("A3, landscape") << Paper::A3 << true << false << QSizeF(420, 297);
    QTest::newRow("custom, landscape") << Paper::Custom << true << false << QSizeF(300, 100);
}

// The greyed size boxes show the paper chosen, as turned; a custom size is what was typed.
void TestPageSetupDialog::paperSizeShownTurned() {
    QFETCH(Paper, paper);
    QFETCH(bool, landscape);
    QFETCH(bool, inches);
    QFETCH(QSizeF, shown);
    PageSetup page;
    page.customSizeMm = QSizeF(100, 300);
    PageSetupDialog dialog(page);
    auto* papers = Find<QComboBox>(dialog, "cmbPaper");
    papers->setCurrentIndex(papers->findData(int(paper)));
    if (landscape)
        Find<QRadioButton>(dialog, "rbLandscape")->click();
    if (inches)
        Find<QComboBox>(dialog, "cmbUnit")->setCurrentIndex(1);
    const QSizeF boxes(Find<QDoubleSpinBox>(dialog, "spnPaperWidth")->value(),
                       Find<QDoubleSpinBox>(dialog, "spnPaperHeight")->value());
    QCOMPARE(boxes, shown);
    QCOMPARE(dialog.Value().customSizeMm, QSizeF(100, 300));
    if (paper == Paper::Custom) { // typed while turned, kept as portrait
        Find<QDoubleSpinBox>(dialog, "spnPaperWidth")->setValue(320);
        QCOMPARE(dialog.Value().customSizeMm, QSizeF(100, 320));
        QCOMPARE(dialog.Value().PaperSizeMm(), QSizeF(320, 100));
    }
}

// No taller than the main window's 580-pixel client area, so it fits a 768-pixel screen with the title
// bar and the task bar, and a further tab of settings does not make it grow.
void TestPageSetupDialog::dialogFitsASmallScreen() {
    PageSetup page;
    page.footer.right = kPageNumberText;
    PageSetupDialog dialog(page);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY2(dialog.height() <= 580, qPrintable(QString::number(dialog.height())));
    QVERIFY(dialog.findChild<PagePreview*>()->isVisible());
}

QTEST_MAIN(TestPageSetupDialog)
#include "test_page_setup_dialog.moc"
