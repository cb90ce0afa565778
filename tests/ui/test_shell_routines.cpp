#include "FakeDialogs.h"
#include "ShellRoutines.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

using namespace velmora;
using velmora::test::FakeDialogs;

class TestShellRoutines : public QObject {
    Q_OBJECT

private slots:
    void openWebPage_data();
    void openWebPage();
    void openHomePage();
    void otherProductsAreMakerPages();
    void browseForFolder_data();
    void browseForFolder();
    void fileDialogFilters_data();
    void fileDialogFilters();
    void openFileDialogShowsTheCaptionsAsGiven();
    void saveFileDialogShowsItsTitleAndTheCaptionsAsGiven();
    void textDialogHoldsALongName();
    void messageHtmlKeepsPathsWhole_data();
    void messageHtmlKeepsPathsWhole();
    void systemOpenerAnswersWhenItEnds_data();
    void systemOpenerAnswersWhenItEnds();
};

void TestShellRoutines::openWebPage_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<bool>("shellAccepts");

    QTest::newRow("web page") << kWebsiteToPdfOnlineAddress << QUrl(kWebsiteToPdfOnlineAddress) << true;
    QTest::newRow("mail address") << "mailto:" + kSupportMailAddress << QUrl("mailto:" + kSupportMailAddress)
                                  << true;
    QTest::newRow("shell refuses") << kHtmlToPdfOnlineAddress << QUrl(kHtmlToPdfOnlineAddress) << false;
}

void TestShellRoutines::openWebPage() {
    QFETCH(QString, target);
    QFETCH(QUrl, url);
    QFETCH(bool, shellAccepts);

    FakeDialogs dialogs;
    dialogs.openUrlResult = shellAccepts;
    OpenWebPage(dialogs, target);

    QCOMPARE(dialogs.openedUrls, QList<QUrl>{url});
    QCOMPARE(dialogs.openedUrls.first().scheme(), url.scheme());
    // A failure is dropped without a word.
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(dialogs.errors.isEmpty());
}

void TestShellRoutines::openHomePage() {
    FakeDialogs dialogs;
    OpenHomePage(dialogs);
    QCOMPARE(dialogs.openedUrls, QList<QUrl>{QUrl(kHomePageAddress)});
}

void TestShellRoutines::otherProductsAreMakerPages() {
    QStringList captions;
    for (const ProductLink& product : OtherProducts()) {
        const QUrl url(product.address, QUrl::StrictMode);
        QVERIFY2(url.isValid() && url.scheme() == "https" && url.host() == "www.velmora.example",
                 qPrintable(product.address));
        QVERIFY(!product.caption.isEmpty());
        QVERIFY2(!captions.contains(product.caption), qPrintable(product.caption));
        captions << product.caption;
    }
    QVERIFY(!captions.isEmpty());
}

void TestShellRoutines::browseForFolder_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("folderAfter");

    const QString chosen = QDir::toNativeSeparators(QDir::tempPath() + "/PDF out");
    QTest::newRow("confirmed") << "C:\\My PDF" << std::optional<QString>(chosen) << true << chosen;
    QTest::newRow("same folder confirmed") << chosen << std::optional<QString>(chosen) << true << chosen;
    QTest::newRow("cancelled") << "C:\\My PDF" << std::optional<QString>() << false << "C:\\My PDF";
    QTest::newRow("cancelled, empty folder") << "" << std::optional<QString>() << false << "";
}

void TestShellRoutines::browseForFolder() {
    QFETCH(QString, folder);
    QFETCH(std::optional<QString>, answer);
    QFETCH(bool, result);
    QFETCH(QString, folderAfter);

    FakeDialogs dialogs;
    dialogs.nextFolder = answer;
    QString inOut = folder;

    QCOMPARE(BrowseForFolder(dialogs, nullptr, inOut, QStringLiteral("Please select target folder")), result);
    QCOMPARE(inOut, folderAfter);
    // The picker opens on the folder the caller holds.
    QCOMPARE(dialogs.folderStarts, QStringList{folder});
}

void TestShellRoutines::fileDialogFilters_data() {
    QTest::addColumn<QString>("pipeFilter");
    QTest::addColumn<QStringList>("filters");

    QTest::newRow("the program's filter")
        << "All Supported Files(*.htm,*.html,*.xhtml,*.txt,*.xml)|*.htm;*.html;*.xhtml;*.txt;*.xml|"
           "HTML Documents(*.htm,*.html,*.xhtml)|*.htm;*.html;*.xhtml|Text Files(*.txt)|*.txt|"
           "XML Files(*.xml)|*.xml|All files(*.*)|*.*"
        << QStringList{
               "All Supported Files(*.htm,*.html,*.xhtml,*.txt,*.xml) (*.htm *.html *.xhtml *.txt *.xml)",
               "HTML Documents(*.htm,*.html,*.xhtml) (*.htm *.html *.xhtml)", "Text Files(*.txt) (*.txt)",
               "XML Files(*.xml) (*.xml)", "All files(*.*) (*)"};
    QTest::newRow("empty patterns skipped") << "Pages|*.htm;;*.html;" << QStringList{"Pages (*.htm *.html)"};
    QTest::newRow("description without patterns") << "Text|*.txt|Dangling" << QStringList{"Text (*.txt)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestShellRoutines::fileDialogFilters() {
    QFETCH(QString, pipeFilter);
    QFETCH(QStringList, filters);
    QCOMPARE(FileDialogFilters(pipeFilter), filters);
}

// The type box of the real (non-native) file dialog lists each caption once, without Qt's pattern list.
void TestShellRoutines::openFileDialogShowsTheCaptionsAsGiven() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    SetUpOpenFileDialog(dialog, "Pages(*.htm,*.html)|*.htm;*.html|Text Files(*.txt)|*.txt|All files(*.*)|*.*",
                        QString());
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
        shown << types->itemText(i);
    QCOMPARE(shown, (QStringList{"Pages(*.htm,*.html)", "Text Files(*.txt)", "All files(*.*)"}));
    QCOMPARE(types->currentIndex(), 0);
    QCOMPARE(dialog.directory().absolutePath(), QDir::currentPath());
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);

    const QString folder = QDir::tempPath();
    SetUpOpenFileDialog(dialog, "Text Files(*.txt)|*.txt", folder);
    QCOMPARE(dialog.directory().absolutePath(), QDir(folder).absolutePath());
}

