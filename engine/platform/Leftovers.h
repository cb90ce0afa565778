#pragma once

#include <QString>

namespace velmora {

// Temporary files and folders carry the tag of the program instance that made them, so that a later
// run can tell those of a program that is gone (killed hard, crashed) from those still in use, also
// when several computers, boots or process-id namespaces share the folder.

// "<place>-<pid>-<start>" of this program, in hexadecimal: the place a short mark of this computer, its
// boot and its process-id namespace ("unknown" when they cannot be told), the start time guarding
// against a process id used again.
QString OwnerTag();

// Whether the instance that `tag` names is gone. Only an instance of this program's own place can be
// judged; one of another place, or a tag that cannot be read, is not judged abandoned.
bool IsAbandonedTag(const QString& tag);

enum class LeftoverKind { File, Folder };

// Removes the files (or folders, with their contents) in `folder` named `prefix` + tag + "-..." +
// `suffix` whose instance is gone. Those of a living instance and any other name are left alone.
void RemoveAbandoned(const QString& folder, const QString& prefix, const QString& suffix, LeftoverKind kind);

// Removes `path` when it still is a file (or a folder, with its contents) of its own: a link put in its
// place is neither followed nor removed. Whether it was removed.
bool RemoveLeftover(const QString& path, LeftoverKind kind);

// Whether `path` itself, a link not followed, is a file or a folder as `kind` says.
bool IsPlainEntry(const QString& path, LeftoverKind kind);

// This user's own folder in `parent` for the program's temporary folders, made when missing, with
// access for the user alone. Empty when the one there is a link, another user's or open to others.
QString PrivateFolder(const QString& parent);

} // namespace velmora
