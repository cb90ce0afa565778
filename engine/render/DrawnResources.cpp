#include "render/DrawnResources.h"

#include <QHash>
#include <QRegularExpression>

namespace velmora {

namespace {

// A start tag's name and the text of its attributes; a quoted value may hold '>'.
const QRegularExpression
    kStartTag(QStringLiteral(R"re(<([a-zA-Z][^\s/>]*)((?:[^>"']|"[^"]*"|'[^']*')*)>)re"));
const QRegularExpression
    kAttribute(QStringLiteral(R"re(([^\s"'>/=]+)(?:\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'>]+)))?)re"));
const QRegularExpression kStyleComment(QStringLiteral(R"(/\*.*?(?:\*/|$))"),
                                       QRegularExpression::DotMatchesEverythingOption);
const QRegularExpression kStyleUrl(QStringLiteral(R"re(url\(\s*(?:"([^"]*)"|'([^']*)'|([^"')\s]+))\s*\))re"),
                                   QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kStyleImport(QStringLiteral(R"re(@import\s+(?:"([^"]*)"|'([^']*)'))re"),
                                      QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kSpaces(QStringLiteral("\\s+"));

// Elements whose content is text up to their own end tag, not markup: what a script or a frame's
// fallback says is never loaded from there.
const QStringList kTextElements = {
    QStringLiteral("script"),  QStringLiteral("style"),    QStringLiteral("textarea"),
    QStringLiteral("title"),   QStringLiteral("xmp"),      QStringLiteral("iframe"),
    QStringLiteral("noembed"), QStringLiteral("noframes"), QStringLiteral("plaintext"),
};

// The attributes by which an element loads a part of its page's look, besides those every element
// has (background, style) and the two that depend on another attribute (link, input).
const QHash<QString, QStringList> kDrawingAttributes = {
    {QStringLiteral("script"), {QStringLiteral("src")}},
    {QStringLiteral("img"), {QStringLiteral("src"), QStringLiteral("srcset")}},
    {QStringLiteral("source"), {QStringLiteral("src"), QStringLiteral("srcset")}},
    {QStringLiteral("video"), {QStringLiteral("src"), QStringLiteral("poster")}},
    {QStringLiteral("audio"), {QStringLiteral("src")}},
    {QStringLiteral("track"), {QStringLiteral("src")}},
    {QStringLiteral("image"), {QStringLiteral("href"), QStringLiteral("xlink:href")}}, // in SVG
};

QString FirstCaptured(const QRegularExpressionMatch& match, int from = 1) {
    for (int group = from; group <= match.lastCapturedIndex(); ++group)
        if (match.capturedStart(group) >= 0)
            return match.captured(group);
    return {};
}

// The attributes of a start tag by lower-case name; the first of a repeated one counts.
QHash<QString, QString> Attributes(const QString& text) {
    QHash<QString, QString> attributes;
    for (const QRegularExpressionMatch& match : kAttribute.globalMatch(text)) {
        const QString name = match.captured(1).toLower();
        if (!attributes.contains(name))
            attributes.insert(name,
                              FirstCaptured(match, 2).replace(QStringLiteral("&amp;"), QStringLiteral("&")));
    }
    return attributes;
}

QStringList StyleNames(const QString& style) {
    const QString css = QString(style).remove(kStyleComment);
    QStringList names;
    for (const QRegularExpression* pattern : {&kStyleImport, &kStyleUrl})
        for (const QRegularExpressionMatch& match : pattern->globalMatch(css))
            names.append(FirstCaptured(match).trimmed());
    return names;
}

// "small.png 1x, large.png 2x": each candidate is an address up to white space, then descriptors up
// to a comma; an address that ends in commas ends its candidate there.
QStringList SrcsetNames(const QString& srcset) {
    QStringList names;
    qsizetype at = 0;
    while (at < srcset.size()) {
        while (at < srcset.size() && (srcset.at(at).isSpace() || srcset.at(at) == QLatin1Char(',')))
            ++at;
        const qsizetype start = at;
        while (at < srcset.size() && !srcset.at(at).isSpace())
            ++at;
        QString name = srcset.mid(start, at - start);
        if (name.endsWith(QLatin1Char(','))) {
            while (name.endsWith(QLatin1Char(',')))
                name.chop(1);
        } else {
            while (at < srcset.size() && srcset.at(at) != QLatin1Char(','))
                ++at;
        }
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

QStringList ElementNames(const QString& element, const QHash<QString, QString>& attributes) {
    QStringList names;
    QStringList drawing = kDrawingAttributes.value(element);
    const auto hasToken = [&attributes](const char* attribute, const char* token) {
        return attributes.value(QLatin1String(attribute))
            .split(kSpaces, Qt::SkipEmptyParts)
            .contains(QLatin1String(token), Qt::CaseInsensitive);
    };
    if (element == QLatin1String("link") && hasToken("rel", "stylesheet"))
        drawing.append(QStringLiteral("href"));
    if (element == QLatin1String("input") && hasToken("type", "image"))
        drawing.append(QStringLiteral("src"));
    drawing.append(QStringLiteral("background"));
    for (const QString& attribute : drawing) {
        const auto value = attributes.constFind(attribute);
        if (value == attributes.constEnd())
            continue;
        if (attribute == QLatin1String("srcset"))
            names += SrcsetNames(*value);
        else
            names.append(value->trimmed());
    }
    names += StyleNames(attributes.value(QStringLiteral("style")));
    return names;
}

// Calls `visit` with each start tag's lower-case name and attributes, in document order, leaving out
// comments and the text of elements that hold text; a style element's text goes to `styleText`.
template <typename Visit, typename StyleText>
void ForEachStartTag(const QString& html, Visit visit, StyleText styleText) {
    qsizetype at = 0;
    while ((at = html.indexOf(QLatin1Char('<'), at)) >= 0) {
        if (QStringView(html).mid(at, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), at + 4);
            at = end < 0 ? html.size() : end + 3;
            continue;
        }
        const QRegularExpressionMatch tag = kStartTag.match(html, at, QRegularExpression::NormalMatch,
                                                            QRegularExpression::AnchorAtOffsetMatchOption);
        if (!tag.hasMatch()) {
            ++at;
            continue;
        }
        const QString element = tag.captured(1).toLower();
        visit(element, Attributes(tag.captured(2)));
        at = tag.capturedEnd();
        if (kTextElements.contains(element)) {
            const qsizetype end = html.indexOf(QLatin1String("</") + element, at, Qt::CaseInsensitive);
            if (element == QLatin1String("style"))
                styleText(html.mid(at, end < 0 ? -1 : end - at));
            at = end < 0 ? html.size() : end;
        }
    }
}

} // namespace

QStringList DrawnResourceNames(const QString& html) {
    QStringList names;
    ForEachStartTag(
        html,
        [&names](const QString& element, const QHash<QString, QString>& attributes) {
            names += ElementNames(element, attributes);
        },
        [&names](const QString& style) { names += StyleNames(style); });
    names.removeAll(QString());
    return names;
}

QList<PageLink> PageLinks(const QString& html) {
    QList<PageLink> links;
    ForEachStartTag(
        html,
        [&links](const QString& element, const QHash<QString, QString>& attributes) {
            const bool anchor = element == QLatin1String("a") || element == QLatin1String("area");
            if (!anchor && element != QLatin1String("link"))
                return;
            const auto href = attributes.constFind(QStringLiteral("href"));
            if (href == attributes.constEnd() || href->trimmed().isEmpty())
                return;
            const bool next = attributes.value(QStringLiteral("rel"))
                                  .split(kSpaces, Qt::SkipEmptyParts)
                                  .contains(QLatin1String("next"), Qt::CaseInsensitive);
            // A link element names the page's relations (style sheets, icons); only "next" is a page.
            if (anchor || next)
                links.append({href->trimmed(), next && element != QLatin1String("area")});
        },
        [](const QString&) {});
    return links;
}

} // namespace velmora
