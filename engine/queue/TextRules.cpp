#include "queue/TextRules.h"

#include <QStringView>

#include <algorithm>

namespace velmora {

namespace {

const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");

// A full stop before this 0-based index (position 9) does not make a web address.
constexpr qsizetype kFirstDotMinIndex = 8;

// Only A-Z are lowered: Unicode case folding would also let e.g. U+017F (long s) match "s".
char16_t LowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// Whether the lowered text holds `lowerPrefix` at index `at`.
bool MatchesAt(QStringView text, qsizetype at, QStringView lowerPrefix) {
    if (text.size() - at < lowerPrefix.size())
        return false;
    for (qsizetype i = 0; i < lowerPrefix.size(); ++i) {
        if (LowerAscii(text[at + i].unicode()) != lowerPrefix[i].unicode())
            return false;
    }
    return true;
}

// One left-to-right pass: text brought together by a removal is not searched again.
QString RemoveEvery(const QString& text, QStringView lowerPrefix) {
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (MatchesAt(text, i, lowerPrefix)) {
            i += lowerPrefix.size();
        } else {
            result.append(text[i]);
            ++i;
        }
    }
    return result;
}

QString WebName(const QString& source) {
    QString name = RemoveEvery(RemoveEvery(source, kHttp), kHttps);
    for (QChar c : {u'.', u'/', u'\\', u':', u'*', u'?', u'|', u'"', u'<', u'>'})
        name.replace(c, u'-');
    return name;
}

QString FileName(const QString& source, PathStyle style) {
    const qsizetype lastSeparator = style == PathStyle::Windows
                                        ? std::max(source.lastIndexOf(u'\\'), source.lastIndexOf(u':'))
                                        : source.lastIndexOf(u'/');
    QString name = source.mid(lastSeparator + 1);
    name.replace(u'.', u'-');
    return name;
}

} // namespace

QString TrimControl(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.sliced(begin, end - begin);
}

bool HasWebPrefix(const QString& text) {
    return MatchesAt(text, 0, kHttp) || MatchesAt(text, 0, kHttps);
}

bool IsWebAddress(const QString& text) {
    return HasWebPrefix(text) && text.indexOf(u'.') >= kFirstDotMinIndex;
}

QString WithTrailingBackslash(const QString& folder, PathStyle style) {
    const QChar separator = style == PathStyle::Windows ? u'\\' : u'/';
    return folder.endsWith(separator) ? folder : folder + separator;
}

QString OutputPathFor(const QString& sourceText, const QString& targetFolder, PathStyle style) {
    const QString name = HasWebPrefix(sourceText) ? WebName(sourceText) : FileName(sourceText, style);
    return WithTrailingBackslash(targetFolder, style) + name + QStringLiteral(".pdf");
}

} // namespace velmora
