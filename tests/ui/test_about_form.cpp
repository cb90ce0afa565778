#include "FakeDialogs.h"
#include "ShellRoutines.h"
#include "UrlLabel.h"
#include "aboutForm.h"

#include <QPushButton>
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

QTEST_MAIN(TestAboutForm)
#include "test_about_form.moc"
