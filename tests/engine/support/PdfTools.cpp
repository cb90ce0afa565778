#include "PdfTools.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace velmora::test {

namespace {

constexpr int kToolWaitMs = 60 * 1000;

QByteArray RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolWaitMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    return tool.readAllStandardOutput();
}

} // namespace

QString PdfText(const QString& pdf) {
    return QString::fromUtf8(RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})).simplified();
}

QStringList PdfImageSizes(const QString& pdf) {
    QStringList sizes;
    const QStringList lines =
        QString::fromUtf8(RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})).split('\n');
    for (const QString& line : lines.mid(2)) { // after the heading and its rule
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 4)
            sizes.append(fields[3] + QStringLiteral(" x ") + fields[4]);
    }
    return sizes;
}

QString PdfPageText(const QString& pdf, int page) {
    const QString number = QString::number(page);
    return QString::fromUtf8(
               RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), number, QStringLiteral("-l"),
                                                     number, pdf, QStringLiteral("-")}))
        .simplified();
}

QList<QSizeF> PdfPageSizes(const QString& pdf) {
    static const QRegularExpression kSize(QStringLiteral(R"(^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)"),
                                          QRegularExpression::MultilineOption);
    const QString info = QString::fromUtf8(
        RunTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                            QStringLiteral("9999"), pdf}));
    QList<QSizeF> sizes;
    for (auto match = kSize.globalMatch(info); match.hasNext();) {
        const QRegularExpressionMatch size = match.next();
        sizes.append(QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble()));
    }
    return sizes;
}

// A PDF of the given pages, each saying which it is in its middle, with an optional title.
bool WriteTestPdf(const QString& path, const QList<QPageSize>& pages, const QString& title) {
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setPageSize(pages.first());
    QPainter painter;
    for (int index = 0; index < pages.size(); ++index) {
        if (index > 0) {
            writer.setPageSize(pages[index]);
            if (!writer.newPage())
                return false;
        } else if (!painter.begin(&writer)) {
            return false;
        }
        painter.drawText(QRect(QPoint(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size()),
                         Qt::AlignCenter, QStringLiteral("Body%1").arg(index + 1));
    }
    return painter.end();
}

QString PdfTitle(const QString& pdf) {
    return PdfInfo(pdf, QStringLiteral("Title"));
}

QString PdfInfo(const QString& pdf, const QString& field) {
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(QRegularExpression::escape(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(RunTool(QStringLiteral("pdfinfo"), {pdf}))).captured(1).trimmed();
}

int PdfPageCount(const QString& pdf) {
    return PdfInfo(pdf, QStringLiteral("Pages")).toInt();
}

namespace {

void AddOutline(const QJsonArray& items, int depth, QStringList& lines) {
    for (const QJsonValue& item : items) {
        const QJsonObject entry = item.toObject();
        lines << QString(depth * 2, u' ') + entry.value(QLatin1String("title")).toString();
        AddOutline(entry.value(QLatin1String("kids")).toArray(), depth + 1, lines);
    }
}

} // namespace

QStringList PdfOutline(const QString& pdf) {
    const QJsonDocument json = QJsonDocument::fromJson(RunTool(
        QStringLiteral("qpdf"), {QStringLiteral("--json"), QStringLiteral("--json-key=outlines"), pdf}));
    QStringList lines;
    AddOutline(json.object().value(QLatin1String("outlines")).toArray(), 0, lines);
    return lines;
}

QList<int> PdfOutlinePages(const QString& pdf) {
    const QJsonDocument json = QJsonDocument::fromJson(RunTool(
        QStringLiteral("qpdf"), {QStringLiteral("--json"), QStringLiteral("--json-key=outlines"), pdf}));
    QList<int> pages;
    for (const QJsonValue& item : json.object().value(QLatin1String("outlines")).toArray())
        pages << item.toObject().value(QLatin1String("destpageposfrom1")).toInt();
    return pages;
}

QStringList PdfLinks(const QString& pdf) {
    const QJsonObject json =
        QJsonDocument::fromJson(
            RunTool(QStringLiteral("qpdf"), {QStringLiteral("--json"), QStringLiteral("--json-key=pages"),
                                             QStringLiteral("--json-key=qpdf"), pdf}))
            .object();
    const QJsonObject objects = json.value(QLatin1String("qpdf")).toArray().at(1).toObject();
    static const QRegularExpression kReference(QStringLiteral(R"(^\d+ \d+ R$)"));
    const auto resolve = [&objects](QJsonValue value) {
        while (value.isString() && kReference.match(value.toString()).hasMatch())
            value = objects.value(QLatin1String("obj:") + value.toString())
                        .toObject()
                        .value(QLatin1String("value"));
        return value;
    };
    QHash<QString, int> pageNumbers;
    const QJsonArray pages = json.value(QLatin1String("pages")).toArray();
    for (qsizetype index = 0; index < pages.size(); ++index)
        pageNumbers.insert(pages.at(index).toObject().value(QLatin1String("object")).toString(),
                           int(index + 1));
    const auto destination = [&](const QJsonValue& value) {
        if (value.isArray())
            return QStringLiteral("page %1").arg(pageNumbers.value(value.toArray().at(0).toString()));
        QString name = resolve(value).toString();
        return QStringLiteral("named ") + (name.startsWith(u'/') ? name.mid(1) : name.mid(2));
    };
    QStringList links;
    for (qsizetype index = 0; index < pages.size(); ++index) {
        const QJsonObject page =
            resolve(pages.at(index).toObject().value(QLatin1String("object"))).toObject();
        for (const QJsonValue& item : resolve(page.value(QLatin1String("/Annots"))).toArray()) {
            const QJsonObject annotation = resolve(item).toObject();
            if (annotation.value(QLatin1String("/Subtype")).toString() != QLatin1String("/Link"))
                continue;
            const QJsonObject action = resolve(annotation.value(QLatin1String("/A"))).toObject();
            QString target;
            if (annotation.contains(QLatin1String("/Dest")))
                target = destination(resolve(annotation.value(QLatin1String("/Dest"))));
            else if (action.value(QLatin1String("/S")).toString() == QLatin1String("/GoTo"))
                target = destination(resolve(action.value(QLatin1String("/D"))));
            else if (action.value(QLatin1String("/S")).toString() == QLatin1String("/URI"))
                target =
                    QStringLiteral("uri ") + resolve(action.value(QLatin1String("/URI"))).toString().mid(2);
            links.append(QStringLiteral("%1: %2").arg(index + 1).arg(target));
        }
    }
    return links;
}

QList<PdfWord> PdfWords(const QString& pdf, int page) {
    const QString number = QString::number(page);
    QXmlStreamReader xml(
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), number,
                                              QStringLiteral("-l"), number, pdf, QStringLiteral("-")}));
    QList<PdfWord> words;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("word"))
            continue;
        const auto at = [&xml](const char* name) {
            return xml.attributes().value(QLatin1String(name)).toDouble();
        };
        const QRectF box(QPointF(at("xMin"), at("yMin")), QPointF(at("xMax"), at("yMax")));
        words.append({xml.readElementText(), box});
    }
    return words;
}

