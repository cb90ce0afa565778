#pragma once

#include "render/PageLoading.h"

#include <QJsonObject>
#include <QString>

namespace velmora::page_scripts {

// Set into every document a tab opens, before the page's own scripts: it notes the page's short timers
// (one may send the browser on) and whether the page watches its scrolling (content loaded as it comes
// into view).
QString PageWatch();

// Runtime.evaluate parameters for an expression, its value returned, a promise awaited.
QJsonObject Evaluation(const QString& expression);

// The milliseconds until the last short timer or refresh due within kLateRedirectMs of the load has run;
// 0 when none is.
QString PendingRedirectMs();
// true, false, or "invalid" for a selector the browser does not understand.
QString ElementExists(const QString& selector);
// true, false, or "invalid" for an expression the browser cannot read.
QString ExpressionTrue(const QString& expression);
// Adds the user's style after the page's own.
QString AddStyle(const QString& css);
QString OpenDetails();
// Whether the page watches its scrolling at all.
QString WatchesScrolling();
// Scrolls one screen down and answers {height, end} once the page has drawn it.
QString ScrollStep();
QString ScrollToTop();

} // namespace velmora::page_scripts
