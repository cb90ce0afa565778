#include "ExploreFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace velmora {

namespace {

const QString kOpener = QStringLiteral("xdg-open");

// xdg-open starts at once and only then finds whether anything can show the path, so its exit status
// is the answer; it is awaited in the background. Without it, Qt tries the desktop's own ways.
void OpenPath(const QString& path, ShellDone done) {
    const QString opener = QStandardPaths::findExecutable(kOpener);
    if (opener.isEmpty()) {
        const bool shown = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        QTimer::singleShot(0, [done = std::move(done), shown] { done(shown); });
        return;
    }
    auto* process = new QProcess;
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, done](int code, QProcess::ExitStatus status) {
                         done(status == QProcess::NormalExit && code == 0);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         done(false);
                         process->deleteLater();
                     });
    process->start(opener, {path});
}

} // namespace

void OpenFileNative(QWidget*, const QString& file, ShellDone done) {
    OpenPath(QFileInfo(file).absoluteFilePath(), std::move(done));
}

// A relative folder means the one below the current directory, as it did when the PDFs were written.
void ExploreFolderNative(QWidget*, const QString& folder, ShellDone done) {
    OpenPath(QDir(folder).absolutePath(), std::move(done));
}

// No common way to select a file in every file manager: its folder is opened.
void ShowInFolderNative(QWidget* owner, const QString& file, ShellDone done) {
    ExploreFolderNative(owner, QFileInfo(file).absolutePath(), std::move(done));
}

} // namespace velmora
