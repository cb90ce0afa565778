#include "ExploreFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace velmora {

// A relative folder means the one below the current directory, as it did when the PDFs were written.
void ExploreFolderNative(QWidget*, const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QDir(folder).absolutePath()));
}

} // namespace velmora
