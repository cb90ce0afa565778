#include "render/HtmlReferences.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace velmora {

namespace {

struct NamedReference {
    const char* name;
    char32_t first;
    char32_t second;
    bool withoutSemicolon;
};

constexpr NamedReference kNamedReferences[] = {
#include "render/HtmlNamedReferences.inc"
};

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;

// Numbers 0x80 to 0x9F name what windows-1252 has there, as old pages mean them (0: the number stays).
constexpr char32_t kWindows1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const NamedReference* FindNamed(const QString& name) {
    const QByteArray key = name.toLatin1();
    const auto end = std::end(kNamedReferences);
    const auto found = std::lower_bound(std::begin(kNamedReferences), end, key,
                                        [](const NamedReference& entry, const QByteArray& wanted) {
                                            return std::strcmp(entry.name, wanted.constData()) < 0;
                                        });
    return found != end && key == found->name ? found : nullptr;
}

QString CodePoints(char32_t first, char32_t second = 0) {
    const char32_t both[] = {first, second};
    return QString::fromUcs4(both, second ? 2 : 1);
}

QString NumericCharacter(const QString& digits, int base) {
    bool ok = false;
    char32_t code = digits.toUInt(&ok, base);
    if (code >= 0x80 && code <= 0x9F && kWindows1252[code - 0x80])
        code = kWindows1252[code - 0x80];
    if (!ok || code == 0 || code > kLastCodePoint || (code >= 0xD800 && code <= 0xDFFF))
        code = kReplacement;
    return CodePoints(code);
}

// A name without its semicolon is read as the longest older name it starts with ("&notit" is "¬it").
QString NamedText(const QString& name, bool semicolon) {
    if (semicolon)
        if (const NamedReference* entry = FindNamed(name))
            return CodePoints(entry->first, entry->second);
    for (qsizetype length = name.size(); length > 0; --length)
        if (const NamedReference* entry = FindNamed(name.left(length)); entry && entry->withoutSemicolon)
            return CodePoints(entry->first, entry->second) + name.mid(length) +
                   (semicolon ? QStringLiteral(";") : QString());
    return {};
}

} // namespace

QString DecodeHtmlReferences(const QString& text) {
    static const QRegularExpression kReference(
        QStringLiteral("&(?:#([0-9]+)|#[xX]([0-9a-fA-F]+)|([A-Za-z][A-Za-z0-9]*))(;?)"));
    QString decoded;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& reference : kReference.globalMatch(text)) {
        QString character;
        if (reference.hasCaptured(1))
            character = NumericCharacter(reference.captured(1), 10);
        else if (reference.hasCaptured(2))
            character = NumericCharacter(reference.captured(2), 16);
        else
            character = NamedText(reference.captured(3), !reference.captured(4).isEmpty());
        if (character.isEmpty())
            continue;
        decoded += QStringView(text).mid(done, reference.capturedStart() - done);
        decoded += character;
        done = reference.capturedEnd();
    }
    decoded += QStringView(text).mid(done);
    return decoded;
}

} // namespace velmora
