#pragma once

#include "follow/FollowScope.h"
#include "follow/RobotsRules.h"

#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>

namespace velmora {

// One page as a walk read it.
struct PageRead {
    enum class Outcome { Page, NotAPage, Disallowed, Outside, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    QString source; // the queue source it was read as, after any redirects
    QString html;   // its first megabytes, for a page
    QString reason; // why it is no page to add
};

// Reads pages for a walk without holding up the event loop: web pages through Qt's network access
// (at most two requests at a time to one host, robots.txt asked first where wanted, redirects followed
// only inside the walk's scope, a time limit per page, only HTML answers taken), local files on a
// worker thread.
class PageReader final : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const PageRead&)>;
    static constexpr int kRequestsPerHost = 2;

    explicit PageReader(int timeoutMs, QObject* parent = nullptr);

    // `done` follows through the event loop, never within this call; not at all after Stop.
    void Read(const QString& source, const FollowScope& scope, bool honourRobots, Done done);
    void Stop();

private:
    struct Job {
        QUrl url;
        FollowScope scope;
        bool honourRobots = false;
        Done done;
        int redirects = 0;
    };
    void Enqueue(Job job);
    void Pump(const QString& origin);
    void LoadRobots(const QString& origin, const QUrl& address);
    void Get(const QString& origin, Job job);
    void Finish(const QString& origin, const Job& job, PageRead read);
    void ReadLocal(const QString& path, Done done);

    QNetworkAccessManager m_network;
    int m_timeoutMs;
    bool m_stopped = false;
    QHash<QString, QList<Job>> m_waiting; // by origin, in order
    QHash<QString, int> m_inFlight;       // requests by origin
    QHash<QString, RobotsRules> m_robots; // by origin, once read
    QSet<QString> m_robotsAsked;
};

} // namespace velmora
