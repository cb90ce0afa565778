#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace velmora {

// What a walk learnt of one page it read: the pages it links to, in document order, and the one it
// names as its next page (empty when none).
struct PageLinksRead {
    QStringList links;
    QString next;
};

// The pages of `found` (the start page left out) in the order a reader meets them from `start`: where
// pages name their next page, that chain sets the order; the others follow in the order of their first
// link in a depth-first reading of the start page, each then followed by its own chain.
QStringList ReadingOrder(const QString& start, const QHash<QString, PageLinksRead>& found);

} // namespace velmora
