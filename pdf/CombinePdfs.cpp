#include "CombinePdfs.h"

#include "BookLinks.h"
#include "BookTags.h"
#include "ContentsPage.h"
#include "DocumentInfo.h"
#include "StampLayer.h"
#include "PdfDocument.h"
#include "RegularFile.h"

#include <QDir>
#include <QUrl>

#include <qpdf/BufferInputSource.hh>
#include <qpdf/FileInputSource.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFOutlineObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace velmora::pdf {

namespace {

// An outline item of the combined file, before it is linked to its parent and siblings.
struct Bookmark {
    QPDFObjectHandle item;
    bool open = false;
    std::vector<Bookmark> kids;
};

// How many items opening `bookmark` shows: its kids, and theirs where those are open.
int Shown(const Bookmark& bookmark) {
    int shown = 0;
    for (const Bookmark& kid : bookmark.kids)
        shown += 1 + (kid.open ? Shown(kid) : 0);
    return shown;
}

// Links the kids under `parent` as the outline's /First, /Last, /Prev, /Next, /Parent and /Count say.
void Link(QPDFObjectHandle parent, const std::vector<Bookmark>& kids) {
    for (std::size_t index = 0; index < kids.size(); ++index) {
        QPDFObjectHandle item = kids[index].item;
        item.replaceKey("/Parent", parent);
        if (index > 0)
            item.replaceKey("/Prev", kids[index - 1].item);
        if (index + 1 < kids.size())
            item.replaceKey("/Next", kids[index + 1].item);
        if (!kids[index].kids.empty()) {
            const int shown = Shown(kids[index]);
            item.replaceKey("/Count", QPDFObjectHandle::newInteger(kids[index].open ? shown : -shown));
            Link(item, kids[index].kids);
        }
    }
    if (!kids.empty()) {
        parent.replaceKey("/First", kids.front().item);
        parent.replaceKey("/Last", kids.back().item);
    }
}

QPDFObjectHandle NewItem(QPDF& pdf, const std::string& title, QPDFObjectHandle destination) {
    QPDFObjectHandle item = QPDFObjectHandle::newDictionary();
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
    if (!destination.isNull())
        item.replaceKey("/Dest", destination);
    return pdf.makeIndirectObject(item);
}

// A part read where it lies and open only while it is read, as qpdf's ClosedFileInputSource does, so
// that a thousand parts neither fill the memory nor use up the open files. While it stays open (its
// pages, outline, tags and places are read) it is held in memory, as those reads are many and small;
// afterwards each read opens the file again. It is opened only if it is still a regular file, and not
// at all once the combine is abandoned. What went wrong is kept, as qpdf turns some read errors into
// warnings.
class PartInput final : public InputSource {
public:
    PartInput(const QString& path, const std::atomic_bool* abandoned)
        : m_path(path), m_name(FileName(path)), m_abandoned(abandoned) {}

    void StayOpen(bool stay) {
        m_stayOpen = stay;
        if (!stay && m_file)
            After();
    }
    const std::string& Failure() const { return m_failure; }

    qpdf_offset_t findAndSkipNextEOL() override {
        Before();
        const qpdf_offset_t result = m_file->findAndSkipNextEOL();
        After();
        return result;
    }
    const std::string& getName() const override { return m_name; }
    qpdf_offset_t tell() override {
        Before();
        const qpdf_offset_t result = m_file->tell();
        After();
        return result;
    }
    void seek(qpdf_offset_t offset, int whence) override {
        Before();
        m_file->seek(offset, whence);
        After();
    }
    void rewind() override {
        m_offset = 0;
        if (m_file)
            m_file->rewind();
    }
    size_t read(char* buffer, size_t length) override {
        Before();
        const size_t result = m_file->read(buffer, length);
        After();
        return result;
    }
    // The byte goes back into the open file, which stays open for the read that follows.
    void unreadCh(char ch) override {
        Before();
        m_file->unreadCh(ch);
    }

private:
    void Before() {
        if (m_file)
            return;
        if (m_abandoned && m_abandoned->load())
            Fail("the combine was stopped");
        QString error;
        std::FILE* file = OpenRegularFile(m_path, error);
        if (!file)
            Fail(error.toStdString());
        if (m_stayOpen) {
            std::string contents;
            char chunk[65536];
            for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                contents.append(chunk, got);
            const bool failed = std::ferror(file) != 0;
            std::fclose(file);
            if (failed)
                Fail("it could not be read");
            m_file = std::make_unique<BufferInputSource>(m_name, contents);
        } else {
            m_file = std::make_unique<FileInputSource>(m_name.c_str(), file, true);
        }
        m_file->seek(m_offset, SEEK_SET);
        m_file->setLastOffset(last_offset);
    }
    void After() {
        last_offset = m_file->getLastOffset();
        m_offset = m_file->tell();
        if (!m_stayOpen)
            m_file.reset();
    }
    [[noreturn]] void Fail(const std::string& why) {
        if (m_failure.empty())
            m_failure = why;
        throw std::runtime_error(why);
    }