QRectF PdfTextBox(const QList<PdfWord>& words) {
    QRectF box;
    for (const PdfWord& word : words)
        box = box.isNull() ? word.box : box.united(word.box);
    return box;
}

// Rendered at 72 pixels per inch, so a pixel is a point.
QColor PdfPixel(const QString& pdf, int page, QPointF point) {
    QTemporaryDir folder;
    const QString number = QString::number(page);
    const QString base = folder.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"), number,
             QStringLiteral("-l"), number, QStringLiteral("-singlefile"), pdf, base});
    const QImage image(base + QStringLiteral(".png"));
    if (image.isNull())
        return {};
    return image.pixelColor(point.toPoint());
}

QStringList PdfFontNames(const QString& pdf) {
    QStringList names;
    const QStringList lines = QString::fromUtf8(RunTool(QStringLiteral("pdffonts"), {pdf})).split('\n');
    for (const QString& line : lines.mid(2)) // after the heading and its rule
        if (!line.trimmed().isEmpty())
            names.append(line.section(' ', 0, 0));
    return names;
}

int PdfPixelsOfColour(const QString& pdf, QRgb colour) {
    const QImage page = QImage::fromData(
        RunTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("30"),
                 QStringLiteral("-singlefile"), pdf})); // without an output name, to standard output
    constexpr int kTolerance = 24;
    int count = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb pixel = page.pixel(x, y);
            if (qAbs(qRed(pixel) - qRed(colour)) < kTolerance &&
                qAbs(qGreen(pixel) - qGreen(colour)) < kTolerance &&
                qAbs(qBlue(pixel) - qBlue(colour)) < kTolerance)
                ++count;
        }
    return count;
}

