// Combining, bookmarks, document information and names from titles with the real engines: Debian's
// wkhtmltopdf (Classic) and Chromium (Modern), on chapters of the book corpus.
#include "CombinePdfs.h"
#include "DocumentInfo.h"
#include "PdfTools.h"
#include "RowFinish.h"
#include "RunTestSupport.h"
#include "classic/WkhtmltopdfBackend.h"
#include "modern/ChromiumBackend.h"
#include "queue/TextRules.h"
#include "run/ConvertCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kWaitMs = 5 * 60 * 1000;
const QString kBookTitle = QStringLiteral(" - The Rust Programming Language");
const QStringList kChapters{"ch01-01-installation.html", "ch01-02-hello-world.html",
                            "ch01-03-hello-cargo.html"};
const QStringList kChapterTitles{"Installation", "Hello, World!", "Hello, Cargo!"};

} // namespace

class TestRealCombine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bookChaptersCombined_data();
    void bookChaptersCombined();
    void namesFromTitles_data();
    void namesFromTitles();

private:
    void Run(const QString& engine);

    QString m_book;
    CommandRig m_rig;
};

void TestRealCombine::initTestCase() {
    m_book = QDir::cleanPath(QStringLiteral(VELMORA_CORPUS_DIR));
    if (!QFileInfo::exists(m_book + "/" + kChapters.first()))
        QSKIP(qPrintable("The book corpus is not at " + m_book));
}

void TestRealCombine::init() {
    QVERIFY(m_rig.Build());
    m_rig.host->targetFolder = m_rig.work->filePath("out");
    m_rig.host->completionAction = kShowMessage;
    m_rig.command->Runner().SetParallelism(2);
    m_rig.command->Runner().SetFinisher(pdf::RowFinisher());
    m_rig.command->SetCombiner(pdf::Combiner());
}

void TestRealCombine::cleanup() {
    m_rig.Reset();
}

void TestRealCombine::Run(const QString& engine) {
    m_rig.command->SetEngineFactory(engine == QLatin1String("modern") ? MakeModernEngine : MakeClassicEngine);
    m_rig.command->Execute();
    QVERIFY2(m_rig.command->Status() == rsStart, qPrintable(m_rig.host->messages.join('\n')));
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.command->Status(), rsStop, kWaitMs);
}

void TestRealCombine::bookChaptersCombined_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("headings"); // the engine makes an outline of the page's headings
    QTest::newRow("classic") << "classic" << false;
    QTest::newRow("modern") << "modern" << true;
}

// Three chapters and one file gone before its turn: the chapters' pages and titles in queue order, the
// gone file left out and counted.
void TestRealCombine::bookChaptersCombined() {
    QFETCH(QString, engine);
    QFETCH(bool, headings);
    const QString gone = m_rig.work->filePath("gone.html");
    QVERIFY(WriteFile(gone, "<title>Gone</title>"));
    QStringList files;
    for (const QString& chapter : kChapters)
        files << m_book + "/" + chapter;
    files.insert(1, gone);
    m_rig.queue->AddFiles(files);
    QVERIFY(QFile::remove(gone));
    m_rig.command->SetCombine({true, QStringLiteral("The Book"), true});
    Run(engine);

    const QString book = QDir::toNativeSeparators(QDir(m_rig.host->targetFolder).filePath("The Book.pdf"));
    QCOMPARE(m_rig.command->CombinedPath(), book);
    QCOMPARE(m_rig.queue->State(1), RowState::Failed);
    int pages = 0;
    QStringList rowTitles;
    for (int row : {0, 2, 3}) {
        const QString file = m_rig.queue->OutputPath(row);
        QVERIFY2(!file.isEmpty(), qPrintable(m_rig.queue->Reason(row)));
        pages += PdfPageCount(file);
        rowTitles << PdfTitle(file);
        QCOMPARE(PdfInfo(file, QStringLiteral("Subject")),
                 QDir::toNativeSeparators(m_rig.queue->SourceText(row)));
        QCOMPARE(PdfInfo(file, QStringLiteral("Creator")), pdf::kCreatorName);
        // Modern asks Chromium for a tagged PDF; Classic's converter cannot make one.
        QCOMPARE(PdfInfo(file, QStringLiteral("Tagged")),
                 headings ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    QStringList expectedTitles;
    for (const QString& title : kChapterTitles)
        expectedTitles << title + kBookTitle;
    QCOMPARE(rowTitles, expectedTitles);
    QVERIFY(pages >= 3);
    QCOMPARE(PdfPageCount(book), pages);
    QCOMPARE(PdfTitle(book), QStringLiteral("The Book"));
    QCOMPARE(PdfInfo(book, QStringLiteral("Creator")), pdf::kCreatorName);

    const QStringList outline = PdfOutline(book);
    QStringList topLevel;
    for (const QString& line : outline)
        if (!line.startsWith(u' '))
            topLevel << line;
    QCOMPARE(topLevel, expectedTitles);
    if (headings) {
        // Each chapter's own headings under its bookmark: its first heading names the chapter.
        for (int chapter = 0; chapter < kChapterTitles.size(); ++chapter) {
            const qsizetype at = outline.indexOf(expectedTitles.at(chapter));
            QCOMPARE(outline.value(at + 1), QStringLiteral("  ") + kChapterTitles.at(chapter));
        }
        QVERIFY(outline.contains(QStringLiteral("    Creating a Project with Cargo")));
    } else {
        QCOMPARE(outline, expectedTitles);
    }
    QVERIFY2(
        m_rig.host->messages.value(0).endsWith(
            QStringLiteral("Combined into one PDF:\n%1\n1 row that did not convert is left out.").arg(book)),
        qPrintable(m_rig.host->messages.value(0)));
}

void TestRealCombine::namesFromTitles_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("classic") << "classic";
    QTest::newRow("modern") << "modern";
}

void TestRealCombine::namesFromTitles() {
    QFETCH(QString, engine);
    const QStringList files{m_rig.work->filePath("in/first.html"), m_rig.work->filePath("in/second.html"),
                            m_rig.work->filePath("in/untitled.html")};
    QVERIFY(
        WriteFile(files.at(0), "<html><head><title>Same &amp; Title</title></head><body>1</body></html>"));
    QVERIFY(WriteFile(files.at(1),
                      "<html><head><title> Same &amp;\n Title </title></head><body>2</body></html>"));
    QVERIFY(WriteFile(files.at(2), "<html><body><h1>No title here</h1></body></html>"));
    m_rig.queue->AddFiles(files);
    m_rig.command->Runner().SetParallelism(1);
    m_rig.command->Runner().SetNameBy(NameBy::Title);
    Run(engine);

    const QDir out(m_rig.host->targetFolder);
    const QStringList expected{QDir::toNativeSeparators(out.filePath("Same & Title.pdf")),
                               QDir::toNativeSeparators(out.filePath("Same & Title (2).pdf")),
                               OutputPathFor(files.at(2), m_rig.host->targetFolder)};
    for (int row = 0; row < files.size(); ++row) {
        QCOMPARE(m_rig.queue->OutputPath(row), expected.at(row));
        QVERIFY(QFileInfo::exists(expected.at(row)));
    }
    QCOMPARE(PdfTitle(expected.at(0)), QStringLiteral("Same & Title"));
    QCOMPARE(PdfTitle(expected.at(2)), QString());
}

QTEST_MAIN(TestRealCombine)
#include "test_real_combine.moc"
