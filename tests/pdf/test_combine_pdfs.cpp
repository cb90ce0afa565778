#include "CombinePdfs.h"
#include "DocumentInfo.h"
#include "MinimalPdf.h"
#include "PdfTools.h"
#include "RowFinish.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QUrl>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNumberTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <chrono>
#include <future>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velmora;

Q_DECLARE_METATYPE(velmora::PageNumbering)
using namespace velmora::test;

namespace {

// Two pages with an outline of its own, as Chromium makes from a page's headings: "Heading" on page 2,
// and under it "Sub", also on page 2.
QByteArray OutlinedPdf() {
    return MinimalPdf({
        "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
        "<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 2 >>",
        "<< /Title (Heading) /Parent 5 0 R /Dest [4 0 R /XYZ 0 200 0] /First 7 0 R /Last 7 0 R /Count 1 >>",
        "<< /Title (Sub) /Parent 6 0 R /Dest [4 0 R /Fit] >>",
    });
}

QByteArray Link(const QByteArray& target) {
    return "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] " + target + " >>";
}

QByteArray UriLink(const QString& address) {
    return Link("/A << /S /URI /URI (" + address.toUtf8() + ") >>");
}

// A local document of two pages whose second holds the place "far" (in the /Dests dictionary), linking
// from its first page to that place, to the web page of WebPartPdf and its place "sec", to a file
// outside the book, to a place it lacks, to a name it does not have, and straight to its second page.
QByteArray LocalPartPdf(const QString& self, const QString& outside) {
    const QString selfUrl = QUrl::fromLocalFile(self).toString();
    return MinimalPdf({
        "<< /Type /Catalog /Pages 2 0 R /Dests 5 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [6 0 R 7 0 R 8 0 R 9 0 R 10 0 R 11 0 R "
        "12 0 R] >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
        "<< /far [4 0 R /XYZ 0 100 0] >>",
        Link("/Dest /far"),
        UriLink(QStringLiteral("http://127.0.0.1/docs/b.html")),
        UriLink(QStringLiteral("http://127.0.0.1/docs/b.html#sec")),
        UriLink(QUrl::fromLocalFile(outside).toString()),
        UriLink(selfUrl + QStringLiteral("#nosuch")),
        Link("/Dest /missing"),
        Link("/Dest [4 0 R /Fit]"),
    });
}

// A web page of two pages whose second holds the place "sec" (in the name tree), linking to it by name
// and by its own address written another way.
QByteArray WebPartPdf() {
    return MinimalPdf({
        "<< /Type /Catalog /Pages 2 0 R /Names << /Dests 5 0 R >> >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [6 0 R 7 0 R] >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
        "<< /Names [(sec) [4 0 R /Fit]] >>",
        Link("/A << /S /GoTo /D (sec) >>"),
        UriLink(QStringLiteral("http://127.0.0.1:80/docs/./b.html#sec")),
    });
}

// A tagged page, as Chromium makes one: its content is a paragraph element, and its one link a Link
// element; the page (key 0) and the link (key 1) find their elements through the parent tree.
QByteArray TaggedPartPdf(const QByteArray& language) {
    const QByteArray content = "/P << /MCID 0 >> BDC 0 0 10 10 re f EMC";
    return MinimalPdf({
        "<< /Type /Catalog /Pages 2 0 R /StructTreeRoot 5 0 R /MarkInfo << /Marked true >> /Lang (" + language +
            ") >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /StructParents 0 /Annots [9 0 R] >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /StructTreeRoot /K 6 0 R /ParentTree 10 0 R /ParentTreeNextKey 2 /RoleMap << /Chapter /Sect >> >>",
        "<< /Type /StructElem /S /Document /P 5 0 R /K [7 0 R 8 0 R] >>",
        "<< /Type /StructElem /S /P /P 6 0 R /Pg 3 0 R /K 0 >>",
        "<< /Type /StructElem /S /Link /P 6 0 R /K << /Type /OBJR /Obj 9 0 R /Pg 3 0 R >> >>",
        "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /StructParent 1 /A << /S /URI /URI (http://x.test/) >> >>",
        "<< /Nums [0 [7 0 R] 1 8 0 R] >>",
    });
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

constexpr int kWaitMs = 30 * 1000;

const QDateTime kMoment(QDate(2026, 3, 4), QTime(5, 6, 7), QTimeZone(2 * 3600));

} // namespace

class TestCombinePdfs : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_work.isValid()); }
    void partsInOrderWithTheirOwnOutlinesNested();
    void unreadablePartFailsAndNamesIt();
    void partThatIsNoFileFailsWithoutWaiting_data();
    void partThatIsNoFileFailsWithoutWaiting();
    void linksStayInsideTheBook();
    void rowLinksToItselfStayInside();
    void pageNumbersCountTheBook_data();
    void pageNumbersCountTheBook();
    void contentsPageLeadsToEachPart();
    void longContentsTakeMorePagesAndMoveTheNumbers();
    void tagsOfEachPartUnderOneDocument();
    void rowDocumentInformation_data();
    void rowDocumentInformation();
    void pdfDates_data();
    void pdfDates();

