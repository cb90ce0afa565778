#pragma once

#include "ConverterLocation.h"

namespace velmora {

// Chromium for the Modern engine: "bin/chromium" beside the program, else the first of
// chromium-headless-shell, chromium, chromium-browser and google-chrome on PATH; on Windows "bin\chrome.exe"
// or the usual install folders. searched lists every place looked in.
ConverterLocation LocateBrowser(const QString& programFolder);

} // namespace velmora
