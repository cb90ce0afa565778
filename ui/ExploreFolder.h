#pragma once

#include "Dialogs.h"

#include <QString>

class QWidget;

namespace velmora {

// The shell calls of SystemDialogs. Each tells `done` later whether a program could show the path.
void OpenFileNative(QWidget* owner, const QString& file, ShellDone done);
// Shows the folder in the platform's file manager.
void ExploreFolderNative(QWidget* owner, const QString& folder, ShellDone done);
// Shows the file in its folder, selected where the platform's file manager can.
void ShowInFolderNative(QWidget* owner, const QString& file, ShellDone done);

} // namespace velmora
