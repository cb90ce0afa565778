#include "Dialogs.h"

#include "ExploreFolder.h"
#include "PasswordKeeper.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace velmora {

namespace {

// Wider than this, a message box wraps its text (Qt's soft limit for a word-wrapped message).
constexpr int kMessageTextWidth = 480;

// A box whose text keeps its paths whole, with the font it will be drawn in.
void SetBoxText(QMessageBox& box, const QString& text) {
    box.setTextFormat(Qt::RichText);
    box.setText(MessageHtml(text, box.fontMetrics(), kMessageTextWidth));
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, kApplicationTitle, QString(), QMessageBox::Ok, parent);
    SetBoxText(box, text);
    // A folder or a reason in a message can be selected and copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

// A line that is a path as a whole ("/tmp/out", "C:\\PDFs", "\\\\server\\share"), or a quoted path.
const QRegularExpression
    kPathPattern(QStringLiteral(R"((?:^(?:[A-Za-z]:[\\/]|\\\\|/|~/)[^\n]*$)|(?<=")[^"\n]*[\\/][^"\n]*(?="))"),
                 QRegularExpression::MultilineOption);

} // namespace

PasswordKeeper& Dialogs::Passwords() {
    static const std::unique_ptr<PasswordKeeper> keeper = SystemPasswordKeeper();
    return *keeper;
}

// Qt breaks a line after a slash; a path in a span that does not wrap stays whole.
QString MessageHtml(const QString& text, const QFontMetrics& metrics, int width) {
    QString html;
    qsizetype done = 0;
    for (auto it = kPathPattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        html += text.mid(done, match.capturedStart() - done).toHtmlEscaped();
        html += QStringLiteral("<span style=\"white-space:pre\">%1</span>")
                    .arg(metrics.elidedText(match.captured(), Qt::ElideMiddle, width).toHtmlEscaped());
        done = match.capturedEnd();
    }
    html += text.mid(done).toHtmlEscaped();
    html.replace(u'\n', QStringLiteral("<br>"));
    return html;
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

void SystemDialogs::ShowWarning(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Warning, text);
}

bool SystemDialogs::OfferAction(QWidget* parent, const QString& text, const QString& action, bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, kApplicationTitle, QString(),
                    QMessageBox::Ok, parent);
    SetBoxText(box, text);
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

void SetUpSaveFileDialog(QFileDialog& dialog, const QString& title, const QString& pipeFilter,
                         const QString& suggested) {
    dialog.setWindowTitle(title);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters = FileDialogFilters(pipeFilter);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
    dialog.selectFile(suggested);
}

std::optional<QStringList> SystemDialogs::GetOpenFileNames(QWidget* parent, const QString& filter,
                                                           const QString& startFolder, const QString& title) {
    QFileDialog dialog(parent, title);
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
                                                      const QString& suggested, const QString& title) {
    QFileDialog dialog(parent);
    SetUpSaveFileDialog(dialog, title, filter, suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

QLineEdit* SetUpTextDialog(QDialog& dialog, const QString& label, const QString& suggested) {
    dialog.setWindowTitle(kApplicationTitle);
    auto* edit = new QLineEdit(suggested);
    edit->selectAll();
    auto* caption = new QLabel(label);
    caption->setBuddy(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(caption);
    column->addWidget(edit);
    column->addWidget(buttons);
    // Room for 60 average characters, or the suggestion whole, and for the title beside the title bar's
    // icon and buttons (about 160 pixels), up to what a small screen holds.
    const QFontMetrics metrics = edit->fontMetrics();
    const int title = dialog.fontMetrics().horizontalAdvance(kApplicationTitle) + 160;
    edit->setMinimumWidth(std::min(
        std::max({metrics.averageCharWidth() * 60, metrics.horizontalAdvance(suggested) + 24, title}), 780));
    return edit;
}

std::optional<QString> SystemDialogs::GetText(QWidget* parent, const QString& label,
                                              const QString& suggested) {
    QDialog dialog(parent);
    const QLineEdit* edit = SetUpTextDialog(dialog, label, suggested);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text();
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
    QMessageBox box(QMessageBox::Information, kApplicationTitle, QString(), QMessageBox::Ok, parent);
    SetBoxText(box, text);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const QPushButton* copy = box.addButton(QStringLiteral("&Copy Path"), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == copy)
        QGuiApplication::clipboard()->setText(path);
}

} // namespace velmora
