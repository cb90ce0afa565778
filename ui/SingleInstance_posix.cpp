#include "SingleInstance.h"

#include <QStandardPaths>

namespace velmora {

// The runtime folder ($XDG_RUNTIME_DIR, else a folder Qt makes with mode 0700) is the user's and the
// session's alone, so no other user can put a socket of theirs in its place.
QString SingleInstanceServerName() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/velmora-html2pdf-window");
}

QString SingleInstanceLockPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/velmora-html2pdf-window.lock");
}

} // namespace velmora
