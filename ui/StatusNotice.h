#pragma once

#include <QString>

class QStatusBar;

namespace velmora {

// Shows a message in a status bar whose panes are placed by hand: they step aside while it shows.
void ShowStatusNotice(QStatusBar* bar, const QString& text);

} // namespace velmora
