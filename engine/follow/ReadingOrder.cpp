#include "follow/ReadingOrder.h"

#include <QSet>

namespace velmora {

namespace {

// The pages reached from `start` in a depth-first reading, each at its first link; kept on a stack of
// its own, as a chain of ten thousand pages would overflow the call stack.
QStringList DepthFirst(const QString& start, const QHash<QString, PageLinksRead>& found) {
    QStringList order;
    QSet<QString> seen{start};
    struct Place {
        QString page;
        qsizetype nextLink = 0;
    };
    QList<Place> stack{{start}};
    while (!stack.isEmpty()) {
        Place& place = stack.last();
        const QStringList& links = found.value(place.page).links;
        if (place.nextLink >= links.size()) {
            stack.removeLast();
            continue;
        }
        const QString& link = links.at(place.nextLink++);
        if (!found.contains(link) || seen.contains(link))
            continue;
        seen.insert(link);
        order.append(link);
        stack.append({link});
    }
    return order;
}

} // namespace

QStringList ReadingOrder(const QString& start, const QHash<QString, PageLinksRead>& found) {
    QStringList order;
    QSet<QString> placed{start};
    const auto followChain = [&](QString page) {
        while (true) {
            page = found.value(page).next;
            if (!found.contains(page) || placed.contains(page))
                return;
            placed.insert(page);
            order.append(page);
        }
    };
    followChain(start);
    for (const QString& page : DepthFirst(start, found)) {
        if (placed.contains(page))
            continue;
        placed.insert(page);
        order.append(page);
        followChain(page);
    }
    return order;
}

} // namespace velmora
