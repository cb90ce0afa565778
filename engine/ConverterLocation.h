#pragma once

#include <QString>

namespace velmora {

struct ConverterLocation {
    QString path; // where the converter is, or where it was looked for
    bool found = false;
};

// The converter in "bin" under the program's folder; except on Windows, when missing there, the one on PATH.
ConverterLocation LocateConverter(const QString& programFolder);

} // namespace velmora
