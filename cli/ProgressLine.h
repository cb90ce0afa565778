#pragma once

#include <QString>

#include <cstdio>

namespace velmora {

// "12 of 200, about 1:32 left": the time left guessed from the pace so far; just "0 of 200" before the
// first row ends, and no guess once all are done.
QString ProgressText(int done, int total, qint64 elapsedMs);

// One line on a terminal that is redrawn in place and can be wiped before other output is written.
class ProgressLine {
public:
    explicit ProgressLine(std::FILE* terminal) : m_terminal(terminal) {}
    void Show(const QString& text);
    void Clear();

private:
    std::FILE* m_terminal;
    qsizetype m_shownLength = 0;
};

} // namespace velmora
