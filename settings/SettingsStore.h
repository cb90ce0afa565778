#pragma once

#include <QString>

#include <memory>

namespace velmora {

class ValueStore;

inline const QString kTargetFolderValue = QStringLiteral("TargetFolder");
inline const QString kCompleteActionValue = QStringLiteral("completeaction");

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

    QString Location() const { return m_location; }

private:
    std::unique_ptr<ValueStore> Open() const;

    SettingsStore(QString location, bool native) : m_location(std::move(location)), m_native(native) {}

    QString m_location;
    bool m_native;
};

} // namespace velmora
