#include "Dialogs.h"

#include "ExploreFolder.h"
#include "PasswordKeeper.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <memory>

namespace velmora {

namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, kApplicationTitle, text, QMessageBox::Ok, parent);
    // A folder or a reason in a message can be selected and copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

} // namespace

PasswordKeeper& Dialogs::Passwords() {
    static const std::unique_ptr<PasswordKeeper> keeper = SystemPasswordKeeper();
    return *keeper;
}

QStringList FileDialogFilters(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        // "*.*" means every file on Windows; elsewhere it would hide names without an extension.
        std::replace(patterns.begin(), patterns.end(), QStringLiteral("*.*"), QStringLiteral("*"));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return filters;
}

void SystemDialogs::ShowMessage(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::NoIcon, text);
}

void SystemDialogs::ShowError(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Critical, text);
}

bool SystemDialogs::OfferAction(QWidget* parent, const QString& text, const QString& action) {
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, parent);
    QPushButton* offered = box.addButton(action, QMessageBox::AcceptRole);
    box.setDefaultButton(offered);
    box.exec();
    return box.clickedButton() == offered;
}

void SetUpOpenFileDialog(QFileDialog& dialog, const QString& pipeFilter, const QString& startFolder) {
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!startFolder.isEmpty()) // otherwise the dialog's own choice, the current directory
        dialog.setDirectory(startFolder);
    const QStringList filters = FileDialogFilters(pipeFilter);
    // The captions already name their patterns; Qt would append its own list to each.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
}

std::optional<QStringList> SystemDialogs::GetOpenFileNames(QWidget* parent, const QString& filter,
                                                           const QString& startFolder) {
    QFileDialog dialog(parent);
    SetUpOpenFileDialog(dialog, filter, startFolder);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    // Queue rows and output names work on the paths as the platform writes them.
    for (QString& file : files)
        file = QDir::toNativeSeparators(file);
    return files;
}

std::optional<QString> SystemDialogs::GetSaveFileName(QWidget* parent, const QString& filter,
                                                      const QString& suggested) {
    const QString file =
        QFileDialog::getSaveFileName(parent, QString(), suggested, FileDialogFilters(filter).join(u";;"));
    if (file.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(file);
}

std::optional<QString> SystemDialogs::GetText(QWidget* parent, const QString& label,
                                              const QString& suggested) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent, kApplicationTitle, label, QLineEdit::Normal, suggested, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

std::optional<QString> SystemDialogs::GetExistingDirectory(QWidget* parent, const QString& title,
                                                           const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, startFolder);
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

bool SystemDialogs::RunModal(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool SystemDialogs::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void SystemDialogs::OpenFile(QWidget* parent, const QString& file, ShellDone done) {
    OpenFileNative(parent, file, std::move(done));
}

void SystemDialogs::ExploreFolder(QWidget* parent, const QString& folder, ShellDone done) {
    ExploreFolderNative(parent, folder, std::move(done));
}

void SystemDialogs::ShowInFolder(QWidget* parent, const QString& file, ShellDone done) {
    ShowInFolderNative(parent, file, std::move(done));
}

void SystemDialogs::ShowPathMessage(QWidget* parent, const QString& text, const QString& path) {
    QMessageBox box(QMessageBox::Information, kApplicationTitle, text, QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const QPushButton* copy = box.addButton(QStringLiteral("&Copy Path"), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == copy)
        QGuiApplication::clipboard()->setText(path);
}

} // namespace velmora
