#pragma once

#include <QString>

namespace velmora {

inline const QString kTargetFolderValue = QStringLiteral("TargetFolder");
inline const QString kCompleteActionValue = QStringLiteral("completeaction");
inline const QString kRenderingEngineValue = QStringLiteral("RenderingEngine");

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

    // Both return the error text to report, or an empty text on success.
    QString LoadSettings(SettingsHost& host) const;
    QString SaveSettings(const SettingsHost& host) const;

    // The rendering engine: Classic unless "Modern" is stored. Storing drops a failure to write.
    RenderingEngine Engine() const;
    void SetEngine(RenderingEngine engine) const;

    QString Location() const { return m_location; }

private:
    SettingsStore(QString location, bool native) : m_location(std::move(location)), m_native(native) {}

    QString m_location;
    bool m_native;
};

} // namespace velmora