private:
    QString Path(const QString& name) const { return m_work.filePath(name); }
    QTemporaryDir m_work;
};

// Every link to a part of the book, or to a place in one, jumps inside the book; others keep their address.
void TestCombinePdfs::linksStayInsideTheBook() {
    const QString outside = Path("outside.html");
    QVERIFY(WriteBytes(Path("a.pdf"), LocalPartPdf(Path("a.html"), outside)));
    QVERIFY(WriteBytes(Path("b.pdf"), WebPartPdf()));
    CombineRequest request;
    request.parts = {{Path("a.pdf"), QStringLiteral("A"), Path("a.html")},
                     {Path("b.pdf"), QStringLiteral("B"), QStringLiteral("http://127.0.0.1/docs/b.html")}};
    QCOMPARE(pdf::CombinePdfs(request, Path("book.pdf"), kMoment), QString());

    QCOMPARE(PdfLinks(Path("book.pdf")), (QStringList{
                                             "1: page 2", // its own place by name
                                             "1: page 3", // the other part
                                             "1: page 4", // the other part's place
                                             "1: uri " + QUrl::fromLocalFile(outside).toString(),
                                             "1: page 1", // its own place that is not there
                                             "1: page 1", // a name it does not have
                                             "1: page 2", // its own page
                                             "3: page 4", // a place by name, in a second part
                                             "3: page 4", // its own address written another way
                                         }));
}

// A row's own PDF: its links to its own address jump inside it; a link to another page keeps its address.
void TestCombinePdfs::rowLinksToItselfStayInside() {
    QVERIFY(WriteBytes(Path("in.pdf"), LocalPartPdf(Path("a.html"), Path("outside.html"))));
    RenderRequest request;
    request.source = Path("a.html");
    request.localRoot = m_work.path();
    QCOMPARE(pdf::FinishRowPdf(Path("in.pdf"), Path("out.pdf"), request, {}, kMoment), QString());

    QCOMPARE(PdfLinks(Path("out.pdf")),
             (QStringList{"1: page 2", "1: uri http://127.0.0.1/docs/b.html",
                          "1: uri http://127.0.0.1/docs/b.html#sec",
                          "1: uri " + QUrl::fromLocalFile(Path("outside.html")).toString(), "1: page 1",
                          "1: page 1", "1: page 2"}));
}

void TestCombinePdfs::pageNumbersCountTheBook_data() {
    QTest::addColumn<PageNumbering>("numbering");
    QTest::addColumn<QStringList>("texts"); // of the book's five pages: header, body, footer
    QTest::newRow("book") << PageNumbering::Book
                          << QStringList{"Alpha Body1 Page 1 of 5", "Alpha Body2 Page 2 of 5",
                                         "Beta Body1 Page 3 of 5", "Beta Body2 Page 4 of 5",
                                         "Beta Body3 Page 5 of 5"};
    QTest::newRow("each part") << PageNumbering::EachPart
                               << QStringList{"Alpha Body1 Page 1 of 2", "Alpha Body2 Page 2 of 2",
                                              "Beta Body1 Page 1 of 3", "Beta Body2 Page 2 of 3",
                                              "Beta Body3 Page 3 of 3"};
}

