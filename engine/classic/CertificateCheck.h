#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace velmora {

// Checks the certificates of https servers against the system's trust store (and the host name), for
// an engine whose converter would accept any certificate. Only a certificate that cannot be trusted is
// a problem: a server that cannot be reached is left for the converter to report.
class CertificateCheck final : public QObject {
    Q_OBJECT
public:
    enum class Redirects {
        NotFollowed, // each https address is only shaken hands with: nothing is asked of its server
        Followed,    // each address is asked for (its answer's head alone) and where it redirects checked too
    };

    // Checks the addresses in turn and stops at the first that cannot be trusted. Starts at once;
    // `finished` follows exactly once, never from inside the constructor.
    CertificateCheck(const QList<QUrl>& addresses, Redirects redirects, QObject* parent = nullptr);
    ~CertificateCheck() override;

signals:
    void finished(const QString& problem); // empty: trusted, or nothing to say

private:
    struct Private;
    std::unique_ptr<Private> d;
    void Next();
    void Handshake(const QUrl& url);
    void Ask(const QUrl& url);
    void Finish(const QString& problem);
};

} // namespace velmora
