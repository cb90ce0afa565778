#pragma once

#include "follow/FollowScope.h"
#include "follow/ReadingOrder.h"
#include "render/DrawnResources.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

namespace velmora {

class ConversionQueue;
class PageReader;
struct PageRead;

struct FollowOptions {
    static constexpr int kDefaultMaxPages = 500;
    static constexpr int kMaxDepth = 10;
    int depth = 1;                   // links followed from a start page; 0 reads nothing
    QString within;                  // an address prefix or a folder; empty: each start page's folder
    int maxPages = kDefaultMaxPages; // pages read besides the start pages
    int pageTimeoutMs = 30 * 1000;
    QString localRoot; // what local documents may read, as the run has it (empty: automatic)
};

// A link the walk did not add, and why.
struct SkippedLink {
    enum class Kind { Outside, NotAPage, Disallowed, Unreadable, PageLimit };
    Kind kind;
    QString address;
    QString reason;
};

// The pages found from one start page, in reading order, the start left out.
struct FoundPages {
    QString start;
    QStringList pages;
};

// Finds the pages that start pages lead to, without holding up the event loop: reads each start page,
// follows its links to the depth asked, within its scope, reading each page once, and puts the pages
// found in reading order. Every link it did not add is kept with the reason.
class LinkWalk final : public QObject {
    Q_OBJECT
public:
    explicit LinkWalk(FollowOptions options, QObject* parent = nullptr);
    ~LinkWalk() override;

    void Start(const QStringList& starts);
    void Stop(); // keeps what was found so far; finished() follows
    bool IsRunning() const { return m_running; }
    bool WasStopped() const { return m_stopped; }

    const QList<FoundPages>& Found() const { return m_found; }
    const QList<SkippedLink>& Skipped() const { return m_skipped; }
    int FoundCount() const { return m_foundCount; }
    int UnreadableCount() const; // pages asked for that could not be read

signals:
    void progressed();
    void finished();

private:
    void StartNext();
    void Ask(const QString& source, int depth);
    void Answered(const QString& asked, int depth, const PageRead& read);
    void TakeLinks(const QString& source, int depth, const QList<PageLink>& links);
    void Skip(SkippedLink::Kind kind, const QString& address, const QString& reason);
    void EndLevelWhenDone();
    void EndStart();
    void End();

    FollowOptions m_options;
    PageReader* m_reader;
    QStringList m_starts;
    qsizetype m_startIndex = -1;
    FollowScope m_scope;
    QHash<QString, PageLinksRead> m_pages;       // pages read in the current start's walk
    QHash<QString, QString> m_aliases;           // an address asked for, by where it redirected
    QSet<QString> m_asked;                       // sources asked for in the current start's walk
    QSet<QString> m_everAsked;                   // by any start's walk: no page is read twice
    QHash<QString, QList<PageLink>> m_readLinks; // every page read, for a later start that is one
    QSet<QString> m_skippedAddresses;
    QStringList m_nextLevel;
    int m_nextDepth = 0;
    int m_pending = 0;
    int m_pagesRead = 0;
    int m_foundCount = 0;
    bool m_running = false;
    bool m_stopped = false;
    QList<FoundPages> m_found;
    QList<SkippedLink> m_skipped;
};

// One line on what a walk passed by, by reason ("Not added: 3 outside the chosen folder or address,
// 1 not a page, 1 could not be read."); empty when nothing was.
QString SkippedSummary(const QList<SkippedLink>& skipped);

// Adds each start's pages to the queue right after the start's row (at the end when it has none),
// through the queue's own rules; the rows added.
int AddFoundPages(ConversionQueue& queue, const QList<FoundPages>& found);

} // namespace velmora
