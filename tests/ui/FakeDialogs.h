#pragma once

#include "Dialogs.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace velmora::test {

// Answers every dialog from a script and records what was shown, without any modal loop.
class FakeDialogs final : public Dialogs {
public:
    QStringList messages;        // ShowMessage texts, in order
    QStringList errors;          // ShowError texts, in order
    QStringList openFileFilters; // filter passed to each GetOpenFileNames
    QStringList openFileStarts;  // startFolder passed to each GetOpenFileNames
    QList<QUrl> openedUrls;      // OpenUrl calls, in order
    QStringList exploredFolders; // ExploreFolder calls, in order
    QStringList shownFiles;      // ShowInFolder calls, in order
    QStringList folderStarts;    // startFolder passed to each GetExistingDirectory
    QStringList saveSuggestions; // suggested passed to each GetSaveFileName
    int modalCount = 0;          // RunModal calls

    std::optional<QStringList> nextFiles; // consumed by the next GetOpenFileNames (nullopt = cancel)
    std::optional<QString> nextFolder;    // consumed by the next GetExistingDirectory (nullopt = cancel)
    std::optional<QString> nextSaveFile;  // consumed by the next GetSaveFileName (nullopt = cancel)
    bool openUrlResult = true;            // what OpenUrl reports
    bool exploreResult = true;            // what ExploreFolder reports
    // Called with the dialog instead of exec(); returns whether it was accepted. Default: reject.
    std::function<bool(QDialog&)> onModal;

    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    void ShowError(QWidget*, const QString& text) override { errors << text; }
    std::optional<QStringList> GetOpenFileNames(QWidget*, const QString& filter,
                                                const QString& startFolder) override {
        openFileFilters << filter;
        openFileStarts << startFolder;
        return std::exchange(nextFiles, std::nullopt);
    }
    std::optional<QString> GetSaveFileName(QWidget*, const QString&, const QString& suggested) override {
        saveSuggestions << suggested;
        return std::exchange(nextSaveFile, std::nullopt);
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
    bool ExploreFolder(QWidget*, const QString& folder) override {
        exploredFolders << folder;
        return exploreResult;
    }
    bool ShowInFolder(QWidget*, const QString& file) override {
        shownFiles << file;
        return exploreResult;
    }
};

} // namespace velmora::test
