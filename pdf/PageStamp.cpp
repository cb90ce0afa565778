#include "PageStamp.h"

#include "PageTextFit.h"
#include "PdfDocument.h"
#include "StampLayer.h"

#include <QBuffer>
#include <QDir>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <exception>
#include <vector>

namespace velmora::pdf {

namespace {

// Fine enough that placing text in whole device units never shows.
constexpr int kStampResolution = 1200;

// The size of each page in points.
std::vector<QSizeF> PageSizes(std::vector<QPDFPageObjectHelper>& pages) {
    std::vector<QSizeF> sizes;
    for (QPDFPageObjectHelper& page : pages) {
        const QPDFObjectHandle::Rectangle box = page.getTrimBox().getArrayAsRectangle();
        sizes.emplace_back(box.urx - box.llx, box.ury - box.lly);
    }
    return sizes;
}

// Draws one line of stamped text, each part where FitPageTextLine puts it.
void DrawLine(QPainter& painter, const QRectF& band, const PageText& line, const PageFacts& facts) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const std::array<QString, 3> shown = FitPageTextLine(
        {FillPageText(line.left, facts), FillPageText(line.centre, facts), FillPageText(line.right, facts)},
        metrics, band.width());
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int part = 0; part < 3; ++part) {
        if (!shown[part].isEmpty())
            painter.drawText(band, alignments[part] | Qt::AlignVCenter | Qt::TextSingleLine, shown[part]);
    }
}

// Begins the content that lays a stamp over a page, so that it can be found and taken off again.
const std::string kStampMark = "% velmora page text\n";

// A PDF with one page per page of the document, of the same size, holding only the header and footer
// drawn with that page's facts.
QString DrawStamp(QIODevice* device, const std::vector<QSizeF>& pageSizes, const PageSetup& page,
                  const std::vector<PageFacts>& facts) {
    QPdfWriter writer(device);
    writer.setResolution(kStampResolution);
    writer.setPageMargins(QMarginsF());
    writer.setCreator(QString());
    QPainter painter;
    const double dotsPerMm = kStampResolution / kMmPerInch;
    const QMarginsF margins = page.LayoutMarginsMm() * dotsPerMm;
    const double edge = kPageTextEdgeMm * dotsPerMm;
    const double lineHeight = PageTextLineMm(page.textSizePt) * dotsPerMm;
    for (std::size_t index = 0; index < pageSizes.size(); ++index) {
        writer.setPageSize(QPageSize(pageSizes[index], QPageSize::Point, {}, QPageSize::ExactMatch));
        if (index == 0) {
            if (!painter.begin(&writer))
                return QStringLiteral("its header and footer could not be drawn");
            QFont font = painter.font();
            font.setPointSizeF(page.textSizePt);
            painter.setFont(font);
        } else if (!writer.newPage()) {
            return QStringLiteral("its header and footer could not be drawn");
        }
        const QSizeF size = pageSizes[index] / kPointsPerMm * dotsPerMm;
        const double left = margins.left();
        const double width = size.width() - margins.left() - margins.right();
        DrawLine(painter, QRectF(left, edge, width, lineHeight), page.header, facts[index]);
        DrawLine(painter, QRectF(left, size.height() - edge - lineHeight, width, lineHeight), page.footer,
                 facts[index]);
    }
    return painter.end() ? QString() : QStringLiteral("its header and footer could not be drawn");
}