    QString m_path;
    std::string m_name;
    const std::atomic_bool* m_abandoned;
    std::unique_ptr<InputSource> m_file;
    qpdf_offset_t m_offset = 0;
    bool m_stayOpen = false;
    std::string m_failure;
};

std::vector<Bookmark> CopiedOutline(QPDF& pdf, std::vector<QPDFOutlineObjectHelper> items,
                                    const PageInPdf& toPage) {
    std::vector<Bookmark> copied;
    for (QPDFOutlineObjectHelper& item : items) {
        Bookmark bookmark{NewItem(pdf, item.getTitle(), DestinationIn(item.getDest(), toPage)),
                          item.getCount() > 0, CopiedOutline(pdf, item.getKids(), toPage)};
        copied.push_back(std::move(bookmark));
    }
    return copied;
}

// A local file is named as the platform writes it; an address as it was given.
QString ShownSource(const QString& source) {
    const QString scheme = QUrl(source).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https")
               ? source
               : QDir::toNativeSeparators(source);
}

// Gives the book's pages the header and footer of the page setup with {page} and {pages} counting the
// whole book, in place of each part's own. Each part keeps its own {title} and {url}.
QString NumberBook(QPDF& combined, const std::vector<std::pair<QString, QString>>& titlesAndSources,
                   const std::vector<std::size_t>& partPages, const PageSetup& page, const QDate& date,
                   std::vector<std::shared_ptr<void>>& kept) {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(combined).getAllPages();
    std::vector<PageFacts> facts;
    for (std::size_t part = 0; part < partPages.size(); ++part)
        for (std::size_t page = 0; page < partPages[part]; ++page)
            facts.push_back({int(facts.size()) + 1, int(pages.size()), titlesAndSources[part].first,
                             ShownSource(titlesAndSources[part].second), date});
    for (QPDFPageObjectHelper& each : pages)
        TakeOffStamp(each);
    return StampPages(combined, pages, page, facts, kept);
}

// A line of the contents and the place in the book it leads to.
struct ContentsEntry {
    QString text;
    bool heading = false;
    QPDFObjectHandle destination;
};

QString TitleOf(const Bookmark& bookmark) {
    QPDFObjectHandle item = bookmark.item;
    return QString::fromStdString(item.getKey("/Title").getUTF8Value()).simplified();
}

// What a part's line on the contents page lists under it: its outline's first level. An item there that
// is the page's own title (the only one, or named as the part is) stands for the part's line, which is
// shown already, so its own kids are listed in its place.
void AddContentsEntries(const Bookmark& bookmark, std::vector<ContentsEntry>& entries) {
    QPDFObjectHandle item = bookmark.item;
    const QString partTitle = TitleOf(bookmark);
    entries.push_back({partTitle, false, item.getKey("/Dest")});
    std::vector<const Bookmark*> listed;
    for (const Bookmark& top : bookmark.kids) {
        const bool isTheTitle =
            bookmark.kids.size() == 1 || TitleOf(top).compare(partTitle, Qt::CaseInsensitive) == 0;
        if (!isTheTitle)
            listed.push_back(&top);
        else
            for (const Bookmark& kid : top.kids)
                listed.push_back(&kid);
    }
    for (const Bookmark* heading : listed) {
        QPDFObjectHandle headingItem = heading->item;
        if (QPDFObjectHandle destination = headingItem.getKey("/Dest"); destination.isArray())
            entries.push_back({TitleOf(*heading), true, destination});
    }
}

QPDFObjectHandle StartOf(QPDFObjectHandle page) {
    QPDFObjectHandle start = QPDFObjectHandle::parse("[null /XYZ null null null]");
    start.setArrayItem(0, page);
    return start;
}

// The contents as drawn, and the document read from it for its pages.
struct ContentsDocument {
    QByteArray bytes;
    QPDF pdf;
};

// Puts the contents before the book's first page, each line a link to where it leads, and returns the
// contents' pages. What they are read from goes into `kept`.
std::vector<QPDFObjectHandle> AddContents(QPDF& combined, const QString& title,
                                          const std::vector<ContentsEntry>& entries, const PageSetup& page,
                                          std::vector<std::shared_ptr<void>>& kept) {
    QPDFPageDocumentHelper bookPages(combined);
    std::map<QPDFObjGen, int> pageNumbers;
    for (QPDFPageObjectHelper& each : bookPages.getAllPages())
        pageNumbers.emplace(each.getObjectHandle().getObjGen(), int(pageNumbers.size()) + 1);
    std::vector<ContentsLine> lines;
    for (ContentsEntry entry : entries) {
        const auto number = pageNumbers.find(entry.destination.getArrayItem(0).getObjGen());
        lines.push_back({entry.text, entry.heading, number == pageNumbers.end() ? 1 : number->second});
    }
    // The contents' own pages come first, so every number moves on by their count.
    const DrawnContents counted = DrawContents(title, lines, page);
    if (!counted.problem.isEmpty())
        throw std::runtime_error(counted.problem.toStdString());
    for (ContentsLine& line : lines)
        line.page += counted.pages;
    const DrawnContents drawn = DrawContents(title, lines, page);
    if (!drawn.problem.isEmpty())
        throw std::runtime_error(drawn.problem.toStdString());

    auto document = std::make_shared<ContentsDocument>();
    document->bytes = drawn.pdf;
    document->pdf.processMemoryFile("contents", document->bytes.constData(), std::size_t(document->bytes.size()));
    kept.push_back(document);
    std::vector<QPDFObjectHandle> pages;
    for (QPDFPageObjectHelper& each : QPDFPageDocumentHelper(document->pdf).getAllPages())
        pages.push_back(combined.copyForeignObject(each.getObjectHandle()));
    for (auto each = pages.rbegin(); each != pages.rend(); ++each)
        bookPages.addPage(*each, true);
    for (std::size_t index = 0; index < drawn.spots.size() && index < entries.size(); ++index) {
        const DrawnContents::Spot& spot = drawn.spots[index];
        QPDFObjectHandle link = QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Border [0 0 0] >>");
        link.replaceKey("/Rect", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(
                                     spot.rect.left(), spot.rect.top(), spot.rect.right(), spot.rect.bottom())));
        QPDFObjectHandle destination = entries[index].destination;
        link.replaceKey("/Dest", destination.shallowCopy());
        QPDFObjectHandle onPage = pages.at(std::size_t(spot.page));
        if (!onPage.getKey("/Annots").isArray())
            onPage.replaceKey("/Annots", QPDFObjectHandle::newArray());
        onPage.getKey("/Annots").appendItem(combined.makeIndirectObject(link));
    }
    return pages;
}

} // namespace

