// Combining, bookmarks, document information and names from titles with the real engines: Debian's
// wkhtmltopdf (Classic) and Chromium (Modern), on chapters of the book corpus.
#include "CombinePdfs.h"
#include "DocumentInfo.h"
#include "PdfTools.h"
#include "RouteServer.h"
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
#include <QUrl>

#include <algorithm>
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
    void linksStayInsideTheBook_data();
    void linksStayInsideTheBook();
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

// Three chapters and one file gone before its turn: a contents page, then the chapters' pages and titles
// in queue order, the gone file left out and counted.
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
    m_rig.command->SetCombine({true, QStringLiteral("The Book"), true, QString(), true});
    Run(engine);

    const QString book = QDir::toNativeSeparators(QDir(m_rig.host->targetFolder).filePath("The Book.pdf"));
    QCOMPARE(m_rig.command->CombinedPath(), book);
    QCOMPARE(m_rig.queue->State(1), RowState::Failed);
    int pages = 1; // the contents
    QStringList rowTitles;
    QStringList contentsLines; // each chapter with the book's page it starts on
    for (int row : {0, 2, 3}) {
        const QString file = m_rig.queue->OutputPath(row);
        QVERIFY2(!file.isEmpty(), qPrintable(m_rig.queue->Reason(row)));
        contentsLines << QStringLiteral("%1 %2").arg(kChapterTitles.at(contentsLines.size())).arg(pages + 1);
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
    QVERIFY(pages >= 4);
    QCOMPARE(PdfPageCount(book), pages);
    const QString contents = PdfPageText(book, 1).simplified();
    for (const QString& line : contentsLines)
        QVERIFY2(contents.contains(line), qPrintable(contents));
    // With an outline of headings, a chapter's sections are listed under it.
    QCOMPARE(contents.contains(QStringLiteral("Creating a Project with Cargo")), headings);
    // The chapters share the book's name, which is the combined file's title and leaves the bookmarks.
    QCOMPARE(PdfTitle(book), kBookTitle.mid(3));
    QCOMPARE(PdfInfo(book, QStringLiteral("Creator")), pdf::kCreatorName);
    // The parts' tags are carried into the book.
    QCOMPARE(PdfInfo(book, QStringLiteral("Tagged")), headings ? QStringLiteral("yes") : QStringLiteral("no"));

    const QStringList outline = PdfOutline(book);
    QStringList topLevel;
    for (const QString& line : outline)
        if (!line.startsWith(u' '))
            topLevel << line;
    QCOMPARE(topLevel, QStringList{QStringLiteral("Contents")} + kChapterTitles);
    if (headings) {
        // Each chapter's own headings under its bookmark: its first heading names the chapter.
        for (int chapter = 0; chapter < kChapterTitles.size(); ++chapter) {
            const qsizetype at = outline.indexOf(kChapterTitles.at(chapter));
            QCOMPARE(outline.value(at + 1), QStringLiteral("  ") + kChapterTitles.at(chapter));
        }
        QVERIFY(outline.contains(QStringLiteral("    Creating a Project with Cargo")));
    } else {
        QCOMPARE(outline, QStringList{QStringLiteral("Contents")} + kChapterTitles);
    }
    QVERIFY2(
        m_rig.host->messages.value(0).endsWith(
            QStringLiteral("Combined into one PDF:\n%1\n1 row that did not convert is left out.").arg(book)),
        qPrintable(m_rig.host->messages.value(0)));
}

void TestRealCombine::linksStayInsideTheBook_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("web"); // the pages come from 127.0.0.1, else from local files
    for (const char* engine : {"classic", "modern"})
        for (bool web : {false, true})
            QTest::addRow("%s, %s", engine, web ? "web" : "files") << QString::fromLatin1(engine) << web;
}

