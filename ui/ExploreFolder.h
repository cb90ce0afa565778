#pragma once

#include <QString>

class QWidget;

namespace velmora {

// Shows the folder in the platform's file manager; false when nothing could show it.
bool ExploreFolderNative(QWidget* owner, const QString& folder);
// Shows the file in its folder, selected where the platform's file manager can; false on failure.
bool ShowInFolderNative(QWidget* owner, const QString& file);

} // namespace velmora
