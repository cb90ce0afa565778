#pragma once

#include "platform/ProgramLocation.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace velmora {

// Chromium for the Modern engine: "bin/chromium" beside the program, else the first of
// chromium-headless-shell, chromium, chromium-browser and google-chrome on PATH. On Windows
// "bin\chrome.exe" beside the program, Chrome's, Chromium's and Microsoft Edge's usual install
// folders, then the App Paths registry entries of chrome.exe and msedge.exe (the current user's, then
// the machine's). searched lists every place looked in.
ProgramLocation LocateBrowser(const QString& programFolder);
// The same search for a browser that can show a window: Chromium's headless shell cannot.
ProgramLocation LocateWindowedBrowser(const QString& programFolder);

// The platform's part of the search (BrowserLocation_win.cpp, BrowserLocation_posix.cpp).
namespace browser_places {

// One place a browser may be: how a message names it, and the program there (empty: none named).
struct Place {
    QString description;
    QString program;
};

QString BundledName();          // the browser's name in the program's "bin" folder
QList<Place> InstalledPlaces(); // looked in after "bin", in order
QStringList CommandNames();     // looked for on PATH last, in order

} // namespace browser_places

} // namespace velmora
