#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace velmora {

class ValueStore;

inline const QString kTargetFolderValue = QStringLiteral("TargetFolder");
inline const QString kCompleteActionValue = QStringLiteral("completeaction");

// Choices kept beside the two settings controls' texts, each read and written on its own.
enum class Preference { ConversionsAtOnce, RenderingEngine, AddFilesFolder, ResultColumn };
inline const QString kConversionsAtOnceValue = QStringLiteral("ConversionsAtOnce");
inline const QString kRenderingEngineValue = QStringLiteral("RenderingEngine");
inline const QString kAddFilesFolderValue = QStringLiteral("AddFilesFolder");
inline const QString kResultColumnValue = QStringLiteral("ResultColumn");
inline const QString kShownText = QStringLiteral("Shown"); // the grid's "Result" column: shown or hidden
inline const QString kHiddenText = QStringLiteral("Hidden");

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
    RenderingEngine Engine() const;
    void SetEngine(RenderingEngine engine) const;
    QString AddFilesFolder() const; // empty until Add Files was first confirmed
    void SetAddFilesFolder(const QString& folder) const;
    bool ResultColumnShown() const; // hidden until shown once
    void SetResultColumnShown(bool shown) const;

    QString Location() const { return m_location; }

private:
    std::unique_ptr<ValueStore> Open() const;

    SettingsStore(QString location, bool native) : m_location(std::move(location)), m_native(native) {}

    QString m_location;
    bool m_native;
};

} // namespace velmora
