#pragma once

#include <QList>
#include <QString>

#include <utility>

class QStatusBar;

namespace velmora {

// Shows a message in a status bar whose panes are placed by hand: they step aside while it shows.
void ShowStatusNotice(QStatusBar* bar, const QString& text);

// One line about what an add passed by, from counts and their reasons in order ("2 lines skipped: not a
// web address; 1 already in the queue"); counts of 0 are left out, and nothing at all gives "".
QString SkippedLinesText(const QList<std::pair<int, QString>>& counts);

} // namespace velmora
