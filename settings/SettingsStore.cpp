#include "SettingsStore.h"

#include "ConvertCommand.h"
#include "ValueStore.h"

#include <QThread>

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

QString ErrorText(const char* pattern, const QString& valueName) {
    return QString::fromLatin1(pattern).arg(valueName);
}

// Reads the text of `name` into `text`, `fallback` when the value is missing. Returns the error text,
// empty on success.
QString ReadText(const ValueStore& store, const QString& name, const QString& fallback, QString& text) {
    switch (store.ReadText(name, text)) {
    case ValueStore::Read::Missing:
        text = fallback;
        return {};
    case ValueStore::Read::Text:
        return {};
    case ValueStore::Read::WrongType:
        return ErrorText("Invalid data type for '%1'", name);
    case ValueStore::Read::Failed:
        break;
    }
    return ErrorText("Failed to get data for '%1'", name);
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
        {Preference::ResultColumn, kResultColumnValue, kHiddenText, {kShownText, kHiddenText}},
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
    return AtNativeLocation(CurrentUserStoreLocation());
}

SettingsStore SettingsStore::AtNativeLocation(const QString& location) {
    return SettingsStore(location, true);
}

SettingsStore SettingsStore::AtIniFile(const QString& path) {
    return SettingsStore(path, false);
}

std::unique_ptr<ValueStore> SettingsStore::Open() const {
    return m_native ? OpenNativeStore(m_location) : OpenIniStore(m_location);
}

QString SettingsStore::LoadSettings(SettingsHost& host) const {
    const std::unique_ptr<const ValueStore> store = Open();
    // A store that cannot be opened leaves the controls at their defaults, silently.
    if (!store->IsOpen())
        return {};

    QString text;
    if (QString error = ReadText(*store, kTargetFolderValue, DefaultTargetFolder(), text); !error.isEmpty())
        return error;
    host.SetTargetFolderText(text);

    if (QString error = ReadText(*store, kCompleteActionValue, kOpenTargetFolder, text); !error.isEmpty())
        return error;
    host.SetCompletionActionText(text);
    if (!CompletionActions().contains(host.CompletionActionText()))
        host.SetCompletionActionText(kOpenTargetFolder);
    return {};
}

QString SettingsStore::SaveSettings(const SettingsHost& host) const {
    const std::unique_ptr<ValueStore> store = Open();
    if (!store->IsOpen())
        return {};
    // A failed value stops the save: the one after it is not written.
    for (const auto& [name, text] : {std::pair{kTargetFolderValue, host.TargetFolderText()},
                                     std::pair{kCompleteActionValue, host.CompletionActionText()}}) {
        if (!store->WriteText(name, text))
            return ErrorText("Failed to set data for '%1'", name);
    }
    return {};
}

QString SettingsStore::PreferenceText(Preference preference) const {
    const PreferenceRule& rule = RuleOf(preference);
    const std::unique_ptr<const ValueStore> store = Open();
    QString text;
    if (!store->IsOpen() || !ReadText(*store, rule.name, rule.fallback, text).isEmpty() ||
        (!rule.allowed.isEmpty() && !rule.allowed.contains(text)))
        return rule.fallback;
    return text;
}

void SettingsStore::SetPreferenceText(Preference preference, const QString& text) const {
    const std::unique_ptr<ValueStore> store = Open();
    if (store->IsOpen())
        store->WriteText(RuleOf(preference).name, text);
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

bool SettingsStore::ResultColumnShown() const {
    return PreferenceText(Preference::ResultColumn) == kShownText;
}

void SettingsStore::SetResultColumnShown(bool shown) const {
    SetPreferenceText(Preference::ResultColumn, shown ? kShownText : kHiddenText);
}

} // namespace velmora