// Each row's own PDF counts its own pages; the book counts its own, or keeps the parts' counts. Every
// page keeps its part's title.
void TestCombinePdfs::pageNumbersCountTheBook() {
    QFETCH(PageNumbering, numbering);
    QFETCH(QStringList, texts);
    RenderRequest row;
    row.page.header = {QStringLiteral("{title}"), {}, {}};
    row.page.footer = {{}, {}, kPageNumberText};
    row.page.numbering = numbering;
    const QPageSize a5(QPageSize::A5);
    const QList<std::pair<QString, int>> parts{{QStringLiteral("Alpha"), 2}, {QStringLiteral("Beta"), 3}};
    CombineRequest request;
    request.page = row.page;
    for (const auto& [title, pages] : parts) {
        QVERIFY(WriteTestPdf(Path(title + ".in.pdf"), QList<QPageSize>(pages, a5), {}));
        row.source = Path(title + ".html");
        QCOMPARE(pdf::FinishRowPdf(Path(title + ".in.pdf"), Path(title + ".pdf"), row, title, kMoment),
                 QString());
        QCOMPARE(PdfPageText(Path(title + ".pdf"), pages).simplified(),
                 QStringLiteral("%1 Body%2 Page %2 of %2").arg(title).arg(pages));
        request.parts.append({Path(title + ".pdf"), title, row.source});
    }
    QCOMPARE(pdf::CombinePdfs(request, Path("book.pdf"), kMoment), QString());

    QCOMPARE(PdfPageCount(Path("book.pdf")), int(texts.size()));
    for (int page = 1; page <= texts.size(); ++page)
        QCOMPARE(PdfPageText(Path("book.pdf"), page).simplified(), texts.at(page - 1));
}

// The contents come first, count as the book's page 1, list each part and its headings with the page they
// start on, and each line jumps there.
void TestCombinePdfs::contentsPageLeadsToEachPart() {
    const QPageSize a5(QPageSize::A5);
    QVERIFY(WriteTestPdf(Path("one.pdf"), {a5}, QStringLiteral("One")));
    QVERIFY(WriteBytes(Path("outlined.pdf"), OutlinedPdf()));
    QVERIFY(WriteTestPdf(Path("three.pdf"), {a5, a5, a5}, {}));
    CombineRequest request;
    request.parts = {{Path("one.pdf"), QStringLiteral("First"), Path("one.html")},
                     {Path("outlined.pdf"), QStringLiteral("Second"), Path("outlined.html")},
                     {Path("three.pdf"), QStringLiteral("Third"), Path("three.html")}};
    request.title = QStringLiteral("The Book");
    request.page.footer = {{}, {}, kPageNumberText};
    request.contents = true;

    QCOMPARE(pdf::CombinePdfs(request, Path("book.pdf"), kMoment), QString());

    QCOMPARE(PdfPageCount(Path("book.pdf")), 1 + 1 + 2 + 3);
    // "Heading", the outlined part's only top-level heading, reads as its title: what is under it is listed.
    const QString contents = PdfPageText(Path("book.pdf"), 1).simplified();
    QCOMPARE(contents, QStringLiteral("The Book Contents First 2 Second 3 Sub 4 Third 5 Page 1 of 7"));
    QCOMPARE(PdfLinks(Path("book.pdf")), (QStringList{"1: page 2", "1: page 3", "1: page 4", "1: page 5"}));
    QCOMPARE(PdfOutline(Path("book.pdf")),
             (QStringList{"Contents", "First", "Second", "  Heading", "    Sub", "Third"}));
    QCOMPARE(PdfOutlinePages(Path("book.pdf")), (QList<int>{1, 2, 3, 5}));
    QCOMPARE(PdfPageText(Path("book.pdf"), 7).simplified(), QStringLiteral("Body3 Page 7 of 7"));
}

