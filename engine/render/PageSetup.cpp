#include "render/PageSetup.h"

#include "queue/Keywords.h"

#include <QLocale>
#include <QRegularExpression>

#include <array>

namespace velmora {

namespace {

// A page needs at least this much room for its content, across and down.
constexpr double kMinContentMm = 10.0;
// Line height against the font size, as text is usually set.
constexpr double kLineSpacing = 1.2;

struct PaperName {
    Paper paper;
    const char* name;
    QSizeF sizeMm;
};
constexpr std::array kPapers{
    PaperName{Paper::A4, "A4", {210.0, 297.0}},       PaperName{Paper::Letter, "Letter", {215.9, 279.4}},
    PaperName{Paper::Legal, "Legal", {215.9, 355.6}}, PaperName{Paper::A3, "A3", {297.0, 420.0}},
    PaperName{Paper::A5, "A5", {148.0, 210.0}},
};

const QString kDefaultMargins = QStringLiteral("default");

constexpr Keyword<Orientation> kOrientations[] = {{Orientation::Portrait, QLatin1String("portrait")},
                                                  {Orientation::Landscape, QLatin1String("landscape")}};
constexpr Keyword<MediaStyle> kMediaStyles[] = {{MediaStyle::Print, QLatin1String("print")},
                                                {MediaStyle::Screen, QLatin1String("screen")}};
constexpr Keyword<bool> kOnOff[] = {{true, QLatin1String("on")}, {false, QLatin1String("off")}};
constexpr Keyword<PageNumbering> kNumberings[] = {{PageNumbering::Book, QLatin1String("book")},
                                                  {PageNumbering::EachPart, QLatin1String("each")}};

// A length such as "10mm", "1.5cm" or "0.5in", in millimetres.
std::optional<double> ParseLength(const QString& text) {
    static const QRegularExpression kLength(QStringLiteral(R"(^(\d+(?:\.\d+)?|\.\d+)(mm|cm|in)$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = kLength.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2).toLower();
    return unit == QLatin1String("in")   ? value * kMmPerInch
           : unit == QLatin1String("cm") ? value * 10
                                         : value;
}

QString LengthText(double mm) {
    return QString::number(mm, 'g', 6) + QStringLiteral("mm");
}

} // namespace

QSizeF PageSetup::PaperSizeMm() const {
    QSizeF size = customSizeMm;
    for (const PaperName& known : kPapers)
        if (known.paper == paper)
            size = known.sizeMm;
    return orientation == Orientation::Landscape ? size.transposed() : size;
}

double PageTextLineMm(double textSizePt) {
    return textSizePt * kLineSpacing / kPointsPerMm;
}

std::optional<QMarginsF> PageSetup::PrintMarginsMm() const {
    if (!marginsMm && !HasPageText())
        return std::nullopt;
    QMarginsF margins =
        marginsMm.value_or(QMarginsF(kSetMarginsMm, kSetMarginsMm, kSetMarginsMm, kSetMarginsMm));
    const double needed = kPageTextEdgeMm + PageTextLineMm(textSizePt) + kPageTextGapMm;
    if (!header.IsEmpty())
        margins.setTop(qMax(margins.top(), needed));
    if (!footer.IsEmpty())
        margins.setBottom(qMax(margins.bottom(), needed));
    return margins;
}

QMarginsF PageSetup::LayoutMarginsMm() const {
    return PrintMarginsMm().value_or(QMarginsF(kSetMarginsMm, kSetMarginsMm, kSetMarginsMm, kSetMarginsMm));
}

QString PageSetup::Problem() const {
    const QSizeF paper = PaperSizeMm();
    const QMarginsF margins = LayoutMarginsMm();
    if (paper.width() - margins.left() - margins.right() < kMinContentMm ||
        paper.height() - margins.top() - margins.bottom() < kMinContentMm)
        return QStringLiteral("The margins leave no room for the page's content on this paper.");
    return {};
}

// One pass over the text: a title or address that holds "{date}" is shown as it is.
QString FillPageText(const QString& text, const PageFacts& facts) {
    static const QRegularExpression kField(QStringLiteral(R"(\{(page|pages|title|url|date)\})"));
    QString filled;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& field : kField.globalMatch(text)) {
        filled += QStringView(text).mid(done, field.capturedStart() - done);
        const QStringView name = field.capturedView(1);
        if (name == u"page")
            filled += QString::number(facts.page);
        else if (name == u"pages")
            filled += QString::number(facts.pages);
        else if (name == u"title")
            filled += facts.title;
        else if (name == u"url")
            filled += facts.url;
        else
            filled += QLocale().toString(facts.date, QLocale::ShortFormat);
        done = field.capturedEnd();
    }
    filled += QStringView(text).mid(done);
    return filled;
}

namespace page_text {

QString PaperText(const PageSetup& setup) {
    for (const PaperName& known : kPapers)
        if (known.paper == setup.paper)
            return QString::fromLatin1(known.name);
    return QStringLiteral("%1x%2").arg(QString::number(setup.customSizeMm.width(), 'g', 6),
                                       LengthText(setup.customSizeMm.height()));
}

bool ParsePaper(const QString& text, PageSetup& setup) {
    for (const PaperName& known : kPapers)
        if (text.trimmed().compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) {
            setup.paper = known.paper;
            return true;
        }
    // "200x250mm": the unit after the height is the unit of both.
    static const QRegularExpression kSize(
        QStringLiteral(R"(^(\d+(?:\.\d+)?)\s*[xX×]\s*(\d+(?:\.\d+)?)(mm|cm|in)$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = kSize.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const std::optional<double> width = ParseLength(match.captured(1) + match.captured(3));
    const std::optional<double> height = ParseLength(match.captured(2) + match.captured(3));
    for (double side : {*width, *height})
        if (side < kMinPaperSideMm || side > kMaxPaperSideMm)
            return false;
    setup.paper = Paper::Custom;
    setup.customSizeMm = QSizeF(*width, *height);
    return true;
}

QString OrientationText(Orientation orientation) {
    return KeywordText(orientation, kOrientations);
}

std::optional<Orientation> ParseOrientation(const QString& text) {
    return ParseKeyword(text, kOrientations);
}

QString MarginsText(const std::optional<QMarginsF>& marginsMm) {
    if (!marginsMm)
        return kDefaultMargins;
    return QStringList{LengthText(marginsMm->top()), LengthText(marginsMm->right()),
                       LengthText(marginsMm->bottom()), LengthText(marginsMm->left())}
        .join(u' ');
}

bool ParseMargins(const QString& text, std::optional<QMarginsF>& marginsMm) {
    if (text.trimmed().compare(kDefaultMargins, Qt::CaseInsensitive) == 0) {
        marginsMm.reset();
        return true;
    }
    static const QRegularExpression kSeparators(QStringLiteral(R"([\s,]+)"));
    const QStringList parts = text.trimmed().split(kSeparators, Qt::SkipEmptyParts);
    if (parts.size() != 1 && parts.size() != 4)
        return false;
    QList<double> lengths;
    for (const QString& part : parts) {
        const std::optional<double> length = ParseLength(part);
        if (!length || *length > kMaxMarginMm)
            return false;
        lengths.append(*length);
    }
    marginsMm = lengths.size() == 1 ? QMarginsF(lengths[0], lengths[0], lengths[0], lengths[0])
                                    : QMarginsF(lengths[3], lengths[0], lengths[1], lengths[2]);
    return true;
}

std::optional<int> ParseScale(const QString& text) {
    QString number = text.trimmed();
    if (number.endsWith(u'%'))
        number.chop(1);
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok || value < kMinScalePercent || value > kMaxScalePercent)
        return std::nullopt;
    return value;
}

QString MediaText(MediaStyle media) {
    return KeywordText(media, kMediaStyles);
}

std::optional<MediaStyle> ParseMedia(const QString& text) {
    return ParseKeyword(text, kMediaStyles);
}

QString LineText(const PageText& line) {
    return line.IsEmpty() ? QString() : QStringList{line.left, line.centre, line.right}.join(u'|');
}

std::optional<PageText> ParseLine(const QString& text) {
    if (text.isEmpty())
        return PageText{};
    const QStringList parts = text.split(u'|');
    if (parts.size() != 3)
        return std::nullopt;
    return PageText{parts[0], parts[1], parts[2]};
}

std::optional<double> ParseTextSize(const QString& text) {
    bool ok = false;
    const double size = text.trimmed().toDouble(&ok);
    if (!ok || size < kMinTextSizePt || size > kMaxTextSizePt)
        return std::nullopt;
    return size;
}

QString OnOffText(bool on) {
    return KeywordText(on, kOnOff);
}

std::optional<bool> ParseOnOff(const QString& text) {
    return ParseKeyword(text, kOnOff);
}

QString NumberingText(PageNumbering numbering) {
    return KeywordText(numbering, kNumberings);
}

std::optional<PageNumbering> ParseNumbering(const QString& text) {
    return ParseKeyword(text, kNumberings);
}

} // namespace page_text

} // namespace velmora
