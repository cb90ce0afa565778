#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QLoggingCategory>
#include <QString>

#include <utility>

namespace velmora {

// Where a Modern row's time goes, logged once per row under this category when it is enabled, e.g.
// QT_LOGGING_RULES="velmora.modern.phases.debug=true": "row 3 converted: tab 2 navigated 31 loaded 140
// print 141 printed 260 pdf 268 done 402" (milliseconds since the row began; a phase passed twice, as
// when a page is printed again, is named twice). bench_engines reads these lines.
Q_DECLARE_LOGGING_CATEGORY(lcModernPhases)

class PhaseTrace {
public:
    PhaseTrace() { m_since.start(); }
    // phase: a string literal.
    void Mark(const char* phase) {
        if (lcModernPhases().isDebugEnabled())
            m_marks.append({phase, m_since.elapsed()});
    }
    // "tab 2 navigated 31 ...".
    QString Summary() const;

private:
    QElapsedTimer m_since;
    QList<std::pair<const char*, qint64>> m_marks;
};

} // namespace velmora
