#include "ExploreFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace velmora {

// A relative folder means the one below the current directory, as it did when the PDFs were written.
bool ExploreFolderNative(QWidget*, const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir(folder).absolutePath()));
}

} // namespace velmora
