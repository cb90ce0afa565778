#include "PageStamp.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFJob.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <exception>
#include <sstream>
#include <vector>

namespace velmora::pdf {

namespace {

// Fine enough that placing text in whole device units never shows.
constexpr int kStampResolution = 1200;

std::string FileName(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
}

// The size of each page in points, and the document's own title.
struct Document {
    std::vector<QSizeF> pageSizes;
    QString title;
};

Document ReadDocument(const QString& path) {
    QPDF pdf;
    pdf.processFile(FileName(path).c_str());
    Document document;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        const QPDFObjectHandle::Rectangle box = page.getTrimBox().getArrayAsRectangle();
        document.pageSizes.emplace_back(box.urx - box.llx, box.ury - box.lly);
    }
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    if (info.isDictionary() && info.getKey("/Title").isString())
        document.title = QString::fromStdString(info.getKey("/Title").getUTF8Value());
    return document;
}

// Draws one line of stamped text. The centre part is centred on the band; the side parts share what it
// leaves, each shortened in the middle where it would run into another.
void DrawLine(QPainter& painter, const QRectF& band, const PageText& line, const PageFacts& facts) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const bool sides = !line.left.isEmpty() || !line.right.isEmpty();
    const bool bothSides = !line.left.isEmpty() && !line.right.isEmpty();
    double centreWidth = 0;
    if (!line.centre.isEmpty()) {
        const QString centre = metrics.elidedText(FillPageText(line.centre, facts), Qt::ElideMiddle,
                                                  sides ? band.width() / 3 : band.width());
        centreWidth = metrics.horizontalAdvance(centre);
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, centre);
    }
    const double sideWidth = centreWidth > 0 ? (band.width() - centreWidth) / 2
                             : bothSides     ? band.width() / 2
                                             : band.width();
    for (const auto& [text, alignment] :
         {std::pair{&line.left, Qt::AlignLeft}, std::pair{&line.right, Qt::AlignRight}}) {
        if (text->isEmpty())
            continue;
        const QString shown = metrics.elidedText(FillPageText(*text, facts), Qt::ElideMiddle, sideWidth);
        painter.drawText(band, alignment | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
}

// A PDF with one page per page of the document, of the same size, holding only the header and footer.
QString DrawStamp(const QString& path, const std::vector<QSizeF>& pageSizes, const PageSetup& page,
                  PageFacts facts) {
    QPdfWriter writer(path);
    writer.setResolution(kStampResolution);
    writer.setPageMargins(QMarginsF());
    writer.setCreator(QString());
    QPainter painter;
    const double dotsPerMm = kStampResolution / kMmPerInch;
    const QMarginsF margins = page.LayoutMarginsMm() * dotsPerMm;
    const double edge = kPageTextEdgeMm * dotsPerMm;
    const double lineHeight = PageTextLineMm(page.textSizePt) * dotsPerMm;
    facts.pages = int(pageSizes.size());
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
        facts.page = int(index) + 1;
        DrawLine(painter, QRectF(left, edge, width, lineHeight), page.header, facts);
        DrawLine(painter, QRectF(left, size.height() - edge - lineHeight, width, lineHeight), page.footer,
                 facts);
    }
    return painter.end() ? QString() : QStringLiteral("its header and footer could not be drawn");
}

// Lays page n of the stamp over page n of the document, with qpdf's own overlay.
void Overlay(const QString& from, const QString& stamp, const QString& to) {
    std::ostringstream messages;
    QPDFJob job;
    const std::shared_ptr<QPDFLogger> logger = QPDFLogger::create();
    logger->setOutputStreams(&messages, &messages);
    job.setLogger(logger);
    job.config()
        ->inputFile(FileName(from))
        ->outputFile(FileName(to))
        ->overlay()
        ->file(FileName(stamp))
        ->endUnderlayOverlay()
        ->checkConfiguration();
    job.run();
    if (job.getExitCode() == QPDFJob::EXIT_ERROR)
        throw std::runtime_error(messages.str());
}

} // namespace

QString StampPageText(const QString& from, const QString& to, const PageSetup& page, PageFacts facts) {
    const QString failed = QStringLiteral("The header and footer could not be added to the PDF (%1).");
    try {
        const Document document = ReadDocument(from);
        if (document.pageSizes.empty())
            return failed.arg(QStringLiteral("it has no pages"));
        if (facts.title.isEmpty())
            facts.title = document.title;
        QTemporaryFile stamp(QDir::temp().filePath(QStringLiteral("velmora-stamp-XXXXXX.pdf")));
        if (!stamp.open())
            return failed.arg(stamp.errorString());
        stamp.close();
        if (const QString problem = DrawStamp(stamp.fileName(), document.pageSizes, page, facts);
            !problem.isEmpty())
            return failed.arg(problem);
        Overlay(from, stamp.fileName(), to);
    } catch (const std::exception& error) {
        return failed.arg(QString::fromLocal8Bit(error.what()).simplified());
    }
    return {};
}

PdfFinisher PageTextFinisher() {
    return [](const RenderRequest& request, const QString& pageTitle, const QString& from,
              const QString& to) {
        PageFacts facts;
        facts.title = pageTitle;
        facts.url = request.localRoot.isEmpty() ? request.source : QDir::toNativeSeparators(request.source);
        facts.date = QDate::currentDate();
        return StampPageText(from, to, request.page, facts);
    };
}

} // namespace velmora::pdf
