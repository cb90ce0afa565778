#pragma once

#include "render/PageSetup.h"

#include <QList>
#include <QString>

#include <functional>

class QCommandLineParser;

namespace velmora {

// The options that say what is done to a page before it is printed: scrolling, collapsed sections,
// waits, the user's own style and hidden elements.
void AddPageLoadingOptions(QCommandLineParser& parser);
// Reads them into changes to the stored page setup; the error names the first bad one.
QString ReadPageLoadingOptions(const QCommandLineParser& parser,
                               QList<std::function<void(PageSetup&)>>& changes);
// Their lines in --help.
QString PageLoadingHelp();

} // namespace velmora
