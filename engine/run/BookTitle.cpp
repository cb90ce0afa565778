#include "run/BookTitle.h"

#include <optional>

namespace velmora {

namespace {

const QStringList kSeparators = {QStringLiteral(" - "), QStringLiteral(" — "), QStringLiteral(" | "),
                                 QStringLiteral(" · ")};

enum class Side { End, Beginning };

// Where the title's first (Beginning) or last (End) separator stands, and how long it is; none without one.
std::optional<std::pair<qsizetype, qsizetype>> SeparatorIn(const QString& title, Side side) {
    std::optional<std::pair<qsizetype, qsizetype>> found;
    for (const QString& separator : kSeparators) {
        const qsizetype at = side == Side::End ? title.lastIndexOf(separator) : title.indexOf(separator);
        if (at > 0 && (!found || (side == Side::End ? at > found->first : at < found->first)))
            found = std::pair(at, separator.size());
    }
    return found;
}

// The titles without `name` on `side`; none when a title neither carries it nor is it.
std::optional<QStringList> WithoutName(const QStringList& titles, const QString& name, Side side,
                                       int& carrying) {
    QStringList without;
    carrying = 0;
    for (const QString& title : titles) {
        if (title.isEmpty() || title == name) {
            without << title;
            continue;
        }
        bool found = false;
        for (const QString& separator : kSeparators) {
            const QString part = side == Side::End ? separator + name : name + separator;
            const bool carries = side == Side::End ? title.endsWith(part) : title.startsWith(part);
            if (carries && title.size() > part.size()) {
                without
                    << (side == Side::End ? title.chopped(part.size()) : title.mid(part.size())).trimmed();
                found = true;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        ++carrying;
    }
    return without;
}

} // namespace

SiteName SharedSiteName(const QStringList& titles) {
    for (Side side : {Side::End, Side::Beginning}) {
        for (const QString& title : titles) {
            const auto separator = SeparatorIn(title, side);
            if (!separator)
                continue;
            const QString name = (side == Side::End ? title.mid(separator->first + separator->second)
                                                    : title.left(separator->first))
                                     .trimmed();
            int carrying = 0;
            if (const std::optional<QStringList> without = WithoutName(titles, name, side, carrying);
                !name.isEmpty() && without && carrying >= 2)
                return {name, *without};
            break; // the first title with a separator names the candidate
        }
    }
    return {{}, titles};
}

} // namespace velmora
