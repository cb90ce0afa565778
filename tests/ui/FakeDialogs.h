#pragma once

#include "Dialogs.h"
#include "PasswordKeeper.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

namespace velmora::test {

// Answers every dialog from a script and records what was shown, without any modal loop.
class FakeDialogs final : public Dialogs {
public:
    QStringList messages;        // ShowMessage texts, in order
    QStringList errors;          // ShowError texts, in order
    QStringList warnings;        // ShowWarning texts, and those of OfferAction calls with a warning icon
    QStringList offers;          // OfferAction calls, in order, as "<text> [<action>]"
    QStringList openFileFilters; // filter passed to each GetOpenFileNames
    QStringList openFileStarts;  // startFolder passed to each GetOpenFileNames
    QList<QUrl> openedUrls;      // OpenUrl calls, in order
    QStringList openedFiles;     // OpenFile calls, in order
    QStringList exploredFolders; // ExploreFolder calls, in order
    QStringList shownFiles;      // ShowInFolder calls, in order
    QStringList copyablePaths;   // the path of each ShowPathMessage (its text goes to `messages`)
    QStringList folderStarts;    // startFolder passed to each GetExistingDirectory
    QStringList saveSuggestions; // suggested passed to each GetSaveFileName
    QStringList fileTitles;      // title passed to each GetOpenFileNames and GetSaveFileName, in order
    QStringList textSuggestions; // suggested passed to each GetText
    int modalCount = 0;          // RunModal calls

    std::optional<QStringList> nextFiles; // consumed by the next GetOpenFileNames (nullopt = cancel)
    std::optional<QString> nextFolder;    // consumed by the next GetExistingDirectory (nullopt = cancel)
    std::optional<QString> nextSaveFile;  // consumed by the next GetSaveFileName (nullopt = cancel)
    std::optional<QString> nextText;      // consumed by the next GetText (nullopt = cancel)
    bool openUrlResult = true;            // what OpenUrl reports
    bool exploreResult = true;            // what OpenFile, ExploreFolder and ShowInFolder report, later
    bool takeOffer = false;               // what OfferAction reports
    // Called with the dialog instead of exec(); returns whether it was accepted. Default: reject.
    std::function<bool(QDialog&)> onModal;

    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    void ShowError(QWidget*, const QString& text) override { errors << text; }
    void ShowWarning(QWidget*, const QString& text) override { warnings << text; }
    bool OfferAction(QWidget*, const QString& text, const QString& action, bool warning) override {
        offers << QStringLiteral("%1 [%2]").arg(text, action);
        if (warning)
            warnings << text;
        return takeOffer;
    }
    std::optional<QStringList> GetOpenFileNames(QWidget*, const QString& filter, const QString& startFolder,
                                                const QString& title = {}) override {
        fileTitles << title;
        openFileFilters << filter;
        openFileStarts << startFolder;
        return std::exchange(nextFiles, std::nullopt);
    }
    std::optional<QString> GetSaveFileName(QWidget*, const QString&, const QString& suggested,
                                           const QString& title = {}) override {
        fileTitles << title;
        saveSuggestions << suggested;
        return std::exchange(nextSaveFile, std::nullopt);
    }
    std::optional<QString> GetText(QWidget*, const QString&, const QString& suggested) override {
        textSuggestions << suggested;
        return std::exchange(nextText, std::nullopt);
    }
    std::optional<QString> GetExistingDirectory(QWidget*, const QString&,
                                                const QString& startFolder) override {
        folderStarts << startFolder;
        return std::exchange(nextFolder, std::nullopt);
    }
    bool RunModal(QDialog& dialog) override {
        ++modalCount;
        return onModal ? onModal(dialog) : false;
    }
    bool OpenUrl(const QUrl& url) override {
        openedUrls << url;
        return openUrlResult;
    }
    void OpenFile(QWidget*, const QString& file, ShellDone done) override {
        openedFiles << file;
        AnswerLater(std::move(done));
    }
    void ExploreFolder(QWidget*, const QString& folder, ShellDone done) override {
        exploredFolders << folder;
        AnswerLater(std::move(done));
    }
    void ShowInFolder(QWidget*, const QString& file, ShellDone done) override {
        shownFiles << file;
        AnswerLater(std::move(done));
    }
    void ShowPathMessage(QWidget*, const QString& text, const QString& path) override {
        messages << text;
        copyablePaths << path;
    }
    // Stands in for the system's keyring: it outlives each window the test opens.
    PasswordKeeper& Passwords() override { return passwords; }
    SessionPasswordKeeper passwords;

private:
    // As the real opener: the answer comes from the event loop, after the call returned.
    void AnswerLater(ShellDone done) {
        QTimer::singleShot(0, [done = std::move(done), shown = exploreResult] { done(shown); });
    }
};

} // namespace velmora::test
