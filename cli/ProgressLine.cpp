#include "ProgressLine.h"

namespace velmora {

namespace {

QString ClockText(qint64 seconds) {
    const auto twoDigits = [](qint64 value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(twoDigits(seconds / 60 % 60), twoDigits(seconds % 60));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(twoDigits(seconds % 60));
}

} // namespace

QString ProgressText(int done, int total, qint64 elapsedMs) {
    const QString counts = QStringLiteral("%1 of %2").arg(done).arg(total);
    if (done <= 0 || done >= total)
        return counts;
    // Rounded to whole seconds, half up, so a guess never reads 0:00 while work remains.
    const qint64 leftMs = elapsedMs * (total - done) / done;
    const qint64 leftSeconds = qMax<qint64>(1, (leftMs + 500) / 1000);
    return counts + QStringLiteral(", about %1 left").arg(ClockText(leftSeconds));
}

void ProgressLine::Show(const QString& text) {
    // Spaces cover the rest of a longer line shown before; no terminal escape codes needed.
    const QByteArray line = text.toUtf8();
    const QByteArray padding(qMax<qsizetype>(0, m_shownLength - line.size()), ' ');
    const QByteArray shown = padding.isEmpty() ? "\r" + line : "\r" + line + padding + "\r" + line;
    std::fputs(shown.constData(), m_terminal);
    std::fflush(m_terminal);
    m_shownLength = line.size();
}

void ProgressLine::Clear() {
    if (m_shownLength == 0)
        return;
    std::fputs(("\r" + QByteArray(m_shownLength, ' ') + "\r").constData(), m_terminal);
    std::fflush(m_terminal);
    m_shownLength = 0;
}

} // namespace velmora
