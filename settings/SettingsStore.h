#pragma once

#include "render/PageSetup.h"
#include "run/ConvertCommand.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace velmora {

class ValueStore;

inline const QString kTargetFolderValue = QStringLiteral("TargetFolder");
inline const QString kCompleteActionValue = QStringLiteral("completeaction");

// Choices kept beside the two settings controls' texts, each read and written on its own.
enum class Preference {
    ConversionsAtOnce,
    RenderingEngine,
    AddFilesFolder,
    LocalRoot,
    ResultColumn,
    // Page setup, each in the text form the command line takes.
    PagePaper,
    PageOrientation,
    PageCssSize,
    PageMargins,
    PageScale,
    PageBackgrounds,
    PageMedia,
    PageHeader,
    PageFooter,
    PageTextSize,
    PageNumbering,
    // Page setup: what is done to a page before it is printed.
    PageScroll,
    PageOpenDetails,
    PageWaitFor,
    PageWaitUntil,
    PageDelay,
    PageStyle,
    PageHide,
    // Combining and naming.
    CombineIntoOne,
    CombinedName,
    KeepSeparatePdfs,
    ContentsPage,
    NamePdfsBy,
    // Pages behind a login: the cookies file's path, the headers (one "Name: value" a line), the HTTP
    // user. Never the password (see the window's PasswordKeeper).
    SignInCookiesFile,
    SignInHeaders,
    SignInUser,
};
inline const QString kConversionsAtOnceValue = QStringLiteral("ConversionsAtOnce");
inline const QString kRenderingEngineValue = QStringLiteral("RenderingEngine");
inline const QString kAddFilesFolderValue = QStringLiteral("AddFilesFolder");
inline const QString kLocalRootValue = QStringLiteral("LocalRoot");
inline const QString kResultColumnValue = QStringLiteral("ResultColumn");
inline const QString kShownText = QStringLiteral("Shown"); // the grid's "Result" column: shown or hidden
inline const QString kHiddenText = QStringLiteral("Hidden");
inline const QString kCombineIntoOneValue = QStringLiteral("CombineIntoOne");
inline const QString kCombinedNameValue = QStringLiteral("CombinedName");
inline const QString kKeepSeparatePdfsValue = QStringLiteral("KeepSeparatePdfs");
inline const QString kContentsPageValue = QStringLiteral("ContentsPage");
inline const QString kNamePdfsByValue = QStringLiteral("NamePdfsBy");
inline const QString kYesText = QStringLiteral("Yes");
inline const QString kNoText = QStringLiteral("No");
inline const QString kByAddressText = QStringLiteral("Address");
inline const QString kByTitleText = QStringLiteral("Title");

// "Conversions at once": one of these counts, or Automatic (stored as the text "Automatic", held as 0).
inline const QString kAutomaticText = QStringLiteral("Automatic");
constexpr int kAutomaticConversions = 0;
inline const QList<int> kConversionsAtOnceChoices{1, 2, 3, 4, 6, 8};
// What Automatic means on this machine: one converter more than there are cores, at most 8.
int AutomaticConverterCount();
// The number of converters a choice runs.
int ConverterCountFor(int conversionsAtOnce);

enum class RenderingEngine { Classic, Modern };
inline const QString kClassicEngineText = QStringLiteral("Classic");
inline const QString kModernEngineText = QStringLiteral("Modern");
// The engine when none is stored: the one that can run here. Classic, unless its converter is missing
// and a Chromium was found.
RenderingEngine DefaultEngine(bool converterFound, bool browserFound);

// "C:\My PDF" on Windows, "My PDF" in the home folder elsewhere.
QString DefaultTargetFolder();

// What the completion box shows after `text` is set into it: the first action (in list order) that
// `text` begins, ignoring letter case; otherwise `text` unchanged.
QString CompletedAction(const QString& text);

// The two controls that hold the settings between load and save.
class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    virtual QString TargetFolderText() const = 0;
    virtual void SetTargetFolderText(const QString& text) = 0;
    virtual QString CompletionActionText() const = 0;
    // Goes through the box, so its completion happens before LoadSettings validates the text.
    virtual void SetCompletionActionText(const QString& text) = 0;
};

// Loads and saves the two settings. Each call opens the store afresh and keeps nothing open.
class SettingsStore {
public:
    // The current user's store: the registry key on Windows, an INI file elsewhere.
    static SettingsStore ForCurrentUser();
    // An INI file at an explicit path (tests, portable use).
    static SettingsStore AtIniFile(const QString& path);
    // The platform's own kind of store at an explicit place: a key below HKEY_CURRENT_USER on Windows,
    // an INI file elsewhere (tests).
    static SettingsStore AtNativeLocation(const QString& location);

    // Both return the error text to report, or an empty text on success.
    QString LoadSettings(SettingsHost& host) const;
    QString SaveSettings(const SettingsHost& host) const;

    // A preference's stored text; its default when the value is missing, of another type, or not one
    // of its allowed texts. Never reports an error.
    QString PreferenceText(Preference preference) const;
    // Stores the text as it is; a failure to write is dropped (the choice then lasts for this run only).
    void SetPreferenceText(Preference preference, const QString& text) const;

    int ConversionsAtOnce() const; // kAutomaticConversions or one of kConversionsAtOnceChoices
    void SetConversionsAtOnce(int conversionsAtOnce) const;
    // The stored engine; `unstored` when none is stored (or the stored text is neither engine).
    RenderingEngine Engine(RenderingEngine unstored = RenderingEngine::Classic) const;
    void SetEngine(RenderingEngine engine) const;
    QString AddFilesFolder() const; // empty until Add Files was first confirmed
    void SetAddFilesFolder(const QString& folder) const;
    // Each part of the page setup read on its own; one that is invalid reads as its default.
    PageSetup Page() const;
    void SetPage(const PageSetup& page) const;
    // The folder local documents inside it may read; empty for automatic (each its document set's),
    // which is stored as "Automatic". A stored text that is no absolute path of a folder reads as empty.
    QString LocalRoot() const;
    void SetLocalRoot(const QString& folder) const;
    bool ResultColumnShown() const; // hidden until shown once
    void SetResultColumnShown(bool shown) const;
    // Whether runs end by combining, the combined file's name (empty until one was given) and whether
    // the separate PDFs are kept (they are, unless told otherwise).
    CombineChoice Combine() const;
    void SetCombine(const CombineChoice& choice) const;
    NameBy NamePdfsBy() const; // by address unless told otherwise
    void SetNamePdfsBy(NameBy nameBy) const;

    QString Location() const { return m_location; }

private:
    std::unique_ptr<ValueStore> Open() const;
    // A preference's stored text when it is one of its allowed texts; nullopt otherwise.
    std::optional<QString> StoredPreferenceText(Preference preference) const;

    SettingsStore(QString location, bool native) : m_location(std::move(location)), m_native(native) {}

    QString m_location;
    bool m_native;
};

} // namespace velmora
