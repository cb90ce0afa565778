#include "CertificateCheck.h"

#include "PageLoadRules.h"

#include <QSslSocket>
#include <QTimer>

namespace velmora {

namespace {

// A server that does not finish its handshake by then is left to the converter and its time limit.
constexpr int kHandshakeLimitMs = 30000;
constexpr int kHttpsPort = 443;

} // namespace

struct CertificateCheck::Private {
    QSslSocket socket;
    QTimer limit;
    bool done = false;
};

CertificateCheck::CertificateCheck(const QUrl& url, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    const auto finish = [this](const QString& problem) {
        if (d->done)
            return;
        d->done = true;
        d->limit.stop();
        d->socket.abort();
        emit finished(problem);
    };
    connect(&d->socket, &QSslSocket::encrypted, this, [finish] { finish({}); });
    // The same sentence the Modern engine gives for a certificate it refuses.
    connect(&d->socket, &QSslSocket::sslErrors, this, [finish, url] {
        finish(NetErrorReason(QStringLiteral("net::ERR_CERT_AUTHORITY_INVALID"), url.toString()));
    });
    connect(&d->socket, &QSslSocket::errorOccurred, this, [finish] { finish({}); });
    d->limit.setSingleShot(true);
    connect(&d->limit, &QTimer::timeout, this, [finish] { finish({}); });
    d->limit.start(kHandshakeLimitMs);
    const QString host = url.host();
    const quint16 port = quint16(url.port(kHttpsPort));
    // Connecting may fail at once; the answer still comes from the event loop.
    QTimer::singleShot(0, this, [this, host, port] {
        if (!d->done)
            d->socket.connectToHostEncrypted(host, port);
    });
}

CertificateCheck::~CertificateCheck() = default;

} // namespace velmora
