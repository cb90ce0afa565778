#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// Where an engine's program was found, and every place looked in.
struct ProgramLocation {
    QString path;         // where the program is; empty when it was not found
    QStringList searched; // every place looked in, for the message when it was not found
    bool found = false;
};

// "<folder>/bin/<name>" in native separators; first of a program's usual places.
QString BundledProgramPath(const QString& programFolder, const QString& name);
// How the PATH search reads in a message: "the folders on PATH (a, b)".
QString PathSearchDescription();

} // namespace velmora
