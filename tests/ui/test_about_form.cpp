#include "ComponentsForm.h"
#include "FakeDialogs.h"
#include "ShellRoutines.h"
#include "UrlLabel.h"
#include "aboutForm.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

using namespace velmora;
using velmora::test::FakeDialogs;

namespace {

const QColor kPurple(0x80, 0x00, 0x80);

QColor TextColor(const QWidget* label) {
    return label->palette().color(QPalette::WindowText);
}

QColor LinkColor(const QWidget* label) {
    return label->palette().color(QPalette::Highlight);
}

} // namespace

class TestAboutForm : public QObject {
    Q_OBJECT

private slots:
    void linkClick_data();
    void linkClick();
    void newBoxStartsUnvisited();
    void closeHasFocusAndEnterCloses();
    void showsProgramIcon();
    void labelTarget_data();
    void labelTarget();
    void componentsNameTheirLicencesAndWhatIsUsed();
};

void TestAboutForm::linkClick_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("shellAccepts");
    QTest::addColumn<QUrl>("opened");
    QTest::addColumn<bool>("visited");

    const QUrl home(kHomePageAddress);
    const QUrl mail("mailto:" + kSupportMailAddress);
    const QUrl project(kProjectPageAddress);
    QTest::newRow("home page") << "RzURLLabel1" << true << home << false;
    QTest::newRow("e-mail") << "RzURLLabel2" << true << mail << false;
    QTest::newRow("project page") << "RzURLLabel3" << true << project << true;
    QTest::newRow("home page, shell refuses") << "RzURLLabel1" << false << home << false;
    QTest::newRow("project page, shell refuses") << "RzURLLabel3" << false << project << false;
}

void TestAboutForm::linkClick() {
    QFETCH(QString, link);
    QFETCH(bool, shellAccepts);
    QFETCH(QUrl, opened);
    QFETCH(bool, visited);

    FakeDialogs dialogs;
    dialogs.openUrlResult = shellAccepts;
    TfrmAbout about(dialogs);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* label = about.findChild<UrlLabel*>(link);
    QVERIFY(label);
    QCOMPARE(TextColor(label), LinkColor(label));

    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());

    QCOMPARE(dialogs.openedUrls, QList<QUrl>{opened});
    QCOMPARE(label->Visited(), visited);
    QCOMPARE(TextColor(label), visited ? kPurple : LinkColor(label));
    QVERIFY(about.isVisible());
}

void TestAboutForm::newBoxStartsUnvisited() {
    FakeDialogs dialogs;
    {
        TfrmAbout about(dialogs);
        auto* project = about.findChild<UrlLabel*>("RzURLLabel3");
        QVERIFY(project);
        project->Click();
        QCOMPARE(TextColor(project), kPurple);
    }
    TfrmAbout again(dialogs);
    auto* project = again.findChild<UrlLabel*>("RzURLLabel3");
    QVERIFY(project);
    QVERIFY(!project->Visited());
    QCOMPARE(TextColor(project), LinkColor(project));
}

void TestAboutForm::closeHasFocusAndEnterCloses() {
    FakeDialogs dialogs;
    TfrmAbout about(dialogs);
    about.show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QCOMPARE(QApplication::focusWidget(), about.findChild<QPushButton*>("RzButton1"));

    QTest::keyClick(&about, Qt::Key_Return);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(dialogs.openedUrls.isEmpty());
}

void TestAboutForm::showsProgramIcon() {
    FakeDialogs dialogs;
    TfrmAbout about(dialogs);
    auto* image = about.findChild<QLabel*>("Image1");
    QVERIFY(image);
    QCOMPARE(image->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
}

void TestAboutForm::labelTarget_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<QUrl>>("opened");

    QTest::newRow("URL first") << "http://u.example/"
                               << "http://caption.example/" << QList<QUrl>{QUrl("http://u.example/")};
    QTest::newRow("URL trimmed") << " \thttp://u.example/ "
                                 << "" << QList<QUrl>{QUrl("http://u.example/")};
    QTest::newRow("blank URL, caption")
        << " \n"
        << "http://caption.example/" << QList<QUrl>{QUrl("http://caption.example/")};
    QTest::newRow("both blank") << ""
                                << " \t" << QList<QUrl>{};
}

void TestAboutForm::labelTarget() {
    QFETCH(QString, url);
    QFETCH(QString, caption);
    QFETCH(QList<QUrl>, opened);

    FakeDialogs dialogs;
    UrlLabel label(dialogs, caption);
    label.SetURL(url);
    label.Click();

    QCOMPARE(dialogs.openedUrls, opened);
    QCOMPARE(label.Visited(), !opened.isEmpty());
}

// Each component with its licence; the browser the Modern engine would use is named by its place.
void TestAboutForm::componentsNameTheirLicencesAndWhatIsUsed() {
    QTemporaryDir program;
    const QString fakeBrowser = qEnvironmentVariable("VELMORA_FAKE_BROWSER");
    if (fakeBrowser.isEmpty())
        QSKIP("The fake browser was not built (VELMORA_FAKE_BROWSER is not set)");
    QVERIFY(QDir(program.path()).mkpath(QStringLiteral("bin")));
#ifdef Q_OS_WIN
    const QString browser = program.filePath(QStringLiteral("bin/chrome.exe"));
#else
    const QString browser = program.filePath(QStringLiteral("bin/chromium"));
#endif
    QVERIFY(QFile::copy(fakeBrowser, browser));
    FakeDialogs dialogs;
    TfrmComponents components(dialogs, program.path());
    QCOMPARE(components.windowTitle(), kComponentsCaption);
    const QString text = components.findChild<QTextBrowser*>(QStringLiteral("txtComponents"))->toPlainText();
    for (const QString& part :
         {QStringLiteral("Qt %1").arg(QLatin1String(qVersion())), QStringLiteral("qpdf"),
          QStringLiteral("Apache License, version 2.0"), QStringLiteral("wkhtmltopdf"),
          QStringLiteral("GNU Lesser General Public License, version 3"), QStringLiteral("Chromium"),
          QStringLiteral("BSD 3-Clause License"),
          QStringLiteral("the Modern engine, found at %1").arg(QDir::toNativeSeparators(browser))})
        QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral(" not in:\n") + text));
}

QTEST_MAIN(TestAboutForm)
#include "test_about_form.moc"
