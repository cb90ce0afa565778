#include "platform/TerminationSignals.h"

#include <QCoreApplication>

namespace velmora {

// A window program on Windows is asked to end with WM_CLOSE or WM_ENDSESSION, which Qt delivers to
// the window itself; there is nothing to translate here.
TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals& TerminationSignals::Install() {
    static TerminationSignals* instance = new TerminationSignals(QCoreApplication::instance());
    return *instance;
}

} // namespace velmora