QString WriteDocumentSet(const QString& folder) {
    const QDir set(folder);
    if (!set.mkpath(QStringLiteral("library")) || !set.mkpath(QStringLiteral("_static/fonts")) ||
        !QFile::copy(QStringLiteral("/usr/share/fonts/truetype/dejavu/%1.ttf").arg(kDocumentSetFont),
                     set.filePath(QStringLiteral("_static/fonts/face.ttf"))))
        return {};
    const QList<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("_static/style.css"),
         "@font-face { font-family: SetFace; src: url(fonts/face.ttf); }\n"
         ".face { font-family: SetFace; }\n"
         ".band { height: 2in; border-top: 2in solid #0a78c8; }\n"},
        {QStringLiteral("_static/doc.js"), "document.documentElement.className = 'js';\n"},
        {QStringLiteral("library/page.html"),
         "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
         "<link rel=\"stylesheet\" href=\"../_static/style.css\">"
         "<script src=\"../_static/doc.js\"></script></head>"
         "<body><h1>Regular expression operations</h1><div class=\"band\"></div><p class=\"face\">" +
             kDocumentSetSample.toUtf8() + "</p></body></html>"},
    };
    for (const auto& [name, bytes] : files) {
        QFile file(set.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
    }
    return set.filePath(QStringLiteral("library/page.html"));
}

QString WriteReceivedPage(const QString& home, const QByteArray& body) {
    const QDir top(home);
    if (!top.mkpath(QStringLiteral("Documents/site/.keys")) || !top.mkpath(QStringLiteral("outside")))
        return {};
    const QList<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("secret.txt"), "SECRETMARK"},
        {QStringLiteral("Documents/taxes.txt"), "TAXESMARK"},
        {QStringLiteral("x.png"), "not really a picture"},
        {QStringLiteral("outside/style.css"), "h1:after { content: ' LINKEDSTYLEMARK'; }"},
        {QStringLiteral("Documents/site/.keys/key.txt"), "KEYMARK"},
        {QStringLiteral("Documents/site/.buildinfo"), "config: 1"},
        {QStringLiteral("Documents/site/own.css"),
         "p.own:after { content: ' " + kReceivedPageOwnMark.toUtf8() + "'; }"},
        {QStringLiteral("Documents/site/page.html"),
         "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><link rel=\"stylesheet\" href=\"own.css\">"
         "</head><body><h1>Received page</h1><p class=\"own\">Own text</p>" +
             body + "</body></html>"},
    };
    for (const auto& [name, bytes] : files) {
        QFile file(top.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
    }
    if (!QFile::link(top.filePath(QStringLiteral("outside/style.css")),
                     top.filePath(QStringLiteral("Documents/site/linked.css"))) ||
        !QFile::link(top.filePath(QStringLiteral("Documents/site/.keys/key.txt")),
                     top.filePath(QStringLiteral("Documents/site/key.txt"))))
        return {};
    return top.filePath(QStringLiteral("Documents/site/page.html"));
}

QList<std::pair<QString, QByteArray>> ReceivedPageBodies() {
    const QByteArray reads =
        "<iframe src=\"../../secret.txt\"></iframe><object data=\"../taxes.txt\"></object>";
    return {
        {QStringLiteral("a link up"), "<a href=\"../../\">up</a>" + reads},
        {QStringLiteral("an area up"), "<map name=\"m\"><area href=\"../../x.png\"></map>" + reads},
        {QStringLiteral("an image in a comment"), "<!-- <img src=\"../../x.png\"> -->" + reads},
        {QStringLiteral("an image in script text"),
         "<script>var unused = '<img src=\"../../x.png\">';</script>" + reads},
        {QStringLiteral("frame and object alone"), reads},
        {QStringLiteral("an embed up"), "<embed src=\"../../x.png\">" + reads},
        {QStringLiteral("an image that names a folder up"), "<img src=\"../../\">" + reads},
        {QStringLiteral("a style sheet through a link leading out"),
         "<link rel=\"stylesheet\" href=\"linked.css\">"},
        {QStringLiteral("a frame through a link to a dot-named file"), "<iframe src=\"key.txt\"></iframe>"},
    };
}

QString DocumentSetLookProblem(const QString& pdf) {
    if (!PdfText(pdf).contains(QStringLiteral("Regular expression operations")))
        return QStringLiteral("the text is missing: ") + PdfText(pdf);
    if (PdfPixelsOfColour(pdf, kDocumentSetBand) < 500)
        return QStringLiteral("the style sheet's colour band is missing");
    return {};
}

} // namespace velmora::test