// Lays page n of the stamp over page n of the document, as qpdf's own overlay does: the page's
// contents keep their graphics state to themselves, and the stamp's page follows as a form.
void Overlay(QPDF& pdf, std::vector<QPDFPageObjectHelper>& pages, QPDF& stamp) {
    std::vector<QPDFPageObjectHelper> stampPages = QPDFPageDocumentHelper(stamp).getAllPages();
    for (std::size_t index = 0; index < pages.size() && index < stampPages.size(); ++index) {
        QPDFPageObjectHelper& page = pages[index];
        const QPDFObjectHandle form = pdf.copyForeignObject(stampPages[index].getFormXObjectForPage());
        QPDFObjectHandle resources = page.getAttribute("/Resources", true);
        if (!resources.isDictionary()) {
            resources = QPDFObjectHandle::newDictionary();
            page.getObjectHandle().replaceKey("/Resources", resources);
        }
        resources.mergeResources(QPDFObjectHandle::parse("<< /XObject << >> >>"));
        int suffix = 0;
        const std::string name = resources.getUniqueResourceName("/Fx", suffix);
        const std::string placed = page.placeFormXObject(form, name, page.getTrimBox().getArrayAsRectangle());
        if (placed.empty())
            continue;
        resources.getKey("/XObject").replaceKey(name, form);
        page.addPageContents(pdf.newStream("q\n"), true);
        // Not part of the document's own content: a tagged PDF's readers skip it.
        page.addPageContents(pdf.newStream("\nQ\n" + kStampMark + "/Artifact BMC\n" + placed + "EMC\n"), false);
    }
}

} // namespace

QString StampPages(QPDF& pdf, std::vector<QPDFPageObjectHelper>& pages, const PageSetup& page,
                   const std::vector<PageFacts>& facts, std::vector<std::shared_ptr<void>>& kept) {
    if (pages.empty())
        return QStringLiteral("it has no pages");
    QBuffer drawn;
    drawn.open(QIODevice::WriteOnly);
    if (const QString problem = DrawStamp(&drawn, PageSizes(pages), page, facts); !problem.isEmpty())
        return problem;
    drawn.close();
    // The forms' contents are copied from the stamp's document when `pdf` is written.
    auto stampData = std::make_shared<QByteArray>(drawn.data());
    auto stamp = std::make_shared<QPDF>();
    stamp->processMemoryFile("header and footer", stampData->constData(), std::size_t(stampData->size()));
    Overlay(pdf, pages, *stamp);
    kept.push_back(std::move(stamp));
    kept.push_back(std::move(stampData));
    return {};
}

QString StampPages(LoadedPdf& loaded, const PageSetup& page, PageFacts facts) {
    QPDF& pdf = loaded.Document();
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (facts.title.isEmpty())
        facts.title = DocumentTitle(pdf);
    std::vector<PageFacts> eachPage(pages.size(), facts);
    for (std::size_t index = 0; index < eachPage.size(); ++index) {
        eachPage[index].page = int(index) + 1;
        eachPage[index].pages = int(pages.size());
    }
    std::vector<std::shared_ptr<void>> kept;
    const QString problem = StampPages(pdf, pages, page, eachPage, kept);
    for (std::shared_ptr<void>& stamp : kept)
        loaded.Keep(std::move(stamp));
    return problem;
}

void TakeOffStamp(QPDFPageObjectHelper& page) {
    QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
    if (!contents.isArray() || contents.getArrayNItems() < 3)
        return;
    QPDFObjectHandle last = contents.getArrayItem(contents.getArrayNItems() - 1);
    if (!last.isStream())
        return;
    const std::shared_ptr<Buffer> stream = last.getStreamData();
    const std::string data(reinterpret_cast<const char*>(stream->getBuffer()), stream->getSize());
    const std::string opening = "\nQ\n" + kStampMark;
    if (data.compare(0, opening.size(), opening) != 0)
        return;
    // The stamp's form goes from the page's resources with its placing.
    const std::size_t name = data.find("/Fx", opening.size());
    QPDFObjectHandle forms = page.getAttribute("/Resources", false).getKey("/XObject");
    if (name != std::string::npos && forms.isDictionary())
        forms.removeKey(data.substr(name, data.find_first_of(" \n", name) - name));
    contents.eraseItem(contents.getArrayNItems() - 1);
    contents.eraseItem(0);
}

QString StampPageText(const QString& from, const QString& to, const PageSetup& page, PageFacts facts) {
    const QString failed = QStringLiteral("The header and footer could not be added to the PDF (%1).");
    try {
        LoadedPdf loaded(from);
        if (const QString problem = StampPages(loaded, page, facts); !problem.isEmpty())
            return failed.arg(problem);
        loaded.Write(to);
    } catch (const std::exception& error) {
        return failed.arg(QString::fromUtf8(error.what()).simplified());
    }
    return {};
}

} // namespace velmora::pdf
