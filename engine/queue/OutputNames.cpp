#include "queue/OutputNames.h"

#include <QChar>
#include <QHash>
#include <QSet>

namespace velmora {

namespace {

const QString kPdfExtension = QStringLiteral(".pdf");

struct SplitPath {
    QString folder; // up to and including the last separator
    QString stem;
    QString extension; // ".pdf" or empty
};

// Characters no file name may hold: control characters anywhere, and on Windows the ones its file
// systems reserve. Each becomes "-", as the naming rule does for the characters it replaces itself.
QString SafeName(QString name, PathStyle style) {
    static const QString reservedOnWindows = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F ||
            (style == PathStyle::Windows && reservedOnWindows.contains(c)))
            c = u'-';
    }
    return name;
}

SplitPath Split(const QString& path, PathStyle style) {
    // Windows accepts "/" as a separator too, so the name the file system sees starts after either.
    const qsizetype separator = style == PathStyle::Windows
                                    ? qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'))
                                    : path.lastIndexOf(u'/');
    SplitPath split{path.left(separator + 1), SafeName(path.mid(separator + 1), style), {}};
    if (split.stem.endsWith(kPdfExtension)) {
        split.stem.chop(kPdfExtension.size());
        split.extension = kPdfExtension;
    }
    return split;
}

// What one UTF-16 code point costs in the file system's unit of name length.
int CodePointLength(char32_t codePoint, qsizetype utf16Units, PathStyle style) {
    if (style == PathStyle::Windows)
        return int(utf16Units);
    if (codePoint < 0x80)
        return 1;
    if (codePoint < 0x800)
        return 2;
    // A lone surrogate becomes U+FFFD in UTF-8, three bytes like the rest of the basic plane.
    return codePoint < 0x10000 ? 3 : 4;
}

// The code point that starts at `i`; returns how many UTF-16 units it takes.
qsizetype CodePointAt(const QString& text, qsizetype i, char32_t& codePoint) {
    const bool pair = i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
    codePoint = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : char32_t(text[i].unicode());
    return pair ? 2 : 1;
}

// Counted the same way on every platform: POSIX file systems store names in UTF-8.
int NameLength(const QString& text, PathStyle style) {
    int length = 0;
    char32_t codePoint = 0;
    for (qsizetype i = 0, units = 0; i < text.size(); i += units) {
        units = CodePointAt(text, i, codePoint);
        length += CodePointLength(codePoint, units, style);
    }
    return length;
}

// The longest prefix of `stem` within `budget` units that ends on a code point boundary.
QString FitStem(const QString& stem, int budget, PathStyle style) {
    if (NameLength(stem, style) <= budget)
        return stem;
    int used = 0;
    qsizetype i = 0;
    char32_t codePoint = 0;
    while (i < stem.size()) {
        const qsizetype units = CodePointAt(stem, i, codePoint);
        const int length = CodePointLength(codePoint, units, style);
        if (used + length > budget)
            break;
        used += length;
        i += units;
    }
    return stem.left(i);
}

QString NameWithin(const SplitPath& split, const QString& suffix, PathStyle style) {
    const QString tail = suffix + split.extension;
    return FitStem(split.stem, kMaxFileNameLength - NameLength(tail, style), style) + tail;
}

// The file system's view of two names being the same file.
QString IdentityKey(const QString& path, PathStyle style) {
    return style == PathStyle::Windows ? path.toCaseFolded() : path;
}

} // namespace

// Each name remembers the next copy number to try, so many rows of one name are numbered in linear
// time rather than each one trying " (2)", " (3)", ... from the start.
QString OutputNamer::Claim(const QString& path) {
    const SplitPath split = Split(path, m_style);
    const QString base = IdentityKey(split.folder + split.stem + split.extension, m_style);
    int& copy = m_nextCopy[base];
    if (copy == 0)
        copy = 1;
    QString unique;
    QString key;
    for (;; ++copy) {
        const QString suffix = copy == 1 ? QString() : QStringLiteral(" (%1)").arg(copy);
        unique = split.folder + NameWithin(split, suffix, m_style);
        key = IdentityKey(unique, m_style);
        if (!m_taken.contains(key))
            break;
    }
    ++copy;
    m_taken.insert(key);
    return unique;
}

bool SameOutputPath(const QString& a, const QString& b, PathStyle style) {
    const auto key = [style](const QString& path) {
        const SplitPath split = Split(path, style);
        return IdentityKey(split.folder + NameWithin(split, {}, style), style);
    };
    return key(a) == key(b);
}

QStringList UniqueOutputPaths(const QStringList& paths, PathStyle style) {
    OutputNamer namer(style);
    QStringList result;
    result.reserve(paths.size());
    for (const QString& path : paths)
        result.append(namer.Claim(path));
    return result;
}

// A dot-named file would be hidden; a separator would put the PDF in another folder. The rest (control
// characters, reserved characters, length) is the namer's, as for every name.
QString TitlePathFor(const QString& title, const QString& folder, PathStyle style) {
    QString name = title.simplified();
    for (QChar& c : name) {
        if (c == u'/' || (style == PathStyle::Windows && c == u'\\'))
            c = u'-';
    }
    while (name.startsWith(u'.') || name.startsWith(u' '))
        name.remove(0, 1);
    name = name.trimmed();
    if (name.isEmpty())
        return {};
    return WithTrailingBackslash(folder, style) + name + kPdfExtension;
}

} // namespace velmora
