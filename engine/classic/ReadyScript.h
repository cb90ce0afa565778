#pragma once

#include "render/RenderBackend.h"

#include <QString>
#include <QStringList>

namespace velmora {

// What the converter's window shows in its status once the page is ready to print.
inline const QString kReadyStatus = QStringLiteral("velmora-ready");

// The converter's options that make a page ready before it is printed: a delay, the user's style, and
// for a web page a script (run at each document's load, after the delay) that waits for what it is told
// to, opens collapsed sections, scrolls through the page and back, lets a late redirect happen, and
// then says it is ready. `shownScript`: what the page tells on the console at each load and once ready
// (its title and address).
QStringList ReadyArguments(const RenderRequest& request, const QString& shownScript);

// Why the Classic engine cannot prepare a local document as asked (it runs no script in one); empty when
// it can.
QString LocalDocumentProblem(const PageLoading& loading);

} // namespace velmora
