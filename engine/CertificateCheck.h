#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace velmora {

// Asks the server of an https address for its certificate and checks it against the system's trust
// store (and the host name), for an engine whose converter would accept any certificate. Only a
// certificate that cannot be trusted is a problem: a server that cannot be reached is left for the
// converter to report.
class CertificateCheck final : public QObject {
    Q_OBJECT
public:
    // Starts at once; `finished` follows exactly once, never from inside the constructor.
    explicit CertificateCheck(const QUrl& url, QObject* parent = nullptr);
    ~CertificateCheck() override;

signals:
    void finished(const QString& problem); // empty: trusted, or nothing to say

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace velmora
