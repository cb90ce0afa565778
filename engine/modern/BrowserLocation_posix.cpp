#include "modern/BrowserLocation.h"

namespace velmora::browser_places {

QString BundledName() {
    return QStringLiteral("chromium");
}

QList<Place> InstalledPlaces() {
    return {};
}

// Chromium's headless shell first: the same engine without the desktop browser around it, it starts
// and prints in about half the processor time.
QStringList CommandNames() {
    return {QStringLiteral("chromium-headless-shell"), QStringLiteral("chromium"),
            QStringLiteral("chromium-browser"), QStringLiteral("google-chrome")};
}

} // namespace velmora::browser_places