// Contents longer than a page push every part on, and every number they show follows.
void TestCombinePdfs::longContentsTakeMorePagesAndMoveTheNumbers() {
    CombineRequest request;
    for (int part = 1; part <= 80; ++part) {
        const QString name = QStringLiteral("part%1.pdf").arg(part);
        QVERIFY(WriteTestPdf(Path(name), {QPageSize(QPageSize::A5)}, {}));
        request.parts.append({Path(name), QStringLiteral("Chapter %1").arg(part), Path(name + ".html")});
    }
    request.page.paper = Paper::A5;
    request.contents = true;

    QCOMPARE(pdf::CombinePdfs(request, Path("book.pdf"), kMoment), QString());

    const QList<int> bookmarkPages = PdfOutlinePages(Path("book.pdf"));
    QCOMPARE(bookmarkPages.size(), 81);
    const int contentsPages = bookmarkPages.at(1) - 1;
    QVERIFY2(contentsPages >= 2, qPrintable(QString::number(contentsPages)));
    QCOMPARE(PdfPageCount(Path("book.pdf")), contentsPages + 80);
    QCOMPARE(PdfPageText(Path("book.pdf"), contentsPages + 80), QStringLiteral("Body1"));
    const QString lastLine = PdfPageText(Path("book.pdf"), contentsPages).simplified();
    QVERIFY2(lastLine.endsWith(QStringLiteral("Chapter 80 %1").arg(contentsPages + 80)), qPrintable(lastLine));
    const QStringList links = PdfLinks(Path("book.pdf"));
    QCOMPARE(links.size(), 80);
    QCOMPARE(links.first(), QStringLiteral("1: page %1").arg(contentsPages + 1));
    QCOMPARE(links.last(), QStringLiteral("%1: page %2").arg(contentsPages).arg(contentsPages + 80));
}

// Each tagged part's tree becomes a Part of the book's one Document, after the contents' own; every page
// and link still finds its own element through the parent tree, though each part used the same keys.
void TestCombinePdfs::tagsOfEachPartUnderOneDocument() {
    QVERIFY(WriteBytes(Path("a.pdf"), TaggedPartPdf("en")));
    QVERIFY(WriteTestPdf(Path("plain.pdf"), {QPageSize(QPageSize::A5)}, {}));
    QVERIFY(WriteBytes(Path("b.pdf"), TaggedPartPdf("de")));
    CombineRequest request;
    request.parts = {{Path("a.pdf"), QStringLiteral("A"), Path("a.html")},
                     {Path("plain.pdf"), QStringLiteral("Plain"), Path("plain.html")},
                     {Path("b.pdf"), QStringLiteral("B"), Path("b.html")}};
    request.contents = true;
    request.page.footer = {{}, {}, kPageNumberText};
    QCOMPARE(pdf::CombinePdfs(request, Path("book.pdf"), kMoment), QString());
    QCOMPARE(PdfInfo(Path("book.pdf"), QStringLiteral("Tagged")), QStringLiteral("yes"));

    QPDF book;
    book.processFile(Path("book.pdf").toLocal8Bit().constData());
    QPDFObjectHandle catalog = book.getRoot();
    QCOMPARE(QString::fromStdString(catalog.getKey("/Lang").getUTF8Value()), QStringLiteral("en"));
    QPDFObjectHandle root = catalog.getKey("/StructTreeRoot");
    QPDFObjectHandle document = root.getKey("/K");
    QCOMPARE(QString::fromStdString(document.getKey("/S").getName()), QStringLiteral("/Document"));
    QVERIFY(document.getKey("/P").isSameObjectAs(root));
    QStringList kinds;
    for (QPDFObjectHandle element : document.getKey("/K").aitems()) {
        kinds << QString::fromStdString(element.getKey("/S").getName());
        QVERIFY(element.getKey("/P").isSameObjectAs(document));
    }
    QCOMPARE(kinds, (QStringList{"/Sect", "/Part", "/Part"}));
    QCOMPARE(QString::fromStdString(root.getKey("/RoleMap").getKey("/Chapter").getName()), QStringLiteral("/Sect"));

    QPDFNumberTreeObjectHelper parents(root.getKey("/ParentTree"), book);
    QList<int> taggedPages;
    int taggedLinks = 0;
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(book).getAllPages();
    for (std::size_t index = 0; index < pages.size(); ++index) {
        QPDFObjectHandle page = pages[index].getObjectHandle();
        if (!page.getKey("/StructParents").isInteger())
            continue;
        QPDFObjectHandle elements;
        QVERIFY(parents.findObject(page.getKey("/StructParents").getIntValue(), elements));
        QVERIFY2(elements.getArrayItem(0).getKey("/Pg").isSameObjectAs(page), qPrintable(QString::number(index)));
        taggedPages << int(index) + 1;
        for (QPDFAnnotationObjectHelper& link : pages[index].getAnnotations("/Link")) {
            QPDFObjectHandle annotation = link.getObjectHandle();
            QPDFObjectHandle element;
            if (!annotation.getKey("/StructParent").isInteger())
                continue; // the contents' own links
            QVERIFY(parents.findObject(annotation.getKey("/StructParent").getIntValue(), element));
            QVERIFY(element.getKey("/K").getKey("/Obj").isSameObjectAs(annotation));
            ++taggedLinks;
        }
    }
    QCOMPARE(taggedPages, (QList<int>{1, 2, 4})); // the contents, A and B; the plain part has no tags
    QCOMPARE(taggedLinks, 2);
    // The footer is no part of the document's content: a reader of the tags skips it.
    QPDFObjectHandle contents = pages[1].getObjectHandle().getKey("/Contents");
    QVERIFY(contents.isArray());
    const std::shared_ptr<Buffer> footer = contents.getArrayItem(contents.getArrayNItems() - 1).getStreamData();
    QVERIFY(std::string(reinterpret_cast<const char*>(footer->getBuffer()), footer->getSize()).find("/Artifact BMC") !=
            std::string::npos);
}

