#include "follow/PageReader.h"

#include "platform/OffThread.h"
#include "render/PageLoadRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkReply>
#include <QTimer>

namespace velmora {

namespace {

// A page's links show in its first megabytes; a larger answer is cut there.
constexpr qint64 kPageBytes = 4 * 1024 * 1024;
constexpr int kMaxRedirects = 5;

QString OriginOf(const QUrl& url) {
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toString();
}

QString PathAndQuery(const QUrl& url) {
    const QString path = url.path(QUrl::FullyEncoded);
    const QString query = url.query(QUrl::FullyEncoded);
    return (path.isEmpty() ? QStringLiteral("/") : path) + (query.isEmpty() ? QString() : u'?' + query);
}

QNetworkRequest RequestFor(const QUrl& url) {
    QNetworkRequest request(url);
    request.setHeader(
        QNetworkRequest::UserAgentHeader,
        QStringLiteral("Velmora/%1 (finding linked pages)").arg(QCoreApplication::applicationVersion()));
    return request;
}

bool IsHtml(const QString& contentType) {
    const QString type = contentType.section(u';', 0, 0).trimmed().toLower();
    return type.isEmpty() || type == QLatin1String("text/html") ||
           type == QLatin1String("application/xhtml+xml");
}

QString NetworkReason(QNetworkReply::NetworkError error, const QUrl& url, const QString& fallback) {
    const QString address = url.toString();
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return NetErrorReason(QStringLiteral("net::ERR_CONNECTION_REFUSED"), address);
    case QNetworkReply::HostNotFoundError:
        return NetErrorReason(QStringLiteral("net::ERR_NAME_NOT_RESOLVED"), address);
    case QNetworkReply::RemoteHostClosedError:
        return NetErrorReason(QStringLiteral("net::ERR_CONNECTION_CLOSED"), address);
    case QNetworkReply::SslHandshakeFailedError:
        return NetErrorReason(QStringLiteral("net::ERR_CERT_INVALID"), address);
    default:
        return QStringLiteral("The page could not be read (%1).").arg(fallback);
    }
}

} // namespace

PageReader::PageReader(int timeoutMs, QObject* parent) : QObject(parent), m_timeoutMs(timeoutMs) {}

void PageReader::Read(const QString& source, const FollowScope& scope, bool honourRobots, Done done) {
    const QUrl url = FollowScope::AddressOf(source);
    if (url.isLocalFile())
        ReadLocal(url.toLocalFile(), std::move(done));
    else
        Enqueue({url, scope, honourRobots, std::move(done)});
}

void PageReader::Stop() {
    m_stopped = true;
    m_waiting.clear();
    for (QNetworkReply* reply : m_network.findChildren<QNetworkReply*>())
        reply->abort();
}

void PageReader::Enqueue(Job job) {
    const QString origin = OriginOf(job.url);
    m_waiting[origin].append(std::move(job));
    // Through the event loop, so that no answer arrives within Read.
    QTimer::singleShot(0, this, [this, origin] { Pump(origin); });
}

void PageReader::Pump(const QString& origin) {
    QList<Job>& waiting = m_waiting[origin];
    while (!m_stopped && !waiting.isEmpty() && m_inFlight.value(origin) < kRequestsPerHost) {
        if (waiting.first().honourRobots && !m_robots.contains(origin)) {
            if (!m_robotsAsked.contains(origin))
                LoadRobots(origin, waiting.first().url);
            return;
        }
        Job job = waiting.takeFirst();
        if (job.honourRobots && !m_robots.value(origin).Allows(PathAndQuery(job.url))) {
            PageRead read;
            read.outcome = PageRead::Outcome::Disallowed;
            read.source = FollowScope::SourceOf(job.url);
            read.reason = QStringLiteral("The site's robots.txt asks programs not to read it.");
            job.done(read);
            continue;
        }
        Get(origin, std::move(job));
    }
}

void PageReader::LoadRobots(const QString& origin, const QUrl& address) {
    m_robotsAsked.insert(origin);
    ++m_inFlight[origin];
    QNetworkRequest request = RequestFor(address.resolved(QUrl(QStringLiteral("/robots.txt"))));
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, origin] {
        reply->deleteLater();
        --m_inFlight[origin];
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // As robots.txt's own rules have it: a missing file allows everything, a server that cannot
        // answer allows nothing.
        if (reply->error() == QNetworkReply::NoError && status < 300)
            m_robots.insert(origin, RobotsRules::Parse(reply->read(kPageBytes)));
        else if (status >= 400 && status < 500)
            m_robots.insert(origin, RobotsRules::AllowAll());
        else
            m_robots.insert(origin, RobotsRules::DisallowAll());
        Pump(origin);
    });
}

