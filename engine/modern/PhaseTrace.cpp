#include "modern/PhaseTrace.h"

#include <QStringList>

namespace velmora {

Q_LOGGING_CATEGORY(lcModernPhases, "velmora.modern.phases", QtWarningMsg)

QString PhaseTrace::Summary() const {
    QStringList parts;
    for (const auto& [phase, ms] : m_marks)
        parts << QStringLiteral("%1 %2").arg(QLatin1String(phase)).arg(ms);
    return parts.join(QLatin1Char(' '));
}

} // namespace velmora