void TestCombinePdfs::partsInOrderWithTheirOwnOutlinesNested() {
    const QPageSize a5(QPageSize::A5);
    QVERIFY(WriteTestPdf(Path("one.pdf"), {a5}, QStringLiteral("One")));
    QVERIFY(WriteBytes(Path("outlined.pdf"), OutlinedPdf()));
    QVERIFY(WriteTestPdf(Path("three.pdf"), {a5, a5, a5}, {}));
    CombineRequest request;
    request.parts = {{Path("one.pdf"), QStringLiteral("First — été"), Path("one.html")},
                     {Path("outlined.pdf"), QStringLiteral("Second"), Path("outlined.html")},
                     {Path("three.pdf"), QStringLiteral("https://site.test/third.html"),
                      QStringLiteral("https://site.test/third.html")}};
    request.title = QStringLiteral("The Book");
    request.subject = QStringLiteral("three sources");

    QCOMPARE(pdf::CombinePdfs(request, Path("book.pdf"), kMoment), QString());

    QCOMPARE(PdfPageCount(Path("book.pdf")), 1 + 2 + 3);
    QCOMPARE(PdfOutline(Path("book.pdf")),
             (QStringList{"First — été", "Second", "  Heading", "    Sub", "https://site.test/third.html"}));
    // Each part's bookmark leads to its first page; its own ones keep leading to their page.
    QCOMPARE(PdfOutlinePages(Path("book.pdf")), (QList<int>{1, 2, 4}));
    QCOMPARE(PdfPageText(Path("book.pdf"), 4), QStringLiteral("Body1"));
    QCOMPARE(PdfPageText(Path("book.pdf"), 6), QStringLiteral("Body3"));
    QCOMPARE(PdfTitle(Path("book.pdf")), QStringLiteral("The Book"));
    QCOMPARE(PdfInfo(Path("book.pdf"), QStringLiteral("Subject")), QStringLiteral("three sources"));
    QCOMPARE(PdfInfo(Path("book.pdf"), QStringLiteral("Creator")), pdf::kCreatorName);
}

void TestCombinePdfs::unreadablePartFailsAndNamesIt() {
    QVERIFY(WriteTestPdf(Path("good.pdf"), {QPageSize(QPageSize::A5)}, {}));
    QVERIFY(WriteBytes(Path("damaged.pdf"), "%PDF-1.4\nnot a PDF at all\n%%EOF\n"));
    CombineRequest request;
    request.parts = {{Path("good.pdf"), QStringLiteral("Good"), Path("good.html")},
                     {Path("damaged.pdf"), QStringLiteral("Bad"), Path("damaged.html")}};

    const QString problem = pdf::CombinePdfs(request, Path("book.pdf"), kMoment);

    QVERIFY2(problem.startsWith(QStringLiteral("The PDFs could not be combined: \"%1\" could not be read")
                                    .arg(QDir::toNativeSeparators(Path("damaged.pdf")))),
             qPrintable(problem));
}

void TestCombinePdfs::partThatIsNoFileFailsWithoutWaiting_data() {
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("named pipe") << false;
    QTest::newRow("link to a named pipe") << true;
}

