#include "ExploreFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace velmora {

// A relative folder means the one below the current directory, as it did when the PDFs were written.
bool ExploreFolderNative(QWidget*, const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir(folder).absolutePath()));
}

// No common way to select a file in every file manager: its folder is opened.
bool ShowInFolderNative(QWidget* owner, const QString& file) {
    return ExploreFolderNative(owner, QFileInfo(file).absolutePath());
}

} // namespace velmora
