#include "CertificateCheck.h"

#include <QTimer>

namespace velmora {

struct CertificateCheck::Private {};

CertificateCheck::CertificateCheck(const QUrl& url, QObject* parent) : QObject(parent) {
    Q_UNUSED(url);
    QTimer::singleShot(0, this, [this] { emit finished({}); });
}

CertificateCheck::~CertificateCheck() = default;

} // namespace velmora
