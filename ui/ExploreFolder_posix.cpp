#include "ExploreFolder.h"

#include <QDesktopServices>
#include <QUrl>

namespace velmora {

void ExploreFolderNative(QWidget*, const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace velmora
