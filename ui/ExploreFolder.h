#pragma once

#include <QString>

class QWidget;

namespace velmora {

// Shows the folder in the platform's file manager; false when nothing could show it.
bool ExploreFolderNative(QWidget* owner, const QString& folder);

} // namespace velmora