// Three pages that link to their own far place, to each other and to a page outside the book: in the
// book every link to a row jumps inside it, the one outside keeps its address. The footer's page numbers
// count each PDF's own pages, and the book's.
void TestRealCombine::linksStayInsideTheBook() {
    QFETCH(QString, engine);
    QFETCH(bool, web);
    const QStringList names{"one", "two", "three"};
    RouteServer server;
    QStringList sources;
    for (const QString& name : names) {
        const QByteArray page = "<html><head><title>" + name.toUtf8() +
                                "</title></head><body><h1>Top</h1><p><a href='#far'>far</a> "
                                "<a href='two.html'>two</a> <a href='three.html#far'>three's far</a> "
                                "<a href='outside.html'>outside</a></p><div style='height:1600px'></div>"
                                "<h2 id='far'>Far</h2></body></html>";
        if (web) {
            server.routes["/" + name + ".html"] = {"200 OK", "text/html", page};
            sources << server.Url("/" + name + ".html");
        } else {
            sources << m_rig.work->filePath("set/" + name + ".html");
            QVERIFY(WriteFile(sources.last(), page));
        }
    }
    if (web) {
        QVERIFY(server.Listen());
        for (QString& source : sources)
            source = server.Url(QUrl(source).path());
        m_rig.queue->AddWebAddresses(sources);
    } else {
        m_rig.queue->AddFiles(sources);
    }
    m_rig.command->SetCombine({true, QStringLiteral("Book"), true});
    PageSetup page;
    page.footer.right = kPageNumberText;
    m_rig.command->Runner().SetPageSetup(page);
    Run(engine);

    QList<int> firstPages; // each part's first page in the book
    int pages = 0;
    for (int row = 0; row < names.size(); ++row) {
        QCOMPARE(m_rig.queue->State(row), RowState::Converted);
        firstPages << pages + 1;
        const int partPages = PdfPageCount(m_rig.queue->OutputPath(row));
        QVERIFY(PdfPageText(m_rig.queue->OutputPath(row), 1)
                    .contains(QStringLiteral("Page 1 of %1").arg(partPages)));
        pages += partPages;
    }
    const QString book = m_rig.command->CombinedPath();
    for (int first : firstPages)
        QVERIFY(PdfPageText(book, first).contains(QStringLiteral("Page %1 of %2").arg(first).arg(pages)));
    QVERIFY(PdfPageText(book, pages).contains(QStringLiteral("Page %1 of %1").arg(pages)));
    const QStringList links = PdfLinks(m_rig.command->CombinedPath());
    QCOMPARE(links.size(), 4 * names.size());
    int outside = 0;
    for (const QString& link : links) {
        const QString target = link.section(QStringLiteral(": "), 1);
        if (target.startsWith(QLatin1String("uri "))) {
            QVERIFY2(target.endsWith(QLatin1String("/outside.html")), qPrintable(link));
            ++outside;
            continue;
        }
        const int page = target.section(u' ', 1).toInt();
        QVERIFY2(target.startsWith(QLatin1String("page ")) && page >= 1 && page <= pages, qPrintable(link));
    }
    QCOMPARE(outside, names.size());
    // From each part's first page: to the second part's first page, and to a page of the third part.
    for (int first : firstPages) {
        QVERIFY2(links.contains(QStringLiteral("%1: page %2").arg(first).arg(firstPages.at(1))),
                 qPrintable(links.join(u'\n')));
        const bool toThird = std::any_of(links.cbegin(), links.cend(), [&](const QString& link) {
            const int page = link.section(u' ', 2).toInt();
            return link.startsWith(QStringLiteral("%1: page").arg(first)) && page >= firstPages.at(2);
        });
        QVERIFY2(toThird, qPrintable(links.join(u'\n')));
    }
    // Modern knows where a place is; Classic jumps to the start of the part that has it.
    const QString ownFar =
        QStringLiteral("1: page %1").arg(engine == QLatin1String("modern") ? firstPages.at(1) - 1 : 1);
    QVERIFY2(links.contains(ownFar), qPrintable(links.join(u'\n')));
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
