#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

struct ConverterLocation {
    QString path;         // where the converter is; empty when it was not found
    QStringList searched; // every place looked in, for the message when it was not found
    bool found = false;
};

// The converter in "bin" under the program's folder; except on Windows, when missing there, the one on PATH.
ConverterLocation LocateConverter(const QString& programFolder);

// "<folder>/bin/<name>" in native separators; first of a program's usual places.
QString BundledProgramPath(const QString& programFolder, const QString& name);
// How the PATH search reads in a message: "the folders on PATH (a, b)".
QString PathSearchDescription();

} // namespace velmora
