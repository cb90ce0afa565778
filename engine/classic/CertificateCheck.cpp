#include "classic/CertificateCheck.h"

#include "render/PageLoadRules.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QSslSocket>
#include <QTimer>

namespace velmora {

namespace {

// A server that does not finish its handshake (or answer) by then is left to the converter and its
// time limit.
constexpr int kHandshakeLimitMs = 30000;
constexpr int kHttpsPort = 443;
// As many redirects as a browser follows before it gives up.
constexpr int kMaxRedirects = 20;

bool HasScheme(const QUrl& url, QLatin1String scheme) {
    return url.scheme().compare(scheme, Qt::CaseInsensitive) == 0;
}

// The same sentence the Modern engine gives for a certificate it refuses.
QString UntrustedReason(const QUrl& url) {
    return NetErrorReason(QStringLiteral("net::ERR_CERT_AUTHORITY_INVALID"), url.toString());
}

// Ends a step's socket or request: nothing of it reaches the check any more, and it is deleted when the
// event loop allows, as it may be the sender of the signal being handled.
struct AbortLater {
    template <typename Worker> void operator()(Worker* worker) const {
        worker->disconnect();
        worker->abort();
        worker->deleteLater();
    }
};

} // namespace

struct CertificateCheck::Private {
    QList<QUrl> pending;
    QSet<QUrl> seen;
    Redirects redirects = Redirects::NotFollowed;
    int redirectsLeft = kMaxRedirects;
    std::unique_ptr<QNetworkAccessManager> network; // made when first needed
    std::unique_ptr<QSslSocket, AbortLater> socket;
    std::unique_ptr<QNetworkReply, AbortLater> reply;
    QTimer limit;
    bool done = false;

    void Queue(const QUrl& url) {
        const QUrl normal = url.adjusted(QUrl::NormalizePathSegments);
        if (!seen.contains(normal)) {
            seen.insert(normal);
            pending.append(normal);
        }
    }
    void EndStep() {
        limit.stop();
        socket.reset();
        reply.reset();
    }
};

CertificateCheck::CertificateCheck(const QList<QUrl>& addresses, Redirects redirects, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->redirects = redirects;
    for (const QUrl& url : addresses)
        d->Queue(url);
    d->limit.setSingleShot(true);
    connect(&d->limit, &QTimer::timeout, this, &CertificateCheck::Next);
    // Connecting may fail at once; the answer still comes from the event loop.
    QTimer::singleShot(0, this, [this] { Next(); });
}

CertificateCheck::~CertificateCheck() {
    d->EndStep();
}

void CertificateCheck::Next() {
    if (d->done)
        return;
    d->EndStep();
    if (d->pending.isEmpty()) {
        Finish({});
        return;
    }
    // Only web addresses: a page may also tell a data: or about: address, which no server answers.
    const QUrl url = d->pending.takeFirst();
    const bool https = HasScheme(url, QLatin1String("https"));
    if (d->redirects == Redirects::Followed && (https || HasScheme(url, QLatin1String("http"))))
        Ask(url);
    else if (https)
        Handshake(url);
    else
        Next();
}

void CertificateCheck::Handshake(const QUrl& url) {
    d->socket.reset(new QSslSocket);
    QSslSocket* socket = d->socket.get();
    connect(socket, &QSslSocket::encrypted, this, &CertificateCheck::Next);
    connect(socket, &QSslSocket::sslErrors, this, [this, url] { Finish(UntrustedReason(url)); });
    connect(socket, &QSslSocket::errorOccurred, this, &CertificateCheck::Next);
    d->limit.start(kHandshakeLimitMs);
    socket->connectToHostEncrypted(url.host(), quint16(url.port(kHttpsPort)));
}

// Only the head of the answer is waited for: its status and where it redirects.
void CertificateCheck::Ask(const QUrl& url) {
    if (!d->network) {
        d->network = std::make_unique<QNetworkAccessManager>();
        d->network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    d->reply.reset(d->network->get(QNetworkRequest(url)));
    QNetworkReply* reply = d->reply.get();
    connect(reply, &QNetworkReply::sslErrors, this, [this, url] { Finish(UntrustedReason(url)); });
    const auto answered = [this, reply] {
        const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (target.isValid() && d->redirectsLeft-- > 0)
            d->Queue(reply->url().resolved(target));
        Next();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, answered);
    connect(reply, &QNetworkReply::finished, this, answered);
    d->limit.start(kHandshakeLimitMs);
}

void CertificateCheck::Finish(const QString& problem) {
    if (d->done)
        return;
    d->done = true;
    d->EndStep();
    emit finished(problem);
}

} // namespace velmora
