#include "AddURLUnit.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include <memory>

using namespace velmora;

class TestAddUrlForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lines_data();
    void lines();
    void enterAndEscapeInMemo();
    void keysOnButtons_data();
    void keysOnButtons();
    void tabOrder();
    void textSurvivesHideAndShow();
    void focusReturnsToLastControl();
    void placement();

private:
    void ShowForm();
    QPushButton* Button(const char* name) const {
        return m_form->findChild<QPushButton*>(QLatin1String(name));
    }

    // The main window the dialog belongs to, as in the program.
    std::unique_ptr<QWidget> m_main;
    TAddURLForm* m_form = nullptr;
};

void TestAddUrlForm::init() {
    m_main = std::make_unique<QWidget>();
    m_main->setGeometry(50, 50, 600, 500);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    m_form = new TAddURLForm(m_main.get());
}

void TestAddUrlForm::cleanup() {
    m_main.reset();
}

void TestAddUrlForm::ShowForm() {
    m_form->show();
    // qWaitForWindowActive would return at once: a dialog counts as active while its parent is.
    QTRY_COMPARE(QApplication::activeWindow(), m_form);
}

void TestAddUrlForm::lines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    const QString longLine(TAddURLForm::kMaxLineLength + 100, u'x');
    QTest::newRow("one line") << "https://" << QStringList{"https://"};
    QTest::newRow("final line break") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("only the last empty line dropped") << "a\n\n" << QStringList{"a", ""};
    QTest::newRow("inner empty line") << "a\n\nb" << QStringList{"a", "", "b"};
    QTest::newRow("empty memo") << "" << QStringList{};
    QTest::newRow("blanks kept") << "  https://a.example.com \n" << QStringList{"  https://a.example.com "};
    QTest::newRow("no-break spaces kept")
        << QString::fromUtf8("https://a.example.com/\u00A0x\u00A0\nb")
        << QStringList{QString::fromUtf8("https://a.example.com/\u00A0x\u00A0"), "b"};
    QTest::newRow("long line cut") << longLine + "\nshort"
                                   << QStringList{longLine.left(TAddURLForm::kMaxLineLength), "short"};
    QTest::newRow("exactly the limit") << longLine.left(TAddURLForm::kMaxLineLength)
                                       << QStringList{longLine.left(TAddURLForm::kMaxLineLength)};
}

void TestAddUrlForm::lines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);

    m_form->urlmemo()->setPlainText(text);
    QCOMPARE(m_form->Lines(), lines);
}

void TestAddUrlForm::enterAndEscapeInMemo() {
    ShowForm();
    QPlainTextEdit* memo = m_form->urlmemo();
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);

    QTest::keyClicks(memo, "a.example.com");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "https://b.example.com");
    QTest::keyClick(memo, Qt::Key_Escape);

    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->Lines(), (QStringList{"https://a.example.com", "https://b.example.com"}));
}

void TestAddUrlForm::keysOnButtons_data() {
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");

    QTest::newRow("Enter on OK") << QByteArray("RzButton3") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Space on OK") << QByteArray("RzButton3") << int(Qt::Key_Space) << int(QDialog::Accepted);
    QTest::newRow("Esc on OK") << QByteArray("RzButton3") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("Enter on Cancel") << QByteArray("RzButton4") << int(Qt::Key_Return)
                                     << int(QDialog::Rejected);
    QTest::newRow("Esc on Cancel") << QByteArray("RzButton4") << int(Qt::Key_Escape)
                                   << int(QDialog::Rejected);
}

void TestAddUrlForm::keysOnButtons() {
    QFETCH(QByteArray, button);
    QFETCH(int, key);
    QFETCH(int, result);

    ShowForm();
    // A result left over from an earlier use must not count.
    m_form->setResult(-1);
    QPushButton* target = Button(button.constData());
    QVERIFY(target);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));

    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->result(), result);
}

void TestAddUrlForm::tabOrder() {
    ShowForm();
    QPushButton* ok = Button("RzButton3");
    QCOMPARE(QApplication::focusWidget(), ok);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Button("RzButton4"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_form->urlmemo());
    // Tab leaves the memo, which still holds only its initial text, for OK instead of typing a tab.
    QTest::keyClick(m_form->urlmemo(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ok);
    QCOMPARE(m_form->urlmemo()->toPlainText(), QStringLiteral("https://"));
}

void TestAddUrlForm::textSurvivesHideAndShow() {
    ShowForm();
    m_form->urlmemo()->setFocus();
    m_form->urlmemo()->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_form->urlmemo(), "www.example.com/left");
    QTest::mouseClick(Button("RzButton4"), Qt::LeftButton);
    QVERIFY(!m_form->isVisible());

    ShowForm();
    QCOMPARE(m_form->Lines(), QStringList{"https://www.example.com/left"});
}

void TestAddUrlForm::focusReturnsToLastControl() {
    ShowForm();
    QCOMPARE(QApplication::focusWidget(), Button("RzButton3"));

    // Closed through the close box while typing: the memo gets the focus back.
    m_form->urlmemo()->setFocus();
    m_form->close();
    ShowForm();
    QCOMPARE(QApplication::focusWidget(), m_form->urlmemo());

    // A click on a button moves the focus there.
    QTest::mouseClick(Button("RzButton4"), Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    ShowForm();
    QCOMPARE(QApplication::focusWidget(), Button("RzButton4"));
}

void TestAddUrlForm::placement() {
    ShowForm();
    const QPoint offCentre = m_form->frameGeometry().center() - m_main->frameGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2, "first showing is centred on the main window");

    // The user drags the dialog elsewhere, closes it, and moves the main window.
    const QPoint dragged(20, 10);
    m_form->windowHandle()->setFramePosition(dragged);
    QTRY_COMPARE(m_form->frameGeometry().topLeft(), dragged);
    m_form->reject();
    m_main->move(150, 80);

    ShowForm();
    QCOMPARE(m_form->frameGeometry().topLeft(), dragged);
}

QTEST_MAIN(TestAddUrlForm)
#include "test_add_url_form.moc"
