#pragma once

#include "platform/ProgramLocation.h"

namespace velmora {

// The converter in "bin" under the program's folder; except on Windows, when missing there, the one on PATH.
ProgramLocation LocateConverter(const QString& programFolder);

} // namespace velmora
