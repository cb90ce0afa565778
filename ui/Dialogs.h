#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QDialog;
class QFileDialog;
class QFontMetrics;
class QLineEdit;
class QWidget;

namespace velmora {

class PasswordKeeper;

inline const QString kApplicationTitle = QStringLiteral("Velmora Free HTML to PDF Converter");

// Told later, never from inside the shell call, whether a program could show what was asked for: an
// opener may start and only then find it has nothing to show it with.
using ShellDone = std::function<void(bool shown)>;

// Every modal dialog, message box and shell call of the program goes through here, so tests can
// answer them without entering a modal loop.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // One OK button, captioned with the application title.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // As ShowMessage, with an error icon.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // As ShowMessage, with a warning icon: what was asked for was done only in part.
    virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
    // As ShowMessage (with a warning icon when `warning`), with a button captioned `action` before OK;
    // true when that button was pressed.
    virtual bool OfferAction(QWidget* parent, const QString& text, const QString& action, bool warning) = 0;
    // Multiple selection, opening in `startFolder` (empty: the platform's choice), titled `title` (empty:
    // the platform's own title); nullopt when cancelled.
    virtual std::optional<QStringList> GetOpenFileNames(QWidget* parent, const QString& filter,
                                                        const QString& startFolder,
                                                        const QString& title = {}) = 0;
    // A new or existing file to write, `suggested` preselected; its native path, or nullopt when cancelled.
    virtual std::optional<QString> GetSaveFileName(QWidget* parent, const QString& filter,
                                                   const QString& suggested, const QString& title = {}) = 0;
    // Opens on `startFolder`; the chosen folder's native path, or nullopt when cancelled.
    virtual std::optional<QString> GetExistingDirectory(QWidget* parent, const QString& title,
                                                        const QString& startFolder) = 0;
    // One line of text asked for under `label`, `suggested` filled in; nullopt when cancelled.
    virtual std::optional<QString> GetText(QWidget* parent, const QString& label,
                                           const QString& suggested) = 0;
    // Shows a window-modal dialog; true when it was accepted.
    virtual bool RunModal(QDialog& dialog) = 0;
    // Hands an address to the shell; false when nothing could open it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Opens a local file with the program set up for its kind.
    virtual void OpenFile(QWidget* parent, const QString& file, ShellDone done) = 0;
    // Shows a folder in the platform's file manager.
    virtual void ExploreFolder(QWidget* parent, const QString& folder, ShellDone done) = 0;
    // Shows a file in its folder (selected, where the platform can).
    virtual void ShowInFolder(QWidget* parent, const QString& file, ShellDone done) = 0;
    // As ShowMessage, for a text that names `path`: the path can be selected and copied.
    virtual void ShowPathMessage(QWidget* parent, const QString& text, const QString& path) = 0;
    // Where the sign-in's password is kept: the system's keyring, else the session.
    virtual PasswordKeeper& Passwords();
};

// A message box's text as rich text in which each path (a line of its own, or quoted) stays on one line,
// shortened in the middle when it is wider than `width`.
QString MessageHtml(const QString& text, const QFontMetrics& metrics, int width);

// A filter in the pipe form "Description|*.a;*.b|..." as Qt's file dialog filters, "Description (*.a *.b)".
QStringList FileDialogFilters(const QString& pipeFilter);

// Makes `dialog` an open-file dialog for several existing files with the choices of `pipeFilter`, the
// first one selected, opening in `startFolder`.
void SetUpOpenFileDialog(QFileDialog& dialog, const QString& pipeFilter, const QString& startFolder);
// Makes `dialog` ask for one line under `label`, `suggested` filled in, wide enough for a long name and
// for the application title in its title bar; returns the line's edit.
QLineEdit* SetUpTextDialog(QDialog& dialog, const QString& label, const QString& suggested);
// Makes `dialog` a dialog for a file to write, titled `title`, with the choices of `pipeFilter` and the
// name `suggested`.
void SetUpSaveFileDialog(QFileDialog& dialog, const QString& title, const QString& pipeFilter,
                         const QString& suggested);

// The real dialogs: QMessageBox, QFileDialog, QDialog::exec, QDesktopServices.
class SystemDialogs final : public Dialogs {
public:
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowWarning(QWidget* parent, const QString& text) override;
    bool OfferAction(QWidget* parent, const QString& text, const QString& action, bool warning) override;
    std::optional<QStringList> GetOpenFileNames(QWidget* parent, const QString& filter,
                                                const QString& startFolder,
                                                const QString& title = {}) override;
    std::optional<QString> GetSaveFileName(QWidget* parent, const QString& filter, const QString& suggested,
                                           const QString& title = {}) override;
    std::optional<QString> GetExistingDirectory(QWidget* parent, const QString& title,
                                                const QString& startFolder) override;
    std::optional<QString> GetText(QWidget* parent, const QString& label, const QString& suggested) override;
    bool RunModal(QDialog& dialog) override;
    bool OpenUrl(const QUrl& url) override;
    void OpenFile(QWidget* parent, const QString& file, ShellDone done) override;
    void ExploreFolder(QWidget* parent, const QString& folder, ShellDone done) override;
    void ShowInFolder(QWidget* parent, const QString& file, ShellDone done) override;
    void ShowPathMessage(QWidget* parent, const QString& text, const QString& path) override;
};

} // namespace velmora
