#pragma once

#include <QString>

class QWidget;

namespace velmora {

// Shows the folder in the platform's file manager; the result is not examined.
void ExploreFolderNative(QWidget* owner, const QString& folder);

} // namespace velmora
