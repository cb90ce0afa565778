#include "BrowserPipe.h"

#include <QProcess>

namespace velmora {

// Chromium on Windows takes the pipe as inherited handles named on its command line; until that is
// written, the engine says it is unavailable here rather than pretend.
struct BrowserPipe::Ends {};

BrowserPipe::BrowserPipe(QObject* parent) : QObject(parent), m_ends(std::make_unique<Ends>()) {}

BrowserPipe::~BrowserPipe() = default;

QString BrowserPipe::UnavailableReason() {
    return QStringLiteral("The Modern engine cannot drive Chromium on Windows in this version.");
}

QStringList BrowserPipe::PlatformArguments() {
    return {};
}

bool BrowserPipe::AttachTo(QProcess&) {
    return false;
}

void BrowserPipe::ProcessStarted() {}

void BrowserPipe::Write(const QByteArray&) {}

void BrowserPipe::Close() {}

} // namespace velmora