void TestShellRoutines::saveFileDialogShowsItsTitleAndTheCaptionsAsGiven() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    SetUpSaveFileDialog(dialog, "Save queue", "Queue lists (*.txt)|*.txt|All files (*.*)|*.*", "queue.txt");
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
        shown << types->itemText(i);
    QCOMPARE(shown, (QStringList{"Queue lists (*.txt)", "All files (*.*)"}));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save queue"));
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
             QStringLiteral("queue.txt"));
}

void TestShellRoutines::textDialogHoldsALongName() {
    const QString name = QStringLiteral("Installation - The Rust Programming Language.pdf");
    QDialog dialog;
    const QLineEdit* edit = SetUpTextDialog(dialog, "Name of the combined PDF, in the target folder:", name);
    QCOMPARE(edit->text(), name);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(edit->width() > edit->fontMetrics().horizontalAdvance(name));
    QVERIFY(dialog.width() > dialog.fontMetrics().horizontalAdvance(kApplicationTitle));
}

void TestShellRoutines::messageHtmlKeepsPathsWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("path"); // as the text holds it
    QTest::addColumn<bool>("shortened");
    const QString deep =
        QStringLiteral("/tmp/") + QStringLiteral("a-rather-long-folder-name/").repeated(12) + "end";
    QTest::newRow("quoted") << "The PDFs are in \"/tmp/out put/PDFs & more\"."
                            << "/tmp/out put/PDFs & more" << false;
    QTest::newRow("a line of its own") << "The PDFs are in:\n/tmp/out put\n\nSelect a row."
                                       << "/tmp/out put" << false;
    QTest::newRow("Windows folder") << "The PDFs are in:\nC:\\My PDF\\out"
                                    << "C:\\My PDF\\out" << false;
    QTest::newRow("longer than the box") << "The PDFs are in \"" + deep + "\"." << deep << true;
}

// Each path sits in a span that does not wrap; one too wide keeps its start and end.
void TestShellRoutines::messageHtmlKeepsPathsWhole() {
    QFETCH(QString, text);
    QFETCH(QString, path);
    QFETCH(bool, shortened);
    const QFontMetrics metrics(QApplication::font());
    const QString html = MessageHtml(text, metrics, 480);
    const QRegularExpression span(QStringLiteral("<span style=\"white-space:pre\">([^<]*)</span>"));
    const QRegularExpressionMatch match = span.match(html);
    QVERIFY2(match.hasMatch(), qPrintable(html));
    QTextDocument shown;
    shown.setHtml(match.captured(1));
    const QString kept = shown.toPlainText();
    if (shortened) {
        QVERIFY(kept.contains(QChar(0x2026)));
        QVERIFY(kept.startsWith(path.left(10)) && kept.endsWith(path.right(3)));
        QVERIFY(metrics.horizontalAdvance(kept) <= 480);
    } else {
        QCOMPARE(kept, path);
    }
    QTextDocument whole;
    whole.setHtml(html);
    QCOMPARE(whole.toPlainText().remove(kept), text.remove(path)); // the rest as it was, escapes undone
}

void TestShellRoutines::systemOpenerAnswersWhenItEnds_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("shown");
    // xdg-open exits with 3 or 4 when no program is set up for the path, after it started fine.
    for (const char* call : {"OpenFile", "ExploreFolder", "ShowInFolder"}) {
        QTest::addRow("%s, nothing to show it with", call) << call << 4 << false;
        QTest::addRow("%s, shown", call) << call << 0 << true;
    }
}

// The real shell calls where xdg-open is the opener: it is asked for the absolute path, and its exit
// status, awaited without blocking, is the answer.
void TestShellRoutines::systemOpenerAnswersWhenItEnds() {
#ifdef Q_OS_WIN
    QSKIP("The Windows shell answers at once.");
#else
    QFETCH(QString, call);
    QFETCH(int, exitCode);
    QFETCH(bool, shown);
    QTemporaryDir bin;
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/asked\"\nexit %1\n")
                     .arg(exitCode)
                     .toUtf8());
    opener.close();
    QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    QTemporaryDir pages;
    const QString pdf = pages.filePath(QStringLiteral("a b.pdf"));

    SystemDialogs dialogs;
    std::optional<bool> answer;
    const ShellDone done = [&answer](bool result) { answer = result; };
    if (call == QLatin1String("OpenFile"))
        dialogs.OpenFile(nullptr, pdf, done);
    else if (call == QLatin1String("ExploreFolder"))
        dialogs.ExploreFolder(nullptr, pages.path(), done);
    else
        dialogs.ShowInFolder(nullptr, pdf, done);
    qputenv("PATH", path);
    QVERIFY(!answer); // never from inside the call
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 60 * 1000); // the opener is a process that has to end
    QCOMPARE(*answer, shown);
    QFile asked(bin.filePath(QStringLiteral("asked")));
    QVERIFY(asked.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(asked.readAll()), call == QLatin1String("OpenFile") ? pdf : pages.path());
#endif
}

QTEST_MAIN(TestShellRoutines)
#include "test_shell_routines.moc"