void PageReader::Get(const QString& origin, Job job) {
    ++m_inFlight[origin];
    QNetworkRequest request = RequestFor(job.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = m_network.get(request);
    struct State {
        QByteArray body;
        bool timedOut = false;
        bool notHtml = false;
    };
    auto state = std::make_shared<State>();
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, [reply, state] {
        state->timedOut = true;
        reply->abort();
    });
    limit->start(m_timeoutMs);
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, state] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 200 && status < 300 &&
            !IsHtml(reply->header(QNetworkRequest::ContentTypeHeader).toString())) {
            state->notHtml = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, state] {
        state->body += reply->read(kPageBytes - state->body.size());
        if (state->body.size() >= kPageBytes)
            reply->abort(); // what came is enough
    });
    connect(
        reply, &QNetworkReply::finished, this, [this, reply, state, origin, job = std::move(job)]() mutable {
            reply->deleteLater();
            --m_inFlight[origin];
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            PageRead read;
            read.source = FollowScope::SourceOf(job.url);
            const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
            if (state->notHtml) {
                read.outcome = PageRead::Outcome::NotAPage;
                read.reason =
                    QStringLiteral("It is no page (%1).")
                        .arg(
                            reply->header(QNetworkRequest::ContentTypeHeader).toString().section(u';', 0, 0));
            } else if (state->timedOut) {
                const int seconds = qMax(1, m_timeoutMs / 1000);
                read.reason =
                    QStringLiteral("The server %1 did not answer within %2.")
                        .arg(job.url.host(), seconds == 1 ? QStringLiteral("1 second")
                                                          : QStringLiteral("%1 seconds").arg(seconds));
            } else if (status >= 300 && status < 400 && location.isValid()) {
                const QUrl target = job.url.resolved(location).adjusted(QUrl::RemoveFragment);
                if (!job.scope.Holds(target)) {
                    read.outcome = PageRead::Outcome::Outside;
                    read.reason = QStringLiteral("It redirects to %1, outside %2.")
                                      .arg(target.toString(), job.scope.Prefix());
                } else if (job.redirects >= kMaxRedirects) {
                    read.reason =
                        NetErrorReason(QStringLiteral("net::ERR_TOO_MANY_REDIRECTS"), job.url.toString());
                } else {
                    job.url = target;
                    ++job.redirects;
                    Enqueue(std::move(job));
                    Pump(origin);
                    return;
                }
            } else if (status >= 400) {
                read.reason = HttpStatusReason(
                    status, reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
            } else if (reply->error() != QNetworkReply::NoError && state->body.size() < kPageBytes) {
                read.reason = NetworkReason(reply->error(), job.url, reply->errorString());
            } else {
                read.outcome = PageRead::Outcome::Page;
                read.html = QString::fromUtf8(state->body);
            }
            if (!m_stopped)
                job.done(read);
            Pump(origin);
        });
}

void PageReader::ReadLocal(const QString& path, Done done) {
    struct Result {
        bool ok = false;
        QByteArray bytes;
        QString error;
    };
    RunOffThread(
        [path] {
            QFile file(path);
            Result result;
            if (!file.exists())
                result.error = QStringLiteral("No such file: %1").arg(QDir::toNativeSeparators(path));
            else if (!file.open(QIODevice::ReadOnly))
                result.error = QStringLiteral("The file could not be read: %1.").arg(file.errorString());
            else {
                result.bytes = file.read(kPageBytes);
                result.ok = true;
            }
            return result;
        },
        this,
        [this, path, done = std::move(done)](const Result& result) {
            if (m_stopped)
                return;
            PageRead read;
            read.source = QDir::toNativeSeparators(path);
            read.outcome = result.ok ? PageRead::Outcome::Page : PageRead::Outcome::Unreadable;
            read.html = QString::fromUtf8(result.bytes);
            read.reason = result.error;
            done(read);
        });
}

} // namespace velmora