QString CombinePdfs(const CombineRequest& request, const QString& to, const QDateTime& now,
                    const std::atomic_bool* abandoned) {
    QString current;
    try {
        // The parts must outlive the combined document, which copies their pages' contents from them as
        // it is written.
        std::vector<std::pair<std::shared_ptr<PartInput>, std::shared_ptr<QPDF>>> parts;
        QPDF combined;
        combined.emptyPDF();
        QPDFPageDocumentHelper combinedPages(combined);
        std::vector<Bookmark> bookmarks;
        std::vector<ContentsEntry> contents;
        std::vector<LinkedPart> linked;
        BookTags tags(combined);
        std::vector<std::pair<QString, QString>> titlesAndSources; // each part's, for its header and footer
        std::vector<std::shared_ptr<void>> stamps;                 // read as the combined file is written
        for (const CombinePart& part : request.parts) {
            current = part.pdfPath;
            auto input = std::make_shared<PartInput>(part.pdfPath, abandoned);
            auto pdf = std::make_shared<QPDF>();
            pdf->setSuppressWarnings(true);
            input->StayOpen(true);
            pdf->processInputSource(input);
            std::map<QPDFObjGen, QPDFObjectHandle> pages;
            LinkedPart linkedPart{part.source, pdf.get(), {}, {}};
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*pdf).getAllPages()) {
                QPDFObjectHandle copy = combined.copyForeignObject(page.getObjectHandle());
                combinedPages.addPage(copy, false);
                pages.emplace(page.getObjectHandle().getObjGen(), copy);
                linkedPart.ownPages.push_back(page.getObjectHandle());
                linkedPart.pages.push_back(copy);
            }
            if (linkedPart.pages.empty())
                throw std::runtime_error("it has no pages");
            tags.AddPart(*pdf, linkedPart.pages);
            const PageInPdf toPage = [&pages](QPDFObjectHandle page) {
                const auto copy = pages.find(page.getObjGen());
                return copy == pages.end() ? QPDFObjectHandle::newNull() : copy->second;
            };
            QPDFOutlineDocumentHelper outline(*pdf);
            bookmarks.push_back({NewItem(combined, part.bookmark.toStdString(), StartOf(linkedPart.pages.front())),
                                 false, CopiedOutline(combined, outline.getTopLevelOutlines(), toPage)});
            if (request.contents)
                AddContentsEntries(bookmarks.back(), contents);
            titlesAndSources.emplace_back(DocumentTitle(*pdf), part.source);
            linked.push_back(std::move(linkedPart));
            input->StayOpen(false);
            parts.emplace_back(std::move(input), std::move(pdf));
        }
        current.clear();
        KeepLinksInside(linked);
        std::vector<std::size_t> partPages;
        if (request.contents) {
            const std::vector<QPDFObjectHandle> contentsPages =
                AddContents(combined, request.title, contents, request.page, stamps);
            bookmarks.insert(bookmarks.begin(), Bookmark{NewItem(combined, "Contents", StartOf(contentsPages.front())), false, {}});
            tags.AddDrawnPages(contentsPages, "/Sect", true);
            // The contents count in the book's page numbers, with the book's title for their own.
            partPages.push_back(contentsPages.size());
            titlesAndSources.insert(titlesAndSources.begin(), {request.title, QString()});
        }
        tags.Finish();
        if (request.page.HasPageText() && request.page.numbering == PageNumbering::Book) {
            for (const LinkedPart& part : linked)
                partPages.push_back(part.pages.size());
            if (const QString problem =
                    NumberBook(combined, titlesAndSources, partPages, request.page, now.date(), stamps);
                !problem.isEmpty())
                throw std::runtime_error("its pages could not be numbered: " + problem.toStdString());
        }
        QPDFObjectHandle root = combined.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
        Link(root, bookmarks);
        root.replaceKey("/Count", QPDFObjectHandle::newInteger(int(bookmarks.size())));
        combined.getRoot().replaceKey("/Outlines", root);
        combined.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
        SetDocumentInfo(combined, {request.title, request.subject, now});
        WritePdf(combined, to);
        // A part that could not be read again while its pages were copied leaves them incomplete.
        for (std::size_t index = 0; index < parts.size(); ++index) {
            if (const std::string& failure = parts[index].first->Failure(); !failure.empty()) {
                current = request.parts.at(qsizetype(index)).pdfPath;
                throw std::runtime_error(failure);
            }
        }
    } catch (const std::exception& error) {
        const QString why = QString::fromUtf8(error.what()).simplified();
        if (!current.isEmpty())
            return QStringLiteral("The PDFs could not be combined: \"%1\" could not be read (%2).")
                .arg(QDir::toNativeSeparators(current), why);
        return QStringLiteral("The PDFs could not be combined (%1).").arg(why);
    }
    return {};
}

PdfCombiner Combiner() {
    return [](const CombineRequest& request, const QString& to, const std::atomic_bool& abandoned) {
        return CombinePdfs(request, to, QDateTime::currentDateTime(), &abandoned);
    };
}

} // namespace velmora::pdf
