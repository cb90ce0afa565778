#pragma once

#include <QString>

namespace velmora {

// Temporary files and folders carry the tag of the program instance that made them, so that a later
// run can tell those of a program that is gone (killed hard, crashed) from those still in use.

// "<pid>-<start>" of this program, in hexadecimal, the start time guarding against a process id used again.
QString OwnerTag();

// Whether the instance that `tag` names is gone. A tag that cannot be read is not judged abandoned.
bool IsAbandonedTag(const QString& tag);

enum class LeftoverKind { File, Folder };

// Removes the files (or folders, with their contents) in `folder` named `prefix` + tag + "-..." +
// `suffix` whose instance is gone. Those of a living instance and any other name are left alone.
void RemoveAbandoned(const QString& folder, const QString& prefix, const QString& suffix, LeftoverKind kind);

} // namespace velmora
