#include "SettingsStore.h"

#include "ConvertCommand.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

#include <algorithm>

namespace velmora {

namespace {

const QString kStoreName = QStringLiteral("Velmora Free HTML to PDF Converter");

#ifdef Q_OS_WIN
constexpr bool kNativeStore = true;

QString CurrentUserLocation() {
    return QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\") + kStoreName;
}

QString PlatformDefaultTargetFolder() {
    return QStringLiteral("C:\\My PDF");
}
#else
constexpr bool kNativeStore = false;

QString CurrentUserLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Velmora/") + kStoreName + QStringLiteral(".ini");
}

QString PlatformDefaultTargetFolder() {
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/My PDF"));
}
#endif

QSettings::Format FormatOf(bool native) {
    return native ? QSettings::NativeFormat : QSettings::IniFormat;
}

QString ErrorText(const char* pattern, const QString& valueName) {
    return QString::fromLatin1(pattern).arg(valueName);
}

// Reads the text of `name` into `text`, `fallback` when the value is missing. Returns the error text,
// empty on success.
QString ReadText(const QSettings& settings, const QString& name, const QString& fallback, QString& text) {
    if (!settings.contains(name)) {
        text = fallback;
        return {};
    }
    const QVariant value = settings.value(name);
    // Data of no bytes is the empty text, whatever its type.
    if (value.typeId() == QMetaType::QByteArray && value.toByteArray().isEmpty()) {
        text.clear();
        return {};
    }
    if (value.typeId() != QMetaType::QString)
        return ErrorText("Invalid data type for '%1'", name);
    text = value.toString();
    // The stored text ends at its first NUL, as a C string would.
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        text.truncate(nul);
    return {};
}

// The preferences: value name, default text, and the texts allowed (none listed: any text).
struct PreferenceRule {
    Preference preference;
    QString name;
    QString fallback;
    QStringList allowed;
};

QStringList ConversionsAtOnceTexts() {
    QStringList texts{kAutomaticText};
    for (int count : kConversionsAtOnceChoices)
        texts << QString::number(count);
    return texts;
}

const PreferenceRule& RuleOf(Preference preference) {
    static const PreferenceRule rules[] = {
        {Preference::ConversionsAtOnce, kConversionsAtOnceValue, kAutomaticText, ConversionsAtOnceTexts()},
        {Preference::RenderingEngine,
         kRenderingEngineValue,
         kClassicEngineText,
         {kClassicEngineText, kModernEngineText}},
        {Preference::AddFilesFolder, kAddFilesFolderValue, QString(), {}},
    };
    return *std::find_if(std::cbegin(rules), std::cend(rules),
                         [preference](const PreferenceRule& rule) { return rule.preference == preference; });
}

} // namespace

int AutomaticConverterCount() {
    return qBound(1, QThread::idealThreadCount() + 1, 8);
}

int ConverterCountFor(int conversionsAtOnce) {
    return conversionsAtOnce == kAutomaticConversions ? AutomaticConverterCount() : conversionsAtOnce;
}

QString DefaultTargetFolder() {
    return PlatformDefaultTargetFolder();
}

QString CompletedAction(const QString& text) {
    if (text.isEmpty())
        return text;
    const QStringList actions = CompletionActions();
    const auto match = std::find_if(actions.cbegin(), actions.cend(), [&text](const QString& action) {
        return action.startsWith(text, Qt::CaseInsensitive);
    });
    return match != actions.cend() ? *match : text;
}

SettingsStore SettingsStore::ForCurrentUser() {
    return SettingsStore(CurrentUserLocation(), kNativeStore);
}

SettingsStore SettingsStore::AtIniFile(const QString& path) {
    return SettingsStore(path, false);
}

QString SettingsStore::LoadSettings(SettingsHost& host) const {
    const QSettings settings(m_location, FormatOf(m_native));
    switch (settings.status()) {
    case QSettings::NoError:
        break;
    case QSettings::AccessError:
        // A store that cannot be read leaves the controls at their defaults, silently.
        return {};
    case QSettings::FormatError:
        return ErrorText("Failed to get data for '%1'", kTargetFolderValue);
    }

    QString text;
    if (QString error = ReadText(settings, kTargetFolderValue, DefaultTargetFolder(), text); !error.isEmpty())
        return error;
    host.SetTargetFolderText(text);

    if (QString error = ReadText(settings, kCompleteActionValue, kOpenTargetFolder, text); !error.isEmpty())
        return error;
    host.SetCompletionActionText(text);
    if (!CompletionActions().contains(host.CompletionActionText()))
        host.SetCompletionActionText(kOpenTargetFolder);
    return {};
}

QString SettingsStore::SaveSettings(const SettingsHost& host) const {
    QSettings settings(m_location, FormatOf(m_native));
    settings.setValue(kTargetFolderValue, host.TargetFolderText());
    settings.setValue(kCompleteActionValue, host.CompletionActionText());
    settings.sync();
    // Both values go out in one write, so a failure is reported against the first of them.
    if (settings.status() == QSettings::AccessError)
        return ErrorText("Failed to set data for '%1'", kTargetFolderValue);
    return {};
}

QString SettingsStore::PreferenceText(Preference preference) const {
    const PreferenceRule& rule = RuleOf(preference);
    const QSettings settings(m_location, FormatOf(m_native));
    QString text;
    if (settings.status() != QSettings::NoError ||
        !ReadText(settings, rule.name, rule.fallback, text).isEmpty() ||
        (!rule.allowed.isEmpty() && !rule.allowed.contains(text)))
        return rule.fallback;
    return text;
}

void SettingsStore::SetPreferenceText(Preference preference, const QString& text) const {
    QSettings settings(m_location, FormatOf(m_native));
    settings.setValue(RuleOf(preference).name, text);
}

int SettingsStore::ConversionsAtOnce() const {
    const QString text = PreferenceText(Preference::ConversionsAtOnce);
    return text == kAutomaticText ? kAutomaticConversions : text.toInt();
}

void SettingsStore::SetConversionsAtOnce(int conversionsAtOnce) const {
    SetPreferenceText(Preference::ConversionsAtOnce, conversionsAtOnce == kAutomaticConversions
                                                         ? kAutomaticText
                                                         : QString::number(conversionsAtOnce));
}

RenderingEngine SettingsStore::Engine() const {
    return PreferenceText(Preference::RenderingEngine) == kModernEngineText ? RenderingEngine::Modern
                                                                            : RenderingEngine::Classic;
}

void SettingsStore::SetEngine(RenderingEngine engine) const {
    SetPreferenceText(Preference::RenderingEngine,
                      engine == RenderingEngine::Modern ? kModernEngineText : kClassicEngineText);
}

QString SettingsStore::AddFilesFolder() const {
    return PreferenceText(Preference::AddFilesFolder);
}

void SettingsStore::SetAddFilesFolder(const QString& folder) const {
    SetPreferenceText(Preference::AddFilesFolder, folder);
}

} // namespace velmora
