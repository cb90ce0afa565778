#include "follow/LinkWalk.h"

#include "follow/PageReader.h"
#include "queue/ConversionQueue.h"
#include "queue/SourceList.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace velmora {

LinkWalk::LinkWalk(FollowOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)),
      m_reader(new PageReader(m_options.pageTimeoutMs, this)) {}

LinkWalk::~LinkWalk() = default;

void LinkWalk::Start(const QStringList& starts) {
    m_starts = starts;
    m_startIndex = -1;
    m_running = true;
    StartNext();
}

void LinkWalk::Stop() {
    if (!m_running)
        return;
    m_stopped = true;
    m_reader->Stop();
    m_pending = 0;
    m_nextLevel.clear();
    EndStart();
}

int LinkWalk::UnreadableCount() const {
    return int(std::count_if(m_skipped.cbegin(), m_skipped.cend(), [](const SkippedLink& link) {
        return link.kind == SkippedLink::Kind::Unreadable;
    }));
}

void LinkWalk::StartNext() {
    ++m_startIndex;
    if (m_stopped || m_startIndex >= m_starts.size() || m_options.depth <= 0) {
        End();
        return;
    }
    const QString start = m_starts.at(m_startIndex);
    m_scope = FollowScope::For(start, m_options.within, m_options.localRoot);
    m_pages.clear();
    m_aliases.clear();
    m_asked.clear();
    m_nextLevel.clear();
    m_nextDepth = 0;
    // A start another start's walk has read already is not read again.
    if (const auto read = m_readLinks.constFind(start); read != m_readLinks.constEnd()) {
        m_asked.insert(start);
        QTimer::singleShot(0, this, [this, start, links = *read] {
            if (m_stopped)
                return;
            TakeLinks(start, 0, links);
            EndLevelWhenDone();
        });
        return;
    }
    Ask(start, 0);
}

void LinkWalk::Ask(const QString& source, int depth) {
    if (m_asked.contains(source))
        return;
    m_asked.insert(source);
    if (depth > 0 && m_everAsked.contains(source))
        return; // found from an earlier start, and added after it
    if (depth > 0 && m_pagesRead >= m_options.maxPages) {
        Skip(SkippedLink::Kind::PageLimit, source,
             QStringLiteral("The limit of %1 pages was reached.").arg(m_options.maxPages));
        return;
    }
    m_everAsked.insert(source);
    if (depth > 0)
        ++m_pagesRead;
    ++m_pending;
    m_reader->Read(source, m_scope, depth > 0,
                   [this, source, depth](const PageRead& read) { Answered(source, depth, read); });
}

void LinkWalk::Answered(const QString& asked, int depth, const PageRead& read) {
    --m_pending;
    switch (read.outcome) {
    case PageRead::Outcome::Page:
        if (read.source != asked) {
            m_aliases.insert(asked, read.source);
            // Two addresses that lead to one page: it is read once.
            if (m_asked.contains(read.source) || (depth > 0 && m_everAsked.contains(read.source)))
                break;
            m_asked.insert(read.source);
            m_everAsked.insert(read.source);
        }
        m_readLinks.insert(read.source, PageLinks(read.html));
        TakeLinks(read.source, depth, m_readLinks.value(read.source));
        if (depth > 0)
            ++m_foundCount;
        break;
    case PageRead::Outcome::NotAPage:
        Skip(SkippedLink::Kind::NotAPage, asked, read.reason);
        break;
    case PageRead::Outcome::Disallowed:
        Skip(SkippedLink::Kind::Disallowed, asked, read.reason);
        break;
    case PageRead::Outcome::Outside:
        Skip(SkippedLink::Kind::Outside, asked, read.reason);
        break;
    case PageRead::Outcome::Unreadable:
        Skip(SkippedLink::Kind::Unreadable, asked, read.reason);
        break;
    }
    emit progressed();
    EndLevelWhenDone();
}