// Opening a named pipe to read waits for a writer that never comes.
void TestCombinePdfs::partThatIsNoFileFailsWithoutWaiting() {
#ifdef Q_OS_WIN
    QSKIP("Named pipes in a folder are POSIX's.");
#else
    QFETCH(bool, throughLink);
    QVERIFY(WriteTestPdf(Path("good.pdf"), {QPageSize(QPageSize::A5)}, {}));
    const QString pipe = Path(throughLink ? "linked-pipe.pdf" : "pipe.pdf");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString part = throughLink ? Path("link.pdf") : pipe;
    if (throughLink)
        QVERIFY(QFile::link(pipe, part));
    CombineRequest request;
    request.parts = {{Path("good.pdf"), QStringLiteral("Good"), Path("good.html")},
                     {part, QStringLiteral("Pipe"), Path("pipe.html")}};

    std::future<QString> combining =
        std::async(std::launch::async, [&] { return pdf::CombinePdfs(request, Path("book.pdf"), kMoment); });
    // A combine stuck on the pipe goes on once a writer has come and gone, so a failing test ends.
    const auto release = qScopeGuard([&] {
        const int writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    });
    QTRY_VERIFY_WITH_TIMEOUT(combining.wait_for(std::chrono::seconds(0)) == std::future_status::ready,
                             kWaitMs);

    const QString problem = combining.get();
    QVERIFY2(problem.startsWith(QStringLiteral("The PDFs could not be combined: \"%1\" could not be read (")
                                    .arg(QDir::toNativeSeparators(part))),
             qPrintable(problem));
    QVERIFY2(problem.contains(QLatin1String("not a regular file")), qPrintable(problem));
#endif
}

// The information is set in the same pass as the header and footer, and replaces the engine's own.
void TestCombinePdfs::rowDocumentInformation_data() {
    QTest::addColumn<QString>("pageTitle");
    QTest::addColumn<bool>("footer");
    QTest::addColumn<QString>("title");

    QTest::newRow("title told, no footer")
        << QStringLiteral("Told Title") << false << QStringLiteral("Told Title");
    QTest::newRow("no title: the engine's stand-in goes") << QString() << false << QString();
    QTest::newRow("title told, with footer")
        << QStringLiteral("Told Title") << true << QStringLiteral("Told Title");
}

void TestCombinePdfs::rowDocumentInformation() {
    QFETCH(QString, pageTitle);
    QFETCH(bool, footer);
    QFETCH(QString, title);
    QVERIFY(WriteTestPdf(Path("in.pdf"), {QPageSize(QPageSize::A5)}, QStringLiteral("https://site.test/a")));
    RenderRequest request;
    request.source = QStringLiteral("https://site.test/a");
    if (footer)
        request.page.footer.centre = QStringLiteral("Page {page}");

    QCOMPARE(pdf::FinishRowPdf(Path("in.pdf"), Path("out.pdf"), request, pageTitle, kMoment), QString());

    QCOMPARE(PdfTitle(Path("out.pdf")), title);
    QCOMPARE(PdfInfo(Path("out.pdf"), QStringLiteral("Subject")), request.source);
    QCOMPARE(PdfInfo(Path("out.pdf"), QStringLiteral("Creator")), pdf::kCreatorName);
    QVERIFY(!PdfInfo(Path("out.pdf"), QStringLiteral("CreationDate")).isEmpty());
    QCOMPARE(PdfPageText(Path("out.pdf"), 1).contains(QStringLiteral("Page 1")), footer);
}

void TestCombinePdfs::pdfDates_data() {
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("text");

    const QDate day(2026, 12, 31);
    const QTime time(23, 59, 58);
    QTest::newRow("UTC") << QDateTime(day, time, QTimeZone(0)) << "D:20261231235958+00'00'";
    QTest::newRow("east, half hours")
        << QDateTime(day, time, QTimeZone(5 * 3600 + 1800)) << "D:20261231235958+05'30'";
    QTest::newRow("west") << QDateTime(day, time, QTimeZone(-8 * 3600)) << "D:20261231235958-08'00'";
}

void TestCombinePdfs::pdfDates() {
    QFETCH(QDateTime, moment);
    QFETCH(QString, text);
    QCOMPARE(pdf::PdfDate(moment), text);
}

QTEST_MAIN(TestCombinePdfs)
#include "test_combine_pdfs.moc"