void LinkWalk::TakeLinks(const QString& source, int depth, const QList<PageLink>& links) {
    PageLinksRead& page = m_pages[source];
    const QUrl address = FollowScope::AddressOf(source);
    for (const PageLink& link : links) {
        FollowScope::Refusal refusal;
        QString why;
        const QString target = m_scope.Target(address, link.address, refusal, why);
        if (refusal != FollowScope::Refusal::None) {
            const QUrl resolved =
                address.resolved(QUrl(link.address, QUrl::TolerantMode)).adjusted(QUrl::RemoveFragment);
            Skip(refusal == FollowScope::Refusal::Outside ? SkippedLink::Kind::Outside
                                                          : SkippedLink::Kind::NotAPage,
                 resolved.isLocalFile() || resolved.scheme().startsWith(QLatin1String("http"))
                     ? FollowScope::SourceOf(resolved)
                     : resolved.toString(),
                 why);
        }
        if (target.isEmpty())
            continue;
        page.links.append(target);
        if (link.next && page.next.isEmpty())
            page.next = target;
        if (depth < m_options.depth)
            m_nextLevel.append(target);
    }
    m_nextDepth = depth + 1;
}

void LinkWalk::Skip(SkippedLink::Kind kind, const QString& address, const QString& reason) {
    if (m_skippedAddresses.contains(address))
        return;
    m_skippedAddresses.insert(address);
    m_skipped.append({kind, address, reason});
}

// The walk goes level by level, so that a page's depth is the fewest links from the start.
void LinkWalk::EndLevelWhenDone() {
    while (m_pending == 0 && !m_stopped) {
        if (m_nextLevel.isEmpty()) {
            EndStart();
            return;
        }
        const QStringList level = std::exchange(m_nextLevel, {});
        const int depth = m_nextDepth;
        for (const QString& source : level)
            Ask(source, depth);
    }
}

void LinkWalk::EndStart() {
    const QString start = m_starts.at(m_startIndex);
    QHash<QString, PageLinksRead> pages = m_pages;
    for (PageLinksRead& page : pages) {
        for (QString& link : page.links)
            link = m_aliases.value(link, link);
        page.next = m_aliases.value(page.next, page.next);
    }
    m_found.append({start, ReadingOrder(m_aliases.value(start, start), pages)});
    StartNext();
}

void LinkWalk::End() {
    m_running = false;
    emit finished();
}

QString SkippedSummary(const QList<SkippedLink>& skipped) {
    using Kind = SkippedLink::Kind;
    const auto count = [&skipped](Kind kind) {
        return std::count_if(skipped.cbegin(), skipped.cend(),
                             [kind](const SkippedLink& link) { return link.kind == kind; });
    };
    QStringList parts;
    const auto add = [&parts](qsizetype n, const char* one, const char* many) {
        if (n > 0)
            parts.append(QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many)));
    };
    add(count(Kind::Outside), "outside the pages' folder or prefix", "outside the pages' folder or prefix");
    add(count(Kind::NotAPage), "not a page", "not pages");
    add(count(Kind::Disallowed), "kept out by the site's robots.txt", "kept out by the site's robots.txt");
    add(count(Kind::Unreadable), "could not be read", "could not be read");
    add(count(Kind::PageLimit), "past the page limit", "past the page limit");
    return parts.isEmpty() ? QString()
                           : QStringLiteral("Not added: %1.").arg(parts.join(QStringLiteral(", ")));
}

int AddFoundPages(ConversionQueue& queue, const QList<FoundPages>& found) {
    const int before = queue.RowCount();
    for (const FoundPages& pages : found) {
        int at = -1;
        for (int row = 0; row < queue.RowCount() && at < 0; ++row)
            if (queue.SourceText(row) == pages.start)
                at = row + 1;
        AddSources(queue, pages.pages, at);
    }
    return queue.RowCount() - before;
}

} // namespace velmora
